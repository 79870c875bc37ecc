// The toolkit as its owner sees it: the accessors answer the toolkit in force, a toolkit built
// inside another stands in for it and gives it back, and one that goes takes what its users left
// with it, in an order where nothing reaches what is already gone.
#include "gesture/TQGestureLockView.h"
#include "platform/compositor/Renderer.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/DeviceRoot.h"
#include "platform/foundation/FileOps.h"
#include "platform/foundation/FoundationState.h"
#include "platform/foundation/NSLog.h"
#include "platform/foundation/NSNotificationCenter.h"
#include "platform/foundation/NSRunLoop.h"
#include "platform/foundation/NSUserDefaults.h"
#include "platform/graphics/UIColor.h"
#include "platform/runtime/RuntimeThunks.h"
#include "platform/toolkit/Toolkit.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UIView.h"
#include "platform/ui/UIWindow.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Notes, as it goes, whether the toolkit it was made in could still be reached.
class LastWords : public NSObject {
public:
    GLYPHWARD_RUNTIME_CLASS_NAMED("ToolkitTestLastWords", NSObject);
    explicit LastWords(std::vector<std::string>& said) : said_(said) { }
    ~LastWords() override
    {
        // Each of these aborts when its layer is gone.
        NSRunLoop::mainRunLoop().hasPendingWork();
        UIWindow::windowsFrontToBack();
        Renderer::shared().hasNotedDamage();
        said_.push_back("gone");
    }
    void noted(NSObject*) { said_.push_back("noted"); }

private:
    std::vector<std::string>& said_;
};
const ClassRegistration lastWordsClass
    = ClassRegistration::of<LastWords>().method("noted:", imp_implementationWithMember<&LastWords::noted>());

class CountingFileOps : public FileOps {
public:
    int stat(const std::string& path, struct stat* info) override
    {
        ++stats;
        return FileOps::stat(path, info);
    }
    int stats = 0;
};

} // namespace

