#include "platform/foundation/NSArray.h"
#include "platform/foundation/NSDictionary.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSPropertyListSerialization.h"
#include "platform/foundation/NSString.h"
#include "platform/loader/TweakLoader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <link.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string xmlFilter(const std::string& bundle)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict><key>Filter</key><dict>"
           "<key>Bundles</key><array><string>com.example.first</string><string>"
        + bundle + "</string></array></dict></dict></plist>\n";
}

std::string binaryFilter(const std::string& bundle)
{
    auto bundles = NSArray::arrayWithArray({ NSString::stringWithString(bundle) });
    auto filter = NSDictionary::dictionaryWithDictionary({ { "Bundles", bundles } });
    auto root = NSDictionary::dictionaryWithDictionary({ { "Filter", filter } });
    return NSPropertyListSerialization::dataWithPropertyList(root.get(), NSPropertyListSerialization::Format::Binary).value_or("");
}

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The bytes with every occurrence of one text replaced by another of the same length.
std::string patched(std::string bytes, const std::string& from, const std::string& to)
{
    for (auto at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + to.size()))
        bytes.replace(at, from.size(), to);
    return bytes;
}

class TweakFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/tweak-loader-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
        sink = NSLogAddSink([this](const std::string& message) { logged.push_back(message); });
        NSLogSetStderrEnabled(false);
    }
    void TearDown() override
    {
        NSLogRemoveSink(sink);
        fs::remove_all(dir);
    }

    void write(const std::string& name, const std::string& content, fs::perms mode = fs::perms(0644))
    {
        std::ofstream(dir + "/" + name, std::ios::binary) << content;
        fs::permissions(dir + "/" + name, mode);
    }
    // A library for the bundle: by default one that does not link the platform.
    void tweak(const std::string& base, const std::string& bundle, const std::string& library = GLYPHWARD_TEST_PLAIN_LIBRARY)
    {
        write(base + ".dylib", contents(library));
        write(base + ".plist", xmlFilter(bundle));
    }
    std::vector<std::string> load()
    {
        opened.clear();
        return TweakLoader::loadFromDirectory(dir, "org.glyphward.host", [this](int fd, const std::string& path) {
            // The descriptor handed over is the file at the path, already open.
            struct stat byDescriptor {}, byPath {};
            EXPECT_EQ(::fstat(fd, &byDescriptor), 0);
            EXPECT_EQ(::stat(path.c_str(), &byPath), 0);
            EXPECT_EQ(byDescriptor.st_ino, byPath.st_ino);
            opened.push_back(fs::path(path).filename().string());
            return true;
        }).refused;
    }
    std::vector<std::string> loggedStarting(const std::string& prefix) const
    {
        std::vector<std::string> lines;
        for (const auto& line : logged)
            if (line.rfind(prefix, 0) == 0)
                lines.push_back(line);
        return lines;
    }
    bool loggedAbout(const std::string& text) const
    {
        for (const auto& line : logged)
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    }

    std::string dir;
    int sink = 0;
    std::vector<std::string> logged;
    std::vector<std::string> opened;
};

// "yes" or "no" for a filter that does or does not name the bundle; why it is no filter otherwise.
std::string filterVerdict(const std::string& data, const std::string& bundleId)
{
    const Result<bool> lists = TweakLoader::filterListsBundle(data, bundleId);
    if (!lists.ok())
        return lists.failure().message;
    return lists.value() ? "yes" : "no";
}

} // namespace

TEST(TweakLoaderFilter, ListsTheBundleOnlyUnderFilterBundlesInEitherForm)
{
    EXPECT_EQ(filterVerdict(xmlFilter("org.glyphward.host"), "org.glyphward.host"), "yes");
    EXPECT_EQ(filterVerdict(xmlFilter("org.glyphward.hostile"), "org.glyphward.host"), "no");
    const std::string binary = binaryFilter("org.glyphward.host");
    ASSERT_EQ(binary.rfind("bplist", 0), 0u);
    EXPECT_EQ(filterVerdict(binary, "org.glyphward.host"), "yes");
    EXPECT_EQ(filterVerdict(binary, "org.glyphward"), "no");

    // The bundle in the wrong place, the wrong shape or unreadable text loads nothing, and is
    // no filter at all rather than one for other apps.
    EXPECT_EQ(filterVerdict(
        "<plist version=\"1.0\"><dict><key>Bundles</key><array><string>org.glyphward.host</string></array></dict></plist>",
        "org.glyphward.host"), "has no Filter dictionary");
    EXPECT_EQ(filterVerdict(
        "<plist version=\"1.0\"><dict><key>Filter</key><dict><key>Bundles</key><string>org.glyphward.host</string></dict></dict></plist>",
        "org.glyphward.host"), "has a Filter Bundles entry that is not an array");
    EXPECT_EQ(filterVerdict("<plist><array><string>org.glyphward.host</string></array>", "org.glyphward.host"), "has no Filter dictionary");
    EXPECT_EQ(filterVerdict("", "org.glyphward.host"), "is empty");
    EXPECT_EQ(filterVerdict(binary.substr(0, binary.size() / 2), "org.glyphward.host"), "is not a property list");
}

