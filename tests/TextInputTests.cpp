// Typing into a text field from a hardware keyboard: only the key window's first responder hears
// keys, text is UTF-8 kept whole, Return goes to the delegate, and the keyboard says when it
// comes and goes.
#include "platform/foundation/NSNotification.h"
#include "platform/foundation/NSNotificationCenter.h"
#include "platform/runtime/RuntimeThunks.h"
#include "platform/ui/UIKeyboardImpl.h"
#include "platform/ui/UIKeyboardInput.h"
#include "platform/ui/UIScreen.h"
#include "platform/ui/UITextField.h"
#include "platform/ui/UITouchInjector.h"
#include "platform/ui/UIWindow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class FieldWatcher : public NSObject {
public:
    GLYPHWARD_RUNTIME_CLASS_NAMED("TextInputTestWatcher", NSObject);
    BOOL textFieldShouldReturn(UITextField* field)
    {
        events.push_back("return:" + field->text().value_or(""));
        return true;
    }
    void keyboardShown(NSNotification* note) { events.push_back(note->object() == UIKeyboardImpl::activeInstance().get() ? "shown" : "?"); }
    void keyboardHidden(NSNotification*) { events.push_back("hidden"); }
    std::vector<std::string> events;
};

const ClassRegistration watcherClass = ClassRegistration::of<FieldWatcher>()
                                           .method("textFieldShouldReturn:", imp_implementationWithMember<&FieldWatcher::textFieldShouldReturn>())
                                           .method("keyboardShown:", imp_implementationWithMember<&FieldWatcher::keyboardShown>())
                                           .method("keyboardHidden:", imp_implementationWithMember<&FieldWatcher::keyboardHidden>());

class TextInputTests : public ::testing::Test {
protected:
    void SetUp() override
    {
        UIScreen::setMainScreen(std::make_shared<UIScreen>(CGSize { 320, 568 }, 2.0f));
        host = std::make_shared<UIWindow>();
        host->initWithFrame(CGRectMake(0, 0, 320, 568));
        field = std::make_shared<UITextField>();
        field->initWithFrame(CGRectMake(8, 528, 304, 32));
        field->setPlaceholder(std::string("Message"));
        host->addSubview(field);
        host->makeKeyAndVisible();
        watcher = std::make_shared<FieldWatcher>();
        field->setDelegate(watcher);
    }
    void TearDown() override
    {
        if (auto keyboard = UIKeyboardImpl::activeInstance())
            keyboard->dismissKeyboard();
    }
    void tapField()
    {
        UITouchInjector::shared().down({ 20, 540 });
        UITouchInjector::shared().up();
    }

    std::shared_ptr<UIWindow> host;
    std::shared_ptr<UITextField> field;
    std::shared_ptr<FieldWatcher> watcher;
};

} // namespace

TEST_F(TextInputTests, KeysReachOnlyTheKeyWindowsFocusedField)
{
    EXPECT_FALSE(UIKeyboardInput::insertText("x")) << "nothing has focus yet";
    auto& center = NSNotificationCenter::defaultCenter();
    center.addObserver(watcher, sel("keyboardShown:"), UIKeyboardImpl::willShowNotification, nullptr);
    center.addObserver(watcher, sel("keyboardHidden:"), UIKeyboardImpl::willHideNotification, nullptr);

    tapField();
    ASSERT_EQ(UIKeyboardInput::focusedResponder(), field);
    EXPECT_FALSE(field->caret()->isHidden());
    const CGFloat emptyCaret = field->caret()->frame().origin.x;
    EXPECT_TRUE(UIKeyboardInput::insertText("héllo 你好"));
    EXPECT_GT(field->caret()->frame().origin.x, emptyCaret + 20) << "the caret follows the text";
    EXPECT_TRUE(UIKeyboardInput::deleteBackward());
    EXPECT_EQ(field->text(), "héllo 你") << "a whole character goes, all three bytes of it";
    EXPECT_EQ(UIKeyboardInput::focusedRect(), CGRectMake(8, 528, 304, 32));

    // Another window in front and key (the lock): the field behind it hears nothing.
    auto lock = std::make_shared<UIWindow>();
    lock->initWithFrame(CGRectMake(0, 0, 320, 568));
    lock->makeKeyAndVisible();
    EXPECT_FALSE(UIKeyboardInput::insertText("b"));
    EXPECT_FALSE(UIKeyboardInput::deleteBackward());
    EXPECT_FALSE(UIKeyboardInput::pressReturn());
    EXPECT_FALSE(UIKeyboardInput::dismiss());
    EXPECT_EQ(field->text(), "héllo 你");

    host->makeKeyWindow();
    EXPECT_TRUE(UIKeyboardInput::dismiss());
    EXPECT_FALSE(field->isFirstResponder());
    EXPECT_TRUE(field->caret()->isHidden());
    EXPECT_EQ(UIKeyboardImpl::activeInstance(), nullptr);
    EXPECT_EQ(UIKeyboardInput::focusedResponder(), nullptr);
    EXPECT_EQ(watcher->events, (std::vector<std::string> { "shown", "hidden" }));
}

