#include "gesture/TQGestureLockView.h"
#include "lockscreen/TQViewController.h"
#include "platform/foundation/NSUserDefaults.h"
#include "platform/graphics/UIImage.h"
#include "platform/runtime/NSObject.h"
#include "platform/runtime/RuntimeThunks.h"
#include "platform/ui/UIApplication.h"
#include "platform/ui/UIButton.h"
#include "platform/ui/UIKeyboardImpl.h"
#include "platform/ui/UITextField.h"
#include "platform/ui/UIWindow.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

class Greeter : public NSObject {
public:
    GLYPHWARD_RUNTIME_CLASS_NAMED("RuntimeTestGreeter", NSObject);
    int greet(int times) { return calls += times; }
    void poke() { ++pokes; }
    int calls = 0;
    int pokes = 0;
};

class LoudGreeter : public Greeter {
public:
    GLYPHWARD_RUNTIME_CLASS_NAMED("RuntimeTestLoudGreeter", Greeter);
};

const ClassRegistration greeter = ClassRegistration::of<Greeter>()
                                      .method("greet:", imp_implementationWithMember<&Greeter::greet>())
                                      .method("poke", imp_implementationWithMember<&Greeter::poke>());

// A C++ subclass that does not declare itself is its base to the runtime.
class QuietGreeter : public Greeter {
public:
    int greet(int) { return -1; }
};

static_assert(DeclaresRuntimeClass<Greeter> && DeclaresRuntimeClass<LoudGreeter>);
// Neither the undeclared subclass nor one that answers a className() of its own without the
// declaration can register methods (ClassRegistration::of does not compile for them): the
// second would otherwise register its base's name.
static_assert(!DeclaresRuntimeClass<QuietGreeter>);
class HandNamed : public Greeter {
public:
    const char* className() const override { return "RuntimeTestHandNamed"; }
};
static_assert(!DeclaresRuntimeClass<HandNamed> && AnswersOwnClassName<HandNamed>);

// The superclass chain of a registered class, by name, from the class itself up.
std::vector<std::string> chainOf(const char* name)
{
    std::vector<std::string> chain;
    for (Class c = objc_getClass(name); c; c = class_getSuperclass(c))
        chain.push_back(class_getName(c));
    return chain;
}

IMP savedGreet = nullptr;
int hookedGreet(NSObject* self, SEL cmd, int times)
{
    int result = reinterpret_cast<int (*)(NSObject*, SEL, int)>(savedGreet)(self, cmd, times);
    return result * 100;
}

} // namespace

TEST(Runtime, SendsLookUpTheImplementationAtEachCallAndHooksHandBackThePrevious)
{
    auto g = std::make_shared<Greeter>();
    EXPECT_EQ(objc_msgSend<int>(g.get(), sel("greet:"), 2), 2);
    EXPECT_TRUE(g->respondsToSelector(sel("poke")));
    EXPECT_FALSE(g->respondsToSelector(sel("nothing")));

    auto l = std::make_shared<LoudGreeter>();
    MSHookMessageEx(objc_getClass("RuntimeTestLoudGreeter"), sel("greet:"), reinterpret_cast<IMP>(&hookedGreet), &savedGreet);
    ASSERT_NE(savedGreet, nullptr);
    EXPECT_EQ(objc_msgSend<int>(l.get(), sel("greet:"), 3), 300);
    // The hook sits on the subclass alone; the superclass keeps its own implementation.
    EXPECT_EQ(objc_msgSend<int>(g.get(), sel("greet:"), 1), 3);
}

