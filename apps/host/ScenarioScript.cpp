#include "apps/host/ScenarioScript.h"

#include "apps/common/NumberText.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <map>
#include <sstream>

namespace {

using Kind = ScenarioCommand::Kind;

// A '#' inside a JSON string (an expected label text, say) belongs to the value, not a comment.
std::string stripComment(const std::string& line)
{
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '\\') {
            ++i;
            continue;
        }
        if (c == '"')
            quoted = !quoted;
        else if (c == '#' && !quoted)
            return line.substr(0, i);
    }
    return line;
}

std::string trim(const std::string& s)
{
    const auto isSpace = [](unsigned char c) { return std::isspace(c) != 0; };
    auto begin = std::find_if_not(s.begin(), s.end(), isSpace);
    auto end = std::find_if_not(s.rbegin(), s.rend(), isSpace).base();
    return begin < end ? std::string(begin, end) : std::string();
}

std::vector<std::string> words(const std::string& s)
{
    std::istringstream in(s);
    std::vector<std::string> out;
    for (std::string w; in >> w;)
        out.push_back(w);
    return out;
}

// The text after the first `count` words, trimmed; values may hold spaces.
std::string restAfterWords(const std::string& s, std::size_t count)
{
    std::size_t pos = 0;
    for (std::size_t i = 0; i < count; ++i) {
        while (pos < s.size() && std::isspace(static_cast<unsigned char>(s[pos])))
            ++pos;
        while (pos < s.size() && !std::isspace(static_cast<unsigned char>(s[pos])))
            ++pos;
    }
    return trim(s.substr(pos));
}

// The most a wait or a clock line moves time at once, some 31 years: far past any interval the
// lock knows, and far from where a virtual clock of doubles stops counting seconds.
constexpr double kLongestSpan = 1e9;

bool parseBool(const std::string& word)
{
    std::string lower = word;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower == "yes" || lower == "true" || lower == "1";
}

bool isBoolWord(const std::string& word)
{
    std::string lower = word;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower == "yes" || lower == "no" || lower == "true" || lower == "false" || lower == "1" || lower == "0";
}

// One line split in words: w[0] names the command, the rest are its arguments. Each reader
// below fills the command and answers what is wrong, or an empty string.
struct Line {
    const std::string& text;
    std::vector<std::string> w;
    std::size_t args() const { return w.size() - 1; }
};

std::string readTime(const Line& line, ScenarioCommand& command)
{
    const std::string& name = line.w[0];
    command.kind = name == "wait" ? Kind::Wait : Kind::Clock;
    const auto seconds = line.args() == 1 ? NumberText::real(line.w[1]) : std::nullopt;
    if (!seconds)
        return name + " needs one number of seconds";
    if (command.kind == Kind::Wait && *seconds < 0)
        return "wait cannot go back in time";
    if (std::fabs(*seconds) > kLongestSpan)
        return name + ": " + line.w[1] + " is more than the 1e9 seconds a line may move time";
    command.seconds = *seconds;
    return "";
}

std::string readPoint(const Line& line, ScenarioCommand& command)
{
    const std::string& name = line.w[0];
    command.kind = name == "down" ? Kind::Down : name == "move" ? Kind::Move : Kind::Tap;
    const auto x = line.args() == 2 ? NumberText::real(line.w[1]) : std::nullopt;
    const auto y = line.args() == 2 ? NumberText::real(line.w[2]) : std::nullopt;
    if (!x || !y)
        return name + " needs two coordinates X Y";
    // Points are 32-bit floats: a coordinate past their range would play as infinity.
    if (std::fabs(*x) > std::numeric_limits<float>::max() || std::fabs(*y) > std::numeric_limits<float>::max())
        return name + " has a coordinate out of range";
    command.point = CGPointMake(static_cast<CGFloat>(*x), static_cast<CGFloat>(*y));
    return "";
}

std::string readDraw(const Line& line, ScenarioCommand& command)
{
    command.kind = Kind::Draw;
    if (line.args() == 0)
        return "draw needs at least one node index";
    for (std::size_t i = 1; i < line.w.size(); ++i) {
        const auto index = NumberText::integer(line.w[i], 0, 1000);
        if (!index)
            return "draw: '" + line.w[i] + "' is not a node index";
        command.nodes.push_back(static_cast<int>(*index));
    }
    return "";
}

std::string readKeys(const Line& line, ScenarioCommand& command)
{
    command.kind = Kind::Keys;
    if (line.args() == 0)
        return "keys needs at least one key: 1 to 9, enter or cancel";
    for (std::size_t i = 1; i < line.w.size(); ++i) {
        const std::string& word = line.w[i];
        if (word.size() == 1 && word[0] >= '1' && word[0] <= '9')
            command.keys.push_back(UIKeyPress::digitKey(word[0] - '0'));
        else if (word == "enter")
            command.keys.push_back(UIKeyPress::enter());
        else if (word == "cancel")
            command.keys.push_back(UIKeyPress::cancel());
        else
            return "keys: '" + word + "' is not a key (1 to 9, enter or cancel)";
    }
    return "";
}

