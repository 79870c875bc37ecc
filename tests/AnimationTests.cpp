#include "platform/foundation/Clock.h"
#include "platform/foundation/NSNumber.h"
#include "platform/foundation/NSRunLoop.h"
#include "platform/foundation/NSString.h"
#include "platform/foundation/NSTimer.h"
#include "platform/runtime/RuntimeThunks.h"
#include "platform/ui/UIView.h"
#include "platform/ui/UIViewAnimator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> stops;

class StopWatcher : public NSObject {
public:
    GLYPHWARD_RUNTIME_CLASS_NAMED("AnimationTestStopWatcher", NSObject);
    void stopped(NSString* name, NSNumber* finished, void* context)
    {
        stops.push_back("stop " + (name ? name->string() : std::string("?")) + " " + (finished && finished->boolValue() ? "YES" : "NO")
            + "@" + std::to_string(Clock::current().monotonicNow()));
        lastContext = context;
    }
    void tick(NSObject*) { stops.push_back("timer@" + std::to_string(Clock::current().monotonicNow())); }
    void* lastContext = nullptr;
};

const ClassRegistration stopWatcher = ClassRegistration::of<StopWatcher>()
                                          .method("stopped:finished:context:", imp_implementationWithMember<&StopWatcher::stopped>())
                                          .method("tick:", imp_implementationWithMember<&StopWatcher::tick>());

std::shared_ptr<UIView> makeView()
{
    auto view = alloc<UIView>();
    view->initWithFrame(CGRectMake(0, 0, 100, 20));
    return view;
}

const CGAffineTransform firstOffset = CGAffineTransformMakeTranslation(2, -2);
const CGAffineTransform secondOffset = CGAffineTransformMakeTranslation(-2, 2);

// Shakes the view the way the lock does: a jump to the first offset, then five autoreversed
// legs of 0.07 s to the second offset and back.
void shake(const std::shared_ptr<UIView>& view, const std::shared_ptr<StopWatcher>& delegate)
{
    view->setTransform(firstOffset);
    UIView::beginAnimations("earthquake", view.get());
    UIView::setAnimationAutoreverses(true);
    UIView::setAnimationRepeatCount(5.0f);
    UIView::setAnimationDuration(0.07);
    UIView::setAnimationDelegate(delegate);
    UIView::setAnimationDidStopSelector(sel("stopped:finished:context:"));
    view->setTransform(secondOffset);
    UIView::commitAnimations();
}

class AnimationTests : public ::testing::Test {
protected:
    void SetUp() override
    {
        Clock::setCurrent(std::make_shared<VirtualClock>(0.0));
        stops.clear();
    }
    void runUntil(double t) { NSRunLoop::mainRunLoop().runUntil(t); }
};

} // namespace

TEST_F(AnimationTests, ModelChangesAtOnceWhileThePresentationEasesInAndOut)
{
    auto view = makeView();
    int completions = 0;
    bool finishedFlag = false;
    UIView::animateWithDuration(1.0, [&] { view->setAlpha(0.0f); }, [&](bool finished) {
        ++completions;
        finishedFlag = finished;
    });
    EXPECT_EQ(view->alpha(), 0.0f);
    EXPECT_FLOAT_EQ(view->presentationAlpha(), 1.0f);
    EXPECT_TRUE(UIViewAnimator::shared().hasAnimationsInFlight());

    runUntil(0.25);
    // Ease-in-out lags behind a straight line in the first half and meets it at the middle.
    EXPECT_NEAR(view->presentationAlpha(), 1.0 - 0.1292, 1e-3);
    runUntil(0.5);
    EXPECT_NEAR(view->presentationAlpha(), 0.5, 1e-4);
    runUntil(0.999);
    EXPECT_EQ(completions, 0);
    runUntil(1.0);
    EXPECT_EQ(view->presentationAlpha(), 0.0f);
    EXPECT_EQ(completions, 1);
    EXPECT_TRUE(finishedFlag);
    EXPECT_FALSE(UIViewAnimator::shared().hasAnimationsInFlight());

    // A view fading out takes no touch from the start of the fade, though it still shows.
    auto parent = makeView();
    auto child = makeView();
    parent->addSubview(child);
    EXPECT_EQ(parent->hitTest({ 5, 5 }, nullptr), child);
    UIView::animateWithDuration(1.0, [&] { child->setAlpha(0.0f); });
    EXPECT_EQ(child->presentationAlpha(), 1.0f);
    EXPECT_EQ(parent->hitTest({ 5, 5 }, nullptr), parent);
    // And one fading in takes touches at once.
    UIView::animateWithDuration(1.0, [&] { child->setAlpha(1.0f); });
    EXPECT_EQ(parent->hitTest({ 5, 5 }, nullptr), child);
    runUntil(2.0);

    // Outside any block a change shows at once.
    view->setAlpha(0.4f);
    EXPECT_EQ(view->presentationAlpha(), 0.4f);
    runUntil(5.0);
    EXPECT_EQ(completions, 1);
}

