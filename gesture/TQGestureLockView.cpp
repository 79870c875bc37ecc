#include "gesture/TQGestureLockView.h"

#include "platform/foundation/NSNumber.h"
#include "platform/graphics/UIBezierPath.h"
#include "platform/graphics/UIColor.h"
#include "platform/graphics/UIImage.h"
#include "platform/runtime/RuntimeThunks.h"
#include "platform/ui/UITouch.h"

#include <algorithm>
#include <array>
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

// How many neighbours a point may have to be checked against on one axis before walking every
// node is cheaper than computing its cell.
constexpr std::size_t kMaxCellSpan = 8;
constexpr std::size_t kTooManyCells = static_cast<std::size_t>(-2);

// The cells along one axis whose span [position, position + extent) holds v, as first..last
// (first > last when none does), or false when too many of them do. Positions are in order.
bool cellSpan(const std::vector<float>& positions, float extent, float v, std::size_t& first, std::size_t& last)
{
    first = 1;
    last = 0;
    const std::size_t n = positions.size();
    if (n == 0 || !(v >= positions[0]))
        return true;
    // A guess from the mean pitch, then a short walk to the last position at or before v.
    const float pitch = n > 1 ? (positions[n - 1] - positions[0]) / static_cast<float>(n - 1) : 0.0f;
    std::size_t cell = 0;
    if (pitch > 0.0f) {
        const float guess = (v - positions[0]) / pitch;
        cell = guess >= static_cast<float>(n - 1) ? n - 1 : static_cast<std::size_t>(guess);
    }
    std::size_t steps = 0;
    while (cell + 1 < n && positions[cell + 1] <= v) {
        ++cell;
        if (++steps > kMaxCellSpan)
            return false;
    }
    while (positions[cell] > v) {
        --cell;
        if (++steps > kMaxCellSpan)
            return false;
    }
    // The same sum as the frame's own containment test; earlier cells reach no further.
    if (!(v < positions[cell] + extent))
        return true;
    first = last = cell;
    while (first > 0 && v < positions[first - 1] + extent) {
        --first;
        if (last - first > kMaxCellSpan)
            return false;
    }
    return true;
}

bool ascendingAndFinite(const std::vector<float>& positions)
{
    for (std::size_t i = 0; i < positions.size(); ++i) {
        if (!std::isfinite(positions[i]) || (i > 0 && !(positions[i - 1] <= positions[i])))
            return false;
    }
    return true;
}

// The box of a stroked segment: half the width on every side covers the square ends and the
// round joins, and one more point covers the anti-aliased edge pixels.
CGRect segmentBox(CGPoint a, CGPoint b, float outset)
{
    const float x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
    const float x1 = std::max(a.x, b.x), y1 = std::max(a.y, b.y);
    return CGRectMake(x0 - outset, y0 - outset, x1 - x0 + 2.0f * outset, y1 - y0 + 2.0f * outset);
}

bool hasLocation(CGPoint p) { return p.x != -1.0f && p.y != -1.0f; }

