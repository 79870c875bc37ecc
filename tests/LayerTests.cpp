// Includes point down only. The rules are written once, as the "may include" columns of the
// tables in README.md (the project's folders) and platform/README.md (the toolkit's folders);
// these tests read both tables and every header and source file under the folders they name.
#include <gtest/gtest.h>

#include <algorithm>
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

// Per folder of a table, the folders it may include besides itself. A row that may include
// "everything" is not checked.
struct LayerTable {
    std::map<std::string, std::set<std::string>> mayInclude;
    std::set<std::string> unchecked;

    std::set<std::string> folders() const
    {
        std::set<std::string> all = unchecked;
        for (const auto& [folder, allowed] : mayInclude)
            all.insert(folder);
        return all;
    }
};

std::vector<std::string> cellsOf(const std::string& row)
{
    std::vector<std::string> cells;
    std::stringstream stream(row);
    std::string cell;
    while (std::getline(stream, cell, '|'))
        cells.push_back(cell);
    // The text before the first bar and after the last one is no cell.
    if (!cells.empty())
        cells.erase(cells.begin());
    return cells;
}

// `name/` and `name` both give name.
std::vector<std::string> namesIn(const std::string& cell)
{
    std::vector<std::string> names;
    static const std::regex quoted("`([A-Za-z0-9_]+)/?`");
    for (std::sregex_iterator it(cell.begin(), cell.end(), quoted), end; it != end; ++it)
        names.push_back((*it)[1]);
    return names;
}

LayerTable readTable(const std::string& markdown)
{
    LayerTable table;
    std::stringstream lines(markdown);
    std::string line;
    std::ptrdiff_t column = -1;
    while (std::getline(lines, line)) {
        if (line.rfind('|', 0) != 0) {
            column = -1;
            continue;
        }
        const auto cells = cellsOf(line);
        if (column < 0) {
            auto header = std::find_if(cells.begin(), cells.end(), [](const std::string& c) { return c.find("may include") != std::string::npos; });
            if (header != cells.end())
                column = header - cells.begin();
            continue;
        }
        if (static_cast<std::size_t>(column) >= cells.size() || cells[0].find("---") != std::string::npos)
            continue;
        const std::string& rule = cells[static_cast<std::size_t>(column)];
        for (const std::string& folder : namesIn(cells[0])) {
            if (rule.find("everything") != std::string::npos) {
                table.unchecked.insert(folder);
            } else {
                const auto allowed = namesIn(rule);
                table.mayInclude[folder].insert(allowed.begin(), allowed.end());
            }
        }
    }
    return table;
}

std::string readFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Each include of "<prefix><folder>/..." in the text whose folder the table names but the
// including folder may not use, as "name:line: the include".
std::vector<std::string> includesAgainst(const LayerTable& table, const std::string& prefix, const std::string& self,
    const std::string& name, const std::string& text)
{
    std::vector<std::string> found;
    if (table.unchecked.count(self))
        return found;
    const std::set<std::string> known = table.folders();
    const auto rule = table.mayInclude.find(self);
    const std::set<std::string> none;
    const std::set<std::string>& allowed = rule == table.mayInclude.end() ? none : rule->second;
    const std::regex include("^\\s*#\\s*include\\s*\"" + prefix + "([A-Za-z0-9_]+)/");
    std::stringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        std::smatch match;
        if (!std::regex_search(line, match, include))
            continue;
        const std::string target = match[1];
        if (target != self && known.count(target) && !allowed.count(target))
            found.push_back(name + ":" + std::to_string(number) + ": " + line);
    }
    return found;
}

// Every include in the header and source files under folder/ that its row does not allow.
std::vector<std::string> includesAgainst(const LayerTable& table, const std::string& prefix, const std::string& folder, const fs::path& root,
    bool recurse)
{
    std::vector<std::string> found;
    const fs::path dir = root / prefix / folder;
    auto check = [&](const fs::directory_entry& entry) {
        const auto extension = entry.path().extension();
        if (!entry.is_regular_file() || (extension != ".h" && extension != ".cpp"))
            return;
        const auto name = entry.path().lexically_relative(root).string();
        for (auto& include : includesAgainst(table, prefix, folder, name, readFile(entry.path())))
            found.push_back(std::move(include));
    };
    if (recurse) {
        for (const auto& entry : fs::recursive_directory_iterator(dir))
            check(entry);
    } else {
        for (const auto& entry : fs::directory_iterator(dir))
            check(entry);
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

const fs::path sourceDir { GLYPHWARD_SOURCE_DIR };

} // namespace

TEST(Layers, ToolkitFoldersIncludeNoFolderAboveThem)
{
    const LayerTable table = readTable(readFile(sourceDir / "platform/README.md"));
    ASSERT_TRUE(table.mayInclude.count("runtime")) << "platform/README.md has no table of folders";
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(sourceDir / "platform")) {
        if (!entry.is_directory())
            continue;
        const std::string folder = entry.path().filename().string();
        EXPECT_TRUE(table.folders().count(folder)) << "platform/" << folder << " has no row in platform/README.md";
        const auto more = includesAgainst(table, "platform/", folder, sourceDir, true);
        found.insert(found.end(), more.begin(), more.end());
    }
    // The files directly in platform/ sit under every folder.
    const auto more = includesAgainst(table, "platform/", "", sourceDir, false);
    found.insert(found.end(), more.begin(), more.end());
    EXPECT_TRUE(found.empty()) << "includes that platform/README.md does not allow:\n" << joined(found);
}

TEST(Layers, LockLayersIncludeOnlyTheLayersUnderThem)
{
    const LayerTable table = readTable(readFile(sourceDir / "README.md"));
    ASSERT_TRUE(table.mayInclude.count("gesture")) << "README.md has no table of folders";
    std::vector<std::string> found;
    for (const auto& [folder, allowed] : table.mayInclude) {
        if (!fs::is_directory(sourceDir / folder))
            continue;
        const auto more = includesAgainst(table, "", folder, sourceDir, true);
        found.insert(found.end(), more.begin(), more.end());
    }
    EXPECT_TRUE(found.empty()) << "includes that README.md does not allow:\n" << joined(found);
}

TEST(Layers, AnIncludeUpwardIsNamedWithItsFileAndLine)
{
    const LayerTable table = readTable("| folder | what | may include |\n|---|---|---|\n"
                                       "| `low/` | below | — |\n| `high/`, `top/` | above | `low` |\n| `tools/` | | everything |\n");
    EXPECT_EQ(table.folders(), (std::set<std::string> { "high", "low", "tools", "top" }));
    const std::string text = "#include \"p/low/A.h\"\n#include \"p/high/B.h\"\n#include \"p/tools/C.h\"\n#include <vector>\n";
    EXPECT_EQ(includesAgainst(table, "p/", "high", "p/high/X.cpp", text), (std::vector<std::string> { "p/high/X.cpp:3: #include \"p/tools/C.h\"" }));
    EXPECT_TRUE(includesAgainst(table, "p/", "tools", "p/tools/Z.cpp", text).empty());
    EXPECT_EQ(includesAgainst(table, "p/", "low", "p/low/Y.cpp", text),
        (std::vector<std::string> { "p/low/Y.cpp:2: #include \"p/high/B.h\"", "p/low/Y.cpp:3: #include \"p/tools/C.h\"" }));
}
