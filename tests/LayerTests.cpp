// Includes point down only, and the build holds every layer to that: a layer compiles with only
// its own folder and the folders under it on the include path (cmake/GlyphwardLayers.cmake).
// These tests cover what the compiler cannot see: an include that climbs out of its folder with
// "..", the files directly in platform/, the libraries whose headers sit on the system's own
// include path, a source file that no layer builds, and a header that no source of its own layer
// includes (only its own layer's compile would refuse what it includes).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path sourceDir { GLYPHWARD_SOURCE_DIR };
const fs::path binaryDir { GLYPHWARD_BINARY_DIR };

std::string readFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The folders the product is built from, each a layer, and the files directly in platform/.
const std::vector<std::string> productFolders { "platform", "gesture", "lockscreen", "host" };

struct Include {
    bool quoted;
    std::string path;
};

// Each include of the text that breaks a rule, as "name:line: the include". A quoted include must
// be written from the source root without "..", since the folders reach each other through links
// in the build tree and ".." would climb out of one into its neighbours. An include in angle
// brackets must name none of the forbidden prefixes.
template <class Rule> std::vector<std::string> includesBreaking(const std::string& name, const std::string& text, Rule&& breaks)
{
    static const std::regex include(R"(^\s*#\s*include\s*([<"])([^>"]*)[>"])");
    std::vector<std::string> found;
    std::stringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        std::smatch match;
        if (std::regex_search(line, match, include) && breaks(Include { match[1] == "\"", match[2] }))
            found.push_back(name + ":" + std::to_string(number) + ": " + line);
    }
    return found;
}

bool climbs(const Include& include)
{
    if (!include.quoted)
        return false;
    if (include.path.find("..") != std::string::npos)
        return true;
    for (const auto& folder : productFolders) {
        if (include.path.rfind(folder + "/", 0) == 0)
            return false;
    }
    return true;
}

// Headers of the toolkit's private libraries that the system's include path holds, so that a
// layer that links none of them would still find them.
bool privateLibraryOnSystemPath(const Include& include)
{
    static const std::vector<std::string> prefixes { "plist/", "X11/", "png.h", "pngconf.h", "cairo/", "pango-1.0/", "SDL2/" };
    for (const auto& prefix : prefixes) {
        if (!include.quoted && include.path.rfind(prefix, 0) == 0)
            return true;
    }
    return false;
}

// The quoted includes of the text, as written.
std::vector<std::string> quotedIncludes(const std::string& text)
{
    std::vector<std::string> paths;
    includesBreaking("", text, [&](const Include& include) {
        if (include.quoted)
            paths.push_back(include.path);
        return false;
    });
    return paths;
}

// The headers of a folder that none of its sources includes, directly or through another header
// of the folder. Each file is given by its path from the source root with its text.
std::vector<std::string> headersNoSourceIncludes(const std::string& folder, const std::map<std::string, std::string>& files)
{
    std::set<std::string> reached;
    std::vector<std::string> pending;
    for (const auto& [name, text] : files) {
        if (name.ends_with(".cpp"))
            pending.push_back(name);
    }
    while (!pending.empty()) {
        const auto name = pending.back();
        pending.pop_back();
        const auto file = files.find(name);
        if (file == files.end())
            continue;
        for (const auto& included : quotedIncludes(file->second)) {
            if (included.rfind(folder + "/", 0) == 0 && reached.insert(included).second)
                pending.push_back(included);
        }
    }
    std::vector<std::string> unreached;
    for (const auto& [name, text] : files) {
        if (name.ends_with(".h") && !reached.count(name))
            unreached.push_back(name);
    }
    return unreached;
}

bool isSource(const fs::path& path) { return path.extension() == ".h" || path.extension() == ".cpp"; }

template <class Rule> std::vector<std::string> filesBreaking(const fs::path& folder, Rule&& breaks)
{
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file() || !isSource(entry.path()))
            continue;
        const auto name = entry.path().lexically_relative(sourceDir).string();
        for (auto& line : includesBreaking(name, readFile(entry.path()), breaks))
            found.push_back(std::move(line));
    }
    return found;
}

std::string joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const auto& line : lines)
        text += line + "\n";
    return text;
}

} // namespace

TEST(Layers, TheRulesNameEachBreakWithItsFileAndLine)
{
    const std::string text = "#include \"platform/ui/UIView.h\"\n#include \"../ui/UIView.h\"\n"
                             "  #  include \"UIView.h\"\n#include \"platform/foundation/../ui/UIView.h\"\n"
                             "#include <vector>\n#include <X11/Xlib.h>\n#include <png.h>\n";
    EXPECT_EQ(includesBreaking("a.cpp", text, climbs),
        (std::vector<std::string> { "a.cpp:2: #include \"../ui/UIView.h\"", "a.cpp:3:   #  include \"UIView.h\"",
            "a.cpp:4: #include \"platform/foundation/../ui/UIView.h\"" }));
    EXPECT_EQ(includesBreaking("a.cpp", text, privateLibraryOnSystemPath),
        (std::vector<std::string> { "a.cpp:6: #include <X11/Xlib.h>", "a.cpp:7: #include <png.h>" }));
}

