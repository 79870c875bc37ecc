#include "SettingsTestSupport.h"

#include "platform/foundation/NSArray.h"
#include "platform/foundation/NSData.h"
#include "platform/foundation/NSDate.h"
#include "platform/foundation/NSNumber.h"
#include "platform/foundation/NSString.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <cstring>
#include <limits>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace settings_test;

namespace {
std::shared_ptr<NSObject> str(const std::string& s) { return NSString::stringWithString(s); }
std::shared_ptr<NSObject> real(double d) { return NSNumber::numberWithDouble(d); }
std::shared_ptr<NSObject> integer(std::int64_t i) { return NSNumber::numberWithInteger(i); }
std::shared_ptr<NSObject> boolean(bool b) { return NSNumber::numberWithBool(b); }

mode_t modeOf(const std::string& path)
{
    struct stat info{};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

// What Python's plistlib, a reader that holds to the XML and plist rules, makes of the file: the
// value under the key as JSON (data and dates as text), or "unreadable".
std::string plistlibRead(const std::string& path, const std::string& key)
{
    const std::string command = "python3 -c 'import plistlib, sys, json; d = plistlib.load(open(sys.argv[1], \"rb\")); "
                                "print(json.dumps(d.get(sys.argv[2]), default=str))' " + path + " " + key + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return "unreadable";
    std::string out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe))
        out += buffer;
    const int status = pclose(pipe);
    if (status != 0 || out.empty())
        return "unreadable";
    out.pop_back();
    return out;
}

// Runs fn in a child process with a store object of its own; true when the child exited 0.
bool inChild(const std::function<bool()>& fn)
{
    pid_t pid = fork();
    if (pid == 0)
        _exit(fn() ? 0 : 1);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
} // namespace

TEST(UserDefaults, MissingFileAndMissingKeysReadAsNoZeroAndNil)
{
    TempRoot root;
    auto defaults = NSUserDefaults::standardUserDefaults();
    ASSERT_NE(defaults, nullptr);
    EXPECT_EQ(defaults->path(), root.file("org.glyphward.host"));
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(defaults->objectForKey("LOCK_INTERVAL"), nullptr);
        EXPECT_FALSE(defaults->boolForKey("LOCK_LOCK_OFF"));
        EXPECT_EQ(defaults->floatForKey("LOCK_INTERVAL"), 0.0f);
        EXPECT_EQ(defaults->doubleForKey("LOCK_INTERVAL"), 0.0);
        EXPECT_EQ(defaults->integerForKey("LOCK_INTERVAL"), 0);
        EXPECT_EQ(defaults->stringForKey("PASS_CODE"), std::nullopt);
        // Second round: the file exists but holds other keys only.
        writeDomainFile(root.file("org.glyphward.host"), {{"OTHER", str("x")}}, NSPropertyListSerialization::Format::XML);
    }
    // Reading alone never creates anything on disk.
    EXPECT_FALSE(std::filesystem::exists(root.file("other.domain")));
    EXPECT_FALSE(NSUserDefaults::defaultsForDomain("other.domain")->boolForKey("x"));
    EXPECT_FALSE(std::filesystem::exists(root.file("other.domain")));
}