bool finiteRect(CGRect r)
{
    return std::isfinite(r.origin.x) && std::isfinite(r.origin.y) && std::isfinite(r.size.width) && std::isfinite(r.size.height);
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
    placement_.frames = Placement::Frames::Moved;
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

void TQGestureLockView::setDelegate(const std::shared_ptr<TQGestureLockViewDelegate>& delegate)
{
    delegate_ = delegate;
    _delegateFlags.didBeginWithPasscode = delegate && delegate->respondsToSelector(sel("gestureLockView:didBeginWithPasscode:"));
    _delegateFlags.didEndWithPasscode = delegate && delegate->respondsToSelector(sel("gestureLockView:didEndWithPasscode:"));
    _delegateFlags.didCanceled = delegate && delegate->respondsToSelector(sel("gestureLockView:didCanceledWithPasscode:"));
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
    placement_.frames = Placement::Frames::Unchecked;
    placement_.computable = false;
    placement_.columnX.clear();
    placement_.rowY.clear();
    placement_.count = 0;
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

    NSUInteger i = 0;
    for (; i < numberOfGestureNodes_ && i < buttons_.size(); ++i) {
        const float x = axisPosition(i % perRow, perRow, hGap, node.width, content.width, inset.size.width < 0.0f);
        const float y = axisPosition(i / perRow, rows, vGap, node.height, content.height, inset.size.height < 0.0f);
        buttons_[i]->setFrame(CGRectMake(x, y, node.width, node.height));
        if (i < perRow)
            placement_.columnX.push_back(x);
        if (i % perRow == 0)
            placement_.rowY.push_back(y);
    }
    placement_.count = i;
    placement_.perRow = perRow;
    placement_.node = node;
    placement_.buttonsGeneration = buttonsGeneration_;
    placement_.computable = i == buttons_.size() && std::isfinite(node.width) && std::isfinite(node.height)
        && ascendingAndFinite(placement_.columnX) && ascendingAndFinite(placement_.rowY);
}

// Whether every node still has the frame the last layout pass gave it; checked once after
// anything that may have moved a node, then trusted until the next such moment.
bool TQGestureLockView::framesAsPlaced()
{
    if (placement_.frames == Placement::Frames::Unchecked) {
        const Placement& p = placement_;
        bool same = p.computable && p.buttonsGeneration == buttonsGeneration_ && p.count == buttons_.size();
        for (std::size_t i = 0; same && i < p.count; ++i)
            same = buttons_[i]->frame() == CGRectMake(p.columnX[i % p.perRow], p.rowY[i / p.perRow], p.node.width, p.node.height);
        placement_.frames = same ? Placement::Frames::AsPlaced : Placement::Frames::Moved;
    }
    return placement_.frames == Placement::Frames::AsPlaced;
}

// The nodes that can hold the point are those of the columns and rows whose span holds it;
// they are examined in index order, so the lowest index wins where frames overlap.
std::size_t TQGestureLockView::indexFromPlacement(CGPoint point) const
{
    const Placement& p = placement_;
    std::size_t firstColumn = 0, lastColumn = 0, firstRow = 0, lastRow = 0;
    if (!cellSpan(p.columnX, p.node.width, point.x, firstColumn, lastColumn) || !cellSpan(p.rowY, p.node.height, point.y, firstRow, lastRow))
        return kTooManyCells;
    for (std::size_t row = firstRow; row <= lastRow; ++row) {
        for (std::size_t column = firstColumn; column <= lastColumn; ++column) {
            const std::size_t index = row * p.perRow + column;
            if (index >= p.count)
                break;
            if (CGRectContainsPoint(buttons_[index]->frame(), point))
                return index;
        }
    }
    return kNoNode;
}

std::size_t TQGestureLockView::indexOfNodeContainingPoint(CGPoint point)
{
    if (framesAsPlaced()) {
        const std::size_t index = indexFromPlacement(point);
        if (index != kTooManyCells)
            return index;
    }
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        if (CGRectContainsPoint(buttons_[i]->frame(), point))
            return i;
    }
    return kNoNode;
}

