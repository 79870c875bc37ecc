#include "apps/host/ScenarioPlayer.h"

#include "apps/host/HostApp.h"
#include "apps/host/HostState.h"
#include "apps/host/MicroMessengerAppDelegate.h"
#include "platform/compositor/Renderer.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/SafeOutputFile.h"
#include "platform/foundation/NSNumber.h"
#include "platform/foundation/NSRunLoop.h"
#include "platform/foundation/NSString.h"
#include "platform/foundation/NSUserDefaults.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIKeyboardInput.h"
#include "platform/ui/UITouchInjector.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <map>

namespace {

using Kind = ScenarioCommand::Kind;

} // namespace

ScenarioPlayer::ScenarioPlayer(std::ostream& out, std::shared_ptr<VirtualClock> clock)
    : out_(out)
    , clock_(std::move(clock))
{
}

int ScenarioPlayer::play(const ScenarioScript& script)
{
    for (const ScenarioCommand& command : script.commands())
        if (!run(command))
            return 1;
    return 0;
}

bool ScenarioPlayer::matches(const nlohmann::ordered_json& actual, const nlohmann::json& expected)
{
    if (actual.is_number() && expected.is_number()) {
        const double a = actual.get<double>();
        const double e = expected.get<double>();
        return std::abs(a - e) <= 1e-6 * std::max(1.0, std::max(std::abs(a), std::abs(e)));
    }
    if (actual.is_array() && expected.is_array()) {
        if (actual.size() != expected.size())
            return false;
        for (std::size_t i = 0; i < actual.size(); ++i)
            if (!matches(actual[i], expected[i]))
                return false;
        return true;
    }
    if (actual.is_object() && expected.is_object()) {
        if (actual.size() != expected.size())
            return false;
        for (auto it = expected.begin(); it != expected.end(); ++it)
            if (!actual.contains(it.key()) || !matches(actual.at(it.key()), it.value()))
                return false;
        return true;
    }
    return nlohmann::json::parse(HostState::format(actual)) == expected;
}

void ScenarioPlayer::tap(CGPoint point)
{
    UITouchInjector::shared().down(point);
    UITouchInjector::shared().up();
}

bool ScenarioPlayer::fail(const ScenarioCommand& command, const std::string& expected, const std::string& actual)
{
    out_ << "fail " << command.line << ": " << command.key << " expected " << expected << " got " << actual << std::endl;
    return false;
}

ScenarioPlayer::Handler ScenarioPlayer::handlerFor(Kind kind)
{
    static const std::map<Kind, Handler> handlers {
        { Kind::Launch, &ScenarioPlayer::playLifeCycle },
        { Kind::Background, &ScenarioPlayer::playLifeCycle },
        { Kind::Foreground, &ScenarioPlayer::playLifeCycle },
        { Kind::Wait, &ScenarioPlayer::playTime },
        { Kind::Clock, &ScenarioPlayer::playTime },
        { Kind::Down, &ScenarioPlayer::playTouch },
        { Kind::Move, &ScenarioPlayer::playTouch },
        { Kind::Up, &ScenarioPlayer::playTouch },
        { Kind::Cancel, &ScenarioPlayer::playTouch },
        { Kind::Tap, &ScenarioPlayer::playTouch },
        { Kind::Draw, &ScenarioPlayer::playDraw },
        { Kind::TapReset, &ScenarioPlayer::playTapReset },
        { Kind::Keys, &ScenarioPlayer::playKeys },
        { Kind::Set, &ScenarioPlayer::playSettings },
        { Kind::Delete, &ScenarioPlayer::playSettings },
        { Kind::KeyboardShow, &ScenarioPlayer::playKeyboard },
        { Kind::KeyboardHide, &ScenarioPlayer::playKeyboard },
        { Kind::Snapshot, &ScenarioPlayer::playSnapshot },
        { Kind::Print, &ScenarioPlayer::playPrint },
        { Kind::Expect, &ScenarioPlayer::playExpect },
    };
    const auto found = handlers.find(kind);
    return found == handlers.end() ? nullptr : found->second;
}

bool ScenarioPlayer::run(const ScenarioCommand& command)
{
    const Handler handler = handlerFor(command.kind);
    if (handler && !(this->*handler)(command))
        return false;
    // Whatever the command started that is due now (a zero-delay perform, say) happens before
    // the next line.
    NSRunLoop::mainRunLoop().runDue();
    return true;
}

bool ScenarioPlayer::playLifeCycle(const ScenarioCommand& command)
{
    const auto application = UIApplication::sharedApplication();
    if (command.kind == Kind::Launch)
        application->finishLaunching(nullptr);
    else if (command.kind == Kind::Background)
        application->enterBackground();
    else
        application->enterForeground();
    return true;
}

