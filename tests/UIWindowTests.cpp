#include "platform/foundation/Clock.h"
#include "platform/foundation/NSRunLoop.h"
#include "platform/runtime/RuntimeThunks.h"
#include "platform/ui/UIKeyboardImpl.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UITextField.h"
#include "platform/ui/UITouch.h"
#include "platform/ui/UITouchInjector.h"
#include "platform/ui/UIViewController.h"
#include "platform/ui/UIWindow.h"

#include <gtest/gtest.h>

#include <cmath>

#include <string>
#include <vector>

namespace {

class RecordingController : public UIViewController {
public:
    void loadView() override
    {
        events.push_back("loadView");
        UIViewController::loadView();
    }
    void viewDidLoad() override { events.push_back("viewDidLoad"); }
    void viewWillAppear(bool animated) override { events.push_back(animated ? "willAppear:YES" : "willAppear:NO"); }
    void viewDidAppear(bool animated) override { events.push_back(animated ? "didAppear:YES" : "didAppear:NO"); }
    std::vector<std::string> events;
};

// Records each touch phase with the location in its own coordinates.
class TouchRecorder : public UIView {
public:
    void touchesBegan(const UITouchSet& t, UIEvent*) override { note("began", t); }
    void touchesMoved(const UITouchSet& t, UIEvent*) override { note("moved", t); }
    void touchesEnded(const UITouchSet& t, UIEvent*) override { note("ended", t); }
    void touchesCancelled(const UITouchSet& t, UIEvent*) override { note("cancelled", t); }
    std::vector<std::string> events;

private:
    void note(const char* phase, const UITouchSet& touches)
    {
        CGPoint p = touches.anyObject()->locationInView(this);
        events.push_back(std::string(phase) + " " + std::to_string(static_cast<int>(p.x)) + "," + std::to_string(static_cast<int>(p.y)));
    }
};

template <class T = UIView> std::shared_ptr<T> makeView(CGRect frame)
{
    auto view = std::make_shared<T>();
    view->initWithFrame(frame);
    return view;
}

class UIWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        clock = std::make_shared<VirtualClock>(1'800'000'000.0);
        Clock::setCurrent(clock);
        UIScreen::setMainScreen(std::make_shared<UIScreen>(CGSize { 320, 568 }, 2.0f));
    }
    std::shared_ptr<VirtualClock> clock;
};

} // namespace

TEST_F(UIWindowTest, ScreenAndDefaultControllerView)
{
    auto screen = UIScreen::mainScreen();
    EXPECT_EQ(screen->bounds(), CGRectMake(0, 0, 320, 568));
    EXPECT_EQ(screen->applicationFrame(), CGRectMake(0, 20, 320, 548));
    EXPECT_EQ(UIScreen(CGSize { 320, 480 }, 1.0f).applicationFrame().size.height, 460);
    // Pixels are points times the scale, so the scale must be a positive number.
    EXPECT_EQ(UIScreen(CGSize { 320, 480 }, 0.0f).scale(), 1.0f);
    EXPECT_EQ(UIScreen(CGSize { 320, 480 }, NAN).scale(), 1.0f);
    EXPECT_EQ(UIScreen(CGSize { 320, 480 }, 3.0f).scale(), 3.0f);

    auto controller = std::make_shared<RecordingController>();
    controller->initWithNibName(std::nullopt, nullptr);
    EXPECT_FALSE(controller->isViewLoaded());
    auto view = controller->view();
    EXPECT_EQ(controller->view(), view);
    EXPECT_EQ(view->frame(), screen->bounds());
    EXPECT_EQ(controller->events, (std::vector<std::string> { "loadView", "viewDidLoad" })) << "loaded exactly once";

    UIScreen::setMainScreen(nullptr);
    auto bare = std::make_shared<UIViewController>();
    EXPECT_EQ(bare->view()->frame(), CGRectZero);
}