TEST(Layers, AHeaderIsReachedThroughAnotherHeaderOfItsFolderOrNotAtAll)
{
    const std::map<std::string, std::string> files {
        { "f/A.cpp", "#include \"f/A.h\"\n#include \"g/Other.h\"\n" },
        { "f/A.h", "#include \"f/Inner.h\"\n" },
        { "f/Inner.h", "#include <vector>\n" },
        { "f/Alone.h", "#include \"f/Only.h\"\n" },
        { "f/Only.h", "" },
    };
    EXPECT_EQ(headersNoSourceIncludes("f", files), (std::vector<std::string> { "f/Alone.h", "f/Only.h" }));
}

TEST(Layers, IncludesAreWrittenFromTheSourceRoot)
{
    std::vector<std::string> found;
    for (const auto& folder : productFolders) {
        const auto more = filesBreaking(sourceDir / folder, climbs);
        found.insert(found.end(), more.begin(), more.end());
    }
    EXPECT_TRUE(found.empty()) << "includes not written from the source root:\n" << joined(found);
}

TEST(Layers, TheFilesDirectlyInPlatformIncludeNoFolder)
{
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(sourceDir / "platform")) {
        if (!entry.is_regular_file() || !isSource(entry.path()))
            continue;
        const auto name = entry.path().lexically_relative(sourceDir).string();
        const auto more = includesBreaking(name, readFile(entry.path()), [](const Include& include) { return include.quoted; });
        found.insert(found.end(), more.begin(), more.end());
    }
    EXPECT_TRUE(found.empty()) << "platform/'s own files include:\n" << joined(found);
}

TEST(Layers, TheLockIncludesNoneOfTheToolkitsLibraries)
{
    std::vector<std::string> found;
    for (const auto* folder : { "gesture", "lockscreen", "host" }) {
        const auto more = filesBreaking(sourceDir / folder, privateLibraryOnSystemPath);
        found.insert(found.end(), more.begin(), more.end());
    }
    EXPECT_TRUE(found.empty()) << "the lock includes a library only the toolkit may use:\n" << joined(found);
}

// A source file left out of every list would go unbuilt without a word: a class it registers
// or a hook it installs would be silently missing.
TEST(Layers, EverySourceFileIsBuiltByItsLayer)
{
    const std::string manifest = readFile(binaryDir / "layers/manifest.txt");
    ASSERT_FALSE(manifest.empty()) << "no list of the layers' sources in the build tree";
    std::set<std::string> folders, built;
    std::stringstream lines(manifest);
    std::string kind, path;
    while (lines >> kind >> path)
        (kind == "folder" ? folders : built).insert(path);

    std::vector<std::string> unbuilt, notLayers;
    for (const auto& top : productFolders) {
        EXPECT_TRUE(folders.count(top)) << top << "/ is no layer";
        for (const auto& entry : fs::recursive_directory_iterator(sourceDir / top)) {
            const auto name = entry.path().lexically_relative(sourceDir).generic_string();
            if (entry.is_directory() && !folders.count(name))
                notLayers.push_back(name);
            else if (entry.is_regular_file() && entry.path().extension() == ".cpp" && !built.count(name))
                unbuilt.push_back(name);
        }
    }
    EXPECT_TRUE(unbuilt.empty()) << "sources no layer builds:\n" << joined(unbuilt);
    EXPECT_TRUE(notLayers.empty()) << "folders that are no layer:\n" << joined(notLayers);
}

// A header that only higher layers include is compiled with their include path, so an include
// upward in it would go unnoticed; each must be reached from a source of its own folder.
TEST(Layers, EveryHeaderIsCompiledWithinItsOwnLayer)
{
    const std::string manifest = readFile(binaryDir / "layers/manifest.txt");
    std::vector<std::string> folders;
    std::stringstream lines(manifest);
    std::string kind, path;
    while (lines >> kind >> path) {
        if (kind == "folder" && path != "platform")
            folders.push_back(path);
    }
    ASSERT_FALSE(folders.empty()) << "no list of the layers in the build tree";
    std::vector<std::string> found;
    for (const auto& folder : folders) {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::directory_iterator(sourceDir / folder)) {
            if (entry.is_regular_file() && isSource(entry.path()))
                files[entry.path().lexically_relative(sourceDir).generic_string()] = readFile(entry.path());
        }
        for (auto& header : headersNoSourceIncludes(folder, files))
            found.push_back(std::move(header));
    }
    EXPECT_TRUE(found.empty()) << "headers no source of their own layer includes:\n" << joined(found);
}
