#include "HexText.h"

#include <afxwin.h>

BOOL ParseHexText(LPCTSTR pszText, DWORD* pdwValue)
{
    unsigned int nValue = 0;
    if (pszText == NULL || pdwValue == NULL || _stscanf(pszText, _T("%x"), &nValue) != 1)
        return FALSE;
    *pdwValue = nValue;
    return TRUE;
}

BOOL ParseHexInput(LPCTSTR pszText, DWORD* pdwValue)
{
    if (ParseHexText(pszText, pdwValue))
        return TRUE;
    AfxMessageBox(_T("Please enter a hexadecimal number."));
    return FALSE;
}
