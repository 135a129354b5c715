// Definitions for resource scripts: the window, dialog and control constants, and IDC_STATIC.
// Resource scripts include this (or afxres.h); the resource compiler runs with RC_INVOKED defined.
#pragma once

#include <windef.h>
#include <winuser.h>
#include <commctrl.h>
#include <winnls.h>

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