TEST(UserDefaults, BoolAndNumberReadsConvertStringsAndNumbersAsFoundationDoes)
{
    TempRoot root;
    writeDomainFile(root.file("org.glyphward.host"),
                    {{"yes", str("YES")}, {"yesLower", str("yes")}, {"true", str("TRUE")}, {"one", str("1")},
                     {"two", str(" 2")}, {"half", str("0.5")}, {"no", str("NO")}, {"false", str("false")},
                     {"zero", str("0")}, {"word", str("maybe")}, {"empty", str("")}, {"num1", integer(1)},
                     {"num0", integer(0)}, {"real1", real(1.0)}, {"realHalf", real(0.5)}, {"real0", real(0.0)},
                     {"boolYes", boolean(true)}, {"boolNo", boolean(false)}, {"date", std::make_shared<NSDate>(5.0)},
                     {"float", str("1.5")}, {"floatTrailing", str("  30seconds")}, {"exp", str("-2e1")},
                     {"neg", integer(-7)}, {"real", real(4.9)}, {"twenty", real(20.0)}, {"huge", real(1e12)}, {"hugeText", str("99999999999999999999")}},
                    NSPropertyListSerialization::Format::XML);
    auto defaults = NSUserDefaults::standardUserDefaults();
    for (const char* key : {"yes", "yesLower", "true", "one", "two", "half", "num1", "real1", "realHalf", "boolYes"})
        EXPECT_TRUE(defaults->boolForKey(key)) << key;
    for (const char* key : {"no", "false", "zero", "word", "empty", "num0", "real0", "boolNo", "date", "absent"})
        EXPECT_FALSE(defaults->boolForKey(key)) << key;

    EXPECT_EQ(defaults->floatForKey("float"), 1.5f);
    EXPECT_EQ(defaults->floatForKey("floatTrailing"), 30.0f);
    EXPECT_EQ(defaults->floatForKey("exp"), -20.0f);
    EXPECT_EQ(defaults->floatForKey("yes"), 0.0f);
    EXPECT_EQ(defaults->floatForKey("boolYes"), 1.0f);
    EXPECT_EQ(defaults->floatForKey("neg"), -7.0f);
    EXPECT_EQ(defaults->floatForKey("date"), 0.0f);

    EXPECT_EQ(defaults->integerForKey("real"), 4);
    EXPECT_EQ(defaults->integerForKey("float"), 1);
    EXPECT_EQ(defaults->integerForKey("neg"), -7);
    EXPECT_EQ(defaults->integerForKey("boolYes"), 1);
    // Out of range values saturate instead of wrapping.
    EXPECT_EQ(defaults->integerForKey("huge"), std::numeric_limits<NSInteger>::max());
    EXPECT_EQ(defaults->integerForKey("hugeText"), std::numeric_limits<NSInteger>::max());

    EXPECT_EQ(defaults->stringForKey("float"), "1.5");
    EXPECT_EQ(defaults->stringForKey("real"), "4.9");
    EXPECT_EQ(defaults->stringForKey("twenty"), "20");
    EXPECT_EQ(defaults->stringForKey("boolYes"), "1");
    EXPECT_EQ(defaults->stringForKey("date"), std::nullopt);
}

TEST(UserDefaults, WritesAnXmlFileOnlyTheOwnerCanReadAndALaterStoreReadsItBack)
{
    TempRoot root;
    umask(0); // A careless umask must not widen the file's mode.
    auto defaults = NSUserDefaults::standardUserDefaults();
    defaults->setObject(str("0124"), "PASS_CODE");
    defaults->setBool(true, "LOCK_LOCK_OFF");
    defaults->setFloat(30.5f, "LOCK_INTERVAL");
    defaults->setInteger(-3, "COUNT");
    defaults->setObject(NSArray::arrayWithArray({str("a"), NSData::dataWithBytes("\x01\x02", 2)}), "LIST");
    // Written values read back at once, before any synchronize.
    EXPECT_EQ(defaults->stringForKey("PASS_CODE"), "0124");
    EXPECT_FALSE(std::filesystem::exists(root.file("org.glyphward.host")));
    ASSERT_TRUE(defaults->synchronize());

    EXPECT_EQ(modeOf(root.file("org.glyphward.host")), 0600u);
    EXPECT_EQ(modeOf(root.preferences()), 0700u);
    EXPECT_TRUE(readBytes(root.file("org.glyphward.host")).starts_with("<?xml"));
    EXPECT_TRUE(root.strayFiles().empty());

    auto later = freshStore("org.glyphward.host");
    EXPECT_EQ(later->stringForKey("PASS_CODE"), "0124");
    EXPECT_TRUE(later->boolForKey("LOCK_LOCK_OFF"));
    EXPECT_EQ(later->floatForKey("LOCK_INTERVAL"), 30.5f);
    EXPECT_EQ(later->integerForKey("COUNT"), -3);
    EXPECT_TRUE(later->objectForKey("LIST")->isEqual(defaults->objectForKey("LIST").get()));

    later->removeObjectForKey("PASS_CODE");
    EXPECT_EQ(later->objectForKey("PASS_CODE"), nullptr);
    ASSERT_TRUE(later->synchronize());
    EXPECT_EQ(defaults->objectForKey("PASS_CODE"), nullptr);
    EXPECT_EQ(readDomainFile(root.file("org.glyphward.host"))->objectForKey("PASS_CODE"), nullptr);

    // Objects that a property list cannot hold are refused, and the file stays writable.
    defaults->setObject(std::make_shared<NSObject>(), "BAD");
    EXPECT_EQ(defaults->objectForKey("BAD"), nullptr);
    EXPECT_TRUE(root.logged("BAD"));
    EXPECT_TRUE(defaults->synchronize());
}

