#include "gesture/TQGestureLockView.h"

#include "platform/foundation/NSNumber.h"
#include "platform/graphics/UIBezierPath.h"
#include "platform/graphics/UIColor.h"
#include "platform/graphics/UIImage.h"
#include "platform/runtime/RuntimeThunks.h"

#include <algorithm>
#include <array>

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
    nodesReplaced();
}

void TQGestureLockView::setButtons(std::vector<std::shared_ptr<UIButton>> buttons)
{
    buttons_ = std::move(buttons);
    nodesReplaced();
}

// New nodes sit wherever they were put until the next layout pass; the selection flags start
// over, unless a selection is still held, which is then looked up in the array until its reset.
void TQGestureLockView::nodesReplaced()
{
    ++buttonsGeneration_;
    ++trailInputsChanged_;
    frames_ = Frames::Moved;
    selectedIndex_.assign(buttons_.size(), 0);
    selectedIndices_.clear();
    selectionIndexed_ = selectedButtons_.empty();
}

void TQGestureLockView::setSelectedButtons(std::vector<std::shared_ptr<UIButton>> buttons)
{
    selectedButtons_ = std::move(buttons);
    selectionIndexed_ = false;
    ++trailInputsChanged_;
}

void TQGestureLockView::setNormalGestureNodeImage(std::shared_ptr<UIImage> image)
{
    setNodeImage(normalGestureNodeImage_, std::move(image), UIControlStateNormal);
}

void TQGestureLockView::setSelectedGestureNodeImage(std::shared_ptr<UIImage> image)
{
    setNodeImage(selectedGestureNodeImage_, std::move(image), UIControlStateSelected);
}

// The two image setters are twins: the same object is ignored, the node size only grows (each
// dimension on its own, no image counting as 0 × 0), and every node gets the image for its state.
void TQGestureLockView::setNodeImage(std::shared_ptr<UIImage>& stored, std::shared_ptr<UIImage> image, UIControlState state)
{
    if (image == stored)
        return;
    stored = image;
    const CGSize size = image ? image->size() : CGSizeZero;
    setButtonSize(CGSizeMake(buttonSize_.width > size.width ? buttonSize_.width : size.width,
        buttonSize_.height > size.height ? buttonSize_.height : size.height));
    for (const auto& button : buttons_)
        button->setImage(image, state);
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
    ++trailInputsChanged_;
    setNeedsLayout();
}

std::shared_ptr<UIImage> TQGestureLockView::imageWithColor(std::shared_ptr<UIColor> color, CGSize size)
{
    // Every view starts with the same two solid images, and an image never changes: the last few
    // made are handed out again rather than drawn anew for each view.
    struct Made {
        std::array<float, 4> rgba;
        CGSize size;
        std::shared_ptr<UIImage> image;
    };
    static std::vector<Made> made;
    constexpr std::size_t kKept = 4;
    const std::array<float, 4> rgba = color ? std::array { color->red(), color->green(), color->blue(), color->alpha() }
                                            : std::array { 0.0f, 0.0f, 0.0f, 0.0f };
    for (const Made& m : made)
        if (m.rgba == rgba && m.size.width == size.width && m.size.height == size.height)
            return m.image;

    UIGraphicsBeginImageContext(size);
    CGContextRef context = UIGraphicsGetCurrentContext();
    if (color) {
        CGContextSetFillColorWithColor(context, color.get());
        CGContextFillRect(context, CGRectMake(0.0f, 0.0f, size.width, size.height));
    }
    auto image = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    if (image) {
        if (made.size() == kKept)
            made.erase(made.begin());
        made.push_back({ rgba, size, image });
    }
    return image;
}

void TQGestureLockView::layoutSubviews()
{
    UIView::layoutSubviews();
    ++trailInputsChanged_;
    frames_ = Frames::Unchecked;
    grid_ = TQGestureGrid();
    if (!contentView_)
        return;
    const CGRect inset = UIEdgeInsetsInsetRect(bounds(), contentInsets_);
    contentView_->setFrame(contentFrameForBounds());

    grid_ = TQGestureGrid({ .count = numberOfGestureNodes_,
        .perRow = gestureNodesPerRow_,
        .node = buttonSize_,
        .content = contentView_->bounds().size,
        .noRoomAcross = inset.size.width < 0.0f,
        .noRoomDown = inset.size.height < 0.0f });
    gridButtonsGeneration_ = buttonsGeneration_;
    for (std::size_t i = 0; i < grid_.count() && i < buttons_.size(); ++i)
        buttons_[i]->setFrame(grid_.frameAt(i));
}

// Whether every node still has the frame the grid gave it; checked once after anything that may
// have moved a node, then trusted until the next such moment.
bool TQGestureLockView::framesAsPlaced()
{
    if (frames_ == Frames::Unchecked) {
        bool same = grid_.searchable() && gridButtonsGeneration_ == buttonsGeneration_ && grid_.count() == buttons_.size();
        for (std::size_t i = 0; same && i < grid_.count(); ++i)
            same = buttons_[i]->frame() == grid_.frameAt(i);
        frames_ = same ? Frames::AsPlaced : Frames::Moved;
    }
    return frames_ == Frames::AsPlaced;
}

std::size_t TQGestureLockView::indexOfNodeContainingPoint(CGPoint point)
{
    if (framesAsPlaced()) {
        const std::size_t index = grid_.nodeAt(point);
        if (index != TQGestureGrid::kUnknown)
            return index;
    }
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        if (CGRectContainsPoint(buttons_[i]->frame(), point))
            return i;
    }
    return TQGestureGrid::kNone;
}

std::shared_ptr<UIButton> TQGestureLockView::_buttonContainsThePoint(CGPoint point)
{
    const std::size_t index = indexOfNodeContainingPoint(point);
    return index == TQGestureGrid::kNone ? nullptr : buttons_[index];
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
