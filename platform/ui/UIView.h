#pragma once
#include "platform/graphics/CGGeometry.h"
#include "platform/ui/UIResponder.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

class UIColor;
class UIWindow;
class NSCoder;

// A rectangle on screen with children. Children are held strongly and drawn in order (later
// above earlier); the superview and the window are only watched. Geometry is kept as the
// frame as last set (so float values read back exactly) plus the bounds; the transform turns
// about the centre and does not change the frame that was set.
class UIView : public UIResponder {
public:
    UIView();
    ~UIView() override;

    GLYPHWARD_RUNTIME_CLASS(UIView, UIResponder);
    std::string description() const override;
    std::shared_ptr<NSObject> valueForKey(const std::string& key) const override;

    // Initialises with a frame; the bounds become (0, 0, frame size). Answers this view.
    virtual UIView* initWithFrame(CGRect frame);
    // Initialises from an archive (keys "frame", "tag", "alpha", "hidden", "userInteractionEnabled",
    // "backgroundColor"); an archive without a frame gives the zero frame. Answers this view.
    virtual UIView* initWithCoder(const NSCoder& coder);

    // Geometry, in points.
    CGRect frame() const { return frame_; }
    virtual void setFrame(CGRect frame);
    CGRect bounds() const { return bounds_; }
    virtual void setBounds(CGRect bounds);
    CGPoint center() const;
    void setCenter(CGPoint center);
    CGAffineTransform transform() const { return transform_; }
    void setTransform(CGAffineTransform transform);

    // Appearance. Setters store model values at once; inside an animation block the renderer
    // shows the change over the animation's duration.
    float alpha() const { return alpha_; }
    void setAlpha(float alpha);
    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden);
    bool isUserInteractionEnabled() const { return userInteractionEnabled_; }
    void setUserInteractionEnabled(bool enabled) { userInteractionEnabled_ = enabled; }
    std::shared_ptr<UIColor> backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(std::shared_ptr<UIColor> color);
    bool clipsToBounds() const { return clipsToBounds_; }
    void setClipsToBounds(bool clips);
    NSInteger tag() const { return tag_; }
    void setTag(NSInteger tag) { tag_ = tag; }

    // What the renderer shows: the model value, or the value an animation in flight has reached.
    float presentationAlpha() const;
    CGAffineTransform presentationTransform() const;

    // Hierarchy.
    std::shared_ptr<UIView> superview() const { return superview_.lock(); }
    // The superview without taking a reference, for walks that must not allocate; null when none.
    const UIView* superviewPointer() const { return superview_.expired() ? nullptr : superviewRaw_; }
    const std::vector<std::shared_ptr<UIView>>& subviews() const { return subviews_; }
    // Adds (or moves) the view to the end of the children, above all others.
    void addSubview(const std::shared_ptr<UIView>& view);
    void insertSubview(const std::shared_ptr<UIView>& view, std::size_t index);
    void bringSubviewToFront(const std::shared_ptr<UIView>& view);
    // Detaches the view from its superview; nothing when it has none.
    void removeFromSuperview();
    // This view or the first descendant, depth first in child order, with the tag; null if none.
    std::shared_ptr<UIView> viewWithTag(NSInteger tag);
    bool isDescendantOfView(const UIView* view) const;
    // The window this view is in (a window answers itself), or null.
    std::shared_ptr<UIWindow> window() const;
    // This view as a shared pointer, or null while none owns it.
    std::shared_ptr<UIView> sharedView() const;

    // The controller whose view this is, else the superview.
    std::shared_ptr<UIResponder> nextResponder() const override;
    // Set by a view controller on its own view; only watched.
    void setViewController(const std::shared_ptr<UIResponder>& controller) { viewController_ = controller; }
    std::shared_ptr<UIResponder> viewController() const { return viewController_.lock(); }

    // Hooks for subclasses, called after the change.
    virtual void didAddSubview(UIView*) { }
    virtual void willRemoveSubview(UIView*) { }
    virtual void didMoveToSuperview() { }
    virtual void didMoveToWindow() { }

    // Coordinate conversion through the view tree (and transforms). A null view means the window.
    CGPoint convertPointToView(CGPoint point, const UIView* view) const;
    CGPoint convertPointFromView(CGPoint point, const UIView* view) const;
    CGRect convertRectToView(CGRect rect, const UIView* view) const;
    CGRect convertRectFromView(CGRect rect, const UIView* view) const;
    // One step of the tree: a point in this view's bounds to its superview's coordinates (for a
    // window, to screen points) and back. Exact p + frame.origin - bounds.origin without a transform.
    CGPoint convertPointToSuperviewSpace(CGPoint point) const;
    CGPoint convertPointFromSuperviewSpace(CGPoint point) const;

    // Layout: a pass runs before the view is first drawn and after its size changes.
    void setNeedsLayout();
    bool needsLayout() const { return needsLayout_; }
    // Runs layoutSubviews here if needed, then in every descendant that needs it.
    void layoutIfNeeded();
    virtual void layoutSubviews() { }

    // Drawing: setNeedsDisplay brings exactly one later drawRect, made with the view's bitmap
    // context current; its output is kept until the next setNeedsDisplay.
    void setNeedsDisplay();
    void setNeedsDisplayInRect(CGRect rect);
    bool needsDisplay() const { return needsDisplay_; }
    virtual void drawRect(CGRect rect);
    // Whether the view draws content of its own; views that override drawRect answer true.
    virtual bool drawsContent() const { return false; }
    // Draws what the view is rather than what it draws (a background colour, an image, text);
    // the renderer calls it under the view's children and above drawRect's output.
    virtual void drawIntrinsicContent(CGRect rect) const;

    // Hit-testing on model values: skips views that are hidden, have alpha below 0.01 or have
    // user interaction disabled; walks children front to back.
    virtual std::shared_ptr<UIView> hitTest(CGPoint point, UIEvent* event);
    virtual bool pointInside(CGPoint point, UIEvent* event) const;

    // Animations. The block's changes to alpha and transform animate; everything else is immediate.
    static void animateWithDuration(double duration, const std::function<void()>& animations);
    static void animateWithDuration(double duration, const std::function<void()>& animations,
        const std::function<void(bool finished)>& completion);
    static void beginAnimations(const std::string& animationID, void* context);
    static void setAnimationDuration(double duration);
    static void setAnimationRepeatCount(float repeatCount);
    static void setAnimationAutoreverses(bool autoreverses);
    static void setAnimationDelegate(const std::shared_ptr<NSObject>& delegate);
    // The stop method is sent (animationID as NSString*, finished as NSNumber*, context as void*).
    static void setAnimationDidStopSelector(SEL selector);
    static void commitAnimations();

    // Marks the view's rectangle as changed on screen, so the next frame re-composes it. Cheap:
    // the compositor works out where at the next frame.
    void noteAppearanceChanged();
    // Whether any view changed its look or asked to be redrawn since the compositor last took
    // note (it does at every frame); a backend skips frames while nothing did.
    static bool displayChangesPending();
    static void setDisplayChangesPending(bool pending);
    // Whether noteAppearanceChanged was called since the renderer last took note.
    bool appearanceChanged() const { return appearanceChanged_; }
    void clearAppearanceChanged() { appearanceChanged_ = false; }
    // The part of the bounds to redraw at the next drawRect: the union of the rectangles asked
    // for since the last one, or the whole bounds after setNeedsDisplay.
    CGRect needsDisplayRect() const { return needsDisplayAll_ ? bounds_ : needsDisplayRect_; }
    // Clears the display request after the renderer has drawn the view.
    void clearNeedsDisplay()
    {
        needsDisplay_ = false;
        needsDisplayAll_ = false;
        needsDisplayRect_ = {};
    }

