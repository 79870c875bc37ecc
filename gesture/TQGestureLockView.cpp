#include "gesture/TQGestureLockView.h"

#include "platform/foundation/NSNumber.h"
#include "platform/graphics/UIBezierPath.h"
#include "platform/graphics/UIColor.h"
#include "platform/graphics/UIImage.h"
#include "platform/runtime/RuntimeThunks.h"
#include "platform/ui/UITouch.h"

#include <algorithm>
#include <cmath>

namespace {

const ClassRegistration registration("TQGestureLockView", "UIView");

constexpr CGPoint kNoLocation { -1.0f, -1.0f };

// Where a node starts along one axis of the grid. Nodes spread edge to edge with equal gaps,
// the positions rounded down to whole points; a lone column or row is centred instead, and an
// axis on which the content view has collapsed puts every node at 0.
float axisPosition(NSUInteger index, NSUInteger count, float gap, float nodeExtent, float extent, bool collapsed)
{
    if (collapsed)
        return 0.0f;
    if (count == 1)
        return std::floor((extent - nodeExtent) / 2.0f);
    return std::floor(static_cast<float>(index) * (gap + nodeExtent));
}

// The gap between neighbours when count nodes span the extent; none for a lone one.
float gapBetween(NSUInteger count, float nodeExtent, float extent)
{
    if (count < 2)
        return 0.0f;
    return (extent - nodeExtent * static_cast<float>(count)) / static_cast<float>(count - 1u);
}

} // namespace

std::shared_ptr<NSObject> TQGestureLockView::valueForKey(const std::string& key) const
{
    if (key == "numberOfGestureNodes")
        return NSNumber::numberWithInteger(numberOfGestureNodes_);
    if (key == "gestureNodesPerRow")
        return NSNumber::numberWithInteger(gestureNodesPerRow_);
    if (key == "lineWidth")
        return NSNumber::numberWithDouble(lineWidth_);
    return UIView::valueForKey(key);
}

TQGestureLockView* TQGestureLockView::initWithFrame(CGRect frame)
{
    if (!UIView::initWithFrame(frame))
        return nullptr;
    // The toolkit's archive initializer sets its frame through here; initWithCoder then applies
    // the defaults itself, so they are applied once and after the archived values.
    if (!decoding_)
        _lockViewInitialize();
    return this;
}

TQGestureLockView* TQGestureLockView::initWithCoder(const NSCoder& coder)
{
    decoding_ = true;
    const bool decoded = UIView::initWithCoder(coder) != nullptr;
    decoding_ = false;
    if (!decoded)
        return nullptr;
    _lockViewInitialize();
    return this;
}

void TQGestureLockView::_lockViewInitialize()
{
    setBackgroundColor(UIColor::clearColor());
    lineColor_ = UIColor::blackColor()->colorWithAlphaComponent(0.3f);
    lineWidth_ = 16.0f;
    contentInsets_ = UIEdgeInsetsZero;

    auto content = alloc<UIView>();
    content->initWithFrame(contentFrameForBounds());
    content->setBackgroundColor(UIColor::clearColor());
    contentView_ = content;
    addSubview(content);

    buttonSize_ = CGSizeMake(60.0f, 60.0f);
    setNormalGestureNodeImage(imageWithColor(UIColor::greenColor(), buttonSize_));
    setSelectedGestureNodeImage(imageWithColor(UIColor::redColor(), buttonSize_));
    setNumberOfGestureNodes(9);
    gestureNodesPerRow_ = 3;
    selectedButtons_.clear();
    trackedLocationInContentView_ = kNoLocation;
}

CGRect TQGestureLockView::contentFrameForBounds() const
{
    CGRect frame = UIEdgeInsetsInsetRect(bounds(), contentInsets_);
    frame.size.width = std::max(0.0f, frame.size.width);
    frame.size.height = std::max(0.0f, frame.size.height);
    return frame;
}

void TQGestureLockView::setNumberOfGestureNodes(NSUInteger numberOfGestureNodes)
{
    if (numberOfGestureNodes == numberOfGestureNodes_)
        return;
    numberOfGestureNodes_ = numberOfGestureNodes;
    // The old indices mean nothing in the new grid: a pattern in progress is dropped, silently.
    if (!selectedButtons_.empty())
        resetSelection();

    for (const auto& button : buttons_)
        button->removeFromSuperview();

    std::vector<std::shared_ptr<UIButton>> nodes;
    nodes.reserve(std::min<NSUInteger>(numberOfGestureNodes, 1024u));
    for (NSUInteger i = 0; i < numberOfGestureNodes; ++i) {
        auto button = UIButton::buttonWithType(UIButtonType::Custom);
        button->setTag(static_cast<NSInteger>(i));
        button->setUserInteractionEnabled(false);
        button->setFrame(CGRectMake(0.0f, 0.0f, buttonSize_.width, buttonSize_.height));
        button->setBackgroundColor(UIColor::clearColor());
        if (normalGestureNodeImage_)
            button->setImage(normalGestureNodeImage_, UIControlStateNormal);
        if (selectedGestureNodeImage_)
            button->setImage(selectedGestureNodeImage_, UIControlStateSelected);
        nodes.push_back(button);
        if (contentView_)
            contentView_->addSubview(button);
    }
    buttons_ = std::move(nodes);
}

