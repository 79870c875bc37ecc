#include "platform/foundation/NSNotificationCenter.h"
#include "platform/runtime/RuntimeThunks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> deliveries;

class Listener : public NSObject {
public:
    GLYPHWARD_RUNTIME_CLASS_NAMED("NotificationTestListener", NSObject);
    void noted(NSObject* argument)
    {
        auto* note = dynamic_cast<NSNotification*>(argument);
        deliveries.push_back(label + ":" + (note ? note->name() : std::string("?")));
        lastObject = note ? note->object() : nullptr;
        if (removeWhenCalled)
            NSNotificationCenter::defaultCenter().removeObserver(removeWhenCalled);
    }
    void bare() { deliveries.push_back(label + ":bare"); }
    std::string label;
    NSObject* lastObject = nullptr;
    const NSObject* removeWhenCalled = nullptr;
};

const ClassRegistration listener = ClassRegistration::of<Listener>()
                                       .method("noted:", imp_implementationWithMember<&Listener::noted>())
                                       .method("bare", imp_implementationWithMember<&Listener::bare>());

std::shared_ptr<Listener> makeListener(const std::string& label)
{
    auto l = std::make_shared<Listener>();
    l->label = label;
    return l;
}

class NotificationTests : public ::testing::Test {
protected:
    void SetUp() override { deliveries.clear(); }
    NSNotificationCenter& center = NSNotificationCenter::defaultCenter();
};

} // namespace

TEST_F(NotificationTests, DeliveryFollowsRegistrationOrderAndRespectsNameAndSenderFilters)
{
    auto sender = std::make_shared<NSObject>();
    auto stranger = std::make_shared<NSObject>();
    auto first = makeListener("first");
    auto onlySender = makeListener("onlySender");
    auto other = makeListener("other");
    auto bare = makeListener("noArgument");
    center.addObserver(first, sel("noted:"), "Background", nullptr);
    center.addObserver(onlySender, sel("noted:"), "Background", sender.get());
    center.addObserver(other, sel("noted:"), "Foreground", nullptr);
    center.addObserver(bare, sel("bare"), "Background", nullptr);

    center.postNotificationName("Background", stranger.get());
    EXPECT_EQ(deliveries, (std::vector<std::string> { "first:Background", "noArgument:bare" }));
    EXPECT_EQ(first->lastObject, stranger.get());

    deliveries.clear();
    center.postNotificationName("Background", sender.get());
    EXPECT_EQ(deliveries, (std::vector<std::string> { "first:Background", "onlySender:Background", "noArgument:bare" }));
    EXPECT_EQ(onlySender->lastObject, sender.get());

    deliveries.clear();
    center.postNotificationName("Background", nullptr);
    center.postNotificationName("Unheard", sender.get());
    EXPECT_EQ(deliveries, (std::vector<std::string> { "first:Background", "noArgument:bare" }));
}

TEST_F(NotificationTests, ObserversThatWentAwayOrWereRemovedAreNotCalled)
{
    auto staying = makeListener("staying");
    auto leaving = makeListener("leaving");
    center.addObserver(leaving, sel("noted:"), "N", nullptr);
    center.addObserver(staying, sel("noted:"), "N", nullptr);
    EXPECT_EQ(center.observerCount(), 2u);
    leaving.reset();
    center.postNotificationName("N", nullptr);
    EXPECT_EQ(deliveries, (std::vector<std::string> { "staying:N" }));
    EXPECT_EQ(center.observerCount(), 1u);

    // An observer removed by an earlier one during the same post is not called either.
    auto remover = makeListener("remover");
    auto victim = makeListener("victim");
    remover->removeWhenCalled = victim.get();
    center.addObserver(remover, sel("noted:"), "M", nullptr);
    center.addObserver(victim, sel("noted:"), "M", nullptr);
    deliveries.clear();
    center.postNotificationName("M", nullptr);
    EXPECT_EQ(deliveries, (std::vector<std::string> { "remover:M" }));

    center.removeObserver(staying.get(), "N", nullptr);
    deliveries.clear();
    center.postNotificationName("N", nullptr);
    EXPECT_TRUE(deliveries.empty());
}
