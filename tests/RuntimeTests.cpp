#include "platform/runtime/NSObject.h"
#include "platform/runtime/RuntimeThunks.h"

#include <gtest/gtest.h>

namespace {

class Greeter : public NSObject {
public:
    const char* className() const override { return "RuntimeTestGreeter"; }
    int greet(int times) { return calls += times; }
    void poke() { ++pokes; }
    int calls = 0;
    int pokes = 0;
};

class LoudGreeter : public Greeter {
public:
    const char* className() const override { return "RuntimeTestLoudGreeter"; }
};

// Registered subclass first: the runtime links superclasses by name, not by order.
const ClassRegistration loud("RuntimeTestLoudGreeter", "RuntimeTestGreeter");
const ClassRegistration greeter = ClassRegistration("RuntimeTestGreeter", "NSObject")
                                      .method("greet:", imp_implementationWithMember<&Greeter::greet>())
                                      .method("poke", imp_implementationWithMember<&Greeter::poke>());

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