TEST(UserDefaults, EveryFileWrittenReadsInOtherPlistReaders)
{
    TempRoot root;
    const std::string file = root.file("org.glyphward.host");
    auto defaults = NSUserDefaults::standardUserDefaults();
    defaults->setObject(str("tab\t, line\n, return\r, <&>]]>, \xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80 \xEF\xBF\xBD"), "TEXT");
    defaults->setBool(true, "B");
    defaults->setDouble(-1e300, "R");
    defaults->setInteger(std::numeric_limits<NSInteger>::min(), "I");
    defaults->setObject(NSData::dataWithBytes("\0\x01", 2), "DATA");
    defaults->setObject(NSDate::dateWithTimeIntervalSince1970(1796000000), "DATE");
    defaults->setObject(NSArray::arrayWithArray({NSDictionary::dictionaryWithDictionary({{"key with \r", str("x")}})}), "NEST");
    ASSERT_TRUE(defaults->synchronize());
    EXPECT_EQ(plistlibRead(file, "TEXT"), "\"tab\\t, line\\n, return\\r, <&>]]>, \\u00e9t\\u00e9 \\ud83d\\ude00 \\ufffd\"");
    EXPECT_EQ(plistlibRead(file, "NEST"), "[{\"key with \\r\": \"x\"}]");
    EXPECT_EQ(freshStore("org.glyphward.host")->stringForKey("TEXT"), defaults->stringForKey("TEXT"));

    // Text XML cannot hold is refused wherever it stands, and nothing of it is stored.
    const std::vector<std::string> bad = {"a\x01" "b", "a\xFF" "b", "\xEF\xBF\xBE", "\xEF\xBF\xBF", "\xED\xA0\x80", std::string("a\0b", 3)};
    const std::string before = readBytes(file);
    for (const std::string& text : bad) {
        root.log.clear();
        defaults->setObject(str(text), "BAD");
        defaults->setObject(NSArray::arrayWithArray({str("fine"), str(text)}), "BAD");
        defaults->setObject(NSDictionary::dictionaryWithDictionary({{text, integer(1)}}), "BAD");
        defaults->setObject(integer(1), text);
        EXPECT_EQ(std::count_if(root.log.begin(), root.log.end(), [](const auto& l) { return l.find("refusing") != std::string::npos; }), 4);
        EXPECT_EQ(defaults->dictionaryRepresentation()->count(), 7u);
    }
    ASSERT_TRUE(defaults->synchronize());
    EXPECT_EQ(readBytes(file), before);

    // What another writer left that XML cannot hold is kept, in the binary form; bytes that are
    // no text at all are read as the nearest text.
    writeDomainFile(file, {{"CTRL", str("a\x01" "b")}}, NSPropertyListSerialization::Format::Binary);
    writeBytes(root.file("other.domain"), "<plist><dict><key>K</key><string>a\xFF" "b</string></dict></plist>");
    for (const char* domain : {"org.glyphward.host", "other.domain"}) {
        auto store = freshStore(domain);
        store->setObject(str("0,4,8"), "PASS_CODE");
        ASSERT_TRUE(store->synchronize());
        EXPECT_EQ(plistlibRead(root.file(domain), "PASS_CODE"), "\"0,4,8\"");
    }
    EXPECT_EQ(plistlibRead(file, "CTRL"), "\"a\\u0001b\"");
    EXPECT_TRUE(root.logged("writing it as a binary property list"));
    EXPECT_EQ(freshStore("other.domain")->stringForKey("K"), "a\xEF\xBF\xBD" "b");
}