TEST_F(TweakFolder, OpensMatchingLibrariesInNameOrderAndSkipsTheRestQuietly)
{
    tweak("zeta", "org.glyphward.host");
    tweak("alpha", "org.glyphward.host");
    tweak("mid", "org.glyphward.host");
    tweak("elsewhere", "com.example.other");
    write("lonely.dylib", "no filter beside it");
    write("notes.plist", xmlFilter("org.glyphward.host"));

    EXPECT_TRUE(load().empty());
    EXPECT_EQ(opened, (std::vector<std::string> { "alpha.dylib", "mid.dylib", "zeta.dylib" }));
    EXPECT_TRUE(logged.empty());
}

TEST_F(TweakFolder, RefusesFilesOthersCouldHaveChangedAndSaysWhy)
{
    tweak("good", "org.glyphward.host");
    tweak("worldlib", "org.glyphward.host");
    fs::permissions(dir + "/worldlib.dylib", fs::perms(0646));
    tweak("grouplist", "org.glyphward.host");
    fs::permissions(dir + "/grouplist.plist", fs::perms(0664));
    // A link is not the file it points to: it could be pointed anywhere later.
    write("linked.plist", xmlFilter("org.glyphward.host"));
    fs::create_symlink(dir + "/good.dylib", dir + "/linked.dylib");
    write("folder.plist", xmlFilter("org.glyphward.host"));
    fs::create_directory(dir + "/folder.dylib");

    const auto refused = load();
    EXPECT_EQ(opened, (std::vector<std::string> { "good.dylib" }));
    EXPECT_EQ(refused.size(), 4u);
    EXPECT_TRUE(loggedAbout("worldlib.dylib: is writable by group or others"));
    EXPECT_TRUE(loggedAbout("grouplist.plist: is writable by group or others"));
    EXPECT_TRUE(loggedAbout("linked.dylib: is not a regular file"));
    EXPECT_TRUE(loggedAbout("folder.dylib: is not a regular file"));

    // A filter that cannot be trusted is refused even when it names another app.
    tweak("stranger", "com.example.other");
    fs::permissions(dir + "/stranger.plist", fs::perms(0666));
    EXPECT_EQ(load().size(), 5u);
}

TEST_F(TweakFolder, RefusesFilesOwnedBySomeoneElse)
{
    tweak("owned", "org.glyphward.host");
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving a file away needs root";
    ASSERT_EQ(::chown((dir + "/owned.dylib").c_str(), 4242, 4242), 0);
    EXPECT_EQ(load().size(), 1u);
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(loggedAbout("owned.dylib: is owned by another user"));
}

TEST_F(TweakFolder, AFilterThatIsNoFilterIsRefusedAloud)
{
    const std::vector<std::pair<std::string, std::string>> filters {
        { "", "is empty" },
        { "<plist version=\"1.0\"><dict><key>Filter</key>", "is not a property list" },
        { binaryFilter("org.glyphward.host").substr(0, 40), "is not a property list" },
        { "<plist version=\"1.0\"><array/></plist>", "has no Filter dictionary" },
        { "<plist version=\"1.0\"><dict><key>Filter</key><dict><key>Bundles</key><string>org.glyphward.host</string>"
          "</dict></dict></plist>",
            "has a Filter Bundles entry that is not an array" },
    };
    for (std::size_t i = 0; i < filters.size(); ++i) {
        tweak("corrupt" + std::to_string(i), "org.glyphward.host");
        write("corrupt" + std::to_string(i) + ".plist", filters[i].first);
    }
    // A filter that names processes some other way is a filter all the same, for others.
    tweak("byexecutable", "org.glyphward.host");
    write("byexecutable.plist",
        "<plist version=\"1.0\"><dict><key>Filter</key><dict><key>Executables</key><array><string>glyphward-host</string>"
        "</array></dict></dict></plist>");

    EXPECT_EQ(load().size(), filters.size());
    EXPECT_TRUE(opened.empty());
    // One line for each refused filter, and one that nothing was loaded.
    ASSERT_EQ(logged.size(), filters.size() + 1);
    EXPECT_EQ(logged.back(), "TweakLoader: no library for org.glyphward.host in " + dir + ": of its 6 .dylib files, 5 refused, 1 not meant for this app");
    for (std::size_t i = 0; i < filters.size(); ++i)
        EXPECT_TRUE(loggedAbout("refused " + dir + "/corrupt" + std::to_string(i) + ".plist: " + filters[i].second)) << i;
}

