#include "platform/ui/UIViewAnimator.h"

#include "platform/foundation/Clock.h"
#include "platform/foundation/NSNumber.h"
#include "platform/foundation/NSRunLoop.h"
#include "platform/foundation/NSString.h"
#include "platform/ui/UIState.h"
#include "platform/ui/UIView.h"

#include <algorithm>
#include <cmath>

struct UIViewAnimator::Change {
    std::weak_ptr<NSObject> view;
    // Views not owned by a shared pointer cannot be watched; they are taken to live on.
    bool watched = false;
    Key key {};
    Components from {};
    Components to {};

    bool gone() const { return watched && view.expired(); }
};

struct UIViewAnimator::Group {
    std::string name;
    void* context = nullptr;
    std::weak_ptr<NSObject> delegate;
    SEL stopSelector = nullptr;
    std::function<void(bool)> completion;
    // The toolkit's defaults for a block that sets nothing.
    double duration = 0.2;
    float repeatCount = 0.0f;
    bool autoreverses = false;
    UIViewAnimationCurve curve = UIViewAnimationCurve::EaseInOut;
    std::vector<Change> pending;
    int outstanding = 0;
    bool finished = true;
    bool committed = false;
};

struct UIViewAnimator::Animation {
    Change change;
    std::shared_ptr<Group> group;
    double start = 0;
    double leg = 0;
    double end = 0;
    bool autoreverses = false;
    UIViewAnimationCurve curve = UIViewAnimationCurve::EaseInOut;
    NSRunLoop::Ticket endTicket = 0;
};

namespace {

using Components = std::array<double, 6>;

Components fromAlpha(float alpha) { return { alpha, 0, 0, 0, 0, 0 }; }
Components fromTransform(CGAffineTransform t) { return { t.a, t.b, t.c, t.d, t.tx, t.ty }; }

CGAffineTransform toTransform(const Components& c)
{
    return { static_cast<CGFloat>(c[0]), static_cast<CGFloat>(c[1]), static_cast<CGFloat>(c[2]), static_cast<CGFloat>(c[3]),
        static_cast<CGFloat>(c[4]), static_cast<CGFloat>(c[5]) };
}

// Times are kept to the nanosecond, so that legs of 0.07 s add up to 0.7 s as written rather
// than to a hair more, which would put the end after a timer due at the same moment.
double snap(double t) { return std::round(t * 1e9) / 1e9; }

// One coordinate of a cubic Bézier from (0,0) to (1,1) with control values p1 and p2.
double bezier(double t, double p1, double p2)
{
    double u = 1 - t;
    return 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t;
}

double cubicTiming(double x, double x1, double y1, double x2, double y2)
{
    // Bisection on x(t), which is monotonic for control points inside the unit square.
    double lo = 0, hi = 1, t = x;
    for (int i = 0; i < 60; ++i) {
        t = (lo + hi) / 2;
        if (bezier(t, x1, x2) < x)
            lo = t;
        else
            hi = t;
    }
    return bezier(t, y1, y2);
}

} // namespace

UIViewAnimator& UIViewAnimator::shared() { return UIState::current().animator(); }

double UIViewAnimator::ease(UIViewAnimationCurve curve, double progress)
{
    if (!(progress > 0))
        return 0;
    if (progress >= 1)
        return 1;
    switch (curve) {
    case UIViewAnimationCurve::EaseInOut: return cubicTiming(progress, 0.42, 0, 0.58, 1);
    case UIViewAnimationCurve::EaseIn: return cubicTiming(progress, 0.42, 0, 1, 1);
    case UIViewAnimationCurve::EaseOut: return cubicTiming(progress, 0, 0, 0.58, 1);
    case UIViewAnimationCurve::Linear: break;
    }
    return progress;
}

void UIViewAnimator::alphaChanged(UIView& view, float fromPresentation, float to)
{
    changed(view, Property::Alpha, fromAlpha(fromPresentation), fromAlpha(to));
}