TEST(Runtime, NothingIsInstalledWithoutAClassOrMethodAndNilMessagesDoNothing)
{
    IMP slot = reinterpret_cast<IMP>(&hookedGreet);
    MSHookMessageEx(objc_getClass("NoSuchClass"), sel("greet:"), reinterpret_cast<IMP>(&hookedGreet), &slot);
    EXPECT_EQ(slot, nullptr);
    slot = reinterpret_cast<IMP>(&hookedGreet);
    MSHookMessageEx(objc_getClass("RuntimeTestGreeter"), sel("missing:"), reinterpret_cast<IMP>(&hookedGreet), &slot);
    EXPECT_EQ(slot, nullptr);
    EXPECT_EQ(objc_msgSend<int>(nullptr, sel("greet:"), 1), 0);

    auto g = std::make_shared<Greeter>();
    objc_sendAction(g.get(), sel("poke"), g.get());
    EXPECT_EQ(g->pokes, 1);

    // Registrations that would loop the superclass walk, or have no name, give no loop and no class.
    EXPECT_EQ(objc_registerClass(nullptr, "NSObject"), nullptr);
    Class self = objc_registerClass("RuntimeTestSelfParent", "RuntimeTestSelfParent");
    EXPECT_EQ(class_getSuperclass(self), nullptr);
    objc_registerClass("RuntimeTestCycleB", "RuntimeTestCycleA");
    Class a = objc_registerClass("RuntimeTestCycleA", "RuntimeTestCycleB");
    EXPECT_EQ(class_getSuperclass(a), nullptr);
    EXPECT_FALSE(class_respondsToSelector(a, sel("missing:")));
    EXPECT_FALSE(class_respondsToSelector(objc_getClass("RuntimeTestCycleB"), sel("missing:")));
}

TEST(Runtime, ARestoredSnapshotUndoesLaterClassesAndHooksAndKeptClassesStayUsable)
{
    const auto snapshot = objc_snapshotClasses();
    Class greeterClass = objc_getClass("RuntimeTestGreeter");
    IMP original = class_getMethodImplementation(greeterClass, sel("greet:"));
    IMP saved = nullptr;
    MSHookMessageEx(greeterClass, sel("greet:"), reinterpret_cast<IMP>(&hookedGreet), &saved);
    Class later = objc_registerClass("RuntimeTestLater", "RuntimeTestGreeter");
    ASSERT_TRUE(class_addMethod(later, sel("wave"), original));

    objc_restoreClasses(*snapshot);
    EXPECT_EQ(class_getMethodImplementation(greeterClass, sel("greet:")), original);
    EXPECT_EQ(objc_getClass("RuntimeTestLater"), nullptr);
    EXPECT_EQ(class_getSuperclass(later), nullptr);
    EXPECT_FALSE(class_respondsToSelector(later, sel("wave")));
    // The name can be registered again, and the kept Class is that class.
    EXPECT_EQ(objc_registerClass("RuntimeTestLater", "RuntimeTestGreeter"), later);
    EXPECT_EQ(class_getSuperclass(later), greeterClass);
}

TEST(Runtime, ADeclaredClassIsRegisteredAtLoadUnderItsSuperclassAndAnUndeclaredOneIsItsBase)
{
    EXPECT_EQ(chainOf("RuntimeTestLoudGreeter"), (std::vector<std::string> { "RuntimeTestLoudGreeter", "RuntimeTestGreeter", "NSObject" }));
    auto quiet = std::make_shared<QuietGreeter>();
    EXPECT_STREQ(quiet->className(), "RuntimeTestGreeter");
    // The message finds the base's method, which runs the base's member.
    EXPECT_EQ(objc_msgSend<int>(quiet.get(), sel("greet:"), 2), 2);
}

// The runtime names are the toolkit's and the lock's public face (hooks and scenarios look classes
// up by them): a C++ rename must not change them, nor a base change their superclasses.
TEST(Runtime, TheToolkitsAndTheLocksClassesKeepTheirNamesAndSuperclasses)
{
    const std::vector<std::pair<const char*, std::vector<std::string>>> classes {
        { UIApplication::runtimeName, { "UIApplication", "UIResponder", "NSObject" } },
        { UIWindow::runtimeName, { "UIWindow", "UIView", "UIResponder", "NSObject" } },
        { UIButton::runtimeName, { "UIButton", "UIControl", "UIView", "UIResponder", "NSObject" } },
        { UITextField::runtimeName, { "UITextField", "UIControl", "UIView", "UIResponder", "NSObject" } },
        { UIKeyboardImpl::runtimeName, { "UIKeyboardImpl", "UIView", "UIResponder", "NSObject" } },
        { UIImage::runtimeName, { "UIImage", "NSObject" } },
        { NSUserDefaults::runtimeName, { "NSUserDefaults", "NSObject" } },
        { TQGestureLockView::runtimeName, { "TQGestureLockView", "UIView", "UIResponder", "NSObject" } },
        { TQViewController::runtimeName, { "TQViewController", "UIViewController", "UIResponder", "NSObject" } },
    };
    for (const auto& [name, chain] : classes)
        EXPECT_EQ(chainOf(name), chain) << name;
}
