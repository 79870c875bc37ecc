#include "platform/foundation/NSBundle.h"
#include "platform/foundation/NSDictionary.h"
#include "platform/foundation/NSPropertyListSerialization.h"
#include "platform/foundation/NSString.h"
#include "platform/foundation/StringsFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace {

class BundleTests : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = fs::temp_directory_path() / "bundle-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root = pattern;
        NSBundle::setPreferredLanguages({ "en" });
    }
    void TearDown() override { fs::remove_all(root); }
    void write(const std::string& relative, const std::string& bytes)
    {
        fs::path path = fs::path(root) / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }
    std::string root;
};

std::string utf16le(const std::u16string& text)
{
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

} // namespace

TEST_F(BundleTests, TextTablesReadCommentsEscapesAndEncodings)
{
    auto table = StringsFile::parse(
        "/* A header comment, with \"quotes\" and = signs; */\n"
        "\"Set Passcode\" = \"Draw a pattern\"; // trailing comment\n"
        "// \"Commented\" = \"out\";\n"
        "\"Escapes\"=\"a\\\"b\\\\c\\nd\\te\";\n"
        "'single' = 'quotes';\n"
        "bare_word = other.word;\n"
        "\"Echo\";\n"
        "\"Unicode\" = \"\\U6ED1\\U52a8 \\UD83D\\UDE00 \\UD800x\";\n"
        "\"Octal\" = \"\\101\";\n");
    EXPECT_EQ(table["Set Passcode"], "Draw a pattern");
    EXPECT_EQ(table.count("Commented"), 0u);
    EXPECT_EQ(table["Escapes"], "a\"b\\c\nd\te");
    EXPECT_EQ(table["single"], "quotes");
    EXPECT_EQ(table["bare_word"], "other.word");
    EXPECT_EQ(table["Echo"], "Echo");
    EXPECT_EQ(table["Unicode"], "滑动 \xF0\x9F\x98\x80 \xEF\xBF\xBDx");
    EXPECT_EQ(table["Octal"], "A");

    // UTF-16 with a byte-order mark, and UTF-8 with one.
    auto wide = StringsFile::parse(utf16le(u"\"Cancel\" = \"取消\";"));
    EXPECT_EQ(wide["Cancel"], "取消");

    // A fault keeps what was read before it.
    auto broken = StringsFile::parse("\"a\" = \"1\";\n\"b\" = \"2\"\n\"c\" = \"3\";");
    EXPECT_EQ(broken.size(), 1u);
    EXPECT_EQ(broken["a"], "1");
    EXPECT_EQ(StringsFile::parse("\"a\" = \"1\"; /* never closed").size(), 1u);
    EXPECT_TRUE(StringsFile::parse("\"a\" = \"unterminated\\").empty());
}

TEST_F(BundleTests, PlistTablesAndGarbageNeverCrash)
{
    auto dictionary = NSDictionary::dictionaryWithDictionary({ { "Success", NSString::stringWithString("成功") } });
    auto xml = NSPropertyListSerialization::dataWithPropertyList(dictionary.get(), NSPropertyListSerialization::Format::XML);
    auto binary = NSPropertyListSerialization::dataWithPropertyList(dictionary.get(), NSPropertyListSerialization::Format::Binary);
    ASSERT_TRUE(xml && binary);
    EXPECT_EQ(StringsFile::parse(*xml)["Success"], "成功");
    EXPECT_EQ(StringsFile::parse(*binary)["Success"], "成功");
    // A plist that is not a dictionary, or not a plist at all, is an empty table.
    EXPECT_TRUE(StringsFile::parse("<plist><array><string>x</string></array></plist>").empty());
    EXPECT_TRUE(StringsFile::parse("bplist00garbage").empty());

    // Mutations of a valid table: every one must parse without reading out of bounds.
    const std::string seed = "/* c */ \"k\\U00e9y\" = \"v\\\"\\n\"; // x\n'a' = b;\n\"e\";";
    std::mt19937 random(12345);
    std::size_t entries = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text = seed.substr(0, random() % (seed.size() + 1));
        for (int edits = static_cast<int>(random() % 4); edits > 0 && !text.empty(); --edits)
            text[random() % text.size()] = static_cast<char>(random() % 256);
        if (round % 3 == 0)
            text = "\xFE\xFF" + text;
        entries += StringsFile::parse(text).size();
    }
    // Most mutations leave a prefix of good entries, which are kept.
    EXPECT_GT(entries, 300u);
}

TEST_F(BundleTests, LookupFollowsPreferredLanguagesThenEnglishThenBase)
{
    EXPECT_EQ(NSBundle::bundleWithPath(root + "/missing"), nullptr);
    write("file.txt", "x");
    EXPECT_EQ(NSBundle::bundleWithPath(root + "/file.txt"), nullptr);
    auto bundle = NSBundle::bundleWithPath(root + "/");
    ASSERT_NE(bundle, nullptr);

    write("en.lproj/lock.strings", "\"Set Passcode\" = \"Set Passcode\";\n\"Cancel\" = \"Cancel\";");
    write("zh-Hans.lproj/lock.strings", "\"Set Passcode\" = \"设置密码\";");
    write("Base.lproj/lock.strings", "\"Only Base\" = \"base text\";");

    NSBundle::setPreferredLanguages({ "zh_CN.UTF-8" });
    EXPECT_EQ(bundle->localizedStringForKey("Set Passcode", "", "lock"), "设置密码");
    EXPECT_EQ(bundle->localizedStringForKey("Cancel", "", "lock"), "Cancel");
    EXPECT_EQ(bundle->localizedStringForKey("Only Base", "", "lock"), "base text");
    EXPECT_EQ(bundle->localizedStringForKey("Untranslated", "", "lock"), "Untranslated");
    EXPECT_EQ(bundle->localizedStringForKey("Untranslated", "fallback", "lock"), "fallback");
    EXPECT_EQ(bundle->localizedStringForKey("Set Passcode", "", "missingTable"), "Set Passcode");

    // Without an override the language comes from LANG.
    NSBundle::setPreferredLanguages({});
    setenv("LANG", "zh_CN.UTF-8", 1);
    EXPECT_EQ(bundle->localizedStringForKey("Set Passcode", "", "lock"), "设置密码");
    setenv("LANG", "fr_FR.UTF-8", 1);
    EXPECT_EQ(bundle->localizedStringForKey("Set Passcode", "", "lock"), "Set Passcode");
    EXPECT_EQ(NSBundle::localizationsForLocale("en_US.UTF-8"), (std::vector<std::string> { "en_US", "en-US", "en" }));
    EXPECT_EQ(NSBundle::localizationsForLocale("zh_TW").front(), "zh-Hant");
    EXPECT_TRUE(NSBundle::localizationsForLocale("C.UTF-8").empty());

    // Resources: the root first, then the localization folders in order.
    NSBundle::setPreferredLanguages({ "zh-Hans" });
    write("bg.png", "root");
    write("en.lproj/bg.png", "english");
    write("zh-Hans.lproj/only.png", "chinese");
    EXPECT_EQ(bundle->pathForResource("bg", "png"), root + "/bg.png");
    EXPECT_EQ(bundle->pathForResource("only", "png"), root + "/zh-Hans.lproj/only.png");
    EXPECT_EQ(bundle->pathForResource("gesture_node_normal", "png"), std::nullopt);

    // A table changed on disk is read again.
    NSBundle::setPreferredLanguages({ "en" });
    write("en.lproj/lock.strings", "\"Cancel\" = \"Stop it\";");
    EXPECT_EQ(bundle->localizedStringForKey("Cancel", "", "lock"), "Stop it");
}
