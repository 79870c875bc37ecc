#include "apps/host/ScenarioPlayer.h"

#include "apps/host/HostApp.h"
#include "apps/host/HostState.h"
#include "apps/host/MicroMessengerAppDelegate.h"
#include "platform/compositor/Renderer.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/NSNumber.h"
#include "platform/foundation/NSRunLoop.h"
#include "platform/foundation/NSString.h"
#include "platform/foundation/NSUserDefaults.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UITouchInjector.h"

#include <algorithm>
#include <cmath>
#include <iostream>

namespace {

using Kind = ScenarioCommand::Kind;

// The settings tool's view of the host's domain: its own store object on the same file, so a
// change reaches the host the way another process's write would.
void changeSettings(const ScenarioCommand& command)
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
}

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

bool ScenarioPlayer::run(const ScenarioCommand& command)
{
    NSRunLoop& loop = NSRunLoop::mainRunLoop();
    auto& touch = UITouchInjector::shared();
    switch (command.kind) {
    case Kind::Launch:
        UIApplication::sharedApplication()->finishLaunching(nullptr);
        break;
    case Kind::Background:
        UIApplication::sharedApplication()->enterBackground();
        break;
    case Kind::Foreground:
        UIApplication::sharedApplication()->enterForeground();
        break;
    case Kind::Wait:
        loop.runUntil(clock_->monotonicNow() + command.seconds);
        break;
    case Kind::Clock:
        clock_->shiftWall(command.seconds);
        break;
    case Kind::Down:
        touch.down(command.point);
        break;
    case Kind::Move:
        touch.move(command.point);
        break;
    case Kind::Up:
        touch.up();
        break;
    case Kind::Cancel:
        touch.cancel();
        break;
    case Kind::Tap:
        tap(command.point);
        break;
    case Kind::Draw: {
        const std::vector<CGPoint> nodes = HostState::nodeCentres();
        for (int index : command.nodes) {
            if (static_cast<std::size_t>(index) >= nodes.size()) {
                std::cerr << "line " << command.line << ": draw: there is no node " << index << " to draw on; nothing drawn\n";
                return true;
            }
        }
        touch.down(nodes[static_cast<std::size_t>(command.nodes.front())]);
        for (std::size_t i = 1; i < command.nodes.size(); ++i)
            touch.move(nodes[static_cast<std::size_t>(command.nodes[i])]);
        touch.up();
        break;
    }
    case Kind::TapReset: {
        CGPoint centre;
        if (HostState::resetButtonCentre(centre))
            tap(centre);
        else
            std::cerr << "line " << command.line << ": tap-reset: there is no reset button; nothing tapped\n";
        break;
    }
    case Kind::Set:
    case Kind::Delete:
        changeSettings(command);
        break;
    case Kind::KeyboardShow:
        if (const auto d = HostApp::delegate())
            d->showKeyboard();
        break;
    case Kind::KeyboardHide:
        if (const auto d = HostApp::delegate())
            d->hideKeyboard();
        break;
    case Kind::Snapshot:
        if (!Renderer::writeScreenPNG(command.text)) {
            out_ << "fail " << command.line << ": snapshot " << command.text << " could not be written" << std::endl;
            return false;
        }
        out_ << "snapshot " << command.text << std::endl;
        break;
    case Kind::Print:
        out_ << "state " << HostState::format(HostState::read()) << std::endl;
        break;
    case Kind::Expect: {
        const nlohmann::ordered_json state = HostState::read();
        const nlohmann::ordered_json& actual = state.at(command.key);
        if (!matches(actual, command.expected))
            return fail(command, command.text, HostState::format(actual));
        break;
    }
    }
    // Whatever the command started that is due now (a zero-delay perform, say) happens before
    // the next line.
    loop.runDue();
    return true;
}
