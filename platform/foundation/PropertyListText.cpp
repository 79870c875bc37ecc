#include "platform/foundation/PropertyListText.h"

#include "platform/foundation/NSArray.h"
#include "platform/foundation/NSData.h"
#include "platform/foundation/NSDictionary.h"
#include "platform/foundation/NSNumber.h"

namespace {
std::string indent(int depth) { return std::string(static_cast<std::size_t>(depth) * 4, ' '); }

bool isPlain(const std::string& text)
{
    if (text.empty())
        return false;
    for (unsigned char c : text)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    return true;
}
} // namespace

std::string PropertyListText::quotedIfNeeded(const std::string& text)
{
    if (isPlain(text))
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        switch (c) {
        case '"': quoted += "\\\""; break;
        case '\\': quoted += "\\\\"; break;
        case '\n': quoted += "\\n"; break;
        case '\t': quoted += "\\t"; break;
        case '\r': quoted += "\\r"; break;
        default: quoted += c;
        }
    }
    return quoted + "\"";
}

std::string PropertyListText::numberText(const NSNumber& number) { return number.description(); }

std::string PropertyListText::describe(const NSObject* object, int depth)
{
    if (!object)
        return "(null)";
    if (auto* array = dynamic_cast<const NSArray*>(object)) {
        if (array->count() == 0)
            return "(\n" + indent(depth) + ")";
        std::string text = "(\n";
        const auto& objects = array->objects();
        for (std::size_t i = 0; i < objects.size(); ++i) {
            text += indent(depth + 1) + describe(objects[i].get(), depth + 1);
            text += i + 1 < objects.size() ? ",\n" : "\n";
        }
        return text + indent(depth) + ")";
    }
    if (auto* dictionary = dynamic_cast<const NSDictionary*>(object)) {
        std::string text = "{\n";
        for (const auto& [key, value] : dictionary->entries())
            text += indent(depth + 1) + quotedIfNeeded(key) + " = " + describe(value.get(), depth + 1) + ";\n";
        return text + indent(depth) + "}";
    }
    // Data prints as its hex form, which is already unambiguous; everything else is quoted as text.
    if (dynamic_cast<const NSData*>(object))
        return object->description();
    if (auto* number = dynamic_cast<const NSNumber*>(object))
        return quotedIfNeeded(numberText(*number));
    return quotedIfNeeded(object->description());
}
