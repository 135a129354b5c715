// Identifiers of the resource reader's test script.
#pragma once

#define IDS_VERSION 3
#define IDS_STATUS 32800
#define IDS_ENGLISH_ONLY 32801
#define IDS_PRIMARY 32816
#define IDS_NEUTRAL 33100
#define IDS_LONG 33001
#define IDS_EMPTY 33002

#define IDD_TEST 130
#define IDD_TEST_EX 131
#define IDC_COMBO 1000
#define IDC_EDIT 1001
#define IDC_LIST 1002
#define IDC_RADIO1 1047
#define IDC_RADIO2 1048
#define IDC_PROGRESS 1011
#define IDC_PICTURE 1020

#define IDM_POPUP 141
#define IDM_ON 32771
#define IDM_OFF 32772
#define IDM_EXIT 32776

#define IDI_TEST 137
#define IDB_TEST 136
