#include "platform/foundation/StringsFile.h"

#include "platform/foundation/FoundationState.h"
#include "platform/foundation/PlistHandle.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sys/stat.h>

namespace {

// Files beyond this size are not tables but accidents; they read as empty.
constexpr std::size_t kLargestFile = 16u << 20;

void appendUTF8(std::string& out, std::uint32_t cp)
{
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
        cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string utf16ToUTF8(std::string_view bytes, bool bigEndian)
{
    std::string out;
    out.reserve(bytes.size());
    auto unitAt = [&](std::size_t i) {
        auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
        auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
        return static_cast<std::uint32_t>((hi << 8) | lo);
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        std::uint32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < bytes.size()) {
            std::uint32_t low = unitAt(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                appendUTF8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        appendUTF8(out, unit);
    }
    return out;
}

bool isHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

std::uint32_t hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return static_cast<std::uint32_t>(c - '0');
    if (c >= 'a' && c <= 'f')
        return static_cast<std::uint32_t>(c - 'a' + 10);
    return static_cast<std::uint32_t>(c - 'A' + 10);
}

bool isBareChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$' || c == '/'
        || c == ':' || c == '.' || c == '-';
}

// A cursor over the text form; every read checks the end first.
class TextParser {
public:
    explicit TextParser(std::string_view text) : s_(text) { }

    bool atEnd() const { return i_ >= s_.size(); }
    char peek() const { return atEnd() ? '\0' : s_[i_]; }
    void advance() { ++i_; }

    // Skips white space and comments; false on a block comment that never closes.
    bool skipSpace()
    {
        while (!atEnd()) {
            char c = s_[i_];
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
                ++i_;
            } else if (c == '/' && i_ + 1 < s_.size() && s_[i_ + 1] == '/') {
                while (!atEnd() && s_[i_] != '\n' && s_[i_] != '\r')
                    ++i_;
            } else if (c == '/' && i_ + 1 < s_.size() && s_[i_ + 1] == '*') {
                std::size_t close = s_.find("*/", i_ + 2);
                if (close == std::string_view::npos)
                    return false;
                i_ = close + 2;
            } else {
                return true;
            }
        }
        return true;
    }

    // A quoted string (double or single quotes) or a bare word.
    bool readString(std::string& out)
    {
        out.clear();
        if (atEnd())
            return false;
        char quote = s_[i_];
        if (quote != '"' && quote != '\'') {
            while (!atEnd() && isBareChar(s_[i_]))
                out += s_[i_++];
            return !out.empty();
        }
        ++i_;
        while (!atEnd()) {
            char c = s_[i_++];
            if (c == quote)
                return true;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (atEnd())
                return false;
            readEscape(out);
        }
        return false;
    }

private:
    std::uint32_t readHex4()
    {
        std::uint32_t value = 0;
        for (int n = 0; n < 4 && !atEnd() && isHex(s_[i_]); ++n)
            value = value * 16 + hexValue(s_[i_++]);
        return value;
    }

    void readEscape(std::string& out)
    {
        char c = s_[i_++];
        switch (c) {
        case 'n': out += '\n'; return;
        case 't': out += '\t'; return;
        case 'r': out += '\r'; return;
        case 'a': out += '\a'; return;
        case 'b': out += '\b'; return;
        case 'f': out += '\f'; return;
        case 'v': out += '\v'; return;
        case 'U':
        case 'u': {
            if (atEnd() || !isHex(s_[i_])) {
                out += c;
                return;
            }
            std::uint32_t unit = readHex4();
            // A high surrogate joins the low one that follows as \Uxxxx; alone it is U+FFFD.
            if (unit >= 0xD800 && unit <= 0xDBFF && i_ + 2 < s_.size() && s_[i_] == '\\' && (s_[i_ + 1] == 'U' || s_[i_ + 1] == 'u')
                && isHex(s_[i_ + 2])) {
                std::size_t mark = i_;
                i_ += 2;
                std::uint32_t low = readHex4();
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    appendUTF8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                    return;
                }
                i_ = mark;
            }
            appendUTF8(out, unit);
            return;
        }
        default:
            if (c >= '0' && c <= '7') {
                std::uint32_t value = static_cast<std::uint32_t>(c - '0');
                for (int n = 1; n < 3 && !atEnd() && s_[i_] >= '0' && s_[i_] <= '7'; ++n)
                    value = value * 8 + static_cast<std::uint32_t>(s_[i_++] - '0');
                appendUTF8(out, value);
                return;
            }
            // \" \' \\ and anything else stand for the character itself.
            out += c;
            return;
        }
    }

    std::string_view s_;
    std::size_t i_ = 0;
};

