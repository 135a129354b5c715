// The program WLAN: its application object and the notification icon's message, made with the program's
// statics before the framework's entry runs them.
#include "PPC_ui.h"

UINT WM_TBARDLGMESSAGE = RegisterWindowMessageW(_T("TBarDlgMessage"));

CPPC_uiApp theApp;
