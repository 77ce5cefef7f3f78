// Keyboard and mouse polling through DirectInput while a show plays.
#pragma once

#ifndef DIRECTINPUT_VERSION
#define DIRECTINPUT_VERSION 0x0300
#endif
#include <windows.h>
#include <dinput.h>

#include <initializer_list>

const int kInputMessageSize = 1026;

// What counts as user activity differs between the two programs that play shows.
enum InputActivityRule {
    // Any key but P, N and F1, any mouse movement, buttons 1, 2 and 4.
    INPUT_RULE_SAVER,
    // Any key but P and Esc, buttons 1, 2 and 4; movement is ignored.
    INPUT_RULE_EDITOR,
};

// Poll results: the callers treat a failed read like a seen input.
enum : int {
    INPUT_READ_FAILED = -1,
    INPUT_NOT_SEEN = 0,
    INPUT_SEEN = 1,
};

class InputDevices {
public:
    // Always yields an object; check ok, and show message when it is clear.
    InputDevices(HINSTANCE instance, InputActivityRule activityRule);
    ~InputDevices();

    int PollPauseKey();
    int PollNextKey();
    int PollHelpKey();
    int PollEscapeKey();
    int PollActivity();
    // Takes the mouse movement since the last reading as no movement: the
    // system itself moves the pointer when monitors come or go.
    void ForgetMouseMovement();

    void Shutdown();

    bool ok;
    bool paused;
    bool lastActivityWasMove;  // the last activity seen was the mouse moving, nothing else
    char message[kInputMessageSize];
    LPDIRECTINPUTA directInput;
    LPDIRECTINPUTDEVICEA keyboard;
    LPDIRECTINPUTDEVICEA mouse;
    DIMOUSESTATE lastMouseState;  // the last reading without activity
    bool pressedKeys[256];        // presses kept by DirectInput not yet taken by a poll
    InputActivityRule rule;

private:
    InputDevices(const InputDevices&) = delete;
    InputDevices& operator=(const InputDevices&) = delete;

    bool Fail(const char* text);
    bool CreateKeyboard();
    bool CreateMouse();
    bool ReadKeyboard(BYTE keys[256]);
    bool ReadMouse(DIMOUSESTATE& state);
    void CollectKeyPresses();
    bool TakeKeyPressesExcept(std::initializer_list<BYTE> spared);
    int PollKey(BYTE code, bool togglesPause);
    int PollActivityForSaver();
    int PollActivityForEditor();
};
