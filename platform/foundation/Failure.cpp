#include "platform/foundation/Failure.h"

#include <cstring>

Failure Failure::ofCall(std::string call, std::string path, int error)
{
    std::string message = call + " " + path + ": " + std::strerror(error);
    return Failure{ std::move(call), std::move(path), error, std::move(message) };
}

Failure Failure::because(std::string message, std::string path, int error)
{
    return Failure{ {}, std::move(path), error, std::move(message) };
}

Failure Failure::within(const std::string& before, const std::string& after) const
{
    Failure wider = *this;
    wider.message = before + message + after;
    return wider;
}