TEST_F(UIWindowTest, KeyAndVisibleOrdersTheListAndAppearsOnlyWhenFirstShown)
{
    auto host = makeView<UIWindow>({ { 0, 0 }, { 320, 568 } });
    auto lock = makeView<UIWindow>({ { 0, 0 }, { 320, 568 } });
    auto controller = std::make_shared<RecordingController>();
    lock->setRootViewController(controller);
    ASSERT_EQ(lock->subviews().size(), 1u);
    EXPECT_EQ(lock->subviews()[0], controller->view());
    EXPECT_EQ(controller->view()->frame(), lock->bounds());
    EXPECT_EQ(controller->events, (std::vector<std::string> { "loadView", "viewDidLoad" }));
    EXPECT_EQ(UIWindow::keyWindow(), nullptr);
    EXPECT_TRUE(UIWindow::windowsFrontToBack().empty()) << "made but not shown";

    host->makeKeyAndVisible();
    lock->makeKeyAndVisible();
    EXPECT_EQ(UIWindow::windowsFrontToBack(), (std::vector<std::shared_ptr<UIWindow>> { lock, host }));
    EXPECT_TRUE(lock->isKeyWindow());
    EXPECT_FALSE(host->isKeyWindow());
    EXPECT_EQ(controller->events.size(), 4u);
    EXPECT_EQ(controller->events[2], "willAppear:NO");
    EXPECT_EQ(controller->events[3], "didAppear:NO");

    // Unlock: fade, resign, hand back to the host.
    lock->setAlpha(0);
    lock->resignKeyWindow();
    EXPECT_EQ(UIWindow::keyWindow(), nullptr);
    host->makeKeyAndVisible();
    EXPECT_EQ(UIWindow::keyWindow(), host);
    EXPECT_EQ(UIWindow::windowsFrontToBack().front(), host);

    host->resignKeyWindow();
    lock->resignKeyWindow();
    EXPECT_EQ(UIWindow::keyWindow(), nullptr) << "resigning a window that is not key changes nothing";

    lock->makeKeyWindow();
    EXPECT_EQ(UIWindow::windowsFrontToBack().front(), host) << "key without reordering";
    lock->makeKeyAndVisible();
    EXPECT_EQ(UIWindow::windowsFrontToBack().front(), lock);
    EXPECT_EQ(controller->events.size(), 4u) << "a window already shown does not appear again";
}

TEST_F(UIWindowTest, DelayedMakeKeyAndVisibleGoesThroughTheRuntime)
{
    auto host = makeView<UIWindow>({ { 0, 0 }, { 320, 568 } });
    auto lock = makeView<UIWindow>({ { 0, 0 }, { 320, 568 } });
    host->makeKeyAndVisible();
    lock->makeKeyAndVisible();
    host->performSelector(sel("makeKeyAndVisible"), nullptr, 1.5);
    NSRunLoop::mainRunLoop().runUntil(1.4);
    EXPECT_EQ(UIWindow::keyWindow(), lock);
    NSRunLoop::mainRunLoop().runUntil(1.5);
    EXPECT_EQ(UIWindow::keyWindow(), host);
    EXPECT_EQ(UIWindow::windowsFrontToBack().front(), host);
}

TEST_F(UIWindowTest, TouchStaysWithTheViewThatTookTheDown)
{
    auto window = makeView<UIWindow>({ { 0, 0 }, { 320, 568 } });
    auto plain = makeView({ { 0, 0 }, { 320, 568 } });
    auto target = makeView<TouchRecorder>({ { 100, 200 }, { 50, 50 } });
    auto above = makeView<TouchRecorder>({ { 0, 0 }, { 320, 100 } });
    window->addSubview(plain);
    plain->addSubview(target);
    window->addSubview(above);
    window->makeKeyAndVisible();
    auto& finger = UITouchInjector::shared();

    EXPECT_TRUE(finger.down({ 110, 210 }));
    EXPECT_TRUE(finger.isTouching());
    EXPECT_FALSE(finger.down({ 10, 10 })) << "the one touch is the injector's to give";
    target->setHidden(true);
    finger.move({ 10, 10 });
    target->setFrame({ { 0, 0 }, { 50, 50 } });
    finger.move({ 20, 30 });
    finger.up();
    EXPECT_EQ(target->events, (std::vector<std::string> { "began 10,10", "moved -90,-190", "moved 20,30", "ended 20,30" }));
    EXPECT_TRUE(above->events.empty()) << "a second down during a touch is ignored";
    EXPECT_FALSE(finger.isTouching());

    // A touch on a view with no handlers of its own travels up to its superview.
    target->setHidden(false);
    auto leaf = makeView({ { 0, 0 }, { 10, 10 } });
    above->addSubview(leaf);
    finger.down({ 5, 5 });
    finger.cancel();
    EXPECT_EQ(above->events, (std::vector<std::string> { "began 5,5", "cancelled 5,5" }));
}