TEST_F(TweakFolder, RefusesLibrariesTheDynamicLinkerCouldNotMapSafely)
{
    const std::string library = contents(GLYPHWARD_TEST_PLAIN_LIBRARY);
    ASSERT_GT(library.size(), 8192u);
    ElfW(Ehdr) header {};
    std::memcpy(&header, library.data(), sizeof header);
    // Past its segments a library holds only what the dynamic linker never reads.
    std::size_t segmentsEnd = 0;
    for (std::size_t i = 0; i < header.e_phnum; ++i) {
        ElfW(Phdr) segment {};
        std::memcpy(&segment, library.data() + header.e_phoff + i * sizeof segment, sizeof segment);
        segmentsEnd = std::max<std::size_t>(segmentsEnd, segment.p_offset + segment.p_filesz);
    }
    ASSERT_LT(segmentsEnd, library.size());
    const auto withHeader = [&library](const ElfW(Ehdr)& changed) {
        std::string bytes = library;
        std::memcpy(bytes.data(), &changed, sizeof changed);
        return bytes;
    };
    // Cut short at every kind of place: inside the header, inside the program headers, in the
    // middle of the segments, one byte short.
    const std::vector<std::pair<std::string, std::string>> libraries {
        { library.substr(0, 0), "is too short to be a library" },
        { library.substr(0, 40), "is too short to be a library" },
        { library.substr(0, sizeof header + 8), "is truncated: its program headers end past the end of the file" },
        { library.substr(0, 4096), "is truncated: segment" },
        { library.substr(0, library.size() / 2), "is truncated: segment" },
        { library.substr(0, segmentsEnd - 1), "is truncated: segment" },
        { "not really a library, though long enough to hold an ELF header at its start", "is not an ELF file" },
        { withHeader([&] { auto h = header; h.e_phoff = library.size() - 8; return h; }()), "is truncated: its program headers" },
        { withHeader([&] { auto h = header; h.e_phoff = ~0ull - 16; return h; }()), "is truncated: its program headers" },
        { withHeader([&] { auto h = header; h.e_machine = EM_S390; return h; }()), "is built for another kind of machine" },
        { withHeader([&] { auto h = header; h.e_ident[EI_CLASS] = ELFCLASS32; return h; }()), "is built for another kind of machine" },
        { withHeader([&] { auto h = header; h.e_type = ET_EXEC; return h; }()), "is not a shared library" },
        { withHeader([&] { auto h = header; h.e_phentsize = 7; return h; }()), "has malformed program headers" },
    };
    // A segment whose size overflows when added to its offset.
    std::string overflowing = library;
    ElfW(Phdr) first {};
    std::memcpy(&first, library.data() + header.e_phoff, sizeof first);
    first.p_offset = 4096;
    first.p_filesz = ~0ull - 4;
    std::memcpy(overflowing.data() + header.e_phoff, &first, sizeof first);

    for (std::size_t i = 0; i < libraries.size(); ++i) {
        tweak("bad" + std::to_string(i), "org.glyphward.host");
        write("bad" + std::to_string(i) + ".dylib", libraries[i].first);
    }
    tweak("overflowing", "org.glyphward.host");
    write("overflowing.dylib", overflowing);
    tweak("whole", "org.glyphward.host");
    write("whole.dylib", library.substr(0, segmentsEnd));

    EXPECT_EQ(load().size(), libraries.size() + 1);
    EXPECT_EQ(opened, (std::vector<std::string> { "whole.dylib" }));
    for (std::size_t i = 0; i < libraries.size(); ++i)
        EXPECT_TRUE(loggedAbout("refused " + dir + "/bad" + std::to_string(i) + ".dylib: " + libraries[i].second)) << i;
    EXPECT_TRUE(loggedAbout("overflowing.dylib: is truncated: segment 0 needs bytes up to 18446744073709551615"));
}