TEST(UserDefaults, BinaryFilesAreReadAndReplacedByXmlOnTheNextWrite)
{
    TempRoot root;
    writeDomainFile(root.file("org.glyphward.host"), {{"PASS_CODE", str("345")}, {"LOCK_IS_NEED_LOCK", boolean(true)}},
                    NSPropertyListSerialization::Format::Binary);
    ASSERT_TRUE(readBytes(root.file("org.glyphward.host")).starts_with("bplist00"));
    auto defaults = NSUserDefaults::standardUserDefaults();
    EXPECT_EQ(defaults->stringForKey("PASS_CODE"), "345");
    EXPECT_TRUE(defaults->boolForKey("LOCK_IS_NEED_LOCK"));
    defaults->setInteger(7, "N");
    ASSERT_TRUE(defaults->synchronize());
    auto disk = readDomainFile(root.file("org.glyphward.host"));
    ASSERT_NE(disk, nullptr);
    EXPECT_EQ(disk->count(), 3u);
    EXPECT_TRUE(readBytes(root.file("org.glyphward.host")).starts_with("<?xml"));

    // A date far past what the parser counts in (a real 1.4e156 seconds) comes out of it as a
    // date it cannot write back; that must not block every later write of the file.
    std::string old = std::string("bplist00") + "\xD1\x01\x02" + "\x51" "D" + "\x33"
        + std::string("\x60\x72\xC0\x00\x00\x00\x00\x32", 8);
    old += std::string("\x08\x0B\x0D") + std::string(6, '\0') + "\x01\x01" + std::string(7, '\0') + "\x03"
        + std::string(8, '\0') + std::string(7, '\0') + "\x16";
    writeBytes(root.file("org.glyphward.old"), old);
    auto dated = freshStore("org.glyphward.old");
    ASSERT_NE(std::dynamic_pointer_cast<NSDate>(dated->objectForKey("D")), nullptr);
    dated->setObject(str("0,4,8"), "PASS_CODE");
    EXPECT_TRUE(dated->synchronize());
    EXPECT_EQ(freshStore("org.glyphward.old")->stringForKey("PASS_CODE"), "0,4,8");
}

