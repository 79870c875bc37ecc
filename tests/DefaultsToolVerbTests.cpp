#include "DefaultsToolRunner.h"

#include "platform/foundation/NSString.h"

#include <sys/stat.h>

using namespace settings_test;

namespace {
const std::string kDomain = "org.glyphward.host";

std::string readOut(const TempRoot& root, std::vector<std::string> words)
{
    return tool(root, std::move(words)).out;
}
} // namespace

TEST(DefaultsToolTypes, WritesCollectionsDataAndDatesThatPlistlibReadsBack)
{
    TempRoot root;
    using Words = std::vector<std::string>;
    for (const Words& words : {Words{"write", kDomain, "LIST", "-array", "a b", "-int", "2", "-bool", "YES"},
                               Words{"write", kDomain, "LIST", "-array-add", "-float", "1.5", "-date", "2026-12-08T10:00:00Z"},
                               Words{"write", kDomain, "NEW", "-array-add", "only"},
                               Words{"write", kDomain, "MAP", "-dict", "k", "v", "n", "-integer", "7"},
                               Words{"write", kDomain, "MAP", "-dict-add", "k", "w", "-int", "-data", "0a0B"},
                               Words{"write", kDomain, "EMPTY", "-dict"},
                               Words{"write", kDomain, "BYTES", "-data", "0102030405"},
                               Words{"write", kDomain, "WHEN", "-date", "2026-12-08T11:30:00+01:30"},
                               Words{"write", kDomain, "FLAG", "-boolean", "NO"},
                               Words{"write", kDomain, "REAL", "-float", "2"}}) {
        auto outcome = tool(root, words);
        EXPECT_EQ(outcome.status, 0) << words[3] << ": " << outcome.err;
    }
    EXPECT_EQ(readOut(root, {"read", kDomain, "LIST"}),
              "(\n    \"a b\",\n    2,\n    1,\n    \"1.5\",\n    \"2026-12-08 10:00:00 +0000\"\n)\n");
    EXPECT_EQ(readOut(root, {"read", kDomain, "MAP"}), "{\n    \"-int\" = <0a0b>;\n    k = w;\n    n = 7;\n}\n");
    EXPECT_EQ(readOut(root, {"read", kDomain, "BYTES"}), "<01020304 05>\n");
    EXPECT_EQ(readOut(root, {"read", kDomain, "WHEN"}), "2026-12-08 10:00:00 +0000\n");
    // What read prints for data and dates is taken back by write.
    ASSERT_EQ(tool(root, {"write", kDomain, "COPY", "-data", "<01020304 05>"}).status, 0);
    ASSERT_EQ(tool(root, {"write", kDomain, "THEN", "-date", "2026-12-08 10:00:00 +0000"}).status, 0);
    EXPECT_EQ(readOut(root, {"read", kDomain, "COPY"}), "<01020304 05>\n");
    EXPECT_EQ(readOut(root, {"read", kDomain, "THEN"}), "2026-12-08 10:00:00 +0000\n");

    const std::vector<std::pair<std::string, std::string>> types = {
        {"LIST", "array"}, {"MAP", "dictionary"}, {"BYTES", "data"}, {"WHEN", "date"}, {"FLAG", "boolean"},
        {"REAL", "float"}, {"NEW", "array"}, {"EMPTY", "dictionary"}};
    for (const auto& [key, type] : types)
        EXPECT_EQ(readOut(root, {"read-type", kDomain, key}), "Type is " + type + "\n") << key;
    ASSERT_EQ(tool(root, {"write", kDomain, "N", "-int", "3"}).status, 0);
    ASSERT_EQ(tool(root, {"write", kDomain, "S", "3"}).status, 0);
    EXPECT_EQ(readOut(root, {"read-type", kDomain, "N"}), "Type is integer\n");
    EXPECT_EQ(readOut(root, {"read-type", kDomain, "S"}), "Type is string\n");
    auto missing = tool(root, {"read-type", kDomain, "NONE"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "The domain/default pair of (org.glyphward.host, NONE) does not exist\n");

    EXPECT_EQ(plistlibJson(root.file(kDomain)),
              "{\"BYTES\": \"0102030405\", \"COPY\": \"0102030405\", \"EMPTY\": {}, \"FLAG\": false, "
              "\"LIST\": [\"a b\", 2, true, 1.5, \"2026-12-08T10:00:00\"], \"MAP\": {\"-int\": \"0a0b\", \"k\": \"w\", \"n\": 7}, "
              "\"N\": 3, \"NEW\": [\"only\"], \"REAL\": 2.0, \"S\": \"3\", \"THEN\": \"2026-12-08T10:00:00\", "
              "\"WHEN\": \"2026-12-08T10:00:00\"}");
}

TEST(DefaultsToolTypes, RefusesValuesThatDoNotFitAndLeavesTheFileAlone)
{
    TempRoot root;
    ASSERT_EQ(tool(root, {"write", kDomain, "TEXT", "-string", "fine"}).status, 0);
    const std::string before = readBytes(root.file(kDomain));
    using Words = std::vector<std::string>;
    for (const Words& value : {Words{"-dict", "k"}, Words{"-dict", "k", "v", "odd"}, Words{"-dict-add", "k", "-int"},
                               Words{"-dict", "k", "-int", "x"}, Words{"-data", "abc"}, Words{"-data", "0g"},
                               Words{"-data"}, Words{"-data", "00", "11"}, Words{"-date", "2026-02-30T00:00:00Z"},
                               Words{"-date", "2026-12-08T10:00:00"}, Words{"-date", "2026-12-08T24:00:00Z"},
                               Words{"-date", "2026-12-08"}, Words{"-date", "yesterday"},
                               Words{"-date", "2026-12-08T10:00:00+25:00"}, Words{"-frob", "1"},
                               Words{"-array", "-int", "x"}, Words{"-array", "a", "-string"}, Words{"-array", "-dict", "k", "v"},
                               Words{"a", "b"}}) {
        Words words{"write", kDomain, "TEXT"};
        words.insert(words.end(), value.begin(), value.end());
        auto outcome = tool(root, words);
        EXPECT_EQ(outcome.status, 2) << value[0];
        EXPECT_TRUE(outcome.err.find("usage:") > 0 && !outcome.err.starts_with("usage:")) << outcome.err;
    }
    // Adding to a value of another kind is no mistake of the command but of the domain's state.
    auto notArray = tool(root, {"write", kDomain, "TEXT", "-array-add", "x"});
    EXPECT_EQ(notArray.status, 1);
    EXPECT_EQ(notArray.err, "Value for key TEXT is not an array; cannot append. Leaving defaults unchanged.\n");
    EXPECT_EQ(tool(root, {"write", kDomain, "TEXT", "-dict-add", "k", "v"}).status, 1);
    for (const Words& words : {Words{"read-type", kDomain}, Words{"rename", kDomain, "TEXT"}, Words{"domains", "x"},
                               Words{"find"}, Words{"find", ""}, Words{"export", kDomain}, Words{"import", kDomain},
                               Words{"import", kDomain, "-", "x"}, Words{"write", kDomain, "TEXT"}}) {
        auto outcome = tool(root, words);
        EXPECT_EQ(outcome.status, 2) << words[0] << " " << words.size();
        EXPECT_FALSE(outcome.err.empty());
    }
    EXPECT_EQ(readBytes(root.file(kDomain)), before);
}

TEST(DefaultsToolVerbs, RenamesAKeyInOneWrite)
{
    TempRoot root;
    ASSERT_EQ(tool(root, {"write", kDomain, "OLD", "-array", "x"}).status, 0);
    ASSERT_EQ(tool(root, {"write", kDomain, "TAKEN", "-int", "1"}).status, 0);
    EXPECT_EQ(tool(root, {"rename", kDomain, "OLD", "NEW"}).status, 0);
    EXPECT_EQ(readOut(root, {"read-type", kDomain, "NEW"}), "Type is array\n");
    EXPECT_EQ(tool(root, {"read", kDomain, "OLD"}).status, 1);
    // Onto a key in use the value replaces it, as `defaults` does.
    EXPECT_EQ(tool(root, {"rename", kDomain, "NEW", "TAKEN"}).status, 0);
    EXPECT_EQ(plistlibJson(root.file(kDomain)), "{\"TAKEN\": [\"x\"]}");
    EXPECT_EQ(tool(root, {"rename", kDomain, "TAKEN", "TAKEN"}).status, 0);
    auto missing = tool(root, {"rename", kDomain, "NONE", "OTHER"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "Key NONE does not exist in domain org.glyphward.host; leaving defaults unchanged\n");
    EXPECT_EQ(tool(root, {"rename", kDomain, "TAKEN", "bad\x01key"}).status, 1);
    EXPECT_EQ(plistlibJson(root.file(kDomain)), "{\"TAKEN\": [\"x\"]}");
}

TEST(DefaultsToolVerbs, ListsDomainsAndFindsAWordInNamesKeysAndValues)
{
    TempRoot root;
    auto none = tool(root, {"domains"});
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.out, "\n");
    EXPECT_EQ(readOut(root, {"find", "x"}), "Found 0 keys matching 'x'\n");

    ASSERT_EQ(tool(root, {"write", "org.glyphward.host", "PASS_CODE", "0,4,8"}).status, 0);
    ASSERT_EQ(tool(root, {"write", "com.example.b", "LIST", "-array", "Needle", "hay"}).status, 0);
    ASSERT_EQ(tool(root, {"write", "com.example.b", "MAP", "-dict", "deep-NEEDLE", "-int", "1"}).status, 0);
    ASSERT_EQ(tool(root, {"write", "com.example.b", "OTHER", "-int", "5"}).status, 0);
    ASSERT_EQ(tool(root, {"write", "com.example.a", "needles", "-bool", "YES"}).status, 0);
    // Set-aside copies, temporaries and stray files are not domains.
    writeBytes(root.preferences() + "/old.plist.corrupt", "x");
    writeBytes(root.preferences() + "/.com.example.a.plist.tmp.123", "x");
    writeBytes(root.preferences() + "/notes.txt", "needle");
    EXPECT_EQ(readOut(root, {"domains"}), "com.example.a, com.example.b, org.glyphward.host\n");

    EXPECT_EQ(readOut(root, {"find", "nEEdle"}),
              "Found 1 keys in domain 'com.example.a': {\n    needles = 1;\n}\n"
              "Found 2 keys in domain 'com.example.b': {\n    LIST = (\n        Needle,\n        hay\n    );\n"
              "    MAP = {\n        \"deep-NEEDLE\" = 1;\n    };\n}\n");
    // A word in the domain's name finds every key of it.
    EXPECT_EQ(readOut(root, {"find", "GLYPH"}), "Found 1 keys in domain 'org.glyphward.host': {\n    \"PASS_CODE\" = \"0,4,8\";\n}\n");
    EXPECT_EQ(readOut(root, {"find", "4,8"}), "Found 1 keys in domain 'org.glyphward.host': {\n    \"PASS_CODE\" = \"0,4,8\";\n}\n");

    // A domain it cannot read makes the search fail, after what it could search.
    ASSERT_EQ(mkdir(root.file("com.example.c").c_str(), 0700), 0);
    auto partial = tool(root, {"find", "needles"});
    EXPECT_EQ(partial.status, 1);
    EXPECT_EQ(partial.out, "Found 1 keys in domain 'com.example.a': {\n    needles = 1;\n}\n");
    EXPECT_NE(partial.err.find("Could not read domain com.example.c"), std::string::npos) << partial.err;
}

TEST(DefaultsToolVerbs, ExportsAndImportsWholeDomains)
{
    TempRoot root;
    ASSERT_EQ(tool(root, {"write", kDomain, "PASS_CODE", "0,4,8"}).status, 0);
    ASSERT_EQ(tool(root, {"write", kDomain, "WHEN", "-date", "2026-12-08T10:00:00Z"}).status, 0);
    auto out = tool(root, {"export", kDomain, "-"});
    EXPECT_EQ(out.status, 0);
    EXPECT_TRUE(out.out.starts_with("<?xml")) << out.out;
    const std::string file = root.path + "/exported.plist";
    ASSERT_EQ(tool(root, {"export", kDomain, file}).status, 0);
    EXPECT_EQ(readBytes(file), out.out);
    EXPECT_EQ(plistlibJson(file), "{\"PASS_CODE\": \"0,4,8\", \"WHEN\": \"2026-12-08T10:00:00\"}");
    struct stat info{};
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    auto missing = tool(root, {"export", "no.such.domain", file});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "Domain no.such.domain does not exist\n");
    EXPECT_EQ(tool(root, {"export", kDomain, root.path + "/no/folder/x.plist"}).status, 1);

    // An import replaces the domain whole, from a file or from standard input, XML or binary.
    ASSERT_EQ(tool(root, {"import", "com.example.copy", file}).status, 0);
    EXPECT_EQ(readOut(root, {"read", "com.example.copy", "PASS_CODE"}), "0,4,8\n");
    writeDomainFile(root.path + "/binary.plist", {{"ONLY", NSString::stringWithString("binary")}},
                    NSPropertyListSerialization::Format::Binary);
    ASSERT_EQ(tool(root, {"import", kDomain, "-"}, readBytes(root.path + "/binary.plist")).status, 0);
    EXPECT_EQ(plistlibJson(root.file(kDomain)), "{\"ONLY\": \"binary\"}");
    EXPECT_TRUE(readBytes(root.file(kDomain)).starts_with("<?xml"));

    const std::string before = readBytes(root.file(kDomain));
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"<plist version=\"1.0\"><array><string>x</string></array></plist>", "holds a property list that is not a dictionary"},
        {"not a plist", "is not a property list"},
        {"", "is not a property list"},
        {"bplist00 cut short", "is not a property list"}};
    for (const auto& [bytes, why] : bad) {
        auto outcome = tool(root, {"import", kDomain, "-"}, bytes);
        EXPECT_EQ(outcome.status, 1) << bytes;
        EXPECT_EQ(outcome.err, "standard input " + why + "; domain org.glyphward.host has not been changed.\n");
    }
    auto noFile = tool(root, {"import", kDomain, root.path + "/none.plist"});
    EXPECT_EQ(noFile.status, 1);
    EXPECT_NE(noFile.err.find("No such file or directory"), std::string::npos) << noFile.err;
    EXPECT_EQ(readBytes(root.file(kDomain)), before);
    EXPECT_TRUE(root.strayFiles().empty());
}