TEST_F(TweakFolder, RefusesTweaksBuiltAgainstAnotherPlatformBuild)
{
    const std::string tag = TweakLoader::abiTag();
    const std::string ours = contents(GLYPHWARD_TEST_TWEAK_FIRST);
    const std::string note = std::string("Glyphward\0\0\0", 12) + tag;
    ASSERT_NE(ours.find(note), std::string::npos);
    write("other.dylib", patched(ours, note, std::string("Glyphward\0\0\0", 12) + "0123456789abcdef"));
    write("other.plist", xmlFilter("org.glyphward.host"));
    // As an older build made it: no note, and the platform library without a version.
    const std::string platform = "libglyphward-platform.so";
    write("older.dylib",
        patched(patched(ours, note, std::string("Glyphwarx\0\0\0", 12) + tag), platform + ".0\0",
            platform + std::string("\0\0", 2)));
    write("older.plist", xmlFilter("org.glyphward.host"));
    // A library that does not link the platform is not the loader's to judge.
    tweak("plain", "org.glyphward.host");
    tweak("same", "org.glyphward.host", GLYPHWARD_TEST_TWEAK_FIRST);

    EXPECT_EQ(load().size(), 2u);
    EXPECT_EQ(opened, (std::vector<std::string> { "plain.dylib", "same.dylib" }));
    EXPECT_TRUE(loggedAbout("refused " + dir + "/other.dylib: was built for platform build 0123456789abcdef, this is " + tag));
    EXPECT_TRUE(loggedAbout("refused " + dir + "/older.dylib: links " + platform + " but carries no platform build tag (this is "
        + tag + ")"));
}

TEST_F(TweakFolder, EachLibraryLoadsOnceInNameOrderWhateverTheDescriptorNumbers)
{
    // The dynamic linker matches a name before it looks at the file. Give it objects under the
    // /proc names of the next descriptor numbers, as earlier loads whose descriptors have since
    // closed would have left them.
    write("earlier.so", contents(GLYPHWARD_TEST_PLAIN_LIBRARY));
    std::vector<int> descriptors;
    for (int i = 0; i < 16; ++i) {
        descriptors.push_back(::open((dir + "/earlier.so").c_str(), O_RDONLY | O_CLOEXEC));
        ASSERT_NE(::dlopen(("/proc/self/fd/" + std::to_string(descriptors.back())).c_str(), RTLD_NOW), nullptr);
    }
    for (const int fd : descriptors)
        ::close(fd);

    tweak("AAA", "org.glyphward.host");
    tweak("Glyphward", "org.glyphward.host", GLYPHWARD_TEST_TWEAK_FIRST);
    tweak("Zed", "org.glyphward.host", GLYPHWARD_TEST_TWEAK_SECOND);
    const auto plainRuns = [this] {
        void* handle = ::dlopen((dir + "/AAA.dylib").c_str(), RTLD_LAZY | RTLD_NOLOAD);
        using Runs = int (*)();
        const auto runs = handle ? reinterpret_cast<Runs>(::dlsym(handle, "glyphwardTestPlainRuns")) : nullptr;
        const int count = runs ? runs() : -1;
        if (handle)
            ::dlclose(handle);
        return count;
    };

    auto report = TweakLoader::loadFromDirectory(dir, "org.glyphward.host", &TweakLoader::openLibrary);
    EXPECT_EQ(report.loaded, (std::vector<std::string> { dir + "/AAA.dylib", dir + "/Glyphward.dylib", dir + "/Zed.dylib" }));
    EXPECT_EQ(loggedStarting("test tweak"), (std::vector<std::string> { "test tweak first loaded", "test tweak second loaded" }));
    EXPECT_EQ(plainRuns(), 1);

    // Loading the folder again loads nothing twice.
    logged.clear();
    report = TweakLoader::loadFromDirectory(dir, "org.glyphward.host", &TweakLoader::openLibrary);
    EXPECT_TRUE(report.loaded.empty());
    EXPECT_TRUE(loggedStarting("test tweak").empty());
    EXPECT_EQ(loggedStarting("TweakLoader: refused").size(), 3u);
    EXPECT_TRUE(loggedAbout("refused " + dir + "/Glyphward.dylib: is already loaded"));
    EXPECT_EQ(plainRuns(), 1);
}

TEST_F(TweakFolder, ALibraryThatDoesNotLoadIsLoggedAndNotCounted)
{
    tweak("broken", "org.glyphward.host", GLYPHWARD_TEST_UNRESOLVED_LIBRARY);
    const auto report = TweakLoader::loadFromDirectory(dir, "org.glyphward.host", &TweakLoader::openLibrary);
    EXPECT_TRUE(report.loaded.empty());
    EXPECT_TRUE(report.refused.empty());
    EXPECT_TRUE(loggedAbout("could not load " + dir + "/broken.dylib")) << ::testing::PrintToString(logged);
}
