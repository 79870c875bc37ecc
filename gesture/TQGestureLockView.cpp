#include "gesture/TQGestureLockView.h"

#include "platform/foundation/NSNumber.h"
#include "platform/graphics/GraphicsState.h"
#include "platform/graphics/UIBezierPath.h"
#include "platform/graphics/UIColor.h"
#include "platform/graphics/UIImage.h"
#include "platform/runtime/RuntimeThunks.h"

#include <algorithm>
#include <array>
#include <cstdio>

std::shared_ptr<NSObject> TQGestureLockView::valueForKey(const std::string& key) const
{
    if (key == "numberOfGestureNodes")
        return NSNumber::numberWithInteger(numberOfGestureNodes_);
    if (key == "gestureNodesPerRow")
        return NSNumber::numberWithInteger(gestureNodesPerRow_);
    if (key == "lineWidth")
        return NSNumber::numberWithDouble(lineWidth_);
    if (key == "hidesTrail")
        return NSNumber::numberWithBool(hidesTrail_);
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

void TQGestureLockView::nodesReplaced()
{
    nodes_.nodesReplaced(buttons_.size(), !selectedButtons_.empty());
    geometryChanged();
}

void TQGestureLockView::geometryChanged()
{
    trail_.geometryChanged();
    nodes_.recheck();
}

void TQGestureLockView::setSelectedButtons(std::vector<std::shared_ptr<UIButton>> buttons)
{
    selectedButtons_ = std::move(buttons);
    nodes_.selectionSetFromOutside();
    geometryChanged();
}

void TQGestureLockView::setLineColor(std::shared_ptr<UIColor> color)
{
    lineColor_ = std::move(color);
    geometryChanged();
}

void TQGestureLockView::setLineWidth(float width)
{
    lineWidth_ = width;
    geometryChanged();
}

void TQGestureLockView::setHidesTrail(bool hidesTrail)
{
    if (hidesTrail == hidesTrail_)
        return;
    hidesTrail_ = hidesTrail;
    // A pattern in progress changes its look at once, whichever way.
    for (const auto& button : selectedButtons_)
        button->setSelected(!hidesTrail_);
    geometryChanged();
    setNeedsDisplay();
}

void TQGestureLockView::setTrackedLocationInContentView(CGPoint location)
{
    trackedLocationInContentView_ = location;
    geometryChanged();
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
    geometryChanged();
    setNeedsLayout();
}

std::shared_ptr<UIImage> TQGestureLockView::imageWithColor(std::shared_ptr<UIColor> color, CGSize size)
{
    // Every view starts with the same two solid images, and an image never changes: the last few
    // made are handed out again rather than drawn anew for each view.
    constexpr std::size_t kKept = 4;
    const std::array<float, 4> rgba = color ? std::array { color->red(), color->green(), color->blue(), color->alpha() }
                                            : std::array { 0.0f, 0.0f, 0.0f, 0.0f };
    char name[160];
    std::snprintf(name, sizeof name, "TQGestureLockView.solid %a %a %a %a %a %a", static_cast<double>(rgba[0]), static_cast<double>(rgba[1]),
        static_cast<double>(rgba[2]), static_cast<double>(rgba[3]), static_cast<double>(size.width), static_cast<double>(size.height));
    auto& made = GraphicsState::current().namedImages();
    if (auto known = made.find(name))
        return known;

    UIGraphicsBeginImageContext(size);
    CGContextRef context = UIGraphicsGetCurrentContext();
    if (color) {
        CGContextSetFillColorWithColor(context, color.get());
        CGContextFillRect(context, CGRectMake(0.0f, 0.0f, size.width, size.height));
    }
    auto image = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    if (image)
        made.insert(name, image, kKept);
    return image;
}

void TQGestureLockView::layoutSubviews()
{
    UIView::layoutSubviews();
    geometryChanged();
    if (!contentView_) {
        nodes_.placed(TQGestureGrid());
        return;
    }
    const CGRect inset = UIEdgeInsetsInsetRect(bounds(), contentInsets_);
    contentView_->setFrame(contentFrameForBounds());

    nodes_.placed(TQGestureGrid({ .count = numberOfGestureNodes_,
        .perRow = gestureNodesPerRow_,
        .node = buttonSize_,
        .content = contentView_->bounds().size,
        .noRoomAcross = inset.size.width < 0.0f,
        .noRoomDown = inset.size.height < 0.0f }));
    const TQGestureGrid& grid = nodes_.grid();
    for (std::size_t i = 0; i < grid.count() && i < buttons_.size(); ++i)
        buttons_[i]->setFrame(grid.frameAt(i));
}

std::shared_ptr<UIButton> TQGestureLockView::_buttonContainsThePoint(CGPoint point)
{
    const std::size_t index = nodes_.nodeAt(point, buttons_);
    return index == TQGestureGrid::kNone ? nullptr : buttons_[index];
}

void TQGestureLockView::drawRect(CGRect rect)
{
    UIView::drawRect(rect);
    // No line colour paints no trail, rather than whatever colour the context last held.
    if (hidesTrail_ || selectedButtons_.empty() || !contentView_ || !lineColor_)
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
