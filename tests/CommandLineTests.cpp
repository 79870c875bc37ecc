#include "apps/common/NumberText.h"
#include "apps/common/RootCheck.h"
#include "apps/defaults/DefaultsCommandLine.h"
#include "apps/host/HostCommandLine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

HostCommandLine hostLine(std::vector<std::string> args)
{
    args.insert(args.begin(), "glyphward-host");
    std::vector<const char*> argv;
    for (const auto& arg : args)
        argv.push_back(arg.c_str());
    return HostCommandLine::parse(static_cast<int>(argv.size()), argv.data());
}

DefaultsCommandLine defaultsLine(std::vector<std::string> args)
{
    args.insert(args.begin(), "glyphward-defaults");
    std::vector<const char*> argv;
    for (const auto& arg : args)
        argv.push_back(arg.c_str());
    return DefaultsCommandLine::parse(static_cast<int>(argv.size()), argv.data());
}

} // namespace

TEST(NumberText, TakesOneFiniteNumberInRangeAndNothingElse)
{
    EXPECT_EQ(NumberText::real("1e39"), 1e39);
    EXPECT_EQ(NumberText::real("+2.5"), 2.5);
    EXPECT_EQ(NumberText::real("-0.5"), -0.5);
    EXPECT_EQ(NumberText::integer("+42"), 42);
    EXPECT_EQ(NumberText::integer("-9223372036854775808"), INT64_MIN);
    for (const char* bad : { "", "+", "+-1", " 1", "1 ", "1x", "0x10", "nan", "inf", "-infinity", "1e400", "1,5" })
        EXPECT_FALSE(NumberText::real(bad)) << bad;
    for (const char* bad : { "", "1.5", "1e3", "9223372036854775808", "12345678901234567890123456789012345678901234567890" })
        EXPECT_FALSE(NumberText::integer(bad)) << bad;
    EXPECT_FALSE(NumberText::real("4.001", 0, 4));
    EXPECT_FALSE(NumberText::integer("1001", 0, 1000));
}

TEST(HostCommandLine, ReadsScreensAndEpochsAndRefusesWhatIsOutOfRange)
{
    const auto defaults = hostLine({});
    ASSERT_TRUE(defaults.options);
    EXPECT_EQ(defaults.options->screenWidth, 320);
    EXPECT_EQ(defaults.options->screenScale, 2);
    EXPECT_FALSE(defaults.options->epoch);
    EXPECT_FALSE(defaults.options->root);

    const auto given = hostLine({ "--screen", "390.5x844@3", "--epoch", "1796000000.5", "--root", "", "--script", "s" });
    ASSERT_TRUE(given.options);
    EXPECT_EQ(given.options->screenWidth, 390.5f);
    EXPECT_EQ(given.options->screenHeight, 844);
    EXPECT_EQ(given.options->screenScale, 3);
    EXPECT_EQ(given.options->epoch, 1796000000.5);
    // An empty root is kept as given, for the root's test to refuse.
    EXPECT_EQ(given.options->root, "");
    EXPECT_EQ(given.options->script, "s");

    const std::string fifty(50, '9');
    for (const std::string& screen : std::vector<std::string> { fifty + "x568@2", "320x568@0." + std::string(49, '0') + "1", "320x568@0", "320x568@4.5",
             "4097x568@2", "0x568@2", "320x568@0.002", "-320x568@2", "320x568", "320x568@2@2", "1e3x568@2", "320 x568@2", "x@" }) {
        const auto line = hostLine({ "--screen", screen });
        EXPECT_FALSE(line.options) << screen;
        EXPECT_EQ(line.status, 2) << screen;
        EXPECT_EQ(line.err, "glyphward-host: --screen wants WxH@S, for example 320x568@2\n") << screen;
    }
    for (const char* epoch : { "nan", "inf", "1e300", "", "soon" }) {
        const auto line = hostLine({ "--epoch", epoch });
        EXPECT_FALSE(line.options) << epoch;
        EXPECT_EQ(line.status, 2) << epoch;
        EXPECT_NE(line.err.find("--epoch"), std::string::npos) << epoch;
    }
}

