// The framework's core: strings (and, with the window support, the application and its classes).
#pragma once
#include <windows.h>
#include <afxstr.h>