std::shared_ptr<UIButton> TQGestureLockView::_buttonContainsThePoint(CGPoint point)
{
    const std::size_t index = indexOfNodeContainingPoint(point);
    return index == kNoNode ? nullptr : buttons_[index];
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

// Appends the node at that index of buttons unless it is already part of the pattern; the first
// node of a pattern sends the begin callback with its index alone.
void TQGestureLockView::selectButton(std::size_t index)
{
    const auto& button = buttons_[index];
    // A node shared by two indices is always found at the lower one, so its flag is enough.
    const bool member = selectionIndexed_ ? selectedIndex_[index] != 0
                                          : std::find(selectedButtons_.begin(), selectedButtons_.end(), button) != selectedButtons_.end();
    if (member)
        return;
    button->setSelected(true);
    selectedButtons_.push_back(button);
    if (selectionIndexed_) {
        selectedIndex_[index] = 1;
        selectedIndices_.push_back(index);
    }
    if (selectedButtons_.size() == 1 && _delegateFlags.didBeginWithPasscode) {
        if (const auto delegate = this->delegate()) {
            delegate->gestureLockViewDidBeginWithPasscode(this, passcode());
            // The delegate may have moved nodes.
            placement_.frames = Placement::Frames::Unchecked;
        }
    }
}

void TQGestureLockView::touchesBegan(const UITouchSet& touches, UIEvent*)
{
    // The begin callback may let go of this view; the bookkeeping after it still needs it.
    const auto keepAlive = weak_from_this().lock();
    const auto touch = touches.anyObject();
    if (!touch || !contentView_)
        return;
    const CGPoint location = touch->locationInView(contentView_.get());
    // Nodes may have been moved between gestures; the first hit test finds out.
    placement_.frames = Placement::Frames::Unchecked;
    const std::size_t index = indexOfNodeContainingPoint(location);
    if (index == kNoNode)
        return;
    const bool nothingDrawn = selectedButtons_.empty() && trailUnchangedSince(requested_);
    const auto inputs = trailInputsChanged_;
    trackedLocationInContentView_ = location;
    selectButton(index);
    // No redraw now, but the segment to this point counts as drawn, so the first move's
    // request covers it whenever the toolkit happens to draw the view before then.
    requested_ = nothingDrawn && inputs == trailInputsChanged_ ? currentTrail() : RequestedTrail {};
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
    const bool partial = trailUnchangedSince(requested_);
    const auto inputs = trailInputsChanged_;
    const std::size_t index = indexOfNodeContainingPoint(location);
    if (index != kNoNode)
        selectButton(index);
    trackedLocationInContentView_ = location;
    const RequestedTrail before = requested_;
    requested_ = currentTrail();
    requestTrailRedraw(partial && inputs == trailInputsChanged_ && requested_.known, before, requested_);
}

// The trail as it stands, with the geometry that places it on this view; unknown when that
// geometry cannot be followed (a content view elsewhere, or nodes moved by someone else).
TQGestureLockView::RequestedTrail TQGestureLockView::currentTrail()
{
    RequestedTrail trail;
    const UIView* content = contentView_.get();
    if (!content || content->superviewPointer() != this || !framesAsPlaced())
        return trail;
    trail.known = true;
    trail.inputs = trailInputsChanged_;
    trail.count = selectedButtons_.size();
    trail.tracked = trackedLocationInContentView_;
    trail.trackedInView = content->convertPointToSuperviewSpace(trail.tracked);
    if (trail.count > 0) {
        trail.last = selectedButtons_.back().get();
        trail.lastCentre = selectedButtons_.back()->center();
        trail.lastCentreInView = content->convertPointToSuperviewSpace(trail.lastCentre);
    }
    trail.viewBounds = bounds();
    trail.contentFrame = content->frame();
    trail.contentBounds = content->bounds();
    trail.contentTransform = content->transform();
    return trail;
}

// Whether the trail and its place on this view are still what the last request covered.
bool TQGestureLockView::trailUnchangedSince(const RequestedTrail& requested)
{
    const UIView* content = contentView_.get();
    if (!requested.known || requested.inputs != trailInputsChanged_ || requested.count != selectedButtons_.size()
        || !(requested.tracked == trackedLocationInContentView_) || !content || content->superviewPointer() != this)
        return false;
    if (requested.viewBounds != bounds() || requested.contentFrame != content->frame() || requested.contentBounds != content->bounds()
        || requested.contentTransform != content->transform() || !framesAsPlaced())
        return false;
    return requested.count == 0 || (selectedButtons_.back().get() == requested.last && selectedButtons_.back()->center() == requested.lastCentre);
}

// Asks for a redraw of what a move changed: the old and the new loose segment, and the segment
// to a node that joined. Everything else of the trail is painted exactly as before.
void TQGestureLockView::requestTrailRedraw(bool partial, const RequestedTrail& before, const RequestedTrail& now)
{
    const float outset = std::fabs(lineWidth_) / 2.0f + 1.0f;
    if (!partial || !std::isfinite(outset)) {
        setNeedsDisplay();
        return;
    }
    CGRect dirty {};
    bool any = false;
    const auto add = [&](CGPoint a, CGPoint b) {
        const CGRect box = segmentBox(a, b, outset);
        dirty = any ? CGRectUnion(dirty, box) : box;
        any = true;
    };
    if (before.count > 0 && hasLocation(before.tracked))
        add(before.lastCentreInView, before.trackedInView);
    if (before.count > 0 && now.count > before.count)
        add(before.lastCentreInView, now.lastCentreInView);
    if (now.count > 0 && hasLocation(now.tracked))
        add(now.lastCentreInView, now.trackedInView);
    // Nothing painted before or after: the request still stands, for as little as the finger.
    if (!any)
        add(now.trackedInView, now.trackedInView);
    if (finiteRect(dirty))
        setNeedsDisplayInRect(dirty);
    else
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
    if (selectionIndexed_) {
        for (const std::size_t index : selectedIndices_)
            selectedIndex_[index] = 0;
    } else {
        std::fill(selectedIndex_.begin(), selectedIndex_.end(), std::uint8_t { 0 });
    }
    selectedIndices_.clear();
    selectionIndexed_ = true;
    for (const auto& button : selected)
        button->setSelected(false);
    trackedLocationInContentView_ = kNoLocation;
    setNeedsDisplay();
    requested_ = currentTrail();
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
