#pragma once
#include "platform/graphics/CGGeometry.h"
#include "platform/runtime/NSObject.h"

#include <memory>

// The display: a size in points, a scale from points to pixels and a status bar along the top.
class UIScreen final : public NSObject {
public:
    // A scale that is not a positive number counts as 1, so pixel sizes stay defined.
    UIScreen(CGSize points, float scale, CGFloat statusBarHeight = 20);

    GLYPHWARD_RUNTIME_CLASS(UIScreen, NSObject);
    std::string description() const override;

    // The main screen of the toolkit in force, or null while none has been set.
    static std::shared_ptr<UIScreen> mainScreen();
    static void setMainScreen(std::shared_ptr<UIScreen> screen);

    // (0, 0, width, height) in points.
    CGRect bounds() const { return { {}, size_ }; }
    float scale() const { return scale_; }
    CGFloat statusBarHeight() const { return statusBarHeight_; }
    // The bounds less the status bar at the top.
    CGRect applicationFrame() const;

private:
    CGSize size_;
    float scale_;
    CGFloat statusBarHeight_;
};
