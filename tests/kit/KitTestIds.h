// Templates and controls of the toolkit's test resources.
#pragma once

#define IDD_KIT_TEST 2001
#define IDD_KIT_MODAL 2002
#define IDB_KIT_TEST_STRIP 2003

#define IDC_TEST_CHECK 2101
#define IDC_TEST_RADIO 2102
#define IDC_TEST_BUTTON 2103
#define IDC_TEST_EDIT 2104
#define IDC_TEST_TARGET 2105
#define IDC_TEST_COMBO 2106
#define IDC_TEST_TRACK 2107
#define IDC_TEST_VALUE 2108
#define IDC_TEST_FRAME 2109
#define IDC_TEST_LIST 2110
#define IDC_TEST_LABEL 2111
