// Resource ids of every program's .rc files, grouped by kind. The numbers are
// the ones the stored dialogs, menus and bitmaps are known by: do not renumber.
#pragma once

// ---- Strings
#define IDS_PRODUCT_NAME 1
#define IDS_VERSION 2
#define IDS_ABOUT_TEXT 3
#define IDS_ABOUT_CREDITS 5

// ---- Screen saver and shared resources (owned by the saver's resources)
// Dialogs
#define IDD_ABOUT 116
#define IDD_SETTINGS 128
#define IDD_CHARACTERS 138

// Controls of the settings dialog (128)
#define IDC_SETTINGS_VERSION 1011
#define IDC_SHOW_FOLDER 1015
#define IDC_BROWSE_SHOWS 1016
#define IDC_CHARACTER_FOLDER 1017
#define IDC_BROWSE_CHARACTERS 1018
#define IDC_SPEED_AUTO 1019
#define IDC_SPEED_MANUAL 1020
#define IDC_SPEED_RANDOM 1021
#define IDC_SPEED_SLIDER 1022
#define IDC_BUILTIN_CHARACTERS 1023
#define IDC_PAUSE_SPIN 1026
#define IDC_PAUSE_SECONDS 1029
#define IDC_ABOUT_BUTTON 1030
#define IDC_DISABLE_WARNINGS 1031
#define IDC_EVERY_MONITOR 1041

// Controls of the character selection dialog (138)
#define IDC_CHAR_VELKA 1031
#define IDC_CHAR_DORIN 1032
#define IDC_CHAR_BRAMWELL 1033

// Controls of the About box (116)
#define IDC_ABOUT_VERSION 1004
#define IDC_ABOUT_TEXT 1005
#define IDC_ABOUT_CREDITS 1006
#define IDC_ABOUT_EXTRA1 1008
#define IDC_ABOUT_EXTRA2 1009
#define IDC_ABOUT_TITLE 1037
#define IDC_ABOUT_BANNER1 1038
#define IDC_ABOUT_BANNER2 1039
#define IDC_ABOUT_BANNER3 1040

// Commands shared with the editor's menu
#define IDM_HELP 40011

// Bitmaps
#define IDB_THUMB_VELKA 109
#define IDB_CHAR_DORIN 110
#define IDB_THUMB_DORIN 112
#define IDB_CHAR_VELKA 113
#define IDB_CHAR_RARE 120
#define IDB_CHAR_BRAMWELL 122
#define IDB_THUMB_BRAMWELL 124
#define IDB_CHAR_PREVIEW 129
#define IDB_ABOUT_TITLE 163
#define IDB_ABOUT_BANNER1 164
#define IDB_ABOUT_BANNER2 165
#define IDB_ABOUT_BANNER3 166

// Icons
#define IDI_TOVAREN 121

#ifdef __cplusplus
// The three dialogs share one resource type: their numbers must differ.
static_assert(IDD_ABOUT != IDD_SETTINGS && IDD_SETTINGS != IDD_CHARACTERS &&
                  IDD_ABOUT != IDD_CHARACTERS,
              "saver dialog ids collide");
// Character-dialog check boxes reuse numbers of the settings dialog; they must
// stay below the About box's picture ids so one header serves all three dialogs.
static_assert(IDC_CHAR_BRAMWELL < IDC_ABOUT_TITLE, "character check boxes overlap About pictures");
static_assert(IDB_THUMB_VELKA < IDB_CHAR_DORIN && IDB_CHAR_DORIN < IDB_THUMB_DORIN &&
                  IDB_THUMB_DORIN < IDB_CHAR_VELKA && IDB_CHAR_VELKA < IDB_CHAR_RARE &&
                  IDB_CHAR_RARE < IDB_CHAR_BRAMWELL && IDB_CHAR_BRAMWELL < IDB_THUMB_BRAMWELL &&
                  IDB_THUMB_BRAMWELL < IDB_CHAR_PREVIEW && IDB_CHAR_PREVIEW < IDB_ABOUT_TITLE,
              "saver bitmap ids must be distinct");
#endif

// ---- Editor resources
// Menu, accelerators and dialogs
#define IDR_EDITOR_MENU 101
#define IDD_PEN_SIZE 102
#define IDD_PLAYBACK_SPEED 103
#define IDD_EDITOR_CHARACTER 117
#define IDR_EDITOR_ACCELERATORS 137
#define IDD_SIGNATURE 142
#define IDD_EXPORT_ANIMATION 170
#define IDD_EXPORT_PROGRESS 171

