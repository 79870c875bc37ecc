#pragma once
#include "platform/graphics/CGGeometry.h"
#include "platform/runtime/Runtime.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class UIView;

enum class UIViewAnimationCurve { EaseInOut = 0, EaseIn = 1, EaseOut = 2, Linear = 3 };

// The engine behind UIView's animations. Model values change at once; a change of alpha or
// transform made inside an open animation block becomes, at commit, an animation from the value
// the view showed to the new model value. A new animation of the same property of the same view,
// or a change of it outside any block, interrupts the one in flight, whose group then learns
// finished = NO. Ends and interruption notices are delivered through the main run loop, in time
// order with timers. Views are only watched: a view that goes away drops out of the engine.
class UIViewAnimator {
public:
    static UIViewAnimator& shared();

    // Called by UIView's setters after the model value changed; `fromPresentation` is what the
    // view showed just before the change.
    void alphaChanged(UIView& view, float fromPresentation, float to);
    void transformChanged(UIView& view, CGAffineTransform fromPresentation, CGAffineTransform to);

    // The value an animation of the view shows now, or nothing when none is in flight.
    std::optional<float> presentationAlpha(const UIView& view) const;
    std::optional<CGAffineTransform> presentationTransform(const UIView& view) const;
    // Whether any live view has an animation running, so the screen must keep being redrawn.
    bool hasAnimationsInFlight() const;

    // Blocks, as UIView's class methods open and commit them. Settings outside a block do nothing.
    void beginGroup(const std::string& name, void* context);
    void setDuration(double duration);
    void setRepeatCount(float repeatCount);
    void setAutoreverses(bool autoreverses);
    void setDelegate(const std::shared_ptr<NSObject>& delegate);
    void setDidStopSelector(SEL selector);
    void setCompletion(std::function<void(bool finished)> completion);
    void commitGroup();

    // The timing curve: progress 0…1 in, eased progress 0…1 out.
    static double ease(UIViewAnimationCurve curve, double progress);

private:
    friend class UIState;
    // Drops every animation and open block without telling anyone, as the toolkit does on its way out.
    void dropAll();

    enum class Property { Alpha, Transform };
    using Components = std::array<double, 6>;
    using Key = std::pair<const UIView*, Property>;
    struct Group;
    struct Change;
    struct Animation;

    void changed(UIView& view, Property property, const Components& from, const Components& to);
    std::optional<Components> presentation(const UIView& view, Property property) const;
    void start(const Change& change, const std::shared_ptr<Group>& group, double now);
    void interrupt(const Key& key);
    void ended(const std::shared_ptr<Animation>& animation);
    void memberDone(const std::shared_ptr<Group>& group, bool finished);
    void notify(const std::shared_ptr<Group>& group);

    std::map<Key, std::shared_ptr<Animation>> active_;
    std::vector<std::shared_ptr<Group>> open_;
    // Run-loop work from before a reset carries an older generation and is ignored.
    std::uint64_t generation_ = 0;
};
