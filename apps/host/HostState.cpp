#include "apps/host/HostState.h"

#include "apps/host/HostApp.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/FileOps.h"
#include "platform/foundation/NSDictionary.h"
#include "platform/foundation/NSNumber.h"
#include "platform/foundation/NSPropertyListSerialization.h"
#include "platform/foundation/NSString.h"
#include "platform/foundation/NSUserDefaults.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIButton.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UIWindow.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

using json = nlohmann::ordered_json;

// Model values are 32-bit floats; seven significant digits give back the value that was set
// (0.3, not 0.30000001192092896).
json number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.7g", value);
    const double rounded = std::strtod(text, nullptr);
    if (std::abs(rounded) < 1e15 && rounded == std::floor(rounded))
        return static_cast<long long>(rounded);
    return rounded;
}

// Steps of the virtual clock add up with binary noise (202.10000000000002); microseconds are
// plenty. Whole seconds print as whole numbers, like the other numbers of the line.
json seconds(double value)
{
    const double rounded = std::round(value * 1e6) / 1e6;
    if (rounded == std::floor(rounded) && std::abs(rounded) < 1e15)
        return static_cast<long long>(rounded);
    return rounded;
}

bool isClass(const NSObject* object, const char* name) { return object && std::strcmp(object->className(), name) == 0; }

void collectViews(const std::shared_ptr<UIView>& root, const char* name, std::vector<std::shared_ptr<UIView>>& out)
{
    if (!root)
        return;
    if (isClass(root.get(), name))
        out.push_back(root);
    for (const auto& child : root->subviews())
        collectViews(child, name, out);
}

std::shared_ptr<UIView> controllerView(const std::shared_ptr<NSObject>& controller, const std::string& key)
{
    return controller ? std::dynamic_pointer_cast<UIView>(controller->valueForKey(key)) : nullptr;
}

std::shared_ptr<UILabel> messageLabel() { return std::dynamic_pointer_cast<UILabel>(controllerView(HostApp::lockController(), "label")); }

std::shared_ptr<UIButton> resetButton() { return std::dynamic_pointer_cast<UIButton>(controllerView(HostApp::lockController(), "resetBtn")); }

// The lock screen's gesture lock view, visible or not.
std::shared_ptr<UIView> gestureLockView() { return controllerView(HostApp::lockController(), "lockView"); }

json text(const std::shared_ptr<UILabel>& label)
{
    if (!label || !label->text())
        return nullptr;
    return *label->text();
}

json alphaOf(const std::shared_ptr<UIView>& view) { return view ? number(view->alpha()) : json(nullptr); }

json windowName(const std::shared_ptr<UIWindow>& window)
{
    if (!window)
        return nullptr;
    if (window == HostApp::lockWindow())
        return "lock";
    if (window == HostApp::hostWindow())
        return "host";
    return nullptr;
}

json frontWindow()
{
    // Windows of neither kind (none exist in the demo host today) do not hide the two that matter.
    for (const auto& window : UIWindow::windowsFrontToBack()) {
        if (!window->isVisible())
            continue;
        json name = windowName(window);
        if (!name.is_null())
            return name;
    }
    return nullptr;
}

std::int64_t integerValue(const std::shared_ptr<NSObject>& object)
{
    const auto n = std::dynamic_pointer_cast<NSNumber>(object);
    return n ? n->integerValue() : 0;
}

json stringValue(const std::shared_ptr<NSObject>& object)
{
    if (!object)
        return nullptr;
    if (const auto s = std::dynamic_pointer_cast<NSString>(object))
        return s->string();
    if (const auto n = std::dynamic_pointer_cast<NSNumber>(object))
        return n->kind() == NSNumber::Kind::Real ? json(n->doubleValue()) : json(n->integerValue());
    return object->description();
}

// The controller names its own mode; the player only reads it, as it reads the other fields.
json mode(const std::shared_ptr<NSObject>& controller)
{
    if (!controller)
        return nullptr;
    return stringValue(controller->valueForKey("mode"));
}