bool ScenarioPlayer::playTime(const ScenarioCommand& command)
{
    if (command.kind == Kind::Wait)
        NSRunLoop::mainRunLoop().runUntil(clock_->monotonicNow() + command.seconds);
    else
        clock_->shiftWall(command.seconds);
    return true;
}

bool ScenarioPlayer::playTouch(const ScenarioCommand& command)
{
    auto& touch = UITouchInjector::shared();
    switch (command.kind) {
    case Kind::Down: touch.down(command.point); break;
    case Kind::Move: touch.move(command.point); break;
    case Kind::Up: touch.up(); break;
    case Kind::Cancel: touch.cancel(); break;
    default: tap(command.point); break;
    }
    return true;
}

bool ScenarioPlayer::playDraw(const ScenarioCommand& command)
{
    const std::vector<CGPoint> nodes = HostState::nodeCentres();
    for (int index : command.nodes) {
        if (static_cast<std::size_t>(index) >= nodes.size()) {
            std::cerr << "line " << command.line << ": draw: there is no node " << index << " to draw on; nothing drawn\n";
            return true;
        }
    }
    auto& touch = UITouchInjector::shared();
    touch.down(nodes[static_cast<std::size_t>(command.nodes.front())]);
    for (std::size_t i = 1; i < command.nodes.size(); ++i)
        touch.move(nodes[static_cast<std::size_t>(command.nodes[i])]);
    touch.up();
    return true;
}

// Each key goes where the window would send it; one that nothing takes (the lock not key, the grid
// faded out during the wait) is dropped, as the window drops it.
bool ScenarioPlayer::playKeys(const ScenarioCommand& command)
{
    for (const UIKeyPress& key : command.keys)
        UIKeyboardInput::pressKey(key);
    return true;
}

bool ScenarioPlayer::playTapReset(const ScenarioCommand& command)
{
    CGPoint centre;
    if (HostState::resetButtonCentre(centre))
        tap(centre);
    else
        std::cerr << "line " << command.line << ": tap-reset: there is no reset button; nothing tapped\n";
    return true;
}

// The settings tool's view of the host's domain: its own store object on the same file, so a
// change reaches the host the way another process's write would.
bool ScenarioPlayer::playSettings(const ScenarioCommand& command)
{
    const std::string domain = NSUserDefaults::standardDomain();
    NSUserDefaults tool(domain, NSUserDefaults::pathForDomain(domain));
    if (command.kind == Kind::Delete) {
        tool.removeObjectForKey(command.key);
    } else if (command.type == "bool") {
        tool.setBool(command.text == "YES", command.key);
    } else if (command.type == "float") {
        tool.setDouble(command.real, command.key);
    } else if (command.type == "int") {
        tool.setObject(NSNumber::numberWithInteger(command.integer), command.key);
    } else {
        tool.setObject(NSString::stringWithString(command.text), command.key);
    }
    tool.synchronize();
    return true;
}

bool ScenarioPlayer::playKeyboard(const ScenarioCommand& command)
{
    if (const auto delegate = HostApp::delegate()) {
        if (command.kind == Kind::KeyboardShow)
            delegate->showKeyboard();
        else
            delegate->hideKeyboard();
    }
    return true;
}

bool ScenarioPlayer::playSnapshot(const ScenarioCommand& command)
{
    // The picture's folder is made when missing, private; one that is a link or another user's
    // is refused, as is a link or another user's file in the picture's place.
    std::string error;
    const std::string folder = std::filesystem::path(command.text).parent_path().string();
    const bool written = (folder.empty() || SafeOutputFile::openFolder(folder, true, error)) && Renderer::writeScreenPNG(command.text, &error);
    if (!written) {
        std::cerr << "glyphward-host: cannot write " << command.text << ": " << error << std::endl;
        out_ << "fail " << command.line << ": snapshot " << command.text << " could not be written" << std::endl;
        return false;
    }
    out_ << "snapshot " << command.text << std::endl;
    return true;
}

bool ScenarioPlayer::playPrint(const ScenarioCommand&)
{
    out_ << "state " << HostState::format(HostState::read()) << std::endl;
    return true;
}

bool ScenarioPlayer::playExpect(const ScenarioCommand& command)
{
    const nlohmann::ordered_json state = HostState::read();
    const nlohmann::ordered_json& actual = state.at(command.key);
    if (!matches(actual, command.expected))
        return fail(command, command.text, HostState::format(actual));
    return true;
}
