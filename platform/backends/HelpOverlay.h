#pragma once
// A small panel of text that the desktop window draws over the screen's picture, at the window's
// own pixel size: the keys it understands, or the banner over the cover while the host is in the
// background. It is no view of the host's, so nothing of it shows in snapshots.
#include "platform/graphics/FrameBuffer.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

class HelpOverlay {
public:
    using Rows = std::vector<std::pair<std::string, std::string>>;

    // The panel that lists the keys, in the preferred language.
    static HelpOverlay keys();
    // The banner shown over the cover while the host is in the background, in the preferred language.
    static HelpOverlay background();
    // An English text as the strings table "help" of the lock's bundle gives it; the text itself
    // when nothing translates it.
    static std::string localized(const std::string& english);

    HelpOverlay(std::string title, Rows rows) : title_(std::move(title)), rows_(std::move(rows)) { }
    const std::string& title() const { return title_; }
    const Rows& rows() const { return rows_; }

    // The title over rows of two columns, white on a dark panel, drawn at the largest scale (up to
    // four times its natural size) that fits in width x height pixels less a margin, so that it
    // grows and shrinks with the window; null when nothing fits or it cannot be made.
    std::unique_ptr<FrameBuffer> renderToFit(int width, int height) const;

private:
    std::unique_ptr<FrameBuffer> render(double scale) const;

    std::string title_;
    Rows rows_;
};
