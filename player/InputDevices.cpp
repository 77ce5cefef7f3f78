#include "InputDevices.h"

#include <algorithm>
#include <initializer_list>
#include <stdio.h>
#include <string.h>

namespace {

const char kCreateFailed[] = "DirectInputCreate() failed.";
const char kKeyboardCreateFailed[] = "DirectInput->CreateDevice(Keyboard) failed.";
const char kKeyboardLevelFailed[] = "DirectInput->Keyboard->SetCooperativeLevel() failed.";
const char kKeyboardFormatFailed[] = "DirectInput->Keyboard->SetDataFormat() failed.";
const char kKeyboardAcquireFailed[] = "DirectInput->Keyboard->Acquire() failed.";
const char kMouseCreateFailed[] = "DirectInput->CreateDevice(Mouse) failed.";
const char kMouseLevelFailed[] = "DirectInput->Mouse->SetCooperativeLevel() failed.";
const char kMouseFormatFailed[] = "DirectInput->Mouse->SetDataFormat() failed.";
const char kMouseAcquireFailed[] = "DirectInput->Mouse->Acquire() failed.";
const char kMouseStateFailed[] = "DirectInput->Mouse->GetDeviceState() failed.";

const int kDirectInputVersion = 0x0300;
// Non-exclusive background access: the devices are read whatever window is
// active, and other programs keep their input.
const DWORD kSharedAccess = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;

// Key codes 1 to 236 are looked at; the higher codes are not real keys.
const int kFirstKeyCode = 1;
const int kLastKeyCode = 236;
// Key presses kept between two readings, so that a key pressed and let go
// in between is not missed.
const DWORD kKeyEventCount = 64;

bool IsDown(BYTE state)
{
    return (state & 0x80) != 0;
}

// Button byte 2, the middle button, never counts, so pressing the wheel does not end playback.
bool AnyCountedButtonDown(const DIMOUSESTATE& state)
{
    return IsDown(state.rgbButtons[0]) || IsDown(state.rgbButtons[1]) ||
           IsDown(state.rgbButtons[3]);
}

bool Counts(DWORD code, std::initializer_list<BYTE> spared)
{
    return static_cast<int>(code) >= kFirstKeyCode && static_cast<int>(code) <= kLastKeyCode &&
           std::find(spared.begin(), spared.end(), code) == spared.end();
}

bool AnyKeyDownExcept(const BYTE keys[256], std::initializer_list<BYTE> spared)
{
    for (int code = kFirstKeyCode; code <= kLastKeyCode; code++) {
        if (IsDown(keys[code]) && Counts(code, spared))
            return true;
    }
    return false;
}

}  // namespace

InputDevices::InputDevices(HINSTANCE instance, InputActivityRule activityRule)
{
    ok = true;
    paused = false;
    lastActivityWasMove = false;
    message[0] = '\0';
    directInput = nullptr;
    keyboard = nullptr;
    mouse = nullptr;
    memset(&lastMouseState, 0, sizeof(lastMouseState));
    memset(pressedKeys, 0, sizeof(pressedKeys));
    rule = activityRule;

    if (FAILED(DirectInputCreateA(instance, kDirectInputVersion, &directInput, nullptr))) {
        directInput = nullptr;
        Fail(kCreateFailed);
        return;
    }
    if (CreateKeyboard())
        CreateMouse();
}

// Releases the devices when the owner deleted the object without shutting it down.
InputDevices::~InputDevices()
{
    Shutdown();
}

bool InputDevices::Fail(const char* text)
{
    snprintf(message, sizeof(message), "%s", text);
    ok = false;
    return false;
}

bool InputDevices::CreateKeyboard()
{
    if (FAILED(directInput->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr))) {
        keyboard = nullptr;
        return Fail(kKeyboardCreateFailed);
    }
    if (FAILED(keyboard->SetCooperativeLevel(nullptr, kSharedAccess)))
        return Fail(kKeyboardLevelFailed);
    if (FAILED(keyboard->SetDataFormat(&c_dfDIKeyboard)))
        return Fail(kKeyboardFormatFailed);
    // Without the buffer only the keys held at each reading are seen.
    DIPROPDWORD buffer = {};
    buffer.diph.dwSize = sizeof(buffer);
    buffer.diph.dwHeaderSize = sizeof(buffer.diph);
    buffer.diph.dwHow = DIPH_DEVICE;
    buffer.dwData = kKeyEventCount;
    keyboard->SetProperty(DIPROP_BUFFERSIZE, &buffer.diph);
    if (FAILED(keyboard->Acquire()))
        return Fail(kKeyboardAcquireFailed);
    return true;
}

bool InputDevices::CreateMouse()
{
    if (FAILED(directInput->CreateDevice(GUID_SysMouse, &mouse, nullptr))) {
        mouse = nullptr;
        return Fail(kMouseCreateFailed);
    }
    if (FAILED(mouse->SetCooperativeLevel(nullptr, kSharedAccess)))
        return Fail(kMouseLevelFailed);
    if (FAILED(mouse->SetDataFormat(&c_dfDIMouse)))
        return Fail(kMouseFormatFailed);
    if (FAILED(mouse->Acquire()))
        return Fail(kMouseAcquireFailed);
    // Wine's first reading after Acquire holds the cursor position instead of
    // a movement; a second reading is the quiet state the saver compares with.
    if (!ReadMouse(lastMouseState) || !ReadMouse(lastMouseState))
        return Fail(kMouseStateFailed);
    return true;
}