TEST_F(UIWindowTest, OnlyTheKeyWindowTakesNewTouches)
{
    auto front = makeView<UIWindow>({ { 0, 0 }, { 320, 568 } });
    auto back = makeView<UIWindow>({ { 0, 0 }, { 320, 568 } });
    auto inFront = makeView<TouchRecorder>({ { 0, 0 }, { 320, 568 } });
    auto inBack = makeView<TouchRecorder>({ { 0, 0 }, { 320, 568 } });
    front->addSubview(inFront);
    back->addSubview(inBack);
    back->makeKeyAndVisible();
    front->makeKeyAndVisible();
    back->makeKeyWindow();
    auto& finger = UITouchInjector::shared();

    finger.down({ 1, 1 });
    front->makeKeyWindow();
    finger.up();
    EXPECT_TRUE(inFront->events.empty()) << "the window in front is not key";
    EXPECT_EQ(inBack->events.size(), 2u) << "a touch finishes where it began";
    EXPECT_FALSE(back->sendTouch(UITouchPhase::Began, { 1, 1 }));

    front->resignKeyWindow();
    EXPECT_FALSE(finger.down({ 1, 1 }));
    finger.up();
    EXPECT_TRUE(inFront->events.empty()) << "no key window, no touches";

    // A window off the screen's origin sees screen points in its own coordinates.
    auto offset = makeView<UIWindow>({ { 0, 20 }, { 320, 548 } });
    auto recorder = makeView<TouchRecorder>({ { 0, 0 }, { 320, 548 } });
    offset->addSubview(recorder);
    offset->makeKeyAndVisible();
    finger.down({ 30, 50 });
    finger.up();
    EXPECT_EQ(recorder->events.front(), "began 30,30");
}

TEST_F(UIWindowTest, TextFieldBringsUpAndPutsAwayTheKeyboard)
{
    auto window = makeView<UIWindow>({ { 0, 0 }, { 320, 568 } });
    auto field = makeView<UITextField>({ { 10, 100 }, { 300, 30 } });
    window->addSubview(field);
    window->makeKeyAndVisible();
    EXPECT_EQ(UIKeyboardImpl::activeInstance(), nullptr);

    UITouchInjector::shared().down({ 20, 110 });
    UITouchInjector::shared().up();
    auto keyboard = UIKeyboardImpl::activeInstance();
    ASSERT_NE(keyboard, nullptr);
    EXPECT_TRUE(field->isFirstResponder());
    EXPECT_EQ(keyboard->superview(), window);
    EXPECT_EQ(keyboard->frame(), CGRectMake(0, 568 - 216, 320, 216));
    EXPECT_TRUE(field->becomeFirstResponder());
    EXPECT_EQ(UIKeyboardImpl::activeInstance(), keyboard) << "one keyboard per responder";

    // Put away through the runtime, as the lock does it: dismiss, then hide.
    objc_msgSend<void>(keyboard.get(), sel("dismissKeyboard"));
    objc_msgSend<void>(keyboard.get(), sel("hideKeyboard"));
    EXPECT_EQ(UIKeyboardImpl::activeInstance(), nullptr);
    EXPECT_FALSE(field->isFirstResponder());
    EXPECT_EQ(keyboard->superview(), nullptr);

    field->becomeFirstResponder();
    field->resignFirstResponder();
    EXPECT_EQ(UIKeyboardImpl::activeInstance(), nullptr);
}
