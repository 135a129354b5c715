// The export of wlanbind. The argument is the adapter's base name without its instance digit
// ("WLAN11b" for the instance "WLAN11b1"), at most 47 characters. The result is always 0.
#pragma once

#include <windows.h>

extern "C" DWORD RebindWlan(LPCWSTR pszBaseName);
