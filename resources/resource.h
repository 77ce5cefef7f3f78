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
