#include "apps/host/ChatListViewController.h"

#include "platform/foundation/NSNotification.h"
#include "platform/foundation/NSNotificationCenter.h"
#include "platform/graphics/UIColor.h"
#include "platform/graphics/UIFont.h"
#include "platform/runtime/RuntimeThunks.h"
#include "platform/ui/UIKeyboardImpl.h"
#include "platform/ui/UILabel.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UITextField.h"
#include "platform/ui/UIWindow.h"

#include <algorithm>
#include <array>

namespace {

const ClassRegistration registration
    = ClassRegistration::of<ChatListViewController>()
          .method("textFieldShouldReturn:", imp_implementationWithMember<&ChatListViewController::textFieldShouldReturn>())
          .method("keyboardWillShow:", imp_implementationWithMember<&ChatListViewController::keyboardWillShow>())
          .method("keyboardWillHide:", imp_implementationWithMember<&ChatListViewController::keyboardWillHide>());

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

std::shared_ptr<UIView> makeRow(const Conversation& c, CGFloat y, CGFloat width, std::shared_ptr<UILabel>& message)
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
    message = makeLabel(CGRectMake(68, 34, width - 80, 20), c.lastMessage, 14, UIColor::grayColor());
    row->addSubview(message);

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
        std::shared_ptr<UILabel> message;
        root->addSubview(makeRow(c, y, width, message));
        if (!topChatMessage_)
            topChatMessage_ = message;
        y += rowHeight;
    }

    inputBar_ = alloc<UIView>();
    inputBar_->initWithFrame(CGRectMake(0, bounds.size.height - inputBarHeight, width, inputBarHeight));
    inputBar_->setBackgroundColor(UIColor::colorWithWhite(0.97f, 1));
    messageField_ = alloc<UITextField>();
    messageField_->initWithFrame(CGRectMake(8, 8, width - 16, inputBarHeight - 16));
    messageField_->setBackgroundColor(UIColor::whiteColor());
    messageField_->setPlaceholder(std::string("Message"));
    inputBar_->addSubview(messageField_);
    root->addSubview(inputBar_);

    setView(root);
}

void ChatListViewController::viewDidLoad()
{
    const auto self = shared_from_this();
    messageField_->setDelegate(self);
    auto& center = NSNotificationCenter::defaultCenter();
    center.addObserver(self, sel("keyboardWillShow:"), UIKeyboardImpl::willShowNotification, nullptr);
    center.addObserver(self, sel("keyboardWillHide:"), UIKeyboardImpl::willHideNotification, nullptr);
}

BOOL ChatListViewController::textFieldShouldReturn(UITextField* field)
{
    const std::string text = field ? field->text().value_or("") : std::string();
    if (text.find_first_not_of(" \t") == std::string::npos)
        return false;
    if (topChatMessage_)
        topChatMessage_->setText(text);
    field->setText(std::string());
    return true;
}

// The field rides on top of the keyboard while it is up in this screen's window.
void ChatListViewController::keyboardWillShow(NSNotification* notification)
{
    const auto* keyboard = dynamic_cast<UIKeyboardImpl*>(notification ? notification->object() : nullptr);
    const auto root = isViewLoaded() ? view() : nullptr;
    const auto window = keyboard ? keyboard->superview() : nullptr;
    if (!root || !window || window != root->window())
        return;
    placeInputBar(root->convertRectFromView(keyboard->frame(), window.get()).origin.y);
}

void ChatListViewController::keyboardWillHide(NSNotification*)
{
    if (isViewLoaded())
        placeInputBar(view()->bounds().size.height);
}

void ChatListViewController::placeInputBar(CGFloat bottom)
{
    if (!inputBar_)
        return;
    CGRect frame = inputBar_->frame();
    frame.origin.y = std::max(CGFloat(0), bottom - frame.size.height);
    inputBar_->setFrame(frame);
}

// A tap outside the field (the field keeps its own touches) puts the keyboard away.
void ChatListViewController::touchesBegan(const UITouchSet&, UIEvent*)
{
    if (messageField_ && messageField_->isFirstResponder())
        messageField_->resignFirstResponder();
}