protected:
    // Moves the view under a new superview or none; keeps the window links of the subtree current.
    void setSuperview(const std::shared_ptr<UIView>& superview);

private:
    void windowChanged();
    // Marks every ancestor as having layout to do below it.
    void noteLayoutBelow();

    CGRect frame_ {};
    CGRect bounds_ {};
    CGAffineTransform transform_ {};
    float alpha_ = 1.0f;
    bool hidden_ = false;
    bool userInteractionEnabled_ = true;
    bool clipsToBounds_ = false;
    bool needsLayout_ = true;
    // Some view below this one needs layout.
    bool layoutBelow_ = false;
    bool needsDisplay_ = true;
    bool needsDisplayAll_ = true;
    bool appearanceChanged_ = true;
    CGRect needsDisplayRect_ {};
    NSInteger tag_ = 0;
    std::shared_ptr<UIColor> backgroundColor_;
    std::weak_ptr<UIView> superview_;
    const UIView* superviewRaw_ = nullptr;
    std::vector<std::shared_ptr<UIView>> subviews_;
    std::weak_ptr<UIResponder> viewController_;
};

// A small keyed archive for initWithCoder: values are numbers, strings, rectangles or colours.
class NSCoder {
public:
    using Value = std::variant<double, std::string, CGRect, std::shared_ptr<UIColor>>;
    void encode(const std::string& key, Value value) { values_[key] = std::move(value); }
    bool containsValueForKey(const std::string& key) const { return values_.count(key) != 0; }
    double decodeDoubleForKey(const std::string& key) const;
    CGRect decodeRectForKey(const std::string& key) const;
    std::shared_ptr<UIColor> decodeColorForKey(const std::string& key) const;

private:
    std::map<std::string, Value> values_;
};