// Commands of the menu (the Edit menu is also the right-button menu)
#define IDM_NEW 40001
#define IDM_OPEN 40002
#define IDM_SAVE 40003
#define IDM_SAVE_AS 40004
#define IDM_EXIT 40005
#define IDM_PLAY 40006
#define IDM_PEN_COLOR 40007
#define IDM_PEN_SIZE 40008
#define IDM_ABOUT 40010
#define IDM_PLAYBACK_SPEED 40012
#define IDM_CLOSE 40014
#define IDM_CHARACTER 40015
#define IDM_UNDO 40018
#define IDM_REDO 40019
#define IDM_PICK_COLOR 40022
#define IDM_FLOOD_FILL 141
#define IDM_SIGNATURE 154
#define IDM_EXPORT_ANIMATION 40030
#define IDM_EXPORT_PICTURE 40031
// The recent shows at the end of the File menu: IDM_RECENT_FIRST and the three after it.
#define IDM_RECENT_FIRST 40040
#define IDM_RECENT_COUNT 4

// Controls of the editor's dialogs
#define IDC_PEN_SIZE 1000            // dialog 102
#define IDC_PLAYBACK_SPEED 1013      // dialog 103
#define IDC_PICK_VELKA 1004          // dialog 117
#define IDC_PICK_DORIN 1005
#define IDC_PICK_BRAMWELL 1008
#define IDC_SIGNATURE_TEXT 1035      // dialog 142
#define IDC_EXPORT_SECONDS 1050      // dialog 170
#define IDC_EXPORT_WIDTH 1051
#define IDC_EXPORT_SIZE 1052         // the height the width gives
#define IDC_EXPORT_BAR 1053          // dialog 171
#define IDC_EXPORT_STATUS 1054

// Cursors
#define IDC_CURSOR_DRAW 118
#define IDC_CURSOR_PICK 132
#define IDC_CURSOR_FILL 140

#ifdef __cplusplus
// Every dialog of the shared resource set is one resource type.
static_assert(IDD_PEN_SIZE != IDD_PLAYBACK_SPEED && IDD_EDITOR_CHARACTER != IDD_ABOUT &&
                  IDD_EDITOR_CHARACTER != IDD_CHARACTERS && IDD_SIGNATURE != IDD_SETTINGS &&
                  IDD_SIGNATURE != IDD_CHARACTERS && IDD_PEN_SIZE != IDD_ABOUT,
              "editor dialog ids collide with the saver's");
// The character dialog's radio buttons share one group; their ids must differ.
static_assert(IDC_PICK_VELKA != IDC_PICK_DORIN && IDC_PICK_DORIN != IDC_PICK_BRAMWELL,
              "character radio buttons collide");
static_assert(IDM_REDO != IDM_UNDO && IDM_REDO != IDM_PICK_COLOR &&
                  (IDM_PICK_COLOR < IDM_RECENT_FIRST || IDM_PICK_COLOR >= IDM_RECENT_FIRST + IDM_RECENT_COUNT),
              "editor command ids collide");
static_assert(IDC_CURSOR_DRAW != IDC_CURSOR_PICK && IDC_CURSOR_PICK != IDC_CURSOR_FILL,
              "editor cursor ids collide");
// The export's commands, dialogs and controls keep to their own ranges.
static_assert(IDM_EXPORT_ANIMATION != IDM_EXPORT_PICTURE && IDM_EXPORT_ANIMATION != IDM_REDO &&
                  IDM_EXPORT_PICTURE != IDM_REDO && IDM_EXPORT_PICTURE < IDM_RECENT_FIRST,
              "export commands collide with the editor's others");
static_assert(IDD_EXPORT_ANIMATION != IDD_EXPORT_PROGRESS && IDD_EXPORT_ANIMATION != IDD_ABOUT &&
                  IDD_EXPORT_PROGRESS != IDD_SETTINGS && IDD_EXPORT_PROGRESS != IDD_CHARACTERS,
              "export dialog ids collide");
static_assert(IDC_EXPORT_SECONDS >= 1050 && IDC_EXPORT_STATUS <= 1059,
              "export controls left their range");
#endif

// ---- flagbench resources (flagbench.rc)
#define IDD_FLAGBENCH 101
#define IDC_FLAGBENCH_WIDTH 1002
#define IDC_FLAGBENCH_HEIGHT 1003
#define IDC_FLAGBENCH_VERSION 1004
#define IDC_FLAGBENCH_FLAGS 1005      // the flag word as a decimal number
#define IDC_FLAGBENCH_SIGNATURE 1006
#define IDC_FLAGBENCH_BIT0 1008       // check boxes and their explanation fields
#define IDC_FLAGBENCH_BIT0_TEXT 1009
#define IDC_FLAGBENCH_BIT1 1010
#define IDC_FLAGBENCH_BIT2 1011
#define IDC_FLAGBENCH_BIT1_TEXT 1012
#define IDC_FLAGBENCH_BIT2_TEXT 1013