void UIViewAnimator::transformChanged(UIView& view, CGAffineTransform fromPresentation, CGAffineTransform to)
{
    changed(view, Property::Transform, fromTransform(fromPresentation), fromTransform(to));
}

void UIViewAnimator::changed(UIView& view, Property property, const Components& from, const Components& to)
{
    Key key { &view, property };
    if (open_.empty()) {
        // An immediate change wins over the animation in flight: the view shows the new value.
        interrupt(key);
        return;
    }
    Change change;
    change.view = view.weak_from_this();
    change.watched = !change.view.expired();
    change.key = key;
    change.from = from;
    change.to = to;
    // A second change of the same property before the commit keeps the first one's start; an
    // inner block takes the change over from an outer one.
    for (auto& group : open_) {
        auto it = std::find_if(group->pending.begin(), group->pending.end(), [&](const Change& c) { return c.key == key; });
        if (it == group->pending.end())
            continue;
        if (!it->gone())
            change.from = it->from;
        group->pending.erase(it);
    }
    open_.back()->pending.push_back(std::move(change));
}

std::optional<UIViewAnimator::Components> UIViewAnimator::presentation(const UIView& view, Property property) const
{
    Key key { &view, property };
    // Inside a block, a changed property shows what it showed before the change until the commit.
    for (const auto& group : open_)
        for (const auto& change : group->pending)
            if (change.key == key && !change.gone())
                return change.from;
    auto it = active_.find(key);
    if (it == active_.end() || it->second->change.gone())
        return std::nullopt;
    const Animation& a = *it->second;
    double elapsed = Clock::current().monotonicNow() - a.start;
    if (elapsed >= a.end - a.start || !(a.leg > 0))
        return std::nullopt;
    double progress = 0;
    if (elapsed > 0) {
        double cycle = a.autoreverses ? 2 * a.leg : a.leg;
        double local = std::fmod(elapsed, cycle);
        progress = (a.autoreverses && local >= a.leg) ? (cycle - local) / a.leg : local / a.leg;
    }
    double eased = ease(a.curve, progress);
    Components value {};
    for (std::size_t i = 0; i < value.size(); ++i)
        value[i] = a.change.from[i] + (a.change.to[i] - a.change.from[i]) * eased;
    return value;
}

std::optional<float> UIViewAnimator::presentationAlpha(const UIView& view) const
{
    auto value = presentation(view, Property::Alpha);
    if (!value)
        return std::nullopt;
    return static_cast<float>((*value)[0]);
}

std::optional<CGAffineTransform> UIViewAnimator::presentationTransform(const UIView& view) const
{
    auto value = presentation(view, Property::Transform);
    if (!value)
        return std::nullopt;
    return toTransform(*value);
}

bool UIViewAnimator::hasAnimationsInFlight() const
{
    return std::any_of(active_.begin(), active_.end(), [](const auto& entry) { return !entry.second->change.gone(); });
}

void UIViewAnimator::dropAll()
{
    for (const auto& entry : active_)
        NSRunLoop::mainRunLoop().cancel(entry.second->endTicket);
    active_.clear();
    open_.clear();
    ++generation_;
}

void UIViewAnimator::beginGroup(const std::string& name, void* context)
{
    auto group = std::make_shared<Group>();
    group->name = name;
    group->context = context;
    open_.push_back(std::move(group));
}

void UIViewAnimator::setDuration(double duration)
{
    if (!open_.empty())
        open_.back()->duration = duration > 0 ? duration : 0.0;
}

void UIViewAnimator::setRepeatCount(float repeatCount)
{
    if (!open_.empty())
        open_.back()->repeatCount = repeatCount > 0 ? repeatCount : 0.0f;
}

void UIViewAnimator::setAutoreverses(bool autoreverses)
{
    if (!open_.empty())
        open_.back()->autoreverses = autoreverses;
}

void UIViewAnimator::setDelegate(const std::shared_ptr<NSObject>& delegate)
{
    if (!open_.empty())
        open_.back()->delegate = delegate;
}

