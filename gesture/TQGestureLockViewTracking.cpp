// The gesture lock view's touch handling: the selection, the passcode string, the calls to the
// delegate, and the redraw requests for the trail.
#include "gesture/TQGestureLockView.h"

#include "platform/ui/UITouch.h"

void TQGestureLockView::setDelegate(const std::shared_ptr<TQGestureLockViewDelegate>& delegate)
{
    delegate_ = delegate;
    _delegateFlags.didBeginWithPasscode = delegate && delegate->respondsToSelector(sel(TQGestureLockViewDelegate::kDidBeginWithPasscode));
    _delegateFlags.didEndWithPasscode = delegate && delegate->respondsToSelector(sel(TQGestureLockViewDelegate::kDidEndWithPasscode));
    _delegateFlags.didCanceled = delegate && delegate->respondsToSelector(sel(TQGestureLockViewDelegate::kDidCanceledWithPasscode));
}

// The selector goes through the runtime, the same that answered respondsToSelector:, so what is
// sent is what the flag was set for.
bool TQGestureLockView::tellDelegate(bool answers, const char* selector)
{
    const auto delegate = answers ? this->delegate() : nullptr;
    auto* receiver = dynamic_cast<NSObject*>(delegate.get());
    if (!receiver)
        return false;
    objc_msgSend<void, TQGestureLockView*, const std::string&>(receiver, sel(selector), this, passcode());
    return true;
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
    if (nodes_.isSelected(index, buttons_, selectedButtons_))
        return;
    const auto& button = buttons_[index];
    button->setSelected(!hidesTrail_);
    selectedButtons_.push_back(button);
    nodes_.select(index);
    // The delegate may move nodes.
    if (selectedButtons_.size() == 1 && tellDelegate(_delegateFlags.didBeginWithPasscode, TQGestureLockViewDelegate::kDidBeginWithPasscode))
        nodes_.recheck();
}

std::optional<CGPoint> TQGestureLockView::contentLocation(const UITouchSet& touches) const
{
    const auto touch = touches.anyObject();
    if (!touch || !contentView_)
        return std::nullopt;
    return touch->locationInView(contentView_.get());
}

void TQGestureLockView::touchesBegan(const UITouchSet& touches, UIEvent*)
{
    // The begin callback may let go of this view; the bookkeeping after it still needs it.
    const auto keepAlive = weak_from_this().lock();
    const std::optional<CGPoint> at = contentLocation(touches);
    if (!at)
        return;
    const CGPoint location = *at;
    // Nodes may have been moved between gestures; the first hit test finds out.
    nodes_.recheck();
    const std::size_t index = nodes_.nodeAt(location, buttons_);
    if (index == TQGestureGrid::kNone)
        return;
    const bool nothingDrawn = selectedButtons_.empty() && trailAsRequested();
    const auto changes = trail_.changes();
    trackedLocationInContentView_ = location;
    selectButton(index);
    // No redraw now, but the segment to this point counts as drawn, so the first move's
    // request covers it whenever the toolkit happens to draw the view before then.
    trail_.setRequested(nothingDrawn && changes == trail_.changes() ? currentTrail() : TQGestureTrail {});
}

void TQGestureLockView::touchesMoved(const UITouchSet& touches, UIEvent*)
{
    // The begin callback may let go of this view; the location and the redraw still need it.
    const auto keepAlive = weak_from_this().lock();
    const std::optional<CGPoint> at = contentLocation(touches);
    if (!at)
        return;
    const CGPoint location = *at;
    if (!CGRectContainsPoint(contentView_->bounds(), location))
        return;
    const bool partial = trailAsRequested();
    const auto changes = trail_.changes();
    const std::size_t index = nodes_.nodeAt(location, buttons_);
    if (index != TQGestureGrid::kNone)
        selectButton(index);
    trackedLocationInContentView_ = location;
    const TQGestureTrail before = trail_.requested();
    trail_.setRequested(currentTrail());
    const TQGestureTrail& now = trail_.requested();
    // Unseen, a move changes no pixel: there is nothing to redraw.
    if (hidesTrail_)
        return;
    // Everything of the trail but what the move changed is painted exactly as before.
    const auto dirty = partial && changes == trail_.changes() && now.known() ? TQGestureTrail::damage(before, now, lineWidth_) : std::nullopt;
    if (dirty)
        setNeedsDisplayInRect(*dirty);
    else
        setNeedsDisplay();
}

