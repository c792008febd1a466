/* Resource identifiers shared by the C++ code and the resource script.
 * Hand-kept; grouped by the window or dialog that owns them. Control ids are
 * reused between dialogs, so each group names the dialog it belongs to. */
#ifndef LARKMOOR_RESOURCE_H
#define LARKMOOR_RESOURCE_H

/* Icon, bitmap, menu and accelerators */
#define IDI_MAIN                1
#define IDR_MAIN_MENU           2001
#define IDR_ACCELERATORS        3001
#define IDB_EXIT                8002

/* Menu commands (shortcut in the comment) */
#define IDM_EXIT                2002    /* Ctrl+X */
#define IDM_VIEW_LOG            2006    /* F3 */
#define IDM_HELP_CONTENTS       2007    /* F1 */
#define IDM_ABOUT               2008
#define IDM_PREFERENCES         2009    /* F2 */
#define IDM_CHANGE_PASSWORD     6001
#define IDM_LOGOUT              6002    /* Ctrl+L */
#define IDM_GET_PROMPT          6003    /* F4 */
#define IDM_ADD_ENTRY           6004    /* Ctrl+A */
#define IDM_BROWSE_ENTRIES      6005    /* Ctrl+B */
#define IDM_SEARCH_ENTRIES      6006    /* Ctrl+S */
#define IDM_COMPACT_DATABASE    6007
#define IDM_EDIT_PROMPTS        6008

/* Dialog templates */
#define IDD_STARTUP             1001
#define IDD_ABOUT               1002
#define IDD_VIEW_LOG            1003
#define IDD_PREFERENCES         1005
#define IDD_LOGIN               1006
#define IDD_ENTRIES             1007
#define IDD_CHANGE_PASSWORD     1008
#define IDD_EDIT_PROMPTS        1009

/* Startup screen and About box */
#define IDC_PRODUCT_ICON        1004
#define IDC_VISIT_WEB_PAGE      4001

/* View Program Log */
#define IDC_LOG_LIST            4002
#define IDC_BROWSE_LOG_FOLDER   4003
#define IDC_DELETE_LOG          4004

/* Preferences */
#define IDC_SHOW_STARTUP_SCREEN 4001
#define IDC_ENABLE_LOG          4002
#define IDC_AUTO_LOGIN          4003

/* Login and Change password */
#define IDC_CURRENT_PASSWORD    4001
#define IDC_PASSWORD            4002
#define IDC_NEW_PASSWORD        4002

/* Entries */
#define IDC_SUBJECT_LIST        4001
#define IDC_SEARCH_TEXT         4002
#define IDC_SEARCH_GO           4003
#define IDC_DATE_LABEL          4004
#define IDC_DATE                4005
#define IDC_ENTRY_LABEL         4006
#define IDC_ENTRY_TEXT          4007
#define IDC_SAVE                4009
#define IDC_DELETE              4010
#define IDC_SUBJECT             4011
#define IDC_RECORD_NUMBER       4012
#define IDC_ENTRIES_OK          4013

/* Edit Brainstorm Prompts */
#define IDC_PROMPTS_TEXT        4001
#define IDC_PROMPTS_COUNT       4002

#endif