TEST(DefaultsToolVerbs, AnImportRacingAWriterLosesNeitherSide)
{
    TempRoot root;
    constexpr int kWrites = 150;
    const std::string imported = root.path + "/import.plist";
    writeDomainFile(imported, {{"IMPORTED", NSString::stringWithString("yes")}}, NSPropertyListSerialization::Format::XML);
    pid_t writer = fork();
    if (writer == 0) {
        auto own = freshStore(kDomain);
        for (int i = 0; i < kWrites; ++i) {
            own->setInteger(i, "W" + std::to_string(i));
            if (!own->synchronize())
                _exit(1);
        }
        _exit(0);
    }
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(tool(root, {"import", kDomain, imported}).status, 0);
    int status = 0;
    waitpid(writer, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    // Each write landed before an import (and was replaced) or after the last one (and stays):
    // the writer's keys left are the last ones it wrote, with no gap, and the import is whole.
    auto disk = readDomainFile(root.file(kDomain));
    ASSERT_NE(disk, nullptr);
    ASSERT_NE(disk->objectForKey("IMPORTED"), nullptr);
    int first = kWrites;
    while (first > 0 && disk->objectForKey("W" + std::to_string(first - 1)))
        --first;
    EXPECT_EQ(disk->count(), 1u + static_cast<unsigned>(kWrites - first));
    EXPECT_NE(plistlibJson(root.file(kDomain)), "unreadable");
    EXPECT_TRUE(root.strayFiles().empty());
}