TEST(UserDefaults, AFileThatDoesNotParseIsSetAsideNeverOverwrittenAndReadsAsUnknownUntilRecovered)
{
    TempRoot root;
    const std::string file = root.file("org.glyphward.host");
    const std::string garbage = "<?xml version=\"1.0\"?><plist><dict><key>PASS_CODE</key><string>12";
    const std::vector<std::string> bads {garbage, std::string("\0\1\2", 3), std::string("<plist><array/></plist>")};
    for (std::size_t i = 0; i < bads.size(); ++i) {
        const std::string& bad = bads[i];
        writeBytes(file, bad);
        auto defaults = freshStore("org.glyphward.host");
        EXPECT_EQ(defaults->objectForKey("PASS_CODE"), nullptr);
        EXPECT_FALSE(std::filesystem::exists(file));
        // Each bad file takes the first free name; none set aside before is overwritten.
        for (std::size_t j = 0; j <= i; ++j)
            EXPECT_EQ(readBytes(file + ".corrupt" + (j ? "." + std::to_string(j) : "")), bads[j]);
        EXPECT_TRUE(root.logged("moved it aside"));
        // What the file held is unknown, not absent, here and at every later launch.
        const std::string newest = file + ".corrupt" + (i ? "." + std::to_string(i) : "");
        const auto unknown = defaults->readObject("PASS_CODE");
        ASSERT_FALSE(unknown.ok());
        EXPECT_NE(unknown.failure().message.find("set aside as " + newest + ";"), std::string::npos) << unknown.failure().message;
        EXPECT_EQ(unknown.failure().path, newest) << "the file to restore";
        EXPECT_EQ(defaults->setAsideFile(), newest);
        auto later = freshStore("org.glyphward.host");
        EXPECT_EQ(later->objectForKey("PASS_CODE"), nullptr);
        EXPECT_EQ(readFailureOf(*later), readFailureOf(*defaults));
        root.log.clear();
    }

    // What cannot be read is never replaced by an ordinary write.
    auto refused = freshStore("org.glyphward.host");
    refused->setObject(str("1"), "PASS_CODE");
    EXPECT_NE(failureText(refused->save()).find("cannot be read"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(file));

    // Moving the set-aside file back recovers it.
    writeDomainFile(file + ".corrupt.2", {{"PASS_CODE", str("0,1,2")}, {"OTHER", str("kept")}}, NSPropertyListSerialization::Format::XML);
    std::filesystem::rename(file + ".corrupt.2", file);
    auto restored = freshStore("org.glyphward.host");
    EXPECT_EQ(restored->stringForKey("PASS_CODE"), "0,1,2");
    EXPECT_EQ(readFailureOf(*restored), std::nullopt);

    // Starting afresh writes the changes alone and leaves every set-aside file as it was.
    std::filesystem::rename(file, file + ".corrupt.2");
    auto afresh = freshStore("org.glyphward.host");
    afresh->removeObjectForKey("PASS_CODE");
    afresh->setObject(str("new"), "OTHER");
    ASSERT_EQ(failureText(afresh->startAfresh()), "");
    EXPECT_EQ(readFailureOf(*afresh), std::nullopt);
    EXPECT_EQ(afresh->setAsideFile(), std::nullopt);
    auto disk = readDomainFile(file);
    ASSERT_NE(disk, nullptr);
    EXPECT_EQ(disk->count(), 1u);
    EXPECT_EQ(readBytes(file + ".corrupt"), bads[0]);
    EXPECT_EQ(freshStore("org.glyphward.host")->objectForKey("PASS_CODE"), nullptr);
    EXPECT_EQ(readFailureOf(*freshStore("org.glyphward.host")), std::nullopt);

    // Deleting the whole domain beside a set-aside file leaves an empty one that reads.
    auto whole = freshStore("org.glyphward.host");
    ASSERT_EQ(failureText(whole->removePersistentDomain()), "");
    ASSERT_NE(readDomainFile(file), nullptr);
    EXPECT_EQ(readDomainFile(file)->count(), 0u);
    EXPECT_EQ(readFailureOf(*freshStore("org.glyphward.host")), std::nullopt);

    // With every name taken, a bad file stays where it is, and the domain cannot be read.
    for (int n = 3; n <= 1000; ++n)
        writeBytes(file + ".corrupt." + std::to_string(n), "older");
    writeBytes(file, garbage);
    auto full = freshStore("org.glyphward.host");
    EXPECT_EQ(full->objectForKey("PASS_CODE"), nullptr);
    EXPECT_EQ(readFailureOf(*full), "not a property list, and every name to set it aside under is taken");
    full->setObject(str("1"), "PASS_CODE");
    EXPECT_FALSE(full->synchronize());
    EXPECT_NE(failureText(full->startAfresh()), "");
    EXPECT_EQ(readBytes(file), garbage);
    EXPECT_EQ(readBytes(file + ".corrupt"), bads[0]);
    EXPECT_EQ(readBytes(file + ".corrupt.1000"), "older");
    for (int n = 0; n <= 1000; ++n)
        std::filesystem::remove(file + ".corrupt" + (n ? "." + std::to_string(n) : ""));

    // A corrupt file found by a writer is set aside too, and the write is refused.
    writeBytes(file, garbage);
    auto defaults = NSUserDefaults::standardUserDefaults();
    defaults->setObject(str("777"), "PASS_CODE");
    EXPECT_FALSE(defaults->synchronize());
    EXPECT_EQ(readBytes(file + ".corrupt"), garbage);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_TRUE(root.logged("moved it aside"));
}

TEST(UserDefaults, AnotherProcesssWriteIsSeenAtTheNextReadAndPendingChangesSurviveIt)
{
    TempRoot root;
    auto defaults = NSUserDefaults::standardUserDefaults();
    EXPECT_EQ(defaults->objectForKey("LOCK_INTERVAL"), nullptr);

    ASSERT_TRUE(inChild([] {
        auto own = freshStore("org.glyphward.host");
        own->setFloat(45.0f, "LOCK_INTERVAL");
        return own->synchronize();
    }));
    EXPECT_EQ(defaults->floatForKey("LOCK_INTERVAL"), 45.0f);

    // A change made here and not yet written stays visible over the other process's file, and
    // the other process's keys survive this process's write.
    defaults->setObject(str("1234"), "PASS_CODE");
    ASSERT_TRUE(inChild([] {
        auto own = freshStore("org.glyphward.host");
        own->setBool(true, "LOCK_LOCK_OFF");
        own->setFloat(10.0f, "LOCK_INTERVAL");
        return own->synchronize();
    }));
    EXPECT_EQ(defaults->stringForKey("PASS_CODE"), "1234");
    EXPECT_TRUE(defaults->boolForKey("LOCK_LOCK_OFF"));
    EXPECT_EQ(defaults->floatForKey("LOCK_INTERVAL"), 10.0f);
    ASSERT_TRUE(defaults->synchronize());
    auto disk = readDomainFile(root.file("org.glyphward.host"));
    ASSERT_NE(disk, nullptr);
    EXPECT_EQ(disk->count(), 3u);

    // A removal made elsewhere is seen too, and a whole file replaced by hand is re-read.
    ASSERT_TRUE(inChild([] {
        auto own = freshStore("org.glyphward.host");
        own->removeObjectForKey("LOCK_LOCK_OFF");
        return own->synchronize();
    }));
    EXPECT_FALSE(defaults->boolForKey("LOCK_LOCK_OFF"));
    writeDomainFile(root.file("org.glyphward.host"), {{"PASS_CODE", str("999")}}, NSPropertyListSerialization::Format::XML);
    EXPECT_EQ(defaults->stringForKey("PASS_CODE"), "999");
}

TEST(UserDefaults, TwoProcessesWritingDifferentKeysLoseNothing)
{
    TempRoot root;
    constexpr int kWrites = 1000;
    auto writer = [](const char* prefix) {
        return [prefix] {
            auto own = freshStore("org.glyphward.host");
            for (int i = 0; i < kWrites; ++i) {
                // Each process keeps rewriting its own counter and adds one key of its own a time.
                own->setInteger(i, std::string(prefix) + "COUNT");
                if (i % 10 == 0)
                    own->setInteger(i, std::string(prefix) + std::to_string(i));
                // A write that found the lock taken for the whole bounded wait keeps its
                // changes pending; the next one writes them.
                int tries = 0;
                while (!own->synchronize())
                    if (++tries == 20)
                        return false;
            }
            return true;
        };
    };
    pid_t first = fork();
    if (first == 0)
        _exit(writer("A")() ? 0 : 1);
    bool second = inChild(writer("B"));
    int status = 0;
    waitpid(first, &status, 0);
    ASSERT_TRUE(second);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    auto disk = readDomainFile(root.file("org.glyphward.host"));
    ASSERT_NE(disk, nullptr);
    EXPECT_EQ(disk->count(), 2u + 2u * kWrites / 10);
    auto defaults = freshStore("org.glyphward.host");
    EXPECT_EQ(defaults->integerForKey("ACOUNT"), kWrites - 1);
    EXPECT_EQ(defaults->integerForKey("BCOUNT"), kWrites - 1);
    for (int i = 0; i < kWrites; i += 10) {
        EXPECT_EQ(defaults->integerForKey("A" + std::to_string(i)), i);
        EXPECT_EQ(defaults->integerForKey("B" + std::to_string(i)), i);
    }
    EXPECT_TRUE(root.strayFiles().empty());
}

TEST(UserDefaults, DomainsFollowTheDeviceRootAndRejectNamesThatLeaveTheFolder)
{
    TempRoot root;
    EXPECT_EQ(DeviceRoot::resolve("/Library/Application Support/WeChat"), root.path + "/Library/Application Support/WeChat");
    NSUserDefaults::setStandardDomain("com.example.app");
    EXPECT_EQ(NSUserDefaults::standardUserDefaults()->path(), root.file("com.example.app"));
    NSUserDefaults::setStandardDomain("../escape");
    EXPECT_EQ(NSUserDefaults::standardDomain(), "com.example.app");
    NSUserDefaults::setStandardDomain("org.glyphward.host");
    for (const char* bad : {"", ".", "..", "a/b", "../../etc/passwd"})
        EXPECT_EQ(NSUserDefaults::defaultsForDomain(bad), nullptr) << bad;
    EXPECT_EQ(NSUserDefaults::defaultsForDomain("x.y"), NSUserDefaults::defaultsForDomain("x.y"));

    // Without an explicit root, the environment names one; without that, the staged root.
    DeviceRoot::setPath("");
    setenv("GLYPHWARD_ROOT", "/some/where/", 1);
    EXPECT_EQ(DeviceRoot::path(), "/some/where");
    EXPECT_EQ(NSUserDefaults::standardUserDefaults()->path(), "/some/where/var/mobile/Library/Preferences/org.glyphward.host.plist");
    unsetenv("GLYPHWARD_ROOT");
    EXPECT_FALSE(DeviceRoot::path().empty());
    EXPECT_NE(DeviceRoot::path(), "/some/where");
}

TEST(UserDefaults, EveryFormPlistlibWritesIsReadAndRewrittenWithEveryKeyKept)
{
    TempRoot root;
    const std::string file = root.file("org.glyphward.host");
    // Each form keeps PASS_CODE beside a value the lock never reads. One Python makes them all
    // and one judges every rewrite: a process per look would cost more than the reading.
    const std::vector<std::string> forms {
        "out = b'\\xef\\xbb\\xbf' + x.encode()",
        "out = x.replace('UTF-8', 'UTF-16').encode('utf-16')",
        "out = x.replace('UTF-8', 'UTF-16').encode('utf-16-le')",
        "out = x.replace('UTF-8', 'UTF-32').encode('utf-32')",
        "d['z'] = 'a\\0b'; out = plistlib.dumps(d, fmt=plistlib.FMT_BINARY)",
        "v = 'leaf'\nfor i in range(140): v = [v]\nd['z'] = v; out = plistlib.dumps(d, fmt=plistlib.FMT_BINARY)",
        "v = 'leaf'\nfor i in range(140): v = [v]\nd['z'] = v; out = plistlib.dumps(d)",
        "d['z'] = [{'k': 'shared'}] * 20000; out = plistlib.dumps(d, fmt=plistlib.FMT_BINARY)",
    };
    std::string make = "import plistlib, sys\n";
    for (std::size_t i = 0; i < forms.size(); ++i) {
        make += "def form" + std::to_string(i) + "():\n    d = {'PASS_CODE': '0,4,8', 'z': '\\u4e2d'}\n"
                "    x = plistlib.dumps(d).decode()\n";
        std::string body = forms[i];
        for (std::size_t at = 0; (at = body.find('\n', at)) != std::string::npos; at += 5)
            body.replace(at, 1, "\n    ");
        make += "    " + body + "\n    open(sys.argv[1] + '." + std::to_string(i) + "', 'wb').write(out)\n"
                "form" + std::to_string(i) + "()\n";
    }
    writeBytes(root.file("make.py"), make);
    ASSERT_EQ(std::system(("python3 " + root.file("make.py") + " " + file).c_str()), 0);

    for (std::size_t i = 0; i < forms.size(); ++i) {
        const std::string& form = forms[i];
        std::filesystem::rename(file + "." + std::to_string(i), file);
        auto defaults = freshStore("org.glyphward.host");
        EXPECT_EQ(defaults->stringForKey("PASS_CODE"), "0,4,8") << form;
        EXPECT_EQ(readFailureOf(*defaults), std::nullopt) << form;
        EXPECT_FALSE(std::filesystem::exists(file + ".corrupt")) << form;
        defaults->setInteger(60, "LOCK_INTERVAL");
        ASSERT_TRUE(defaults->synchronize()) << form;
        std::filesystem::rename(file, file + ".rewritten." + std::to_string(i));
    }

    // plistlib itself reads no UTF-32 and no UTF-16 without a mark; the rewrites it reads all.
    const std::string judge = "import plistlib, sys, json\n"
                              "d = {'PASS_CODE': '0,4,8', 'z': '\\u4e2d'}\n"
                              "deep = 'leaf'\nfor i in range(140): deep = [deep]\n"
                              "z = ['\\u4e2d'] * 4 + ['a\\0b', deep, deep, [{'k': 'shared'}] * 20000]\n"
                              "for i, want in enumerate(z):\n"
                              "    got = plistlib.load(open(sys.argv[1] + '.rewritten.%d' % i, 'rb'))\n"
                              "    print(i, got.get('z') == want, got.get('PASS_CODE'), got.get('LOCK_INTERVAL'))\n";
    writeBytes(root.file("judge.py"), judge);
    FILE* pipe = popen(("python3 " + root.file("judge.py") + " " + file).c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe))
        out += buffer;
    EXPECT_EQ(pclose(pipe), 0) << out;
    std::string expected;
    for (std::size_t i = 0; i < forms.size(); ++i)
        expected += std::to_string(i) + " True 0,4,8 60\n";
    EXPECT_EQ(out, expected);
}

