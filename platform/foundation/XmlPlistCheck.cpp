#include "platform/foundation/XmlPlistCheck.h"

namespace {

// The index just past `close` from `from` on, or the end of the text when it never comes.
std::size_t skipPast(std::string_view text, std::size_t from, std::string_view close)
{
    const std::size_t at = text.find(close, from);
    return at == std::string_view::npos ? text.size() : at + close.size();
}

// The index of the `>` that ends the tag opened at `from`, passing over quoted attribute values.
std::size_t tagEnd(std::string_view text, std::size_t from)
{
    char quote = 0;
    for (std::size_t i = from; i < text.size(); ++i) {
        const char c = text[i];
        if (quote)
            quote = c == quote ? 0 : quote;
        else if (c == '"' || c == '\'')
            quote = c;
        else if (c == '>')
            return i;
    }
    return text.size();
}

} // namespace

bool XmlPlistCheck::nestsDeeperThan(std::string_view text, unsigned maxDepth)
{
    unsigned depth = 0;
    std::size_t at = text.find('<');
    while (at < text.size()) {
        const std::string_view rest = text.substr(at);
        if (rest.starts_with("<!--")) {
            at = skipPast(text, at + 4, "-->");
        } else if (rest.starts_with("<![CDATA[")) {
            at = skipPast(text, at + 9, "]]>");
        } else if (rest.starts_with("<?")) {
            at = skipPast(text, at + 2, "?>");
        } else if (rest.starts_with("<!")) {
            // The document type, with an internal subset in brackets when there is one.
            const std::size_t bracket = text.find('[', at);
            const std::size_t end = tagEnd(text, at);
            at = bracket < end ? skipPast(text, bracket, "]") : end;
            at = at < text.size() ? tagEnd(text, at) + 1 : at;
        } else if (rest.starts_with("</")) {
            depth -= depth > 0 ? 1 : 0;
            at = tagEnd(text, at) + 1;
        } else {
            const std::size_t end = tagEnd(text, at);
            if (end < text.size() && text[end - 1] != '/' && ++depth > maxDepth)
                return true;
            at = end + 1;
        }
        at = at < text.size() ? text.find('<', at) : text.size();
    }
    return false;
}
