#include "app/GlobalHotKeys.h"
#include "app/platform/NullGlobalHotKeys.h"
#include "app/platform/X11GlobalHotKeys.h"
#include "base/platform/XcbReply.h"
#include "support/EventLoopWait.h"
#include "support/QtPrinters.h"
#include "support/XvfbSession.h"

#include <gtest/gtest.h>

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <cstdlib>

using namespace ovisu;
using test::spin;
using test::waitUntil;
using test::XvfbSession;

namespace {

constexpr std::uint32_t kControlL = 0xffe3;
constexpr std::uint32_t kShiftL = 0xffe1;
constexpr std::uint32_t kNumLock = 0xff7f;
constexpr std::uint16_t kControlShift = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT;

// Another client on the same server: types through XTest and probes which keys are grabbed.
class OtherClient {
public:
    OtherClient() {
        m_connection = xcb_connect(nullptr, nullptr);
        if (!xcb_connection_has_error(m_connection))
            m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    }
    ~OtherClient() { xcb_disconnect(m_connection); }
    bool ok() const { return !xcb_connection_has_error(m_connection); }

    xcb_keycode_t keycode(std::uint32_t keysym) {
        const xcb_setup_t* setup = xcb_get_setup(m_connection);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        const auto mapping = own(xcb_get_keyboard_mapping_reply(
            m_connection, xcb_get_keyboard_mapping(m_connection, setup->min_keycode, count), nullptr));
        if (!mapping) return 0;
        const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(mapping.get());
        for (int index = 0; index < count; ++index)
            if (keysyms[index * mapping->keysyms_per_keycode] == keysym)
                return static_cast<xcb_keycode_t>(setup->min_keycode + index);
        return 0;
    }

    // Presses the keys in order and releases them in reverse, as fingers do.
    void chord(const QList<std::uint32_t>& keysyms) {
        for (const std::uint32_t keysym : keysyms)
            xcb_test_fake_input(m_connection, XCB_KEY_PRESS, keycode(keysym), XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        for (auto it = keysyms.rbegin(); it != keysyms.rend(); ++it)
            xcb_test_fake_input(m_connection, XCB_KEY_RELEASE, keycode(*it), XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        sync();
    }
    void pressControlShift(char letter) { chord({kControlL, kShiftL, static_cast<std::uint32_t>(letter)}); }

    std::uint16_t modifierState() {
        const auto pointer = own(xcb_query_pointer_reply(m_connection, xcb_query_pointer(m_connection, m_root), nullptr));
        return pointer ? pointer->mask : 0;
    }

    // Whether this client may grab the key itself: X refuses (BadAccess) while another holds it.
    bool canGrab(char letter, std::uint16_t modifiers) {
        const xcb_keycode_t code = keycode(static_cast<std::uint32_t>(letter));
        if (own(xcb_request_check(m_connection, xcb_grab_key_checked(m_connection, 1, m_root, modifiers, code,
                                                                     XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC))))
            return false;
        xcb_ungrab_key(m_connection, code, m_root, modifiers);
        sync();
        return true;
    }

private:
    void sync() { std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr)); }

    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = 0;
};

class GlobalHotKeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        session = std::make_unique<XvfbSession>(false);
        ASSERT_TRUE(session->isRunning()) << session->error().toStdString();
        other = std::make_unique<OtherClient>();
        ASSERT_TRUE(other->ok());
        QString reason;
        keys = X11GlobalHotKeys::connect(&reason);
        ASSERT_NE(keys, nullptr) << reason.toStdString();
        QObject::connect(keys.get(), &GlobalHotKeys::hotKeyPressed, [this](int id) { pressed.append(id); });
    }
    void TearDown() override {
        keys.reset();
        other.reset();
        session.reset();
    }

    std::unique_ptr<XvfbSession> session;
    std::unique_ptr<OtherClient> other;
    std::unique_ptr<X11GlobalHotKeys> keys;
    QList<int> pressed;
};

}  // namespace

