// The settings dialog (128) and the built-in character selection (138).
#include "SaverState.h"

#include "AboutDialog.h"
#include "HelpFile.h"
#include "ScopedWin.h"
#include "StandaloneInfo.h"
#include "resource.h"
#include "tvRegistryClient.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

namespace {

const int kEditTextSize = 1024;

const char* Setting(SettingIndex index)
{
    return g_saver.settings->settings[index];
}

const char* InstallFolder()
{
    return Setting(SETTING_INSTALL_FOLDER);
}

void RemoveOneTrailingBackslash(char* text)
{
    size_t length = strlen(text);
    if (length > 0 && text[length - 1] == '\\')
        text[length - 1] = '\0';
}

// The install folder holds the bundled shows and is searched anyway; storing
// it, or a folder that does not exist, would only hide the default folder.
bool IsUsableFolder(const char* folder)
{
    return _stricmp(folder, InstallFolder()) != 0 && PathExists(folder);
}

void ReadFolderEdit(HWND dialog, int control, char (&text)[kEditTextSize])
{
    GetDlgItemTextA(dialog, control, text, sizeof(text));
    if (text[0] != '\0')
        RemoveOneTrailingBackslash(text);
}

void ShowDialogFailure()
{
    char text[128];
    snprintf(text, sizeof(text), "DialogBox function failed.  Error Code: [%d]",
             static_cast<int>(GetLastError()));
    MessageBoxA(nullptr, text, "Settings Dialog Init Failure", MB_OK);
}

void RunSubDialog(int dialogId, DLGPROC procedure)
{
    if (DialogBoxParamA(g_saver.module, MAKEINTRESOURCEA(dialogId), nullptr, procedure, 0) == -1)
        ShowDialogFailure();
}

const char* FolderForEdit(SettingIndex setting)
{
    if (Setting(setting)[0] != '\0')
        return Setting(setting);
    if (Setting(SETTING_DEFAULT_FOLDER)[0] != '\0')
        return Setting(SETTING_DEFAULT_FOLDER);
    return InstallFolder();
}

void CheckSpeedMode(HWND dialog, char mode)
{
    int button = mode == 'm' ? IDC_SPEED_MANUAL : mode == 'r' ? IDC_SPEED_RANDOM : IDC_SPEED_AUTO;
    CheckRadioButton(dialog, IDC_SPEED_AUTO, IDC_SPEED_RANDOM, button);
}

int16_t StoredSpeedOr(SettingIndex setting, int16_t fallback)
{
    const char* text = Setting(setting);
    return text[0] == '\0' ? fallback : static_cast<int16_t>(atoi(text));
}

void FillSpeedControls(HWND dialog)
{
    char mode = Setting(SETTING_SPEED_MODE)[0];
    if (mode == 'a' || mode == 'm' || mode == 'r') {
        CheckSpeedMode(dialog, mode);
        SettingIndex setting = mode == 'a'   ? SETTING_AUTO_SPEED
                               : mode == 'm' ? SETTING_MANUAL_SPEED
                                             : SETTING_RANDOM_SPEED;
        SetSpeedSlider(dialog, static_cast<int16_t>(atoi(Setting(setting))));
        return;
    }
    if (g_saver.standalone && g_saver.standalone->valid) {
        char trailerMode = g_saver.standalone->trailer.speedMode;
        if (trailerMode == 'a' || trailerMode == 'm' || trailerMode == 'r') {
            CheckSpeedMode(dialog, trailerMode);
            SetSpeedSlider(dialog, g_saver.standalone->trailer.speedValue);
            return;
        }
    }
    CheckSpeedMode(dialog, 'a');
    SetSpeedSlider(dialog, StoredSpeedOr(SETTING_AUTO_SPEED, 10));
}

void BrowseForFolder(HWND dialog, int editControl, SettingIndex setting, const char* title)
{
    OleInitialize(nullptr);
    char text[kEditTextSize];
    ReadFolderEdit(dialog, editControl, text);
    const char* preselect = IsUsableFolder(text) ? text : Setting(setting);

    char displayName[MAX_PATH];
    BROWSEINFOA browse;
    memset(&browse, 0, sizeof(browse));
    browse.hwndOwner = dialog;
    browse.pszDisplayName = displayName;
    browse.lpszTitle = title;
    browse.ulFlags = BIF_NEWDIALOGSTYLE | BIF_UAHINT;
    browse.lpfn = BrowseCallback;
    browse.lParam = reinterpret_cast<LPARAM>(preselect);
    LPITEMIDLIST items = SHBrowseForFolderA(&browse);

    char chosen[MAX_PATH];
    if (items && SHGetPathFromIDListA(items, chosen))
        SetDlgItemTextA(dialog, editControl, chosen);
    if (items) {
        ScopedComPtr<IMalloc> shellAllocator;
        if (SUCCEEDED(SHGetMalloc(shellAllocator.Receive())))
            shellAllocator->Free(items);
    }
}

void StoreFolder(HWND dialog, int editControl, bool (tvRegistryClient::*write)(const char*))
{
    char text[kEditTextSize];
    ReadFolderEdit(dialog, editControl, text);
    if (text[0] != '\0' && !IsUsableFolder(text))
        text[0] = '\0';
    (g_saver.settings->*write)(text);
}

void StoreSettings(HWND dialog)
{
    tvRegistryClient* settings = g_saver.settings;
    settings->OpenUserKey();
    StoreFolder(dialog, IDC_SHOW_FOLDER, &tvRegistryClient::WriteShowFolder);
    StoreFolder(dialog, IDC_CHARACTER_FOLDER, &tvRegistryClient::WriteCharacterFolder);

    g_saver.speed = static_cast<int16_t>(SendDlgItemMessageA(dialog, IDC_SPEED_SLIDER, TBM_GETPOS, 0, 0));
    if (IsDlgButtonChecked(dialog, IDC_SPEED_AUTO) == BST_CHECKED) {
        settings->WriteSpeedMode("a");
        settings->WriteAutoSpeed(g_saver.speed);
    }
    if (IsDlgButtonChecked(dialog, IDC_SPEED_MANUAL) == BST_CHECKED) {
        settings->WriteSpeedMode("m");
        settings->WriteManualSpeed(g_saver.speed);
    }
    if (IsDlgButtonChecked(dialog, IDC_SPEED_RANDOM) == BST_CHECKED) {
        settings->WriteSpeedMode("r");
        settings->WriteRandomSpeed(g_saver.speed);
    }

    char pause[kEditTextSize];
    GetDlgItemTextA(dialog, IDC_PAUSE_SECONDS, pause, sizeof(pause));
    int seconds = atoi(pause);
    if (seconds > 60)
        strcpy(pause, "60");
    else if (seconds < 0)
        strcpy(pause, "0");
    settings->WritePauseSeconds(pause);

    bool warningsOff = IsDlgButtonChecked(dialog, IDC_DISABLE_WARNINGS) == BST_CHECKED;
    settings->WriteWarningsSetting(warningsOff ? "NO" : "");
    bool everyMonitor = IsDlgButtonChecked(dialog, IDC_EVERY_MONITOR) == BST_CHECKED;
    settings->WriteMonitorsSetting(everyMonitor ? "1" : "0");
    settings->CloseUserKey();
}

void SettingsCommand(HWND dialog, int command)
{
    switch (command) {
    case IDOK: StoreSettings(dialog); EndDialog(dialog, 1); break;
    case IDCANCEL: EndDialog(dialog, 1); break;
    case IDM_HELP:
        if (!OpenHelpFile(nullptr, InstallFolder()))
            ShowHelpMissing(false);
        break;
    case IDC_BROWSE_SHOWS:
        BrowseForFolder(dialog, IDC_SHOW_FOLDER, SETTING_SHOW_FOLDER,
                        "Select a folder containing your Tovaren files.");
        break;
    case IDC_BROWSE_CHARACTERS:
        BrowseForFolder(dialog, IDC_CHARACTER_FOLDER, SETTING_CHARACTER_FOLDER,
                        "Select a folder containing your Tovaren Character files.");
        break;
    case IDC_BUILTIN_CHARACTERS: RunSubDialog(IDD_CHARACTERS, CharacterDialogProc); break;
    case IDC_ABOUT_BUTTON: RunSubDialog(IDD_ABOUT, AboutDialogProc); break;
    case IDC_SPEED_AUTO: SetSpeedSlider(dialog, StoredSpeedOr(SETTING_AUTO_SPEED, 10)); break;
    case IDC_SPEED_MANUAL: SetSpeedSlider(dialog, StoredSpeedOr(SETTING_MANUAL_SPEED, 85)); break;
    case IDC_SPEED_RANDOM: SetSpeedSlider(dialog, StoredSpeedOr(SETTING_RANDOM_SPEED, 50)); break;
    }
}

}  // namespace

