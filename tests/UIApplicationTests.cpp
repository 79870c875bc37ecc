#include "SettingsTestSupport.h"
#include "platform/foundation/NSNotification.h"
#include "platform/foundation/NSNotificationCenter.h"
#include "platform/foundation/NSString.h"
#include "platform/runtime/RuntimeThunks.h"
#include "platform/ui/UIApplication.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> events;

class RecordingDelegate : public NSObject {
public:
    GLYPHWARD_RUNTIME_CLASS_NAMED("ApplicationTestDelegate", NSObject);
    BOOL application(UIApplication* app, NSDictionary*)
    {
        events.push_back(app == UIApplication::sharedApplication().get() ? "launch" : "launch from a stranger");
        return answer;
    }
    void applicationDidEnterBackground(UIApplication*) { events.push_back("background"); }
    void applicationWillEnterForeground(UIApplication*) { events.push_back("foreground"); }
    bool answer = true;
};

class Observer : public NSObject {
public:
    GLYPHWARD_RUNTIME_CLASS_NAMED("ApplicationTestObserver", NSObject);
    void noticed(NSNotification* note) { events.push_back("notification " + note->name()); }
};

class HalfDelegate : public NSObject {
public:
    GLYPHWARD_RUNTIME_CLASS_NAMED("ApplicationTestHalfDelegate", NSObject);
};

const ClassRegistration delegateClass = ClassRegistration::of<RecordingDelegate>()
    .method("application:didFinishLaunchingWithOptions:", imp_implementationWithMember<&RecordingDelegate::application>())
    .method("applicationDidEnterBackground:", imp_implementationWithMember<&RecordingDelegate::applicationDidEnterBackground>())
    .method("applicationWillEnterForeground:", imp_implementationWithMember<&RecordingDelegate::applicationWillEnterForeground>());
const ClassRegistration observerClass = ClassRegistration::of<Observer>()
    .method("noticed:", imp_implementationWithMember<&Observer::noticed>());

IMP savedForeground = nullptr;
void foregroundHook(NSObject* self, SEL cmd, UIApplication* app)
{
    reinterpret_cast<void (*)(NSObject*, SEL, UIApplication*)>(savedForeground)(self, cmd, app);
    events.push_back("hooked foreground");
}

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override { events.clear(); }
};

} // namespace

TEST_F(ApplicationTest, LifeCycleGoesThroughTheRuntimeAndTheNotificationFollowsTheDelegate)
{
    auto app = UIApplication::sharedApplication();
    auto delegate = std::make_shared<RecordingDelegate>();
    auto observer = std::make_shared<Observer>();
    NSNotificationCenter::defaultCenter().addObserver(observer, sel("noticed:"), "UIApplicationDidEnterBackgroundNotification", nullptr);
    app->setDelegate(delegate);
    EXPECT_EQ(app->delegate(), delegate);
    EXPECT_EQ(objc_msgSend<NSObject*>(app.get(), sel("delegate")), delegate.get());

    EXPECT_FALSE(app->isLaunched());
    EXPECT_TRUE(app->finishLaunching());
    EXPECT_TRUE(app->isLaunched());
    app->enterBackground();
    EXPECT_EQ(app->applicationState(), UIApplicationState::Background);
    // A hook on the delegate's class sees the message, with the application as argument.
    MSHookMessageEx(objc_getClass("ApplicationTestDelegate"), sel("applicationWillEnterForeground:"),
        reinterpret_cast<IMP>(&foregroundHook), &savedForeground);
    ASSERT_NE(savedForeground, nullptr);
    app->enterForeground();
    EXPECT_EQ(app->applicationState(), UIApplicationState::Active);

    EXPECT_EQ(events, (std::vector<std::string> { "launch", "background", "notification UIApplicationDidEnterBackgroundNotification",
                          "foreground", "hooked foreground" }));

    // The delegate's answer to launching is the application's.
    delegate->answer = false;
    EXPECT_FALSE(app->finishLaunching());
}

TEST_F(ApplicationTest, ADelegateThatAnswersNothingOrNoDelegateIsHarmless)
{
    auto app = UIApplication::sharedApplication();
    auto observer = std::make_shared<Observer>();
    NSNotificationCenter::defaultCenter().addObserver(observer, sel("noticed:"), "UIApplicationDidEnterBackgroundNotification", nullptr);

    EXPECT_FALSE(app->finishLaunching());
    app->enterBackground();
    app->setDelegate(std::make_shared<HalfDelegate>());
    EXPECT_FALSE(app->finishLaunching());
    app->enterBackground();
    app->enterForeground();
    // The notification goes out whether or not anyone handled the message.
    EXPECT_EQ(events, (std::vector<std::string> { "notification UIApplicationDidEnterBackgroundNotification",
                          "notification UIApplicationDidEnterBackgroundNotification" }));
}

TEST_F(ApplicationTest, GoingToTheBackgroundWritesWhatAFailedSynchronizeLeftPending)
{
    settings_test::TempRoot root;
    auto store = NSUserDefaults::standardUserDefaults();
    store->setObject(NSString::stringWithString("0,1,2"), "PASS_CODE");
    // The rename of the new file fails, as on a full disk: nothing reaches the disk yet.
    struct RenameFails : FileOps {
        int rename(const std::string&, const std::string&) override { errno = ENOSPC; return -1; }
    };
    FileOps::setCurrent(std::make_shared<RenameFails>());
    EXPECT_FALSE(store->synchronize());
    EXPECT_EQ(settings_test::freshStore("org.glyphward.host")->objectForKey("PASS_CODE"), nullptr);

    FileOps::setCurrent(nullptr);
    UIApplication::sharedApplication()->enterBackground();
    auto stored = std::dynamic_pointer_cast<NSString>(settings_test::freshStore("org.glyphward.host")->objectForKey("PASS_CODE"));
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->string(), "0,1,2");
}
