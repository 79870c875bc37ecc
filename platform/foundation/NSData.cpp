#include "platform/foundation/NSData.h"

std::shared_ptr<NSData> NSData::dataWithBytes(const void* bytes, std::size_t length)
{
    auto* first = static_cast<const std::uint8_t*>(bytes);
    return std::make_shared<NSData>(first ? std::vector<std::uint8_t>(first, first + length) : std::vector<std::uint8_t>());
}

std::string NSData::description() const
{
    static const char digits[] = "0123456789abcdef";
    std::string text = "<";
    for (std::size_t i = 0; i < bytes_.size(); ++i) {
        if (i > 0 && i % 4 == 0)
            text += ' ';
        text += digits[bytes_[i] >> 4];
        text += digits[bytes_[i] & 0xf];
    }
    return text + ">";
}

bool NSData::isEqual(const NSObject* other) const
{
    auto* data = dynamic_cast<const NSData*>(other);
    return data && data->bytes_ == bytes_;
}
