#pragma once
#include "gesture/TQGestureLockViewDelegate.h"
#include "gesture/TQGestureNodeIndex.h"
#include "gesture/TQGestureTrailTracker.h"
#include "platform/ui/UIButton.h"
#include "platform/ui/UIKeyPressTarget.h"
#include "platform/ui/UIView.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class UIColor;
class UIImage;

// The pattern-entry control: a grid of node buttons inside a content view, one finger tracked
// across them, the ordered selection reported to the delegate as a passcode string ("0,4,8"),
// and the trail through the selected nodes painted on the view's own surface. Where the nodes go
// is the grid's (TQGestureGrid); which node a point falls on and which nodes the pattern holds is
// the node index's (TQGestureNodeIndex); what a move must redraw is the trail tracker's
// (TQGestureTrailTracker). Whatever changes what either depends on goes through one
// geometryChanged().
//
// Choices where the grid arithmetic alone gives no answer (see also TQGestureGrid):
// - Insets larger than the bounds give a content view of size 0 on that axis, never a negative
//   one.
// - Changing numberOfGestureNodes during a gesture drops the selection at once (nodes
//   deselected, no tracked location, a redraw) without a callback: the old indices mean nothing
//   in the new grid. The rest of the touch starts a fresh pattern, with its own begin callback.
// - Replacing the content view moves the nodes into the new one, which takes the old one's
//   place among the view's children and gets its frame at the layout pass this requests; the
//   old one is detached. Setting none is ignored: all node geometry lives in its coordinates.
// - A touch down while a pattern is in progress (the toolkit always finishes a touch first)
//   adds its node like a move does: never a node twice, never a second begin callback.
// - Without a line colour no trail is painted, rather than one in whatever colour was current.
//
// A move costs the same on any grid size: the hit test asks the grid of the last layout pass
// (and walks every node only when the frames are no longer those), the selection keeps a flag
// per node index, and the redraw asks for the part of the trail that moved. The frames are
// checked against that layout at every touch down, after the begin callback and after a change
// of geometry; a node moved by other code in the middle of a gesture is seen from the next of
// those.
class TQGestureLockView : public UIView, public UIKeyPressTarget {
public:
    GLYPHWARD_RUNTIME_CLASS(TQGestureLockView, UIView);
    std::shared_ptr<NSObject> valueForKey(const std::string& key) const override;

    // Initialises as a view and applies the lock view's defaults: nine nodes, three per row.
    TQGestureLockView* initWithFrame(CGRect frame) override;
    TQGestureLockView* initWithCoder(const NSCoder& coder) override;

    // Rebuilds the nodes: n fresh, unselected buttons tagged 0…n−1; the same count does nothing.
    void setNumberOfGestureNodes(NSUInteger numberOfGestureNodes);
    NSUInteger numberOfGestureNodes() const { return numberOfGestureNodes_; }
    // Columns of the grid; the grid follows at the next layout pass.
    void setGestureNodesPerRow(NSUInteger gestureNodesPerRow) { gestureNodesPerRow_ = gestureNodesPerRow; }
    NSUInteger gestureNodesPerRow() const { return gestureNodesPerRow_; }

    // Gives every node the image for its state; buttonSize grows to fit, never shrinks.
    void setNormalGestureNodeImage(std::shared_ptr<UIImage> image);
    std::shared_ptr<UIImage> normalGestureNodeImage() const { return normalGestureNodeImage_; }
    void setSelectedGestureNodeImage(std::shared_ptr<UIImage> image);
    std::shared_ptr<UIImage> selectedGestureNodeImage() const { return selectedGestureNodeImage_; }

    // Trail style, used at the next redraw.
    void setLineColor(std::shared_ptr<UIColor> color);
    std::shared_ptr<UIColor> lineColor() const { return lineColor_; }
    void setLineWidth(float width);
    float lineWidth() const { return lineWidth_; }
    // Whether a pattern is entered unseen: no trail, and every node keeps its normal image. What
    // the nodes select and what the delegate hears are the same either way.
    void setHidesTrail(bool hidesTrail);
    bool hidesTrail() const { return hidesTrail_; }

    // The child that holds the nodes; node frames and touch locations are in its coordinates.
    std::shared_ptr<UIView> contentView() const { return contentView_; }
    // Moves the nodes into the new content view and puts it where the old one was.
    void setContentView(std::shared_ptr<UIView> contentView);
    // Margins between the bounds and the content view, applied at the next layout pass.
    void setContentInsets(UIEdgeInsets insets) { contentInsets_ = insets; }
    UIEdgeInsets contentInsets() const { return contentInsets_; }