// What the trail is drawn from as it stands; none when its place on this view cannot be followed
// (a content view elsewhere, or nodes moved by someone else).
std::optional<TQGestureTrail::Inputs> TQGestureLockView::trailInputs()
{
    const UIView* content = contentView_.get();
    if (!content || content->superviewPointer() != this || !nodes_.framesAsPlaced(buttons_))
        return std::nullopt;
    TQGestureTrail::Inputs inputs;
    inputs.changes = trail_.changes();
    inputs.count = selectedButtons_.size();
    inputs.tracked = trackedLocationInContentView_;
    if (inputs.count > 0) {
        inputs.last = selectedButtons_.back().get();
        inputs.lastCentre = selectedButtons_.back()->center();
    }
    inputs.viewBounds = bounds();
    inputs.contentFrame = content->frame();
    inputs.contentBounds = content->bounds();
    inputs.contentTransform = content->transform();
    return inputs;
}

bool TQGestureLockView::trailAsRequested() { return trail_.asRequested(trailInputs()); }

TQGestureTrail TQGestureLockView::currentTrail()
{
    const auto inputs = trailInputs();
    if (!inputs)
        return {};
    const UIView* content = contentView_.get();
    return TQGestureTrail(*inputs, content->convertPointToSuperviewSpace(inputs->lastCentre), content->convertPointToSuperviewSpace(inputs->tracked));
}

void TQGestureLockView::touchesEnded(const UITouchSet&, UIEvent*) { finishGesture(Finish::Ended); }

void TQGestureLockView::touchesCancelled(const UITouchSet&, UIEvent*) { finishGesture(Finish::Cancelled); }

void TQGestureLockView::finishGesture(Finish how)
{
    // The delegate may let go of this view from inside its callback; the reset still needs it.
    const auto keepAlive = weak_from_this().lock();
    if (!selectedButtons_.empty()) {
        if (how == Finish::Ended)
            tellDelegate(_delegateFlags.didEndWithPasscode, TQGestureLockViewDelegate::kDidEndWithPasscode);
        else
            tellDelegate(_delegateFlags.didCanceled, TQGestureLockViewDelegate::kDidCanceledWithPasscode);
    }
    resetSelection();
}

// Deselects every node of the pattern and forgets it and the finger, then asks for a redraw.
void TQGestureLockView::resetSelection()
{
    const auto selected = std::move(selectedButtons_);
    selectedButtons_.clear();
    nodes_.clearSelection();
    for (const auto& button : selected)
        button->setSelected(false);
    trackedLocationInContentView_ = kNoLocation;
    setNeedsDisplay();
    trail_.setRequested(currentTrail());
}

bool TQGestureLockView::pressKey(const UIKeyPress& key)
{
    // The begin callback may let go of this view; the redraw after it still needs it.
    const auto keepAlive = weak_from_this().lock();
    if (key.kind != UIKeyPress::Kind::Digit) {
        if (selectedButtons_.empty())
            return false;
        finishGesture(key.kind == UIKeyPress::Kind::Enter ? Finish::Ended : Finish::Cancelled);
        return true;
    }
    if (key.digit < 1 || static_cast<std::size_t>(key.digit) > buttons_.size() || !contentView_)
        return false;
    const auto index = static_cast<std::size_t>(key.digit - 1);
    if (nodes_.isSelected(index, buttons_, selectedButtons_))
        return true;
    selectButton(index);
    // The finger rests on the node it entered, so the trail ends there.
    if (!selectedButtons_.empty())
        trackedLocationInContentView_ = selectedButtons_.back()->center();
    if (!hidesTrail_)
        setNeedsDisplay();
    trail_.setRequested(currentTrail());
    return true;
}