TEST_F(AnimationTests, RepeatedAutoreversingShakeSwingsFiveTimesThenStopsFinished)
{
    auto view = makeView();
    auto delegate = std::make_shared<StopWatcher>();
    shake(view, delegate);
    EXPECT_EQ(view->transform(), secondOffset);
    EXPECT_EQ(view->presentationTransform(), firstOffset);

    struct Sample {
        double time;
        float tx;
    };
    // Forward legs go +2 → -2 and back legs -2 → +2, each crossing 0 at its middle.
    for (Sample s : { Sample { 0.035, 0.0f }, Sample { 0.07, -2.0f }, Sample { 0.105, 0.0f }, Sample { 0.14, 2.0f },
             Sample { 0.175, 0.0f }, Sample { 0.63, -2.0f }, Sample { 0.665, 0.0f } }) {
        runUntil(s.time);
        EXPECT_NEAR(view->presentationTransform().tx, s.tx, 1e-3) << "at " << s.time;
        EXPECT_NEAR(view->presentationTransform().ty, -s.tx, 1e-3) << "at " << s.time;
    }
    EXPECT_TRUE(stops.empty());
    runUntil(0.7);
    ASSERT_EQ(stops.size(), 1u);
    EXPECT_EQ(stops[0], "stop earthquake YES@0.700000");
    EXPECT_EQ(delegate->lastContext, view.get());
    EXPECT_EQ(view->presentationTransform(), secondOffset);
}

TEST_F(AnimationTests, AnInterruptedAnimationReportsNotFinishedAndTheNewOneStartsWhereTheViewWas)
{
    auto view = makeView();
    auto delegate = std::make_shared<StopWatcher>();
    shake(view, delegate);
    runUntil(0.3);
    // A second shake: the jump outside any block interrupts the first at once.
    shake(view, delegate);
    EXPECT_EQ(view->presentationTransform(), firstOffset);
    runUntil(0.3);
    ASSERT_EQ(stops.size(), 1u);
    EXPECT_EQ(stops[0], "stop earthquake NO@0.300000");
    runUntil(1.0);
    ASSERT_EQ(stops.size(), 2u);
    EXPECT_EQ(stops[1], "stop earthquake YES@1.000000");

    // An animated change of the same property interrupts too, and starts from the shown value.
    std::vector<bool> results;
    UIView::animateWithDuration(1.0, [&] { view->setAlpha(0.0f); }, [&](bool f) { results.push_back(f); });
    runUntil(1.5);
    float shown = view->presentationAlpha();
    EXPECT_NEAR(shown, 0.5f, 1e-4);
    UIView::animateWithDuration(0.8, [&] { view->setAlpha(1.0f); }, [&](bool f) { results.push_back(f); });
    EXPECT_NEAR(view->presentationAlpha(), shown, 1e-6);
    runUntil(1.5);
    EXPECT_EQ(results, (std::vector<bool> { false }));
    runUntil(1.9);
    EXPECT_NEAR(view->presentationAlpha(), 0.5 + 0.5 * 0.5, 1e-4);
    runUntil(2.3);
    EXPECT_EQ(results, (std::vector<bool> { false, true }));
    EXPECT_EQ(view->presentationAlpha(), 1.0f);
}

TEST_F(AnimationTests, OneBlockIsOneGroupAndEndsFireInTimeOrderWithTimers)
{
    auto a = makeView();
    auto b = makeView();
    auto watcher = std::make_shared<StopWatcher>();
    NSTimer::scheduledTimerWithTimeInterval(0.8, watcher, sel("tick:"), nullptr, false);
    int completions = 0;
    UIView::animateWithDuration(0.8, [&] {
        a->setAlpha(0.0f);
        b->setAlpha(0.0f);
        b->setAlpha(0.5f);
        // A nested block runs on its own clock and reports on its own.
        UIView::animateWithDuration(0.2, [&] { a->setTransform(firstOffset); }, [&](bool) { stops.push_back("inner"); });
    }, [&](bool finished) {
        ++completions;
        stops.push_back(std::string("outer ") + (finished ? "YES" : "NO"));
    });
    // Two changes of one property in one block make one animation from the first shown value.
    EXPECT_FLOAT_EQ(b->presentationAlpha(), 1.0f);
    runUntil(0.4);
    EXPECT_NEAR(b->presentationAlpha(), 0.75f, 1e-4);
    runUntil(10.0);
    EXPECT_EQ(completions, 1);
    // The timer was scheduled first, so it fires first at the shared moment.
    EXPECT_EQ(stops, (std::vector<std::string> { "inner", "timer@0.800000", "outer YES" }));
}

TEST_F(AnimationTests, ViewsAndDelegatesAreOnlyWatched)
{
    auto view = makeView();
    std::weak_ptr<UIView> viewWatch = view;
    int completions = 0;
    UIView::animateWithDuration(0.5, [&] { view->setAlpha(0.0f); }, [&](bool) { ++completions; });
    view.reset();
    EXPECT_TRUE(viewWatch.expired());
    EXPECT_FALSE(UIViewAnimator::shared().hasAnimationsInFlight());
    runUntil(1.0);
    EXPECT_EQ(completions, 1);

    // A delegate that went away is simply not told.
    auto shaken = makeView();
    auto delegate = std::make_shared<StopWatcher>();
    shake(shaken, delegate);
    delegate.reset();
    runUntil(2.0);
    EXPECT_TRUE(stops.empty());
    EXPECT_EQ(shaken->presentationTransform(), secondOffset);
}
