#include "platform/foundation/NSLog.h"

#include "platform/foundation/Clock.h"
#include "platform/foundation/FoundationState.h"
#include "platform/runtime/NSObject.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <sys/syscall.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

enum class Length { None, Char, Short, Long, LongLong, Size, PtrDiff, IntMax, LongDouble };

// Formats one numeric or text conversion with snprintf, passing flags, width and precision
// through. `spec` is a complete printf conversion for exactly one argument of type T.
template <class T> void appendFormatted(std::string& out, const std::string& spec, T value)
{
    char small[128];
    int needed = std::snprintf(small, sizeof small, spec.c_str(), value);
    if (needed < 0)
        return;
    if (static_cast<std::size_t>(needed) < sizeof small) {
        out.append(small, static_cast<std::size_t>(needed));
        return;
    }
    std::vector<char> large(static_cast<std::size_t>(needed) + 1);
    std::snprintf(large.data(), large.size(), spec.c_str(), value);
    out.append(large.data(), static_cast<std::size_t>(needed));
}

void appendSigned(std::string& out, std::string spec, Length length, va_list& args)
{
    switch (length) {
    case Length::Char: appendFormatted(out, spec + "d", static_cast<int>(static_cast<signed char>(va_arg(args, int)))); break;
    case Length::Short: appendFormatted(out, spec + "d", static_cast<int>(static_cast<short>(va_arg(args, int)))); break;
    case Length::Long: appendFormatted(out, spec + "ld", va_arg(args, long)); break;
    case Length::LongLong: appendFormatted(out, spec + "lld", va_arg(args, long long)); break;
    case Length::Size: appendFormatted(out, spec + "zd", va_arg(args, std::ptrdiff_t)); break;
    case Length::PtrDiff: appendFormatted(out, spec + "td", va_arg(args, std::ptrdiff_t)); break;
    case Length::IntMax: appendFormatted(out, spec + "jd", va_arg(args, std::intmax_t)); break;
    default: appendFormatted(out, spec + "d", va_arg(args, int)); break;
    }
}

void appendUnsigned(std::string& out, std::string spec, char conversion, Length length, va_list& args)
{
    switch (length) {
    case Length::Char: appendFormatted(out, spec + conversion, static_cast<unsigned>(static_cast<unsigned char>(va_arg(args, unsigned)))); break;
    case Length::Short: appendFormatted(out, spec + conversion, static_cast<unsigned>(static_cast<unsigned short>(va_arg(args, unsigned)))); break;
    case Length::Long: appendFormatted(out, spec + "l" + conversion, va_arg(args, unsigned long)); break;
    case Length::LongLong: appendFormatted(out, spec + "ll" + conversion, va_arg(args, unsigned long long)); break;
    case Length::Size: appendFormatted(out, spec + "z" + conversion, va_arg(args, std::size_t)); break;
    case Length::PtrDiff: appendFormatted(out, spec + "t" + conversion, va_arg(args, std::ptrdiff_t)); break;
    case Length::IntMax: appendFormatted(out, spec + "j" + conversion, va_arg(args, std::uintmax_t)); break;
    default: appendFormatted(out, spec + conversion, va_arg(args, unsigned)); break;
    }
}

// Text conversions (%@ and %s) honour width, precision and the '-' flag, as %s does.
// Other flags mean nothing to %s, so only those three are passed on.
void appendText(std::string& out, const std::string& spec, const std::string& text)
{
    std::string textSpec;
    for (char c : spec) {
        if (c == '%' || c == '-' || c == '.' || (c >= '1' && c <= '9') || (c == '0' && !textSpec.empty() && textSpec.back() != '%' && textSpec.back() != '-'))
            textSpec += c;
    }
    appendFormatted(out, textSpec + "s", text.c_str());
}

void appendReal(std::string& out, const std::string& spec, char conversion, Length length, va_list& args)
{
    if (length == Length::LongDouble)
        appendFormatted(out, spec + "L" + conversion, va_arg(args, long double));
    else
        appendFormatted(out, spec + conversion, va_arg(args, double));
}

// Foundation prints pointers as 0x… always, null as 0x0.
void appendPointer(std::string& out, const std::string& spec, va_list& args)
{
    auto value = reinterpret_cast<std::uintptr_t>(va_arg(args, void*));
    char text[32];
    std::snprintf(text, sizeof text, "0x%lx", static_cast<unsigned long>(value));
    appendText(out, spec, text);
}