void TQGestureLockView::setNormalGestureNodeImage(std::shared_ptr<UIImage> image)
{
    if (image == normalGestureNodeImage_)
        return;
    normalGestureNodeImage_ = image;
    const CGSize size = image ? image->size() : CGSizeZero;
    setButtonSize(CGSizeMake(buttonSize_.width > size.width ? buttonSize_.width : size.width,
        buttonSize_.height > size.height ? buttonSize_.height : size.height));
    for (const auto& button : buttons_)
        button->setImage(image, UIControlStateNormal);
}

void TQGestureLockView::setSelectedGestureNodeImage(std::shared_ptr<UIImage> image)
{
    if (image == selectedGestureNodeImage_)
        return;
    selectedGestureNodeImage_ = image;
    const CGSize size = image ? image->size() : CGSizeZero;
    setButtonSize(CGSizeMake(buttonSize_.width > size.width ? buttonSize_.width : size.width,
        buttonSize_.height > size.height ? buttonSize_.height : size.height));
    for (const auto& button : buttons_)
        button->setImage(image, UIControlStateSelected);
}

void TQGestureLockView::setContentView(std::shared_ptr<UIView> contentView)
{
    // A view that holds this one cannot also sit inside it.
    if (!contentView || contentView == contentView_ || contentView.get() == this || isDescendantOfView(contentView.get()))
        return;
    const auto old = contentView_;
    contentView_ = contentView;

    const auto& children = subviews();
    const auto place = std::find(children.begin(), children.end(), old);
    if (old && place != children.end()) {
        const auto index = static_cast<std::size_t>(place - children.begin());
        old->removeFromSuperview();
        insertSubview(contentView_, index);
    } else {
        addSubview(contentView_);
    }
    for (const auto& button : buttons_)
        contentView_->addSubview(button);
    setNeedsLayout();
}

void TQGestureLockView::setDelegate(const std::shared_ptr<TQGestureLockViewDelegate>& delegate)
{
    delegate_ = delegate;
    _delegateFlags.didBeginWithPasscode = delegate && delegate->respondsToSelector(sel("gestureLockView:didBeginWithPasscode:"));
    _delegateFlags.didEndWithPasscode = delegate && delegate->respondsToSelector(sel("gestureLockView:didEndWithPasscode:"));
    _delegateFlags.didCanceled = delegate && delegate->respondsToSelector(sel("gestureLockView:didCanceledWithPasscode:"));
}

std::shared_ptr<UIImage> TQGestureLockView::imageWithColor(std::shared_ptr<UIColor> color, CGSize size)
{
    UIGraphicsBeginImageContext(size);
    CGContextRef context = UIGraphicsGetCurrentContext();
    if (color) {
        CGContextSetFillColorWithColor(context, color.get());
        CGContextFillRect(context, CGRectMake(0.0f, 0.0f, size.width, size.height));
    }
    auto image = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    return image;
}

void TQGestureLockView::layoutSubviews()
{
    UIView::layoutSubviews();
    if (!contentView_)
        return;
    const CGRect inset = UIEdgeInsetsInsetRect(bounds(), contentInsets_);
    contentView_->setFrame(contentFrameForBounds());

    const CGSize content = contentView_->bounds().size;
    const CGSize node = buttonSize_;
    const NSUInteger perRow = gestureNodesPerRow_ == 0 ? 1u : gestureNodesPerRow_;
    const NSUInteger count = numberOfGestureNodes_;
    // The row count is taken through a float on purpose, as the grid has always been laid out.
    const auto rows = static_cast<NSUInteger>(std::ceil(static_cast<float>(static_cast<double>(count) / static_cast<double>(perRow))));
    const float hGap = gapBetween(perRow, node.width, content.width);
    const float vGap = gapBetween(rows, node.height, content.height);
    if (count == 0)
        return;

    for (NSUInteger i = 0; i < numberOfGestureNodes_ && i < buttons_.size(); ++i) {
        const float x = axisPosition(i % perRow, perRow, hGap, node.width, content.width, inset.size.width < 0.0f);
        const float y = axisPosition(i / perRow, rows, vGap, node.height, content.height, inset.size.height < 0.0f);
        buttons_[i]->setFrame(CGRectMake(x, y, node.width, node.height));
    }
}

