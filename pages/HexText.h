// Hexadecimal numbers typed into the register pages' boxes.
#pragma once

#include <windows.h>

// The "%x" reading of a box's text: leading blanks, an optional sign and 0x, then as many hexadecimal
// digits as follow, into 32 bits (more digits keep the low ones). FALSE when the text does not begin with
// a hexadecimal number; *pdwValue is then left as it was, so a read from an empty box keeps its preset.
BOOL ParseHexText(LPCTSTR pszText, DWORD* pdwValue);

// ParseHexText for a value that is about to be written to the card: a text that holds no number is
// refused with a message, so that nothing is written from it.
BOOL ParseHexInput(LPCTSTR pszText, DWORD* pdwValue);