TEST(Toolkit, AnInnerToolkitStandsInForTheOuterAndGivesItBack)
{
    auto clock = std::make_shared<VirtualClock>(1'000.0);
    Clock::setCurrent(clock);
    DeviceRoot::setPath("/outer/root");
    UIScreen::setMainScreen(std::make_shared<UIScreen>(CGSize { 320, 568 }, 2.0f));
    auto window = std::make_shared<UIWindow>();
    window->makeKeyAndVisible();
    bool outerFired = false;
    NSRunLoop::mainRunLoop().schedule(0, [&] { outerFired = true; });
    const auto outerApplication = UIApplication::sharedApplication();
    const auto outerDefaults = NSUserDefaults::standardUserDefaults();
    {
        auto innerClock = std::make_shared<VirtualClock>(5'000.0);
        auto files = std::make_shared<CountingFileOps>();
        Toolkit inner({ .clock = innerClock, .fileOps = files });
        EXPECT_EQ(Clock::current().wallNow(), 5'000.0);
        EXPECT_EQ(&FileOps::current(), files.get());
        EXPECT_NE(DeviceRoot::path(), "/outer/root") << "a device root set by hand belongs to its toolkit";
        EXPECT_EQ(UIScreen::mainScreen(), nullptr);
        EXPECT_TRUE(UIWindow::windowsFrontToBack().empty());
        EXPECT_EQ(UIWindow::keyWindow(), nullptr);
        EXPECT_FALSE(NSRunLoop::mainRunLoop().hasPendingWork());
        EXPECT_NE(UIApplication::sharedApplication(), outerApplication);
        EXPECT_NE(NSUserDefaults::standardUserDefaults(), outerDefaults);
        EXPECT_EQ(&Toolkit::current(), &inner);
        NSRunLoop::mainRunLoop().runDue();
    }
    EXPECT_FALSE(outerFired) << "the inner toolkit ran none of the outer's work";
    EXPECT_EQ(Clock::current().wallNow(), 1'000.0);
    EXPECT_EQ(DeviceRoot::path(), "/outer/root");
    EXPECT_EQ(UIWindow::keyWindow(), window);
    EXPECT_EQ(UIApplication::sharedApplication(), outerApplication);
    EXPECT_EQ(NSUserDefaults::standardUserDefaults(), outerDefaults);
    NSRunLoop::mainRunLoop().runDue();
    EXPECT_TRUE(outerFired);
}

TEST(Toolkit, GoingTakesWhatItsUsersLeftWhileEveryLayerStands)
{
    std::vector<std::string> said;
    std::weak_ptr<UIWindow> watchedWindow;
    std::weak_ptr<LastWords> watchedWork, watchedObserver, watchedDelegate;
    {
        Toolkit toolkit;
        // A window shown and dropped by its maker, work never run, an observer never told, a delegate
        // the application keeps: each holds something that speaks to the toolkit as it goes.
        auto window = std::make_shared<UIWindow>();
        window->makeKeyAndVisible();
        watchedWindow = window;
        auto inWork = std::make_shared<LastWords>(said);
        watchedWork = inWork;
        NSRunLoop::mainRunLoop().schedule(60, [inWork] { inWork->noted(nullptr); });
        auto observer = std::make_shared<LastWords>(said);
        watchedObserver = observer;
        NSNotificationCenter::defaultCenter().addObserver(observer, sel("noted:"), "ToolkitTestNote", nullptr);
        auto delegate = std::make_shared<LastWords>(said);
        watchedDelegate = delegate;
        UIApplication::sharedApplication()->setDelegate(delegate);
        NSRunLoop::mainRunLoop().schedule(0, [window = std::move(window), keep = std::move(observer)] { });
        inWork.reset();
        delegate.reset();
    }
    EXPECT_TRUE(watchedWindow.expired());
    EXPECT_TRUE(watchedWork.expired());
    EXPECT_TRUE(watchedObserver.expired());
    EXPECT_TRUE(watchedDelegate.expired());
    EXPECT_EQ(said, std::vector<std::string>(3, "gone")) << "no work ran, no observer was told";
}

TEST(Toolkit, AFrameIsDueWhileAViewNotedAChangeOrAnAnimationRuns)
{
    UIScreen::setMainScreen(std::make_shared<UIScreen>(CGSize { 100, 100 }, 1.0f));
    auto clock = std::make_shared<VirtualClock>();
    Clock::setCurrent(clock);
    auto window = std::make_shared<UIWindow>();
    window->initWithFrame(CGRectMake(0, 0, 100, 100));
    auto view = std::make_shared<UIView>();
    view->initWithFrame(CGRectMake(10, 10, 20, 20));
    window->addSubview(view);
    window->makeKeyAndVisible();
    EXPECT_TRUE(Toolkit::current().frameDue()) << "the first frame has everything to show";
    Renderer::shared().renderScreen();
    EXPECT_FALSE(Toolkit::current().frameDue());

    view->setBackgroundColor(UIColor::redColor());
    EXPECT_TRUE(Toolkit::current().frameDue());
    Renderer::shared().renderScreen();
    EXPECT_FALSE(Toolkit::current().frameDue());

    UIView::animateWithDuration(1.0, [&] { view->setAlpha(0.5f); });
    Renderer::shared().renderScreen();
    EXPECT_TRUE(Toolkit::current().frameDue()) << "an animation in flight needs the next frame";
    NSRunLoop::mainRunLoop().runUntil(2.0);
    Renderer::shared().renderScreen();
    EXPECT_FALSE(Toolkit::current().frameDue());
}

TEST(Toolkit, DrawnImagesAreSharedWithinAToolkitAndNotAcrossToolkits)
{
    const auto red = UIColor::redColor();
    const auto first = TQGestureLockView::imageWithColor(red, CGSizeMake(4, 4));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(TQGestureLockView::imageWithColor(red, CGSizeMake(4, 4)), first);
    EXPECT_NE(TQGestureLockView::imageWithColor(red, CGSizeMake(4, 5)), first);
    EXPECT_NE(TQGestureLockView::imageWithColor(UIColor::blueColor(), CGSizeMake(4, 4)), first);
    {
        Toolkit other;
        EXPECT_NE(TQGestureLockView::imageWithColor(red, CGSizeMake(4, 4)), first);
    }
    EXPECT_EQ(TQGestureLockView::imageWithColor(red, CGSizeMake(4, 4)), first);
}

TEST(ToolkitDeathTest, AnAccessorWithNoToolkitAliveSaysSoAndAborts)
{
    EXPECT_DEATH(
        {
            FoundationState::makeCurrent(nullptr);
            NSRunLoop::mainRunLoop();
        },
        "used with no Toolkit alive");
    EXPECT_DEATH(
        {
            FoundationState::makeCurrent(nullptr);
            NSUserDefaults::standardUserDefaults();
        },
        "used with no Toolkit alive");
}

TEST(ToolkitDeathTest, NSLogWithNoToolkitAliveStillReachesStderr)
{
    EXPECT_EXIT(
        {
            FoundationState::makeCurrent(nullptr);
            NSLog("said with %s toolkit", "no");
            std::fflush(stderr);
            _exit(0);
        },
        ::testing::ExitedWithCode(0), "said with no toolkit");
}
