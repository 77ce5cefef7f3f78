// InputDevices against real input: keys and mouse events are injected with
// SendInput and read back through DirectInput.
#include "InputDevices.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

namespace {

// Long enough for DirectInput to have seen an injected event.
const DWORD kSettleMs = 150;

void SendKey(WORD vk, bool down)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof(input));
    Sleep(kSettleMs);
}

void SendMouse(DWORD flags, LONG dx = 0, LONG dy = 0, DWORD data = 0)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = dx;
    input.mi.dy = dy;
    input.mi.mouseData = data;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof(input));
    Sleep(kSettleMs);
}

// A key held down for the lifetime of the object, released on every way out.
class HeldKey {
public:
    explicit HeldKey(WORD vk) : vk_(vk) { SendKey(vk_, true); }
    ~HeldKey() { SendKey(vk_, false); }

private:
    WORD vk_;
};

// A mouse button held down for the lifetime of the object.
class HeldButton {
public:
    HeldButton(DWORD downFlag, DWORD upFlag, DWORD data = 0) : up_(upFlag), data_(data)
    {
        SendMouse(downFlag, 0, 0, data_);
    }
    ~HeldButton() { SendMouse(up_, 0, 0, data_); }

private:
    DWORD up_;
    DWORD data_;
};

std::unique_ptr<InputDevices> OpenDevices(InputActivityRule rule)
{
    // Start every test with the pointer away from the screen edges, so a
    // relative move is never clipped.
    SetCursorPos(400, 300);
    Sleep(kSettleMs);
    std::unique_ptr<InputDevices> devices(new InputDevices(GetModuleHandleA(nullptr), rule));
    EXPECT_TRUE(devices->ok) << devices->message;
    return devices;
}

// Reads the mouse's movement directly, without any activity rule.
DIMOUSESTATE ReadMouseDirectly(InputDevices& devices)
{
    DIMOUSESTATE state = {};
    EXPECT_EQ(DI_OK, devices.mouse->GetDeviceState(sizeof(state), &state));
    return state;
}

TEST(InputDevicesTest, CreatesBothDevicesAndStaysQuietWithoutInput)
{
    for (InputActivityRule rule : {INPUT_RULE_SAVER, INPUT_RULE_EDITOR}) {
        auto devices = OpenDevices(rule);
        ASSERT_TRUE(devices->ok);
        EXPECT_STREQ("", devices->message);
        EXPECT_FALSE(devices->paused);
        EXPECT_NE(nullptr, devices->directInput);
        EXPECT_NE(nullptr, devices->keyboard);
        EXPECT_NE(nullptr, devices->mouse);
        // The stored reading of a still mouse is no movement, so a still
        // mouse is quiet from the first poll on.
        EXPECT_EQ(0, devices->lastMouseState.lX);
        EXPECT_EQ(0, devices->lastMouseState.lY);
        for (int i = 0; i < 3; i++) {
            EXPECT_EQ(0, devices->PollPauseKey());
            EXPECT_EQ(0, devices->PollNextKey());
            EXPECT_EQ(0, devices->PollHelpKey());
            EXPECT_EQ(0, devices->PollEscapeKey());
            EXPECT_EQ(0, devices->PollActivity());
        }
        devices->Shutdown();
    }
}

TEST(InputDevicesTest, WithoutAnInstanceCreationFailsWithItsText)
{
    std::unique_ptr<InputDevices> devices(new InputDevices(nullptr, INPUT_RULE_SAVER));
    EXPECT_FALSE(devices->ok);
    EXPECT_STREQ("DirectInputCreate() failed.", devices->message);
    EXPECT_EQ(nullptr, devices->keyboard);
    EXPECT_EQ(nullptr, devices->mouse);
    // A failed object is only shut down, but a poll must not crash either.
    EXPECT_EQ(-1, devices->PollPauseKey());
    EXPECT_EQ(-1, devices->PollActivity());
    devices->Shutdown();
}

TEST(InputDevicesTest, HeldPauseKeyTogglesAtEveryPoll)
{
    auto devices = OpenDevices(INPUT_RULE_SAVER);
    {
        HeldKey p('P');
        EXPECT_EQ(1, devices->PollPauseKey());
        EXPECT_TRUE(devices->paused);
        EXPECT_EQ(1, devices->PollPauseKey());
        EXPECT_FALSE(devices->paused);
        EXPECT_EQ(1, devices->PollPauseKey());
        EXPECT_TRUE(devices->paused);
        // The other key polls do not see P and leave the pause alone.
        EXPECT_EQ(0, devices->PollNextKey());
        EXPECT_EQ(0, devices->PollHelpKey());
        EXPECT_EQ(0, devices->PollEscapeKey());
        EXPECT_TRUE(devices->paused);
    }
    EXPECT_EQ(0, devices->PollPauseKey());
    EXPECT_TRUE(devices->paused);
}

TEST(InputDevicesTest, NextHelpAndEscapeKeysAreSeenAndClearThePause)
{
    struct Case {
        WORD vk;
        int (InputDevices::*poll)();
    };
    const Case cases[] = {
        {'N', &InputDevices::PollNextKey},
        {VK_F1, &InputDevices::PollHelpKey},
        {VK_ESCAPE, &InputDevices::PollEscapeKey},
    };
    auto devices = OpenDevices(INPUT_RULE_SAVER);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.vk);
        devices->paused = true;
        EXPECT_EQ(0, (devices.get()->*c.poll)());
        EXPECT_TRUE(devices->paused);
        HeldKey key(c.vk);
        EXPECT_EQ(1, (devices.get()->*c.poll)());
        EXPECT_FALSE(devices->paused);
        EXPECT_EQ(0, devices->PollPauseKey());
    }
}

