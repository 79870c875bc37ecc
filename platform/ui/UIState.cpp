#include "platform/ui/UIState.h"

#include "platform/foundation/InForce.h"

#include "platform/ui/UIApplication.h"
#include "platform/ui/UIKeyboardImpl.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UITouchInjector.h"
#include "platform/ui/UIViewAnimator.h"
#include "platform/ui/UIWindow.h"

UIState::UIState()
    : application_(std::make_shared<UIApplication>())
    , animator_(std::make_shared<UIViewAnimator>())
    , touchInjector_(std::make_shared<UITouchInjector>())
{
}

UIState::~UIState() { dropContents(); }

UIState& UIState::current() { return InForce<UIState>::get("the toolkit's views were"); }

UIState* UIState::makeCurrent(UIState* state) { return InForce<UIState>::exchange(state); }

void UIState::dropContents()
{
    touchInjector_->forget();
    // Each is moved out before it goes, so that what it takes down finds its slot empty, not half gone.
    if (auto keyboard = std::move(keyboard_))
        keyboard.reset();
    animator_->dropAll();
    application_->forget();
    while (!windows_.frontToBack.empty()) {
        std::vector<std::shared_ptr<UIWindow>> windows;
        windows.swap(windows_.frontToBack);
        windows_.key.reset();
    }
    windows_.key.reset();
}