// A device that is missing (failed creation, or after Shutdown) reads as failed.
// The presses kept since the last reading are collected too, so that a key
// pressed and let go in between is seen by the poll that asks for it. They
// are collected after the state: a press the state already shows is then
// taken with it, not counted again by the next poll.
bool InputDevices::ReadKeyboard(BYTE keys[256])
{
    if (!keyboard || FAILED(keyboard->GetDeviceState(256, keys)))
        return false;
    CollectKeyPresses();
    return true;
}

// Takes the key presses kept by DirectInput into pressedKeys, where they wait
// until a poll asks for them.
void InputDevices::CollectKeyPresses()
{
    DIDEVICEOBJECTDATA events[kKeyEventCount];
    DWORD count = kKeyEventCount;
    if (FAILED(keyboard->GetDeviceData(sizeof(events[0]), events, &count, 0)))
        return;
    for (DWORD i = 0; i < count; i++) {
        if (IsDown(static_cast<BYTE>(events[i].dwData)) && events[i].dwOfs < 256)
            pressedKeys[events[i].dwOfs] = true;
    }
}

// True when a key that counts was pressed since the last poll; takes those presses.
bool InputDevices::TakeKeyPressesExcept(std::initializer_list<BYTE> spared)
{
    bool pressed = false;
    for (int code = kFirstKeyCode; code <= kLastKeyCode; code++) {
        if (pressedKeys[code] && Counts(code, spared)) {
            pressedKeys[code] = false;
            pressed = true;
        }
    }
    return pressed;
}

bool InputDevices::ReadMouse(DIMOUSESTATE& state)
{
    return mouse && SUCCEEDED(mouse->GetDeviceState(sizeof(state), &state));
}

int InputDevices::PollKey(BYTE code, bool togglesPause)
{
    BYTE keys[256];
    if (!ReadKeyboard(keys))
        return INPUT_READ_FAILED;
    bool pressed = IsDown(keys[code]) || pressedKeys[code];
    pressedKeys[code] = false;
    if (!pressed)
        return INPUT_NOT_SEEN;
    paused = togglesPause ? !paused : false;
    return INPUT_SEEN;
}

int InputDevices::PollPauseKey()
{
    return PollKey(DIK_P, true);
}

int InputDevices::PollNextKey()
{
    return PollKey(DIK_N, false);
}

int InputDevices::PollHelpKey()
{
    return PollKey(DIK_F1, false);
}

int InputDevices::PollEscapeKey()
{
    return PollKey(DIK_ESCAPE, false);
}

int InputDevices::PollActivity()
{
    return rule == INPUT_RULE_EDITOR ? PollActivityForEditor() : PollActivityForSaver();
}

// Mouse axes are relative, so lX and lY are the movement since the last
// reading; they are compared with the last quiet reading, not with zero.
int InputDevices::PollActivityForSaver()
{
    BYTE keys[256];
    if (!ReadKeyboard(keys))
        return INPUT_READ_FAILED;
    lastActivityWasMove = false;
    if (TakeKeyPressesExcept({DIK_P, DIK_N, DIK_F1}) ||
        AnyKeyDownExcept(keys, {DIK_P, DIK_N, DIK_F1})) {
        paused = false;
        return INPUT_SEEN;
    }
    DIMOUSESTATE state;
    if (!ReadMouse(state))
        return INPUT_READ_FAILED;
    if (state.lX != lastMouseState.lX || state.lY != lastMouseState.lY ||
        AnyCountedButtonDown(state)) {
        lastActivityWasMove = !AnyCountedButtonDown(state);
        paused = false;
        return INPUT_SEEN;
    }
    lastMouseState.lX = state.lX;
    lastMouseState.lY = state.lY;
    return INPUT_NOT_SEEN;
}

// The first reading takes up the jump; the second is what a quiet mouse
// reads from now on.
void InputDevices::ForgetMouseMovement()
{
    DIMOUSESTATE state;
    if (!ReadMouse(state) || !ReadMouse(state))
        return;
    lastMouseState.lX = state.lX;
    lastMouseState.lY = state.lY;
}

// The editor's user moves the mouse to reach the keyboard: movement is not activity.
int InputDevices::PollActivityForEditor()
{
    BYTE keys[256];
    DIMOUSESTATE state;
    if (!ReadKeyboard(keys) || !ReadMouse(state))
        return INPUT_READ_FAILED;
    if (TakeKeyPressesExcept({DIK_ESCAPE, DIK_P}) || AnyKeyDownExcept(keys, {DIK_ESCAPE, DIK_P}) ||
        AnyCountedButtonDown(state)) {
        paused = false;
        return INPUT_SEEN;
    }
    return INPUT_NOT_SEEN;
}

void InputDevices::Shutdown()
{
    if (keyboard)
        keyboard->Unacquire();
    if (mouse)
        mouse->Unacquire();
    if (keyboard) {
        keyboard->Release();
        keyboard = nullptr;
    }
    if (mouse) {
        mouse->Release();
        mouse = nullptr;
    }
    if (directInput) {
        directInput->Release();
        directInput = nullptr;
    }
    paused = false;
}