void UIViewAnimator::setDidStopSelector(SEL selector)
{
    if (!open_.empty())
        open_.back()->stopSelector = selector;
}

void UIViewAnimator::setCompletion(std::function<void(bool finished)> completion)
{
    if (!open_.empty())
        open_.back()->completion = std::move(completion);
}

void UIViewAnimator::commitGroup()
{
    if (open_.empty())
        return;
    auto group = open_.back();
    open_.pop_back();
    double now = Clock::current().monotonicNow();
    std::vector<Change> changes = std::move(group->pending);
    group->pending.clear();
    for (const auto& change : changes)
        if (!change.gone())
            start(change, group, now);
    group->committed = true;
    if (group->outstanding == 0) {
        // A block that animated nothing still reports, finished, once the run loop turns.
        ++group->outstanding;
        NSRunLoop::mainRunLoop().schedule(0, [this, group, generation = generation_] {
            if (generation == generation_)
                memberDone(group, true);
        });
    }
}

void UIViewAnimator::start(const Change& change, const std::shared_ptr<Group>& group, double now)
{
    interrupt(change.key);
    auto animation = std::make_shared<Animation>();
    animation->change = change;
    animation->group = group;
    animation->start = now;
    animation->leg = group->duration;
    animation->autoreverses = group->autoreverses;
    animation->curve = group->curve;
    double legs = (group->autoreverses ? 2.0 : 1.0) * (group->repeatCount > 0 ? static_cast<double>(group->repeatCount) : 1.0);
    animation->end = std::max(now, snap(now + group->duration * legs));
    animation->endTicket = NSRunLoop::mainRunLoop().scheduleAt(animation->end, [this, animation, generation = generation_] {
        if (generation == generation_)
            ended(animation);
    });
    ++group->outstanding;
    active_[change.key] = std::move(animation);
}

void UIViewAnimator::interrupt(const Key& key)
{
    auto it = active_.find(key);
    if (it == active_.end())
        return;
    auto animation = it->second;
    active_.erase(it);
    // The animation of a view that went away, whose address a new view now has, runs out on its own.
    if (animation->change.gone())
        return;
    NSRunLoop::mainRunLoop().cancel(animation->endTicket);
    NSRunLoop::mainRunLoop().schedule(0, [this, group = animation->group, generation = generation_] {
        if (generation == generation_)
            memberDone(group, false);
    });
}

void UIViewAnimator::ended(const std::shared_ptr<Animation>& animation)
{
    auto it = active_.find(animation->change.key);
    if (it != active_.end() && it->second == animation)
        active_.erase(it);
    memberDone(animation->group, true);
}

void UIViewAnimator::memberDone(const std::shared_ptr<Group>& group, bool finished)
{
    group->finished = group->finished && finished;
    if (--group->outstanding == 0 && group->committed)
        notify(group);
}

void UIViewAnimator::notify(const std::shared_ptr<Group>& group)
{
    if (group->stopSelector) {
        if (auto delegate = group->delegate.lock()) {
            auto animationID = NSString::stringWithString(group->name);
            auto finished = NSNumber::numberWithBool(group->finished);
            // The stop method may take fewer arguments than the toolkit offers; send only those.
            std::string_view name = sel_getName(group->stopSelector);
            switch (std::count(name.begin(), name.end(), ':')) {
            case 0: objc_msgSend<void>(delegate.get(), group->stopSelector); break;
            case 1: objc_msgSend<void>(delegate.get(), group->stopSelector, static_cast<NSString*>(animationID.get())); break;
            case 2:
                objc_msgSend<void>(delegate.get(), group->stopSelector, static_cast<NSString*>(animationID.get()),
                    static_cast<NSNumber*>(finished.get()));
                break;
            default:
                objc_msgSend<void>(delegate.get(), group->stopSelector, static_cast<NSString*>(animationID.get()),
                    static_cast<NSNumber*>(finished.get()), group->context);
                break;
            }
        }
    }
    if (group->completion)
        group->completion(group->finished);
}
