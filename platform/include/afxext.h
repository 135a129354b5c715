// Framework extensions; everything the handheld's programs use lives in afxwin.h, afxcmn.h and afxdlgs.h.
#pragma once

#include <afxwin.h>
#include <afxcmn.h>
#include <afxdlgs.h>