TEST(HostCommandLine, HelpAnswersZeroAndEveryMistakeTwo)
{
    const auto help = hostLine({ "--help" });
    EXPECT_FALSE(help.options);
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--screen"), std::string::npos);
    for (const std::vector<std::string>& args : { std::vector<std::string> { "--bogus" }, { "--root" }, { "--root", "a", "--root", "b" },
             { "--headless=maybe" }, { "stray" }, { "--record" }, { "--force" }, { "--record", "s", "--headless" },
             { "--script", "a", "--record", "s" }, { "--force", "--script", "a" } }) {
        const auto line = hostLine(args);
        EXPECT_FALSE(line.options) << args[0];
        EXPECT_EQ(line.status, 2) << args[0];
        EXPECT_FALSE(line.err.empty()) << args[0];
    }
}

TEST(HostCommandLine, RecordsOnlyAWindowSessionAndForceOnlyARecording)
{
    const auto plain = hostLine({});
    ASSERT_TRUE(plain.options);
    EXPECT_FALSE(plain.options->record);
    EXPECT_FALSE(plain.options->force);

    const auto kept = hostLine({ "--record", "session.scenario", "--zoom", "0.5" });
    ASSERT_TRUE(kept.options);
    EXPECT_EQ(kept.options->record, "session.scenario");
    EXPECT_FALSE(kept.options->force);
    const auto forced = hostLine({ "--force", "--record", "session.scenario" });
    ASSERT_TRUE(forced.options);
    EXPECT_TRUE(forced.options->force);

    EXPECT_NE(hostLine({ "--record", "s", "--headless" }).err.find("--headless or --script"), std::string::npos);
    EXPECT_NE(hostLine({ "--force" }).err.find("--force goes with --record"), std::string::npos);
}

TEST(CommandLines, VersionIsOneLineWithTheProjectVersionListedInHelp)
{
    const auto host = hostLine({ "--version" });
    EXPECT_FALSE(host.options);
    EXPECT_EQ(host.status, 0);
    EXPECT_EQ(host.out, "glyphward-host " GLYPHWARD_PROJECT_VERSION "\n");
    EXPECT_EQ(host.err, "");
    // Anywhere among the other flags, it answers alone.
    EXPECT_EQ(hostLine({ "--headless", "--version" }).out, host.out);
    EXPECT_NE(hostLine({ "--help" }).out.find("--version"), std::string::npos);

    const auto tool = defaultsLine({ "--version" });
    EXPECT_FALSE(tool.run);
    EXPECT_EQ(tool.status, 0);
    EXPECT_EQ(tool.out, "glyphward-defaults " GLYPHWARD_PROJECT_VERSION "\n");
    EXPECT_EQ(tool.err, "");
    EXPECT_NE(defaultsLine({ "--help" }).out.find("--version"), std::string::npos);
    // After the verb it is the command's word, not the tool's flag.
    const auto word = defaultsLine({ "read", "--version" });
    EXPECT_TRUE(word.run);
    EXPECT_EQ(word.words, (std::vector<std::string> { "read", "--version" }));
}

TEST(RootCheck, AFolderForTheToolAndOneWithARootPartForTheHost)
{
    namespace fs = std::filesystem;
    char pattern[] = "/tmp/glyphward-rootcheck-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string dir = pattern;
    std::ofstream(dir + "/file") << "x";

    EXPECT_EQ(RootCheck::folderProblem(""), "is an empty path");
    EXPECT_EQ(RootCheck::folderProblem(dir + "/missing"), "does not exist");
    EXPECT_EQ(RootCheck::folderProblem(dir + "/file/below"), "does not exist");
    EXPECT_EQ(RootCheck::folderProblem(dir + "/file"), "is not a folder");
    EXPECT_EQ(RootCheck::folderProblem(dir), "");
    EXPECT_EQ(RootCheck::deviceRootProblem(dir + "/file"), "is not a folder");
    EXPECT_EQ(RootCheck::deviceRootProblem(dir).rfind("holds none of the root's parts (", 0), 0u);
    for (const std::string& part : RootCheck::parts()) {
        fs::create_directories(dir + "/" + part);
        EXPECT_EQ(RootCheck::deviceRootProblem(dir), "") << part;
        fs::remove_all(dir + "/" + part.substr(0, part.find('/')));
    }
    fs::remove_all(dir);
}
