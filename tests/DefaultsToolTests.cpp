#include "DefaultsToolRunner.h"

#include "platform/foundation/NSNumber.h"
#include "platform/foundation/NSString.h"

#include <sys/stat.h>

using namespace settings_test;

TEST(DefaultsTool, WritesEveryTypeIntoTheFileTheStoreReads)
{
    TempRoot root;
    const std::string domain = "org.glyphward.host";
    EXPECT_EQ(tool(root, {"write", domain, "LOCK_LOCK_OFF", "-bool", "YES"}).status, 0);
    EXPECT_EQ(tool(root, {"write", domain, "LOCK_IS_NEED_LOCK", "-bool", "false"}).status, 0);
    EXPECT_EQ(tool(root, {"write", domain, "LOCK_INTERVAL", "-float", "30.5"}).status, 0);
    EXPECT_EQ(tool(root, {"write", domain, "COUNT", "-int", "-5"}).status, 0);
    EXPECT_EQ(tool(root, {"write", domain, "PASS_CODE", "-string", "0124"}).status, 0);

    auto defaults = NSUserDefaults::standardUserDefaults();
    EXPECT_TRUE(defaults->boolForKey("LOCK_LOCK_OFF"));
    EXPECT_FALSE(defaults->boolForKey("LOCK_IS_NEED_LOCK"));
    ASSERT_NE(defaults->objectForKey("LOCK_IS_NEED_LOCK"), nullptr);
    EXPECT_EQ(defaults->floatForKey("LOCK_INTERVAL"), 30.5f);
    EXPECT_EQ(defaults->integerForKey("COUNT"), -5);
    // A string of digits stays a string, leading zero and all.
    auto passcode = std::dynamic_pointer_cast<NSString>(defaults->objectForKey("PASS_CODE"));
    ASSERT_NE(passcode, nullptr);
    EXPECT_EQ(passcode->string(), "0124");
    auto flag = std::dynamic_pointer_cast<NSNumber>(defaults->objectForKey("LOCK_LOCK_OFF"));
    ASSERT_NE(flag, nullptr);
    EXPECT_EQ(flag->kind(), NSNumber::Kind::Bool);
    struct stat info{};
    ASSERT_EQ(stat(root.file(domain).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);

    // Values that do not fit their type change nothing.
    const std::string before = readBytes(root.file(domain));
    for (std::vector<std::string> bad : {std::vector<std::string>{"write", domain, "LOCK_LOCK_OFF", "-bool", "maybe"},
                                         {"write", domain, "COUNT", "-int", "1.5"},
                                         {"write", domain, "LOCK_INTERVAL", "-float", "abc"},
                                         {"write", domain, "LOCK_INTERVAL", "-float"},
                                         {"write", "../escape", "K", "-int", "1"},
                                         {"frobnicate", domain}}) {
        auto outcome = tool(root, bad);
        EXPECT_EQ(outcome.status, 2) << bad[3];
        EXPECT_FALSE(outcome.err.empty());
    }
    EXPECT_EQ(readBytes(root.file(domain)), before);
    EXPECT_FALSE(std::filesystem::exists(root.path + "/var/mobile/Library/escape.plist"));
}

TEST(DefaultsTool, ReadsWhatTheStoreWroteAndReportsMissingDomainsAndKeys)
{
    TempRoot root;
    const std::string domain = "org.glyphward.host";
    auto defaults = NSUserDefaults::standardUserDefaults();
    defaults->setBool(true, "LOCK_LOCK_OFF");
    defaults->setBool(false, "LOCK_IS_NEED_LOCK");
    defaults->setFloat(1.5f, "LOCK_INTERVAL");
    defaults->setInteger(30, "N");
    defaults->setObject(NSString::stringWithString("a b \"c\""), "TEXT");
    ASSERT_TRUE(defaults->synchronize());

    EXPECT_EQ(tool(root, {"read", domain, "LOCK_LOCK_OFF"}).out, "1\n");
    EXPECT_EQ(tool(root, {"read", domain, "LOCK_IS_NEED_LOCK"}).out, "0\n");
    EXPECT_EQ(tool(root, {"read", domain, "LOCK_INTERVAL"}).out, "1.5\n");
    EXPECT_EQ(tool(root, {"read", domain, "N"}).out, "30\n");
    EXPECT_EQ(tool(root, {"read", domain, "TEXT"}).out, "a b \"c\"\n");
    auto whole = tool(root, {"read", domain});
    EXPECT_EQ(whole.status, 0);
    EXPECT_EQ(whole.out, "{\n    \"LOCK_INTERVAL\" = \"1.5\";\n    \"LOCK_IS_NEED_LOCK\" = 0;\n    \"LOCK_LOCK_OFF\" = 1;\n"
                         "    N = 30;\n    TEXT = \"a b \\\"c\\\"\";\n}\n");

    auto missingKey = tool(root, {"read", domain, "PASS_CODE"});
    EXPECT_EQ(missingKey.status, 1);
    EXPECT_EQ(missingKey.out, "");
    EXPECT_EQ(missingKey.err, "The domain/default pair of (org.glyphward.host, PASS_CODE) does not exist\n");
    auto missingPair = tool(root, {"read", "no.such.domain", "PASS_CODE"});
    EXPECT_EQ(missingPair.status, 1);
    EXPECT_EQ(missingPair.err, "The domain/default pair of (no.such.domain, PASS_CODE) does not exist\n");
    auto missingDomain = tool(root, {"read", "no.such.domain"});
    EXPECT_EQ(missingDomain.status, 1);
    EXPECT_EQ(missingDomain.err, "Domain no.such.domain does not exist\n");
    EXPECT_FALSE(std::filesystem::exists(root.file("no.such.domain")));
}

TEST(DefaultsTool, DeletesKeysAndDomainsAndHonoursTheEnvironmentRoot)
{
    TempRoot root;
    const std::string domain = "org.glyphward.host";
    ASSERT_EQ(runTool(root, {"write", domain, "PASS_CODE", "-string", "345"}, root.path).status, 0);
    ASSERT_EQ(runTool(root, {"write", domain, "LOCK_INTERVAL", "-float", "20"}, root.path).status, 0);
    auto defaults = NSUserDefaults::standardUserDefaults();
    EXPECT_EQ(defaults->stringForKey("PASS_CODE"), "345");

    // A change pending in this process survives the tool's write and is merged with it.
    defaults->setBool(true, "LOCK_IS_NEED_LOCK");
    EXPECT_EQ(tool(root, {"delete", domain, "PASS_CODE"}).status, 0);
    EXPECT_EQ(defaults->objectForKey("PASS_CODE"), nullptr);
    ASSERT_TRUE(defaults->synchronize());
    EXPECT_EQ(tool(root, {"read", domain, "LOCK_IS_NEED_LOCK"}).out, "1\n");
    EXPECT_EQ(tool(root, {"read", domain, "LOCK_INTERVAL"}).out, "20\n");
    EXPECT_EQ(tool(root, {"read", domain, "PASS_CODE"}).status, 1);
    EXPECT_EQ(tool(root, {"delete", domain, "PASS_CODE"}).status, 1);

    EXPECT_EQ(tool(root, {"delete", domain}).status, 0);
    EXPECT_FALSE(std::filesystem::exists(root.file(domain)));
    EXPECT_FALSE(defaults->boolForKey("LOCK_IS_NEED_LOCK"));
    auto again = tool(root, {"delete", domain});
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(again.err, "Domain org.glyphward.host does not exist\n");
    EXPECT_TRUE(root.strayFiles().empty());
}

TEST(DefaultsTool, RefusesNonFiniteFloatsAndRootsThatAreNoFolder)
{
    TempRoot root;
    const std::string domain = "org.glyphward.host";
    ASSERT_EQ(tool(root, {"write", domain, "LOCK_INTERVAL", "-float", "1e39"}).status, 0);
    EXPECT_EQ(NSUserDefaults::standardUserDefaults()->doubleForKey("LOCK_INTERVAL"), 1e39);
    const std::string before = readBytes(root.file(domain));
    for (const std::string value : {"nan", "-inf", "infinity", "1e400"}) {
        auto outcome = tool(root, {"write", domain, "LOCK_INTERVAL", "-float", value});
        EXPECT_EQ(outcome.status, 2) << value;
        EXPECT_NE(outcome.err.find("\"" + value + "\""), std::string::npos) << outcome.err;
    }
    EXPECT_EQ(readBytes(root.file(domain)), before);

    std::ofstream(root.path + "/file") << "x";
    for (const std::string& bad : {std::string(), root.path + "/missing", root.path + "/file"}) {
        auto outcome = runTool(root, {"--root", bad, "write", domain, "K", "-int", "1"});
        EXPECT_EQ(outcome.status, 2) << bad;
        EXPECT_EQ(outcome.err.rfind("glyphward-defaults: the device root ", 0), 0u) << outcome.err;
    }
    auto fromEnvironment = runTool(root, {"read", domain}, root.path + "/missing");
    EXPECT_EQ(fromEnvironment.status, 2);
    EXPECT_EQ(fromEnvironment.err, "glyphward-defaults: the device root " + root.path + "/missing does not exist\n");
    EXPECT_FALSE(std::filesystem::exists(root.path + "/missing"));
}

TEST(DefaultsTool, FailsLoudlyOnAFileItCannotReadAndOnTextAFileCannotHold)
{
    TempRoot root;
    const std::string domain = "org.glyphward.host";
    const std::string file = root.file(domain);
    std::filesystem::create_directories(root.preferences());
    for (const std::string why : {"Is a directory", "not a regular file"}) {
        ASSERT_EQ(why == "Is a directory" ? mkdir(file.c_str(), 0700) : mkfifo(file.c_str(), 0600), 0);
        const std::string cause = "Could not read domain " + domain + ": " + file + ": " + why + "\n";
        for (std::vector<std::string> words : {std::vector<std::string>{"read", domain}, {"read", domain, "PASS_CODE"},
                                              {"delete", domain, "PASS_CODE"}}) {
            auto outcome = tool(root, words);
            EXPECT_EQ(outcome.status, 1) << words[0];
            EXPECT_EQ(outcome.out, "");
            EXPECT_EQ(outcome.err, cause);
        }
        auto write = tool(root, {"write", domain, "K", "-int", "1"});
        EXPECT_EQ(write.status, 1);
        EXPECT_NE(write.err.find("cannot be read (" + why + ")"), std::string::npos) << write.err;
        std::filesystem::remove(file);
    }

    ASSERT_EQ(tool(root, {"write", domain, "TEXT", "-string", "fine"}).status, 0);
    const std::string before = readBytes(file);
    for (const std::string text : {"a\x01" "b", "a\xFF" "b", "\xEF\xBF\xBE"}) {
        for (std::vector<std::string> words : {std::vector<std::string>{"write", domain, "TEXT", "-string", text},
                                              {"write", domain, "TEXT", text}, {"write", domain, text, "-int", "1"}}) {
            auto outcome = tool(root, words);
            EXPECT_EQ(outcome.status, 1);
            EXPECT_TRUE(outcome.err.starts_with("Cannot store the value for key ")) << outcome.err;
        }
    }
    EXPECT_EQ(readBytes(file), before);
}
