#include "platform/foundation/Clock.h"
#include "platform/foundation/NSDate.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSString.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <regex>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Runs the work with stderr sent to a temporary file and answers what was written.
template <class Work> std::string captureStderr(Work work)
{
    std::fflush(stderr);
    std::FILE* file = std::tmpfile();
    int saved = dup(STDERR_FILENO);
    dup2(fileno(file), STDERR_FILENO);
    work();
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    std::string text;
    std::rewind(file);
    char buffer[512];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, n);
    std::fclose(file);
    return text;
}

class NSLogTests : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("TZ", "UTC", 1);
        tzset();
        // 2026-12-07 21:23:01.123 UTC.
        Clock::setCurrent(std::make_shared<VirtualClock>(1796678581.123));
    }
};

} // namespace

TEST_F(NSLogTests, FormatsLikeFoundation)
{
    auto text = NSString::stringWithString("1,4,7");
    EXPECT_EQ(NSStringWithFormat("%@", text.get()), "1,4,7");
    EXPECT_EQ(NSStringWithFormat("keyboard:%@", static_cast<NSObject*>(nullptr)), "keyboard:(null)");
    EXPECT_EQ(NSStringWithFormat("[%8@|%-6@]", text.get(), text.get()), "[   1,4,7|1,4,7 ]");
    EXPECT_EQ(NSStringWithFormat("%d,%i,%u,%5d,%-4d|,%03d", -3, 4, 4000000000u, 42, 7, 5), "-3,4,4000000000,   42,7   |,005");
    EXPECT_EQ(NSStringWithFormat("%ld %lu %lld %zu", -5L, 6UL, -7LL, static_cast<std::size_t>(8)), "-5 6 -7 8");
    EXPECT_EQ(NSStringWithFormat("val:%f", 180.0), "val:180.000000");
    EXPECT_EQ(NSStringWithFormat("%.2f %g %e %+.1f", 3.14159, 0.0001, 12345.0, 2.0), "3.14 0.0001 1.234500e+04 +2.0");
    EXPECT_EQ(NSStringWithFormat("%s|%s|%c|%x|%X|%#x|%%", "abc", static_cast<const char*>(nullptr), 'Z', 255, 255, 16),
        "abc|(null)|Z|ff|FF|0x10|%");
    EXPECT_EQ(NSStringWithFormat("%*d|%.*f", 4, 9, 1, 2.25), "   9|2.2");
    EXPECT_EQ(NSStringWithFormat("%p", static_cast<void*>(nullptr)), "0x0");
    EXPECT_EQ(NSStringWithFormat("%hhd %hd", 300, 70000), "44 4464");
    // A '*' width below zero pads on the right; a '*' precision below zero counts as none.
    EXPECT_EQ(NSStringWithFormat("[%*d|%.*f|%-*.*@]", -4, 9, -1, 2.5, 5, 3, text.get()), "[9   |2.500000|1,4  ]");
    EXPECT_EQ(NSStringWithFormat("%qd %jd %td %Lf %D %U %O %5.3s|", -1LL, std::intmax_t { 2 }, std::ptrdiff_t { 3 }, 1.5L, 4L, 5UL,
                  8UL, "abcdef"),
        "-1 2 3 1.500000 4 5 10   abc|");
    // %n never writes; an unknown conversion is printed as written and takes no argument.
    int untouched = 17;
    EXPECT_EQ(NSStringWithFormat("a%nb", &untouched), "ab");
    EXPECT_EQ(untouched, 17);
    EXPECT_EQ(NSStringWithFormat("%k %d", 3), "%k 3");
    EXPECT_EQ(NSStringWithFormat("tail %"), "tail %");
    EXPECT_EQ(NSStringWithFormat("关闭锁屏"), "关闭锁屏");
    // Long results are not cut.
    std::string longText(1000, 'x');
    EXPECT_EQ(NSStringWithFormat("%s!", longText.c_str()), longText + "!");

    auto date = NSDate::dateWithTimeIntervalSince1970(1796678581.9);
    EXPECT_EQ(NSStringWithFormat("now:%@", date.get()), "now:2026-12-07 21:23:01 +0000");
}

TEST_F(NSLogTests, WritesOneLineToStderrAndHandsTheBareMessageToSinks)
{
    std::vector<std::string> first;
    std::vector<std::string> second;
    int a = NSLogAddSink([&](const std::string& m) { first.push_back(m); });
    NSLogAddSink([&](const std::string& m) { second.push_back(m); });
    std::string err = captureStderr([] { NSLog("val:%f", 12.5); });
    std::string name = program_invocation_short_name;
    std::regex shape("2026-12-07 21:23:01\\.123 " + name + "\\[" + std::to_string(getpid()) + ":[0-9]+\\] val:12\\.500000\n");
    EXPECT_TRUE(std::regex_match(err, shape)) << err;
    EXPECT_EQ(first, (std::vector<std::string> { "val:12.500000" }));
    EXPECT_EQ(second, first);

    NSLogRemoveSink(a);
    NSLogSetStderrEnabled(false);
    err = captureStderr([] { NSLog("%@", static_cast<NSObject*>(nullptr)); });
    EXPECT_EQ(err, "");
    EXPECT_EQ(first.size(), 1u);
    EXPECT_EQ(second.back(), "(null)");

    // A message that already ends its line gets no second newline.
    std::string line = NSLogFormatLine("done\n");
    EXPECT_EQ(line.substr(line.size() - 7), "] done\n");
}

TEST_F(NSLogTests, ControlCharactersNeverBreakTheLine)
{
    std::vector<std::string> seen;
    NSLogAddSink([&](const std::string& m) { seen.push_back(m); });
    std::string err = captureStderr([] {
        NSLog("refused %s", "a\nstate {}\r\tb\x1b[2J\x7f\x01");
        NSLog("done\n");
    });
    const std::string escaped = "refused a\\nstate {}\\r\\tb\\x1b[2J\\x7f\\x01";
    EXPECT_EQ(seen, (std::vector<std::string> { escaped, "done" }));
    // Two calls, two lines on stderr, each ending with the message it carries.
    ASSERT_EQ(std::count(err.begin(), err.end(), '\n'), 2) << err;
    EXPECT_NE(err.find("] " + escaped + "\n"), std::string::npos) << err;
    EXPECT_NE(err.find("] done\n"), std::string::npos) << err;
}