std::shared_ptr<UIButton> TQGestureLockView::_buttonContainsThePoint(CGPoint point) const
{
    for (const auto& button : buttons_) {
        if (CGRectContainsPoint(button->frame(), point))
            return button;
    }
    return nullptr;
}

std::string TQGestureLockView::passcode() const
{
    std::string code;
    for (const auto& button : selectedButtons_) {
        if (!code.empty())
            code += ',';
        code += std::to_string(button->tag());
    }
    return code;
}

// Appends the node unless it is already part of the pattern; the first node of a pattern
// sends the begin callback with its index alone.
void TQGestureLockView::selectButton(const std::shared_ptr<UIButton>& button)
{
    if (std::find(selectedButtons_.begin(), selectedButtons_.end(), button) != selectedButtons_.end())
        return;
    button->setSelected(true);
    selectedButtons_.push_back(button);
    if (selectedButtons_.size() == 1 && _delegateFlags.didBeginWithPasscode) {
        if (const auto delegate = this->delegate())
            delegate->gestureLockViewDidBeginWithPasscode(this, passcode());
    }
}

void TQGestureLockView::touchesBegan(const UITouchSet& touches, UIEvent*)
{
    const auto touch = touches.anyObject();
    if (!touch || !contentView_)
        return;
    const CGPoint location = touch->locationInView(contentView_.get());
    const auto button = _buttonContainsThePoint(location);
    if (!button)
        return;
    trackedLocationInContentView_ = location;
    selectButton(button);
}

void TQGestureLockView::touchesMoved(const UITouchSet& touches, UIEvent*)
{
    // The begin callback may let go of this view; the location and the redraw still need it.
    const auto keepAlive = weak_from_this().lock();
    const auto touch = touches.anyObject();
    if (!touch || !contentView_)
        return;
    const CGPoint location = touch->locationInView(contentView_.get());
    if (!CGRectContainsPoint(contentView_->bounds(), location))
        return;
    if (const auto button = _buttonContainsThePoint(location))
        selectButton(button);
    trackedLocationInContentView_ = location;
    setNeedsDisplay();
}

void TQGestureLockView::touchesEnded(const UITouchSet&, UIEvent*) { finishGesture(Finish::Ended); }

void TQGestureLockView::touchesCancelled(const UITouchSet&, UIEvent*) { finishGesture(Finish::Cancelled); }

void TQGestureLockView::finishGesture(Finish how)
{
    // The delegate may let go of this view from inside its callback; the reset still needs it.
    const auto keepAlive = weak_from_this().lock();
    if (!selectedButtons_.empty()) {
        const bool wanted = how == Finish::Ended ? _delegateFlags.didEndWithPasscode : _delegateFlags.didCanceled;
        const auto delegate = wanted ? this->delegate() : nullptr;
        if (delegate && how == Finish::Ended)
            delegate->gestureLockViewDidEndWithPasscode(this, passcode());
        else if (delegate)
            delegate->gestureLockViewDidCanceledWithPasscode(this, passcode());
    }
    resetSelection();
}

// Deselects every node of the pattern and forgets it and the finger, then asks for a redraw.
void TQGestureLockView::resetSelection()
{
    const auto selected = std::move(selectedButtons_);
    selectedButtons_.clear();
    for (const auto& button : selected)
        button->setSelected(false);
    trackedLocationInContentView_ = kNoLocation;
    setNeedsDisplay();
}

void TQGestureLockView::drawRect(CGRect rect)
{
    UIView::drawRect(rect);
    // No line colour paints no trail, rather than whatever colour the context last held.
    if (selectedButtons_.empty() || !contentView_ || !lineColor_)
        return;

    const UIView* content = contentView_.get();
    auto path = UIBezierPath::bezierPath();
    path->moveToPoint(convertPointFromView(selectedButtons_.front()->center(), content));
    for (std::size_t i = 1; i < selectedButtons_.size(); ++i)
        path->addLineToPoint(convertPointFromView(selectedButtons_[i]->center(), content));
    if (trackedLocationInContentView_.x != -1.0f && trackedLocationInContentView_.y != -1.0f)
        path->addLineToPoint(convertPointFromView(trackedLocationInContentView_, content));

    path->setLineWidth(lineWidth_);
    path->setLineJoinStyle(CGLineJoin::Round);
    lineColor_->setStroke();
    path->stroke();
}