TEST(InputDevicesTest, SaverRuleSparesPauseNextAndHelpOnly)
{
    auto devices = OpenDevices(INPUT_RULE_SAVER);
    for (WORD vk : {WORD('P'), WORD('N'), WORD(VK_F1)}) {
        SCOPED_TRACE(vk);
        devices->paused = true;
        HeldKey key(vk);
        EXPECT_EQ(0, devices->PollActivity());
        EXPECT_TRUE(devices->paused);
    }
    for (WORD vk : {WORD(VK_ESCAPE), WORD('A'), WORD(VK_SPACE), WORD(VK_SHIFT)}) {
        SCOPED_TRACE(vk);
        devices->paused = true;
        HeldKey key(vk);
        EXPECT_EQ(1, devices->PollActivity());
        EXPECT_FALSE(devices->paused);
    }
}

TEST(InputDevicesTest, EditorRuleSparesPauseAndEscapeOnly)
{
    auto devices = OpenDevices(INPUT_RULE_EDITOR);
    for (WORD vk : {WORD('P'), WORD(VK_ESCAPE)}) {
        SCOPED_TRACE(vk);
        devices->paused = true;
        HeldKey key(vk);
        EXPECT_EQ(0, devices->PollActivity());
        EXPECT_TRUE(devices->paused);
    }
    for (WORD vk : {WORD('N'), WORD(VK_F1), WORD('A')}) {
        SCOPED_TRACE(vk);
        devices->paused = true;
        HeldKey key(vk);
        EXPECT_EQ(1, devices->PollActivity());
        EXPECT_FALSE(devices->paused);
    }
}

TEST(InputDevicesTest, MouseMovementCountsOnlyUnderTheSaverRule)
{
    auto saver = OpenDevices(INPUT_RULE_SAVER);
    auto editor = OpenDevices(INPUT_RULE_EDITOR);
    saver->paused = true;
    editor->paused = true;
    SendMouse(MOUSEEVENTF_MOVE, 12, 7);
    EXPECT_EQ(1, saver->PollActivity());
    EXPECT_FALSE(saver->paused);
    EXPECT_EQ(0, editor->PollActivity());
    EXPECT_TRUE(editor->paused);
    // Once the movement is read, a still mouse is quiet again.
    EXPECT_EQ(0, saver->PollActivity());
}

TEST(InputDevicesTest, LeftRightAndFourthButtonsCountTheMiddleOneNever)
{
    for (InputActivityRule rule : {INPUT_RULE_SAVER, INPUT_RULE_EDITOR}) {
        SCOPED_TRACE(rule);
        auto devices = OpenDevices(rule);
        {
            HeldButton middle(MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP);
            ASSERT_TRUE(ReadMouseDirectly(*devices).rgbButtons[2] & 0x80);
            EXPECT_EQ(0, devices->PollActivity());
        }
        {
            HeldButton left(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
            EXPECT_EQ(1, devices->PollActivity());
        }
        {
            HeldButton right(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
            EXPECT_EQ(1, devices->PollActivity());
        }
        {
            HeldButton fourth(MOUSEEVENTF_XDOWN, MOUSEEVENTF_XUP, XBUTTON1);
            EXPECT_EQ(1, devices->PollActivity());
        }
        EXPECT_EQ(0, devices->PollActivity());
    }
}

// The saver compares a reading's movement with the last quiet reading, not with
// zero: a mouse that repeats exactly that movement does not count as moving.
TEST(InputDevicesTest, SaverRuleComparesMovementWithTheStoredReading)
{
    auto devices = OpenDevices(INPUT_RULE_SAVER);
    SendMouse(MOUSEEVENTF_MOVE, 9, 4);
    DIMOUSESTATE moved = ReadMouseDirectly(*devices);
    ASSERT_TRUE(moved.lX != 0 || moved.lY != 0);

    devices->lastMouseState.lX = moved.lX;
    devices->lastMouseState.lY = moved.lY;
    SendMouse(MOUSEEVENTF_MOVE, 9, 4);
    EXPECT_EQ(0, devices->PollActivity());
    EXPECT_EQ(moved.lX, devices->lastMouseState.lX);
    EXPECT_EQ(moved.lY, devices->lastMouseState.lY);

    SendMouse(MOUSEEVENTF_MOVE, 9, 5);
    EXPECT_EQ(1, devices->PollActivity());
}

TEST(InputDevicesTest, ShutdownReleasesTheDevicesAndClearsThePause)
{
    auto devices = OpenDevices(INPUT_RULE_EDITOR);
    devices->paused = true;
    devices->Shutdown();
    EXPECT_FALSE(devices->paused);
    EXPECT_EQ(nullptr, devices->keyboard);
    EXPECT_EQ(nullptr, devices->mouse);
    EXPECT_EQ(nullptr, devices->directInput);
    EXPECT_EQ(-1, devices->PollEscapeKey());
    EXPECT_EQ(-1, devices->PollActivity());
    devices->Shutdown();
}

}  // namespace