TEST(UserDefaults, AWriterThatHoldsTheFolderLockAndStallsMakesAWriteGiveUp)
{
    TempRoot root;
    auto defaults = NSUserDefaults::standardUserDefaults();
    defaults->setObject(str("0,1,2"), "PASS_CODE");
    ASSERT_TRUE(defaults->synchronize());
    int ready[2];
    int release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    const std::string folder = std::filesystem::path(root.file("org.glyphward.host")).parent_path();
    pid_t holder = fork();
    if (holder == 0) {
        // The stalled writer: takes the lock, says so, and waits to be told to end.
        int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
        char byte = 0;
        if (fd < 0 || ::flock(fd, LOCK_EX) != 0 || write(ready[1], "x", 1) != 1)
            _exit(1);
        _exit(read(release[0], &byte, 1) >= 0 ? 0 : 1);
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    defaults->setObject(str("3,4,5"), "PASS_CODE");
    const std::string why = failureText(defaults->save());
    const bool written = why.empty();
    ASSERT_EQ(write(release[1], "x", 1), 1);
    int status = 0;
    waitpid(holder, &status, 0);
    for (int fd : {ready[0], ready[1], release[0], release[1]})
        close(fd);
    EXPECT_FALSE(written);
    EXPECT_NE(why.find("is locked by another process"), std::string::npos) << why;
    EXPECT_EQ(freshStore("org.glyphward.host")->stringForKey("PASS_CODE"), "0,1,2");
    // Once the holder is gone the pending change goes out.
    EXPECT_TRUE(defaults->synchronize());
    EXPECT_EQ(freshStore("org.glyphward.host")->stringForKey("PASS_CODE"), "3,4,5");
}
