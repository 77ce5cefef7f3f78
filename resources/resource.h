// Resource ids of every program's .rc files, grouped by kind. The numbers are
// the ones the stored dialogs, menus and bitmaps are known by: do not renumber.
#pragma once

// ---- Strings
#define IDS_PRODUCT_NAME 1
#define IDS_VERSION 2
#define IDS_ABOUT_TEXT 3
#define IDS_ABOUT_CREDITS 5

// ---- Screen saver and shared resources (owned by the saver's resources)

// ---- Editor resources

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