TEST_F(TextInputTests, OnlyTextIsKeptAndReturnAsksTheDelegate)
{
    field->becomeFirstResponder();
    // A stray control character, a lone 0xFF, an overlong '/' and a lone surrogate are dropped.
    UIKeyboardInput::insertText("a\x01" "b\xff\xc0\xaf\xed\xa0\x80" "c");
    EXPECT_EQ(field->text(), "abc");
    UIKeyboardInput::insertText("d\ne");
    EXPECT_EQ(watcher->events, (std::vector<std::string> { "return:abcd" }));
    EXPECT_EQ(field->text(), "abcde") << "the field leaves the text to its delegate";
    for (int i = 0; i < 7; ++i)
        UIKeyboardInput::deleteBackward();
    EXPECT_FALSE(field->hasText());
    EXPECT_TRUE(field->isFirstResponder()) << "deleting past the start keeps the focus";
}

// The on-screen keyboard types as a phone's does: each letter key where it shows, the space bar,
// Delete and Return, into the field it came up for, through real taps on the screen.
TEST_F(TextInputTests, OnScreenKeysTypeTheirLettersIntoTheField)
{
    tapField();
    const auto keyboard = UIKeyboardImpl::activeInstance();
    ASSERT_TRUE(keyboard);
    std::string captions;
    for (const auto& key : keyboard->keys())
        if (key->kind() == UIKeyboardKey::Kind::Text && key->text().size() == 1 && key->text() != " ")
            captions += key->caption();
    EXPECT_EQ(captions, "qwertyuiopasdfghjklzxcvbnm") << "every letter, in a phone's rows";

    const auto tapKey = [&keyboard](const std::string& caption) {
        for (const auto& key : keyboard->keys())
            if (key->caption() == caption) {
                const CGRect frame = key->convertRectToView(key->bounds(), nullptr);
                const CGPoint centre { frame.origin.x + frame.size.width / 2, frame.origin.y + frame.size.height / 2 };
                ASSERT_EQ(key->window()->hitTest(centre, nullptr), key) << caption << " takes the tap at its centre";
                UITouchInjector::shared().down(centre);
                UITouchInjector::shared().up();
                return;
            }
        FAIL() << "no key " << caption;
    };
    for (const char* caption : { "h", "i", "space", "y", "o", "\u232B", "u" })
        tapKey(caption);
    EXPECT_EQ(field->text().value_or(""), "hi yu");
    tapKey("return");
    EXPECT_EQ(watcher->events.back(), "return:hi yu") << "Return asks the delegate, as the hardware key does";

    // A touch that starts on a key and leaves it before lifting types nothing.
    const auto key = keyboard->keys().front();
    const CGRect frame = key->convertRectToView(key->bounds(), nullptr);
    UITouchInjector::shared().down({ frame.origin.x + 2, frame.origin.y + 2 });
    UITouchInjector::shared().move({ frame.origin.x + 2, frame.origin.y - 80 });
    UITouchInjector::shared().up();
    EXPECT_EQ(field->text().value_or(""), "hi yu");
    EXPECT_TRUE(UIKeyboardImpl::activeInstance()) << "a tap on the keyboard does not put it away";
}