// One conversion of a format string as read: the printf spec without its length and letter
// ('%', flags, width, precision, with any '*' already replaced by its argument), the length
// modifier, and the conversion letter ('\0' when the format ended first).
struct Conversion {
    std::string spec = "%";
    Length length = Length::None;
    char letter = '\0';
};

// Digits, or a '*' whose int is taken from the arguments; false for a '*' whose value is negative.
bool readNumber(const char*& p, std::string& spec, va_list& args)
{
    if (*p != '*') {
        while (*p >= '0' && *p <= '9')
            spec += *p++;
        return true;
    }
    ++p;
    const int value = va_arg(args, int);
    spec += std::to_string(value);
    return value >= 0;
}

Length readLength(const char*& p)
{
    if (p[0] == 'h' && p[1] == 'h') { p += 2; return Length::Char; }
    if (p[0] == 'l' && p[1] == 'l') { p += 2; return Length::LongLong; }
    switch (*p) {
    case 'h': ++p; return Length::Short;
    case 'l': ++p; return Length::Long;
    case 'q': ++p; return Length::LongLong;
    case 'z': ++p; return Length::Size;
    case 't': ++p; return Length::PtrDiff;
    case 'j': ++p; return Length::IntMax;
    case 'L': ++p; return Length::LongDouble;
    default: return Length::None;
    }
}

// Reads the conversion that starts just after a '%', taking the arguments its '*'s stand for.
Conversion readConversion(const char*& p, va_list& args)
{
    Conversion conversion;
    std::string& spec = conversion.spec;
    while (*p && std::strchr("-+ #0'", *p))
        spec += *p++;
    // Widths and precisions given as '*' are read here and written into the conversion as numbers.
    readNumber(p, spec, args);
    if (*p == '.') {
        spec += *p++;
        const std::size_t precision = spec.size();
        // A negative precision counts as none, as printf says.
        if (!readNumber(p, spec, args))
            spec.erase(precision - 1);
    }
    conversion.length = readLength(p);
    conversion.letter = *p;
    if (*p)
        ++p;
    return conversion;
}

// Writes one conversion, taking its argument; false when the letter is no conversion at all.
bool appendConversion(std::string& out, const Conversion& conversion, va_list& args)
{
    const std::string& spec = conversion.spec;
    switch (conversion.letter) {
    case '%': out += '%'; return true;
    case '@': {
        auto* object = va_arg(args, NSObject*);
        appendText(out, spec, object ? object->description() : std::string("(null)"));
        return true;
    }
    case 's': {
        const char* text = va_arg(args, const char*);
        appendText(out, spec, text ? text : "(null)");
        return true;
    }
    case 'c': appendFormatted(out, spec + "c", va_arg(args, int)); return true;
    case 'd':
    case 'i': appendSigned(out, spec, conversion.length, args); return true;
    case 'D': appendSigned(out, spec, Length::Long, args); return true;
    case 'u':
    case 'o':
    case 'x':
    case 'X': appendUnsigned(out, spec, conversion.letter, conversion.length, args); return true;
    case 'U': appendUnsigned(out, spec, 'u', Length::Long, args); return true;
    case 'O': appendUnsigned(out, spec, 'o', Length::Long, args); return true;
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
    case 'a':
    case 'A': appendReal(out, spec, conversion.letter, conversion.length, args); return true;
    case 'p': appendPointer(out, spec, args); return true;
    // Writing through a pointer taken from the arguments is never done.
    case 'n': (void)va_arg(args, void*); return true;
    default: return false;
    }
}

using SinkEntry = LogSinks::Entry;

LogSinks& logState() { return FoundationState::current().logSinks(); }

// One call, one line: a newline or other control character that came in with an argument (a
// file name, say) is written as an escape, so it cannot start what looks like a line of its own.
// A single newline at the end only ends the line, as Foundation takes it.
std::string escapedMessage(std::string message)
{
    if (!message.empty() && message.back() == '\n')
        message.pop_back();
    std::string out;
    out.reserve(message.size());
    for (char c : message) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7f) {
            out += c;
            continue;
        }
        switch (c) {
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: {
            static constexpr char digits[] = "0123456789abcdef";
            out += "\\x";
            out += digits[byte >> 4];
            out += digits[byte & 0xf];
        }
        }
    }
    return out;
}