bool PathExists(const char* path)
{
    struct _stat info;
    return _stat(path, &info) == 0;
}

void SetSpeedSlider(HWND dialog, int16_t value)
{
    HWND slider = GetDlgItem(dialog, IDC_SPEED_SLIDER);
    SendMessageA(slider, TBM_SETRANGE, TRUE, MAKELPARAM(1, 100));
    SendMessageA(slider, TBM_SETPAGESIZE, 0, 10);
    SendMessageA(slider, TBM_SETPOS, TRUE, value);
}

void FillSettingsControls(HWND dialog)
{
    SetDlgItemTextA(dialog, IDC_SHOW_FOLDER, FolderForEdit(SETTING_SHOW_FOLDER));

    int pause = g_saver.pauseSeconds;
    pause = pause < 0 ? 0 : pause > 60 ? 60 : pause;
    SendDlgItemMessageA(dialog, IDC_PAUSE_SPIN, UDM_SETRANGE, 0, MAKELPARAM(60, 0));
    SendDlgItemMessageA(dialog, IDC_PAUSE_SPIN, UDM_SETPOS, 0, MAKELPARAM(pause, 0));

    SetDlgItemTextA(dialog, IDC_CHARACTER_FOLDER, FolderForEdit(SETTING_CHARACTER_FOLDER));
    FillSpeedControls(dialog);
    CheckDlgButton(dialog, IDC_DISABLE_WARNINGS,
                   Setting(SETTING_WARNINGS)[0] != '\0' ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_EVERY_MONITOR, PaintsEveryMonitor() ? BST_CHECKED : BST_UNCHECKED);
}

