// Identifiers of the framework tests' resource script.
#pragma once

#define IDS_STATUS 32800
#define IDS_RADIO 32802
#define IDS_CAPTION 32803

#define IDD_MAIN 102
#define IDD_DATA 110
#define IDD_TIMED 111
#define IDD_PAGE_STATUS 130
#define IDD_PAGE_RADIO 139
#define IDD_PAGE_ABOUT 129
#define IDD_MISSING 199

#define IDC_COMBO 1000
#define IDC_OKBUTTON 1001
#define IDC_TAB 1055
#define IDC_NAME 1003
#define IDC_COUNT 1006
#define IDC_COUNTER 1030
#define IDC_OFF 1047
#define IDC_ON 1048
#define IDC_OTHER 1049
#define IDC_POWER 1051
#define IDC_OUTPUT 1020
#define IDC_BAR 1011
#define IDC_SSID 1013

#define IDI_APP 137