    // Watched, never owned; the flags of the callbacks it answers are taken here, once.
    void setDelegate(const std::shared_ptr<TQGestureLockViewDelegate>& delegate);
    std::shared_ptr<TQGestureLockViewDelegate> delegate() const { return delegate_.lock(); }

    CGSize buttonSize() const { return buttonSize_; }
    void setButtonSize(CGSize size) { buttonSize_ = size; }
    const std::vector<std::shared_ptr<UIButton>>& buttons() const { return buttons_; }
    void setButtons(std::vector<std::shared_ptr<UIButton>> buttons);
    const std::vector<std::shared_ptr<UIButton>>& selectedButtons() const { return selectedButtons_; }
    void setSelectedButtons(std::vector<std::shared_ptr<UIButton>> buttons);
    CGPoint trackedLocationInContentView() const { return trackedLocationInContentView_; }
    void setTrackedLocationInContentView(CGPoint location);

    // A solid image of the colour, of the size in points at scale 1.
    static std::shared_ptr<UIImage> imageWithColor(std::shared_ptr<UIColor> color, CGSize size);

    void layoutSubviews() override;
    void drawRect(CGRect rect) override;
    bool drawsContent() const override { return true; }

    void touchesBegan(const UITouchSet& touches, UIEvent* event) override;
    void touchesMoved(const UITouchSet& touches, UIEvent* event) override;
    void touchesEnded(const UITouchSet& touches, UIEvent* event) override;
    void touchesCancelled(const UITouchSet& touches, UIEvent* event) override;

    // A digit enters its node (1 the first, row by row) as a finger would, Enter ends the
    // pattern as a lift does, Cancel as a cancelled touch; answers whether the key did anything.
    bool pressKey(const UIKeyPress& key) override;

private:
    struct DelegateFlags {
        unsigned char didBeginWithPasscode : 1;
        unsigned char didEndWithPasscode : 1;
        unsigned char didCanceled : 1;
    };
    enum class Finish { Ended, Cancelled };
    static constexpr CGPoint kNoLocation { -1.0f, -1.0f };

    void _lockViewInitialize();
    // The first node in index order whose frame holds the point (content-view coordinates).
    std::shared_ptr<UIButton> _buttonContainsThePoint(CGPoint point);
    void setNodeImage(std::shared_ptr<UIImage>& stored, std::shared_ptr<UIImage> image, UIControlState state);
    CGRect contentFrameForBounds() const;
    void nodesReplaced();
    // What the node index and the trail are worked out from changed.
    void geometryChanged();
    // Where the touch is in the content view's points; nothing without a touch or a content view.
    std::optional<CGPoint> contentLocation(const UITouchSet& touches) const;

    // Sends the delegate one of the protocol's selectors with the passcode, when its flag says it
    // answers it; whether it was sent.
    bool tellDelegate(bool answers, const char* selector);
    std::string passcode() const;
    void selectButton(std::size_t index);
    void finishGesture(Finish how);
    void resetSelection();
    std::optional<TQGestureTrail::Inputs> trailInputs();
    // Whether the trail still stands as the last redraw request left it.
    bool trailAsRequested();
    TQGestureTrail currentTrail();

    NSUInteger numberOfGestureNodes_ = 0;
    NSUInteger gestureNodesPerRow_ = 0;
    std::shared_ptr<UIImage> normalGestureNodeImage_;
    std::shared_ptr<UIImage> selectedGestureNodeImage_;
    std::shared_ptr<UIColor> lineColor_;
    float lineWidth_ = 0.0f;
    bool hidesTrail_ = false;
    std::shared_ptr<UIView> contentView_;
    UIEdgeInsets contentInsets_ {};
    std::weak_ptr<TQGestureLockViewDelegate> delegate_;
    CGSize buttonSize_ {};
    std::vector<std::shared_ptr<UIButton>> buttons_;
    std::vector<std::shared_ptr<UIButton>> selectedButtons_;
    CGPoint trackedLocationInContentView_ {};
    DelegateFlags _delegateFlags { 0, 0, 0 };
    bool decoding_ = false;

    TQGestureNodeIndex nodes_;
    TQGestureTrailTracker trail_;
};