std::string readSet(const Line& line, ScenarioCommand& command)
{
    command.kind = Kind::Set;
    if (line.args() < 3)
        return "set needs KEY bool|float|int|string VALUE";
    command.key = line.w[1];
    command.type = line.w[2];
    command.text = restAfterWords(line.text, 3);
    const bool oneWord = line.args() == 3;
    if (command.type == "bool") {
        if (!oneWord || !isBoolWord(command.text))
            return "set: a bool is YES, NO, true, false, 1 or 0";
        command.text = parseBool(command.text) ? "YES" : "NO";
    } else if (command.type == "float") {
        const auto value = oneWord ? NumberText::real(command.text) : std::nullopt;
        if (!value)
            return "set: '" + command.text + "' is not a finite number";
        command.real = *value;
    } else if (command.type == "int") {
        const auto value = oneWord ? NumberText::integer(command.text) : std::nullopt;
        if (!value)
            return "set: '" + command.text + "' is not a 64-bit integer";
        command.integer = *value;
    } else if (command.type != "string") {
        return "set: unknown type '" + command.type + "' (bool, float, int or string)";
    }
    return "";
}

std::string readDelete(const Line& line, ScenarioCommand& command)
{
    command.kind = Kind::Delete;
    if (line.args() != 1)
        return "delete needs one KEY";
    command.key = line.w[1];
    return "";
}

std::string readKeyboard(const Line& line, ScenarioCommand& command)
{
    const std::string how = line.args() == 1 ? line.w[1] : "";
    if (how != "show" && how != "hide")
        return "keyboard needs show or hide";
    command.kind = how == "show" ? Kind::KeyboardShow : Kind::KeyboardHide;
    return "";
}

std::string readSnapshot(const Line& line, ScenarioCommand& command)
{
    command.kind = Kind::Snapshot;
    command.text = restAfterWords(line.text, 1);
    return command.text.empty() ? "snapshot needs a FILE" : "";
}

std::string readExpect(const Line& line, ScenarioCommand& command)
{
    command.kind = Kind::Expect;
    if (line.args() < 2)
        return "expect needs PATH VALUE";
    command.key = line.w[1];
    const auto& keys = ScenarioScript::stateKeys();
    if (std::find(keys.begin(), keys.end(), command.key) == keys.end())
        return "expect: unknown state key '" + command.key + "'";
    command.text = restAfterWords(line.text, 2);
    command.expected = nlohmann::json::parse(command.text, nullptr, false);
    if (command.expected.is_discarded())
        return "expect: '" + command.text + "' is not a JSON value";
    return "";
}

// Reads one non-empty line into the command; answers what is wrong, or an empty string.
std::string parseLine(const std::string& text, ScenarioCommand& command)
{
    const Line line { text, words(text) };
    const std::string& name = line.w.front();
    static const std::map<std::string, Kind> bare = {
        { "launch", Kind::Launch },
        { "background", Kind::Background },
        { "foreground", Kind::Foreground },
        { "up", Kind::Up },
        { "cancel", Kind::Cancel },
        { "tap-reset", Kind::TapReset },
        { "print", Kind::Print },
    };
    if (auto it = bare.find(name); it != bare.end()) {
        command.kind = it->second;
        return line.args() == 0 ? "" : name + " takes no arguments";
    }
    using Reader = std::string (*)(const Line&, ScenarioCommand&);
    static const std::map<std::string, Reader> readers = {
        { "wait", readTime },
        { "clock", readTime },
        { "down", readPoint },
        { "move", readPoint },
        { "tap", readPoint },
        { "draw", readDraw },
        { "keys", readKeys },
        { "set", readSet },
        { "delete", readDelete },
        { "keyboard", readKeyboard },
        { "snapshot", readSnapshot },
        { "expect", readExpect },
    };
    if (auto it = readers.find(name); it != readers.end())
        return it->second(line, command);
    return "unknown command '" + name + "'";
}

} // namespace

const std::vector<std::string>& ScenarioScript::stateKeys()
{
    static const std::vector<std::string> keys = { "time", "launched", "label", "resetTitle", "resetHidden", "resetAlpha",
        "lockViewAlpha", "lockWindowAlpha", "keyWindow", "frontWindow", "failCount", "mode", "passcode", "stored", "labelOffset",
        "nodes" };
    return keys;
}

ScenarioScript ScenarioScript::parse(const std::string& text)
{
    ScenarioScript script;
    std::istringstream in(text);
    int number = 0;
    for (std::string raw; std::getline(in, raw);) {
        ++number;
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        const std::string line = trim(stripComment(raw));
        if (line.empty())
            continue;
        ScenarioCommand command;
        command.line = number;
        std::string problem = parseLine(line, command);
        if (problem.empty())
            script.commands_.push_back(std::move(command));
        else
            script.errors_.push_back({ number, std::move(problem) });
    }
    return script;
}