TEST_F(GlobalHotKeysTest, EnabledDeliversEachKeyOnceEvenAfterReconfiguring) {
    keys->configure(true);
    EXPECT_EQ(keys->registeredCount(), 3);
    EXPECT_FALSE(other->canGrab('p', kControlShift));
    EXPECT_FALSE(other->canGrab('h', kControlShift | XCB_MOD_MASK_LOCK));

    other->pressControlShift('p');
    ASSERT_TRUE(waitUntil([&] { return !pressed.isEmpty(); }));
    other->pressControlShift('h');
    other->pressControlShift('r');
    ASSERT_TRUE(waitUntil([&] { return pressed.size() >= 3; }));
    spin(100);
    EXPECT_EQ(pressed, QList<int>({hotKeyToggleTranslation, hotKeyToggleOverlay, hotKeySelectRegion}));

    // Without Shift, or with another letter, it is not ours.
    pressed.clear();
    other->chord({kControlL, 'p'});
    other->pressControlShift('q');
    spin(300);
    EXPECT_TRUE(pressed.isEmpty());

    keys->configure(true);
    keys->configure(true);
    EXPECT_EQ(keys->registeredCount(), 3);
    other->pressControlShift('p');
    ASSERT_TRUE(waitUntil([&] { return !pressed.isEmpty(); }));
    spin(300);
    EXPECT_EQ(pressed, QList<int>({hotKeyToggleTranslation}));

    // Turning the setting off releases the keys for everyone else.
    keys->configure(false);
    EXPECT_EQ(keys->registeredCount(), 0);
    EXPECT_TRUE(other->canGrab('p', kControlShift));
    pressed.clear();
    other->pressControlShift('p');
    spin(300);
    EXPECT_TRUE(pressed.isEmpty());
}

TEST_F(GlobalHotKeysTest, WorksWithNumLockOn) {
    keys->configure(true);
    const std::uint16_t before = other->modifierState();
    other->chord({kNumLock});
    const std::uint16_t numLockBits = other->modifierState() & ~before & 0xff;
    ASSERT_NE(numLockBits, 0) << "NumLock did not light";

    other->pressControlShift('p');
    ASSERT_TRUE(waitUntil([&] { return !pressed.isEmpty(); }));
    EXPECT_EQ(pressed, QList<int>({hotKeyToggleTranslation}));
    other->chord({kNumLock});  // off again
}

TEST_F(GlobalHotKeysTest, AKeyHeldByAnotherProgramIsSkippedAndReleasedOnDestruction) {
    // Another program holds Ctrl+Shift+H: the other two still work.
    const xcb_keycode_t h = other->keycode('h');
    ASSERT_NE(h, 0);
    auto* blocker = xcb_connect(nullptr, nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(blocker)).data->root;
    ASSERT_EQ(xcb_request_check(blocker, xcb_grab_key_checked(blocker, 1, root, kControlShift, h,
                                                              XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)),
              nullptr);
    keys->configure(true);
    EXPECT_EQ(keys->registeredCount(), 2);
    // The shell names the taken key to the player (the message is checked in the desktop suite).
    EXPECT_EQ(keys->refusedShortcuts(), QStringList{"Ctrl+Shift+H"});
    other->pressControlShift('r');
    ASSERT_TRUE(waitUntil([&] { return !pressed.isEmpty(); }));
    EXPECT_EQ(pressed, QList<int>({hotKeySelectRegion}));
    xcb_disconnect(blocker);
    // The lock variants of the refused key were given back, not left dangling.
    EXPECT_TRUE(other->canGrab('h', kControlShift | XCB_MOD_MASK_LOCK));

    // Once the other program lets go, configuring again takes the key and names nothing.
    keys->configure(true);
    EXPECT_EQ(keys->registeredCount(), 3);
    EXPECT_TRUE(keys->refusedShortcuts().isEmpty());

    keys.reset();
    EXPECT_TRUE(other->canGrab('p', kControlShift));
    EXPECT_TRUE(other->canGrab('r', kControlShift | XCB_MOD_MASK_LOCK));
}

TEST(GlobalHotKeysLoaderTest, TheEnvironmentCanForceNoHotKeys) {
    qputenv("OVISU_HOT_KEYS", "null");
    const auto keys = makeGlobalHotKeys();
    qunsetenv("OVISU_HOT_KEYS");
    ASSERT_NE(keys, nullptr);
    keys->configure(true);
    EXPECT_EQ(keys->registeredCount(), 0);
    EXPECT_FALSE(keys->unavailableReason().isEmpty());

    // Without any display the loader also falls back, with the reason.
    const QByteArray display = qgetenv("DISPLAY");
    qputenv("DISPLAY", ":99999");
    const auto without = makeGlobalHotKeys();
    qputenv("DISPLAY", display);
    if (display.isEmpty()) qunsetenv("DISPLAY");
    ASSERT_NE(without, nullptr);
    EXPECT_TRUE(without->unavailableReason().contains(QStringLiteral("X")));
    without->configure(true);
    EXPECT_EQ(without->registeredCount(), 0);
}
