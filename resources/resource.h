// Resource identifiers of the utility: dialog templates, their controls, the tray menu, strings, icons and
// the About logo. WLAN.rc and the Simplified Chinese library langSC.dll use the same numbers.
#pragma once

// ----- Dialog templates
#define IDD_PPC_UI_DIALOG 102 // the main window, host of the property sheet
#define IDD_ABOUT 129
#define IDD_STATUS 130
#define IDD_BBCR 131 // baseband registers
#define IDD_MCR 132  // MAC registers
#define IDD_EEPROM 133
#define IDD_STATISTICS 134
#define IDD_RADIO 139

// ----- Images
#define IDB_LOGO 136      // the About page's logo
#define IDR_MAINFRAME 137 // the application icon, also the dialog's icon
#define IDI_TRAY_APP 144  // the application in the notification area
#define IDI_LINK_DOWN 156 // no link
#define IDI_SIGNAL_1 157  // signal bars, weakest ...
#define IDI_SIGNAL_2 158
#define IDI_SIGNAL_3 159
#define IDI_SIGNAL_4 160
#define IDI_SIGNAL_5 161 // ... strongest

// ----- The notification icon's pop-up menu
#define IDR_TRAY_MENU 141
#define ID_RADIO_ON 32771
#define ID_RADIO_OFF 32772
#define ID_TRAY_EXIT 32776
#define ID_TRAY_OPEN 32777

// ----- Controls of the main window
#define IDC_ADAPTER_COMBO 1000 // the bindings of the wireless adapter
#define IDC_CREATE_SHEET 1001  // "OK": shows the property sheet
#define IDC_PAGE_TAB 1055

// ----- Status page
#define IDC_SSID 1003
#define IDC_LINK_STATUS 1004
#define IDC_BSS_TYPE 1005
#define IDC_CHANNEL 1006
#define IDC_TX_RATE 1007
#define IDC_SIGNAL_LABEL 1009
#define IDC_QUALITY_LABEL 1010
#define IDC_SIGNAL_BAR 1011
#define IDC_QUALITY_BAR 1012
#define IDC_MAC_ADDRESS 1013
#define IDC_IP_ADDRESS 1014
#define IDC_STATUS_LABEL 1067
#define IDC_TYPE_LABEL 1068
#define IDC_CHANNEL_LABEL 1069
#define IDC_TX_RATE_LABEL 1070

// ----- Register and EEPROM pages (the three buttons have the same ids on each)
#define IDC_BB_INDEX 1016
#define IDC_BB_DATA 1017
#define IDC_READ 1018
#define IDC_BB_OUTPUT 1020
#define IDC_SET 1021
#define IDC_READ_ALL 1022
#define IDC_MCR_ADDR 1023
#define IDC_MCR_DATA 1024
#define IDC_MCR_OUTPUT 1025
#define IDC_EEP_INDEX 1026
#define IDC_EEP_DATA 1027
#define IDC_EEP_OUTPUT 1028
#define IDC_FROM_FILE 1029

// ----- Statistics page
#define IDC_TX_SUCCESS 1030
#define IDC_TX_ERROR 1031
#define IDC_TX_THROUGHPUT 1007 // the Status page's transmit rate has the same number
#define IDC_RX_SUCCESS 1033
#define IDC_RX_CRC_SUCCESS 1034
#define IDC_RX_CRC_ERROR 1035
#define IDC_RX_THROUGHPUT 1036
#define IDC_RESET 1037
#define IDC_TX_SUCCESS_LABEL 1060
#define IDC_TX_ERROR_LABEL 1061
#define IDC_TX_THROUGHPUT_LABEL 1062
#define IDC_RX_SUCCESS_LABEL 1063
#define IDC_RX_CRC_ERROR_LABEL 1064
#define IDC_RX_CRC_SUCCESS_LABEL 1065
#define IDC_RX_THROUGHPUT_LABEL 1066

// ----- About page
#define IDC_DRIVER_VERSION 1039
#define IDC_UTILITY_VERSION 1040
#define IDC_NOTICE 1041
#define IDC_WEB_LINK 1044
#define IDC_MAIL_LINK 1045
#define IDC_VERSION_GROUP 1056
#define IDC_DRIVER_LABEL 1057
#define IDC_UTILITY_LABEL 1058
#define IDC_LINK_GROUP 1059

// ----- Radio page
#define IDC_SW_RADIO_LABEL 1046
#define IDC_RADIO_OFF 1047 // first of the radio group
#define IDC_RADIO_ON 1048
#define IDC_ADHOC_CHANNEL 1049
#define IDC_POWER_SAVING 1051
#define IDC_ADHOC_CHANNEL_LABEL 1071
#define IDC_POWER_SAVING_LABEL 1072

// ----- Strings (English 1033, Traditional Chinese 1028; Simplified Chinese in langSC.dll)
#define IDS_UTILITY_VERSION 3 // "10.26.6.2005\n"
#define IDS_CHANNEL_LABEL 32776
#define IDS_STATUS_LABEL 32777
#define IDS_TYPE_LABEL 32778
#define IDS_TX_RATE_LABEL 32779
#define IDS_SIGNAL_LABEL 32780
#define IDS_QUALITY_LABEL 32781
#define IDS_TX_SUCCESS 32782
#define IDS_TX_ERROR 32783
#define IDS_TX_THROUGHPUT 32784
#define IDS_RX_SUCCESS 32785
#define IDS_RX_CRC_SUCCESS 32786
#define IDS_RX_CRC_ERROR 32787
#define IDS_RX_THROUGHPUT 32788
#define IDS_RESET 32789
#define IDS_SW_RADIO 32790
#define IDS_RADIO_ON 32791
#define IDS_RADIO_OFF 32792
#define IDS_ADHOC_CHANNEL 32793
#define IDS_POWER_SAVE 32794
#define IDS_ABOUT 32795
#define IDS_VERSION_GROUP 32796
#define IDS_DRIVER 32797
#define IDS_UTILITY 32798
#define IDS_LINK_GROUP 32799
#define IDS_STATUS 32800
#define IDS_STATISTICS 32801
#define IDS_RADIO 32802
#define IDS_APP_CAPTION 32803
#define IDS_POWER_SAVING_ITEMS 32804 // the power-saving list, one item per line