StringsFile::Table parsePlist(std::string_view bytes)
{
    StringsFile::Table table;
    const PlistHandle root = plistFromMemory(bytes);
    if (!root || plist_get_node_type(root.get()) != PLIST_DICT)
        return table;
    plist_dict_iter iterator = nullptr;
    plist_dict_new_iter(root.get(), &iterator);
    const PlistIterator owner(iterator);
    while (iterator) {
        char* name = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(root.get(), iterator, &name, &value);
        const PlistKey key(name);
        if (!key)
            break;
        if (value && plist_get_node_type(value) == PLIST_STRING) {
            std::uint64_t length = 0;
            const char* text = plist_get_string_ptr(value, &length);
            if (text)
                table[key.get()] = std::string(text, static_cast<std::size_t>(length));
        }
    }
    return table;
}

StringsCache& cache() { return FoundationState::current().strings(); }

} // namespace

std::string StringsFile::decodeToUTF8(std::string_view bytes)
{
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF)
        return std::string(bytes.substr(3));
    if (bytes.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE)
        return utf16ToUTF8(bytes.substr(2), false);
    if (bytes.size() >= 2 && byte(0) == 0xFE && byte(1) == 0xFF)
        return utf16ToUTF8(bytes.substr(2), true);
    // Without a mark, a NUL beside an ASCII first character gives UTF-16 away.
    if (bytes.size() >= 2 && byte(0) == 0 && byte(1) != 0 && byte(1) < 0x80)
        return utf16ToUTF8(bytes, true);
    if (bytes.size() >= 2 && byte(1) == 0 && byte(0) != 0 && byte(0) < 0x80)
        return utf16ToUTF8(bytes, false);
    return std::string(bytes);
}

StringsFile::Table StringsFile::parseText(std::string_view text)
{
    Table table;
    TextParser p(text);
    // A table may also be written as one dictionary in braces.
    if (!p.skipSpace())
        return table;
    bool braced = p.peek() == '{';
    if (braced)
        p.advance();
    std::string key;
    std::string value;
    while (p.skipSpace() && !p.atEnd()) {
        if (braced && p.peek() == '}')
            break;
        if (!p.readString(key) || !p.skipSpace())
            break;
        if (p.peek() == ';') {
            // `"key";` alone maps the key to itself.
            p.advance();
            table[key] = key;
            continue;
        }
        if (p.peek() != '=')
            break;
        p.advance();
        if (!p.skipSpace() || !p.readString(value) || !p.skipSpace() || p.peek() != ';')
            break;
        p.advance();
        table[key] = value;
    }
    return table;
}

StringsFile::Table StringsFile::parse(std::string_view bytes)
{
    if (bytes.size() > kLargestFile)
        return {};
    if (bytes.substr(0, 6) == "bplist")
        return parsePlist(bytes);
    std::string text = decodeToUTF8(bytes);
    std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first != std::string::npos && text[first] == '<')
        return parsePlist(text);
    return parseText(text);
}

std::shared_ptr<const StringsFile::Table> StringsFile::load(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return nullptr;
    {
        std::lock_guard lock(cache().mutex);
        auto it = cache().entries.find(path);
        if (it != cache().entries.end() && it->second.seconds == info.st_mtim.tv_sec && it->second.nanoseconds == info.st_mtim.tv_nsec
            && it->second.size == info.st_size)
            return it->second.table;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return nullptr;
    std::string bytes;
    if (static_cast<std::size_t>(info.st_size) <= kLargestFile)
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    auto table = std::make_shared<const Table>(parse(bytes));
    std::lock_guard lock(cache().mutex);
    cache().entries[path] = StringsCache::Entry { info.st_mtim.tv_sec, info.st_mtim.tv_nsec, info.st_size, table };
    return table;
}
