#pragma once

// The window's dialogs and controls by number: the resource script lays them out, the dialog
// procedures fill them, and the tests under Wine find them by these numbers. Plain macros, as
// the resource compiler reads this file too.

#define ZV_IDD_MAIN 100
#define ZV_IDD_RESTORE 200
#define ZV_IDD_PLAN 300
#define ZV_IDD_HISTORY 400
#define ZV_IDI_WINDOW 500

// The main window's class, so that a second start finds the first (and a test finds it).
#define ZV_MAIN_CLASS L"ZvToolWindow"

// The main window.
#define ZV_IDC_PORTS_LABEL 1001
#define ZV_IDC_PORTS 1002
#define ZV_IDC_UNIT_LABEL 1003
#define ZV_IDC_UNIT 1004
#define ZV_IDC_MODULES_LABEL 1005
#define ZV_IDC_MODULES 1006
#define ZV_IDC_FOLDERS 1007
#define ZV_IDC_TEST 1010
#define ZV_IDC_BACKUP 1011
#define ZV_IDC_RESTORE 1012
#define ZV_IDC_HISTORY 1013
#define ZV_IDC_PHASE 1020
#define ZV_IDC_STEP 1021
#define ZV_IDC_BAR 1022
#define ZV_IDC_TIMES 1023
#define ZV_IDC_WARNING 1024
#define ZV_IDC_CANCEL_JOB 1030
#define ZV_IDC_RESUME 1031
#define ZV_IDC_REPORT 1032
#define ZV_IDC_OUTCOME_LABEL 1040
#define ZV_IDC_OUTCOME 1041
#define ZV_IDC_STATUS 1050

// Restore: the file or ledger entry to restore.
#define ZV_IDC_FILE_LABEL 2001
#define ZV_IDC_FILE 2002
#define ZV_IDC_BROWSE 2003
#define ZV_IDC_ENTRIES_LABEL 2004
#define ZV_IDC_ENTRIES 2005

// The restore's plan, before anything is sent.
#define ZV_IDC_PLAN_TEXT 3001
#define ZV_IDC_CHANGES_LABEL 3002
#define ZV_IDC_CHANGES 3003

// History and the difference of two copies.
#define ZV_IDC_HISTORY_LABEL 4001
#define ZV_IDC_HISTORY_LIST 4002
#define ZV_IDC_COMPARE 4003
#define ZV_IDC_OPEN_FOLDER 4004
#define ZV_IDC_DIFF_LABEL 4005
#define ZV_IDC_DIFF 4006
#define ZV_IDC_DIFF_SUMMARY 4007
