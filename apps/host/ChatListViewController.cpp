#include "apps/host/ChatListViewController.h"

#include "platform/graphics/UIColor.h"
#include "platform/graphics/UIFont.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UITextField.h"

#include <array>

namespace {

struct Conversation {
    const char* name;
    const char* lastMessage;
    float red, green, blue;
};

constexpr std::array<Conversation, 6> conversations { {
    { "Mei Lin", "See you at the station at eight?", 0.35f, 0.62f, 0.90f },
    { "Family", "Dad: photos from the weekend are up", 0.95f, 0.55f, 0.30f },
    { "Arjun", "The build is green again", 0.40f, 0.75f, 0.45f },
    { "Book club", "Next one: The Left Hand of Darkness", 0.70f, 0.45f, 0.80f },
    { "Sofia", "Thanks! Got it.", 0.90f, 0.40f, 0.50f },
    { "Team lunch", "Noodles or dumplings?", 0.50f, 0.55f, 0.60f },
} };

constexpr CGFloat statusBar = 20;
constexpr CGFloat titleBarHeight = 44;
constexpr CGFloat rowHeight = 64;
constexpr CGFloat inputBarHeight = 48;

std::shared_ptr<UILabel> makeLabel(CGRect frame, const std::string& text, CGFloat size, std::shared_ptr<UIColor> color)
{
    auto label = alloc<UILabel>();
    label->initWithFrame(frame);
    label->setText(text);
    label->setFont(UIFont::systemFontOfSize(size));
    label->setTextColor(std::move(color));
    label->setBackgroundColor(UIColor::clearColor());
    return label;
}

std::shared_ptr<UIView> makeRow(const Conversation& c, CGFloat y, CGFloat width)
{
    auto row = alloc<UIView>();
    row->initWithFrame(CGRectMake(0, y, width, rowHeight));
    row->setBackgroundColor(UIColor::whiteColor());

    auto avatar = alloc<UIView>();
    avatar->initWithFrame(CGRectMake(12, 10, 44, 44));
    avatar->setBackgroundColor(UIColor::colorWithRed(c.red, c.green, c.blue, 1));
    row->addSubview(avatar);

    auto initial = makeLabel(CGRectMake(0, 0, 44, 44), std::string(c.name, 1), 20, UIColor::whiteColor());
    initial->setTextAlignment(NSTextAlignment::Center);
    avatar->addSubview(initial);

    row->addSubview(makeLabel(CGRectMake(68, 10, width - 80, 22), c.name, 17, UIColor::blackColor()));
    row->addSubview(makeLabel(CGRectMake(68, 34, width - 80, 20), c.lastMessage, 14, UIColor::grayColor()));

    auto separator = alloc<UIView>();
    separator->initWithFrame(CGRectMake(68, rowHeight - 1, width - 68, 1));
    separator->setBackgroundColor(UIColor::colorWithWhite(0.88f, 1));
    row->addSubview(separator);
    return row;
}

} // namespace

void ChatListViewController::loadView()
{
    const auto screen = UIScreen::mainScreen();
    const CGRect bounds = screen ? screen->bounds() : CGRectMake(0, 0, 320, 568);
    const CGFloat width = bounds.size.width;

    auto root = alloc<UIView>();
    root->initWithFrame(bounds);
    root->setBackgroundColor(UIColor::colorWithWhite(0.94f, 1));

    auto titleBar = alloc<UIView>();
    titleBar->initWithFrame(CGRectMake(0, 0, width, statusBar + titleBarHeight));
    titleBar->setBackgroundColor(UIColor::colorWithWhite(0.15f, 1));
    auto title = makeLabel(CGRectMake(0, statusBar, width, titleBarHeight), "Chats", 18, UIColor::whiteColor());
    title->setTextAlignment(NSTextAlignment::Center);
    titleBar->addSubview(title);
    root->addSubview(titleBar);

    CGFloat y = statusBar + titleBarHeight;
    for (const Conversation& c : conversations) {
        if (y + rowHeight > bounds.size.height - inputBarHeight)
            break;
        root->addSubview(makeRow(c, y, width));
        y += rowHeight;
    }

    auto inputBar = alloc<UIView>();
    inputBar->initWithFrame(CGRectMake(0, bounds.size.height - inputBarHeight, width, inputBarHeight));
    inputBar->setBackgroundColor(UIColor::colorWithWhite(0.97f, 1));
    messageField_ = alloc<UITextField>();
    messageField_->initWithFrame(CGRectMake(8, 8, width - 16, inputBarHeight - 16));
    messageField_->setBackgroundColor(UIColor::whiteColor());
    messageField_->setPlaceholder(std::string("Message"));
    inputBar->addSubview(messageField_);
    root->addSubview(inputBar);

    setView(root);
}