// Read straight from the file, as another process would see it, without touching the store.
json storedPasscode()
{
    // A FIFO in the file's place must not stop the player: only a regular file is read.
    const FileOps::FileRead file = FileOps::current().readRegularFile(NSUserDefaults::pathForDomain(NSUserDefaults::standardDomain()));
    if (!file.ok())
        return nullptr;
    const auto dictionary = std::dynamic_pointer_cast<NSDictionary>(NSPropertyListSerialization::propertyListWithData(file.bytes));
    return dictionary ? stringValue(dictionary->objectForKey("PASS_CODE")) : json(nullptr);
}

bool isShown(const UIView& view) { return !view.isHidden() && view.alpha() >= 0.01f; }

CGPoint toScreen(const UIView& view, CGPoint point)
{
    const auto window = view.window();
    if (!window)
        return point;
    return window->convertPointToScreen(view.convertPointToView(point, nullptr));
}

} // namespace

std::vector<CGPoint> HostState::nodeCentres()
{
    const auto lockView = gestureLockView();
    std::vector<CGPoint> centres;
    if (!lockView)
        return centres;
    if (const auto window = lockView->window())
        window->layoutIfNeeded();
    // The nodes are the lock view's buttons; each one's tag is its index.
    std::vector<std::shared_ptr<UIView>> nodes;
    collectViews(lockView, "UIButton", nodes);
    std::stable_sort(nodes.begin(), nodes.end(), [](const auto& a, const auto& b) { return a->tag() < b->tag(); });
    for (const auto& node : nodes) {
        const CGRect b = node->bounds();
        centres.push_back(toScreen(*node, CGPointMake(CGRectGetMidX(b), CGRectGetMidY(b))));
    }
    return centres;
}

bool HostState::resetButtonCentre(CGPoint& centre)
{
    const auto button = resetButton();
    if (!button)
        return false;
    if (const auto window = button->window())
        window->layoutIfNeeded();
    const CGRect b = button->bounds();
    centre = toScreen(*button, CGPointMake(CGRectGetMidX(b), CGRectGetMidY(b)));
    return true;
}

std::string HostState::format(const nlohmann::ordered_json& value)
{
    return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

nlohmann::ordered_json HostState::read()
{
    const auto controller = HostApp::lockController();
    const auto lockWindow = HostApp::lockWindow();
    const auto label = messageLabel();
    const auto button = resetButton();
    const auto lockView = gestureLockView();

    json state;
    state["time"] = seconds(Clock::current().monotonicNow());
    state["launched"] = UIApplication::sharedApplication()->isLaunched();
    state["label"] = text(label);
    state["resetTitle"] = button ? text(std::dynamic_pointer_cast<UILabel>(button->viewWithTag(1))) : json(nullptr);
    state["resetHidden"] = button ? json(button->isHidden()) : json(nullptr);
    state["resetAlpha"] = alphaOf(button);
    state["lockViewAlpha"] = alphaOf(lockView);
    state["lockWindowAlpha"] = alphaOf(lockWindow);
    state["keyWindow"] = windowName(UIWindow::keyWindow());
    state["frontWindow"] = frontWindow();
    state["failCount"] = controller ? json(integerValue(controller->valueForKey("failCount"))) : json(nullptr);
    state["mode"] = mode(controller);
    state["passcode"] = controller ? stringValue(controller->valueForKey("passcode")) : json(nullptr);
    state["stored"] = storedPasscode();
    if (label)
        state["labelOffset"] = json::array({ number(label->transform().tx), number(label->transform().ty) });
    else
        state["labelOffset"] = nullptr;

    // Only a gesture lock view that can be seen and touched offers its nodes.
    json nodes = json::array();
    const bool visible = lockWindow && lockView && isShown(*lockWindow) && isShown(*lockView)
        && frontWindow() == json("lock");
    if (visible)
        for (const CGPoint& p : nodeCentres())
            nodes.push_back(json::array({ number(p.x), number(p.y) }));
    state["nodes"] = nodes;
    return state;
}
