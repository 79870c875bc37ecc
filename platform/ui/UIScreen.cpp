#include "platform/ui/UIScreen.h"

#include "platform/graphics/UIImage.h"
#include "platform/runtime/RuntimeThunks.h"
#include "platform/ui/UIState.h"

#include <cmath>
#include <cstdio>

namespace {

std::shared_ptr<UIScreen>& mainSlot() { return UIState::current().mainScreen(); }
} // namespace

UIScreen::UIScreen(CGSize points, float scale, CGFloat statusBarHeight)
    : size_(points)
    , scale_(scale > 0 && std::isfinite(scale) ? scale : 1.0f)
    , statusBarHeight_(statusBarHeight)
{
}

std::string UIScreen::description() const
{
    char text[128];
    std::snprintf(text, sizeof text, "<UIScreen: %p; bounds = {{0, 0}, {%g, %g}}; scale = %g>", static_cast<const void*>(this),
        static_cast<double>(size_.width), static_cast<double>(size_.height), static_cast<double>(scale_));
    return text;
}

std::shared_ptr<UIScreen> UIScreen::mainScreen() { return mainSlot(); }

void UIScreen::setMainScreen(std::shared_ptr<UIScreen> screen)
{
    UIGraphicsSetMainScreenScale(screen ? screen->scale() : 1.0f);
    mainSlot() = std::move(screen);
}

CGRect UIScreen::applicationFrame() const { return { { 0, statusBarHeight_ }, { size_.width, size_.height - statusBarHeight_ } }; }
