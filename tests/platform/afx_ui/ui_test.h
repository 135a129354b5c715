// Test support for the framework on the window services: an offscreen window system in a temporary
// handheld, and small helpers for the event loop.
#pragma once

#include <afxwin.h>
#include <afxdlgs.h>

#include <kernel/msgbox.h>
#include <kernel/resource.h>
#include <thread_language.h>
#include <gwes/gwes.h>

#include <gtest/gtest.h>

#include <functional>

namespace ui_test
{

// Pumps the event loop until `done` (at most timeoutMs); false on time-out.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 3000);

// Chooses the language resources are looked up in for the life of the object.
using Language = testing_support::ThreadLanguage;

CString Text(HWND hWnd);

} // namespace ui_test
