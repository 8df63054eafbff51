// Identifiers of the dialogs, controls and strings in ldsetup.rc, shared with the code.
#pragma once

// Setup dialog
#define IDD_SETUP 100
#define IDC_FOLDER 101

// Wait dialog
#define IDD_WAIT 20000
#define IDC_WAIT_STATUS 101
#define IDC_WAIT_DETAIL 102
#define IDC_WAIT_CANCEL 103
#define IDC_WAIT_ANIMATION 104
#define IDC_WAIT_PERCENT 105
#define IDC_WAIT_PANEL 106

// String table (Italian)
#define IDS_COPY_NO_SPACE 2000
#define IDS_COPY_MISSING 2001
#define IDS_ALREADY_INSTALLED 2002
#define IDS_DRIVE_MISSING 2003
#define IDS_INSTALL_INCOMPLETE 2004
#define IDS_FOLDER_NOT_CREATED 2005
#define IDS_INSTALL_DONE 2006
#define IDS_FOLDER_EXISTS 2007