int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM, LPARAM data)
{
    if (message == BFFM_INITIALIZED)
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        char version[65];
        char line[96];
        if (LoadStringA(g_saver.module, IDS_VERSION, version, sizeof(version)) <= 0)
            version[0] = '\0';
        snprintf(line, sizeof(line), "Version %s", version);
        SetDlgItemTextA(dialog, IDC_SETTINGS_VERSION, line);
        FillSettingsControls(dialog);
    } else if (message == WM_COMMAND) {
        SettingsCommand(dialog, LOWORD(wParam));
    }
    return 0;
}

INT_PTR CALLBACK CharacterDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    BYTE bits = static_cast<BYTE>(atoi(Setting(SETTING_BUILTIN_CHARACTERS)));
    HWND velka = GetDlgItem(dialog, IDC_CHAR_VELKA);
    HWND dorin = GetDlgItem(dialog, IDC_CHAR_DORIN);
    HWND bramwell = GetDlgItem(dialog, IDC_CHAR_BRAMWELL);

    if (message == WM_INITDIALOG) {
        SendMessageA(bramwell, BM_SETCHECK, (bits & 4) ? BST_CHECKED : BST_UNCHECKED, 0);
        SendMessageA(dorin, BM_SETCHECK, (bits & 1) ? BST_CHECKED : BST_UNCHECKED, 0);
        SendMessageA(velka, BM_SETCHECK, (bits & 2) ? BST_CHECKED : BST_UNCHECKED, 0);
        return TRUE;
    }
    if (message != WM_COMMAND)
        return 0;
    if (LOWORD(wParam) == IDOK) {
        int chosen = 0;
        if (SendMessageA(bramwell, BM_GETCHECK, 0, 0) == BST_CHECKED)
            chosen += 4;
        if (SendMessageA(velka, BM_GETCHECK, 0, 0) == BST_CHECKED)
            chosen += 2;
        if (SendMessageA(dorin, BM_GETCHECK, 0, 0) == BST_CHECKED)
            chosen += 1;
        g_saver.settings->OpenUserKey();
        g_saver.settings->WriteBuiltInCharacters(chosen);
        g_saver.settings->CloseUserKey();
        EndDialog(dialog, 1);
    } else if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 1);
    }
    return 0;
}
