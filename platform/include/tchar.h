// Text macros and the wide C runtime of the handheld. WCHAR text is UTF-16 (char16_t), so the wide
// runtime functions are overloads on const char16_t* beside the host's wchar_t ones.
#pragma once

#include <windef.h>

#define __TEXT(quote) u##quote
#define TEXT(quote) __TEXT(quote)
#define _T(x) __TEXT(x)
#define _TEXT(x) __TEXT(x)
#define L_(x) __TEXT(x)

#ifndef RC_INVOKED
#include <cstdarg>
// The host's wide runtime comes first: std::wcstol and its kin (which std::stol and friends take the
// address of) must name the host's functions only, not these overloads.
#include <cstdlib>
#include <cwchar>
#include <cwctype>

size_t wcslen(const char16_t* s);
size_t wcsnlen(const char16_t* s, size_t maxlen);
char16_t* wcscpy(char16_t* dst, const char16_t* src);
char16_t* wcsncpy(char16_t* dst, const char16_t* src, size_t n);
char16_t* wcscat(char16_t* dst, const char16_t* src);
int wcscmp(const char16_t* a, const char16_t* b);
int wcsncmp(const char16_t* a, const char16_t* b, size_t n);
int _wcsicmp(const char16_t* a, const char16_t* b);
int _wcsnicmp(const char16_t* a, const char16_t* b, size_t n);
const char16_t* wcschr(const char16_t* s, char16_t c);
char16_t* wcschr(char16_t* s, char16_t c);
const char16_t* wcsrchr(const char16_t* s, char16_t c);
char16_t* wcsrchr(char16_t* s, char16_t c);
const char16_t* wcsstr(const char16_t* s, const char16_t* sub);
char16_t* wcsstr(char16_t* s, const char16_t* sub);
// Heap copy released with free().
char16_t* _wcsdup(const char16_t* s);
char16_t* _wcsupr(char16_t* s);
char16_t* _wcslwr(char16_t* s);
long wcstol(const char16_t* s, char16_t** end, int base);
unsigned long wcstoul(const char16_t* s, char16_t** end, int base);
double wcstod(const char16_t* s, char16_t** end);
int _wtoi(const char16_t* s);
long _wtol(const char16_t* s);
double _wtof(const char16_t* s);
int towupper(char16_t c);
int towlower(char16_t c);
int iswspace(char16_t c);
int iswdigit(char16_t c);
int iswxdigit(char16_t c);

// Formatting with the Windows conversions (%s wide, %S 8-bit, %c wide character, %hs/%ls, %I64d ...).
// wsprintfW writes at most 1024 characters plus the terminator, as on Windows; swprintf and
// _snwprintf take the buffer size in characters and never write past it.
int wsprintfW(char16_t* buffer, const char16_t* format, ...);
int wvsprintfW(char16_t* buffer, const char16_t* format, va_list args);
int swprintf(char16_t* buffer, size_t count, const char16_t* format, ...);
int vswprintf(char16_t* buffer, size_t count, const char16_t* format, va_list args);
int _snwprintf(char16_t* buffer, size_t count, const char16_t* format, ...);
// Scanning: %d %i %u %x %X %o %s %c %n %% with widths, h/l modifiers and '*' suppression.
int swscanf(const char16_t* buffer, const char16_t* format, ...);
int vswscanf(const char16_t* buffer, const char16_t* format, va_list args);

#define _tcslen wcslen
#define _tcscpy wcscpy
#define _tcsncpy wcsncpy
#define _tcscat wcscat
#define _tcscmp wcscmp
#define _tcsicmp _wcsicmp
#define _tcsnicmp _wcsnicmp
#define _tcschr wcschr
#define _tcsrchr wcsrchr
#define _tcsstr wcsstr
#define _tcsdup _wcsdup
#define _tcsupr _wcsupr
#define _tcstol wcstol
#define _tcstoul wcstoul
#define _ttoi _wtoi
#define _ttol _wtol
#define _tstof _wtof
#define _stprintf swprintf
#define _sntprintf _snwprintf
#define _stscanf swscanf
#define wsprintf wsprintfW

#endif // RC_INVOKED