std::string processName()
{
    // program_invocation_short_name is the name the process was started as, without its folder.
    const char* name = program_invocation_short_name;
    return name && *name ? name : "process";
}

} // namespace

std::string NSStringWithFormatv(const char* format, va_list arguments)
{
    std::string out;
    if (!format)
        return out;
    va_list args;
    va_copy(args, arguments);
    const char* p = format;
    while (*p) {
        if (*p != '%') {
            const char* next = std::strchr(p, '%');
            std::size_t count = next ? static_cast<std::size_t>(next - p) : std::strlen(p);
            out.append(p, count);
            p += count;
            continue;
        }
        const char* start = p++;
        // An unknown or missing conversion is printed as written; no argument is taken.
        if (!appendConversion(out, readConversion(p, args), args))
            out.append(start, static_cast<std::size_t>(p - start));
    }
    va_end(args);
    return out;
}

std::string NSStringWithFormat(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = NSStringWithFormatv(format, args);
    va_end(args);
    return text;
}

std::string NSLogFormatLine(const std::string& message)
{
    // Whole microseconds first, so a time like .123 that doubles hold as .12299… prints as .123.
    FoundationState* toolkit = FoundationState::currentIfAny();
    const double now = toolkit ? toolkit->clock().wallNow() : RealClock().wallNow();
    auto micros = static_cast<long long>(std::llround(now * 1e6));
    long long millisTotal = micros / 1000 - (micros % 1000 < 0 ? 1 : 0);
    long long secondsTotal = millisTotal / 1000 - (millisTotal % 1000 < 0 ? 1 : 0);
    auto seconds = static_cast<std::time_t>(secondsTotal);
    int millis = static_cast<int>(millisTotal - secondsTotal * 1000);
    std::tm local {};
    localtime_r(&seconds, &local);
    char date[64];
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", &local);
    char prefix[160];
    std::snprintf(prefix, sizeof prefix, "%s.%03d ", date, millis);
    auto tid = static_cast<long>(syscall(SYS_gettid));
    std::string line = std::string(prefix) + processName() + "[" + std::to_string(getpid()) + ":" + std::to_string(tid) + "] " + message;
    if (line.empty() || line.back() != '\n')
        line += '\n';
    return line;
}

void NSLogv(const char* format, va_list arguments)
{
    const std::string message = escapedMessage(NSStringWithFormatv(format, arguments));
    // Before a toolkit is built and after it is gone, a message still reaches stderr.
    std::vector<SinkEntry> sinks;
    bool toStderr = true;
    if (FoundationState* toolkit = FoundationState::currentIfAny()) {
        auto& state = toolkit->logSinks();
        std::lock_guard lock(state.mutex);
        sinks = state.sinks;
        toStderr = state.stderrEnabled;
    }
    if (toStderr) {
        // One write per line, so lines from several threads do not interleave.
        std::string line = NSLogFormatLine(message);
        const char* data = line.data();
        std::size_t left = line.size();
        while (left > 0) {
            ssize_t written = ::write(STDERR_FILENO, data, left);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                break;
            data += written;
            left -= static_cast<std::size_t>(written);
        }
    }
    // Sinks run outside the lock, so a sink may log or remove itself.
    for (const auto& entry : sinks)
        entry.sink(message);
}

void NSLog(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    NSLogv(format, args);
    va_end(args);
}

int NSLogAddSink(std::function<void(const std::string& message)> sink)
{
    auto& state = logState();
    std::lock_guard lock(state.mutex);
    int token = state.nextToken++;
    if (sink)
        state.sinks.push_back({ token, std::move(sink) });
    return token;
}

void NSLogRemoveSink(int token)
{
    auto& state = logState();
    std::lock_guard lock(state.mutex);
    std::erase_if(state.sinks, [token](const SinkEntry& e) { return e.token == token; });
}

void NSLogSetStderrEnabled(bool enabled)
{
    auto& state = logState();
    std::lock_guard lock(state.mutex);
    state.stderrEnabled = enabled;
}

bool NSLogStderrEnabled()
{
    auto& state = logState();
    std::lock_guard lock(state.mutex);
    return state.stderrEnabled;
}

std::vector<int> NSLogSinkTokens()
{
    auto& state = logState();
    std::lock_guard lock(state.mutex);
    std::vector<int> tokens;
    for (const auto& entry : state.sinks)
        tokens.push_back(entry.token);
    return tokens;
}
