// The registry store of the configuration: the miniport's parameters under
// HKEY_LOCAL_MACHINE\Comm\WLAN11b1\Parms, which it reads when it starts. The utility writes every value as
// decimal text (REG_SZ), except the three debugging values that the miniport takes as REG_DWORD.

#include "AdapterConfig.h"

#include <afxwin.h>

#include <cstring>

#define WLAN_PARMS_KEY _T("Comm\\WLAN11b1\\Parms")

namespace
{

enum
{
    VALUE_BUFFER_BYTES = 260,                    // what a value read may hold
    MAX_TEXT_CHARS = VALUE_BUFFER_BYTES / 2 - 1, // 129 characters and the terminator
    MAX_WRITE_CHARS = 259                        // characters of a text that can be written
};

BOOL IsNumberValue(const CString& strName)
{
    return strName.Compare(_T("DebugModule")) == 0 || strName.Compare(_T("CCXFlags")) == 0 ||
           strName.Compare(_T("CCXMeaLimit")) == 0;
}

BOOL IsSpace(WCHAR ch)
{
    return ch == ' ' || (ch >= '\t' && ch <= '\r');
}

// Decimal text to a 32-bit number, as an unsigned conversion does: leading white space, an optional sign
// (a minus negates modulo 2^32), the digits up to the first character that cannot continue the number;
// a number too large for 32 bits gives 0xFFFFFFFF.
DWORD DecimalToDword(const CString& strText)
{
    int nLength = strText.GetLength();
    int i = 0;
    while (i < nLength && IsSpace(strText.GetAt(i)))
        i++;
    BOOL bNegative = FALSE;
    if (i < nLength && (strText.GetAt(i) == '+' || strText.GetAt(i) == '-'))
    {
        bNegative = strText.GetAt(i) == '-';
        i++;
    }
    ULONGLONG qwValue = 0;
    for (; i < nLength && strText.GetAt(i) >= '0' && strText.GetAt(i) <= '9'; i++)
    {
        qwValue = qwValue * 10 + static_cast<ULONGLONG>(strText.GetAt(i) - '0');
        if (qwValue > 0xFFFFFFFFull)
            return 0xFFFFFFFF;
    }
    DWORD dwValue = static_cast<DWORD>(qwValue);
    return bNegative ? static_cast<DWORD>(0u - dwValue) : dwValue;
}

// The characters of a text up to its first zero.
int TextLength(const CString& strText)
{
    int nLength = 0;
    while (nLength < strText.GetLength() && strText.GetAt(nLength) != 0)
        nLength++;
    return nLength;
}

} // namespace

BOOL AdapterConfig::ReadRegistryValue(CString strName, CString& strText, int nReport)
{
    BOOL bRead = FALSE;
    CString strValue;
    HKEY hKey = NULL;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, WLAN_PARMS_KEY, 0, KEY_ALL_ACCESS, &hKey) == ERROR_SUCCESS)
    {
        BYTE buffer[VALUE_BUFFER_BYTES] = {};
        DWORD dwType = REG_NONE;
        DWORD dwSize = sizeof(buffer);
        if (RegQueryValueExW(hKey, strName, NULL, &dwType, buffer, &dwSize) == ERROR_SUCCESS)
        {
            if (dwType == REG_SZ)
            {
                // The text as stored, up to its terminator or as much as the buffer holds.
                WCHAR szText[MAX_TEXT_CHARS + 1] = {};
                DWORD dwChars = dwSize / sizeof(WCHAR);
                if (dwChars > MAX_TEXT_CHARS)
                    dwChars = MAX_TEXT_CHARS;
                memcpy(szText, buffer, dwChars * sizeof(WCHAR));
                strValue = szText;
                bRead = TRUE;
            }
            else if (dwType == REG_DWORD && dwSize == sizeof(DWORD))
            {
                DWORD dwValue = 0;
                memcpy(&dwValue, buffer, sizeof(dwValue));
                strValue.Format(_T("%u"), dwValue);
                bRead = TRUE;
            }
        }
        RegCloseKey(hKey);
    }
    if (!bRead)
    {
        if (nReport == 1)
        {
            CString strMessage;
            strMessage.Format(_T("registry of the item named '%s' can't be read"), strName);
            AfxMessageBox(strMessage);
        }
        return FALSE;
    }
    strText = strValue;
    return TRUE;
}

BOOL AdapterConfig::WriteRegistryValue(CString strName, CString strText, int nReport)
{
    LONG lResult = ERROR_SUCCESS;
    int nLength = TextLength(strText);
    if (nLength > MAX_WRITE_CHARS)
    {
        // Too long to be a parameter the miniport reads: nothing is written.
        lResult = ERROR_INVALID_PARAMETER;
    }
    else
    {
        HKEY hKey = NULL;
        lResult = RegOpenKeyExW(HKEY_LOCAL_MACHINE, WLAN_PARMS_KEY, 0, KEY_WRITE, &hKey);
        if (lResult == ERROR_SUCCESS)
        {
            if (IsNumberValue(strName))
            {
                DWORD dwValue = DecimalToDword(strText);
                lResult = RegSetValueExW(hKey, strName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwValue),
                                         sizeof(dwValue));
            }
            else
            {
                WCHAR szText[MAX_WRITE_CHARS + 1] = {};
                memcpy(szText, strText.GetString(), nLength * sizeof(WCHAR));
                lResult = RegSetValueExW(hKey, strName, 0, REG_SZ, reinterpret_cast<const BYTE*>(szText),
                                         static_cast<DWORD>((nLength + 1) * sizeof(WCHAR)));
            }
            RegCloseKey(hKey);
        }
    }
    if (lResult != ERROR_SUCCESS)
    {
        if (nReport != 0)
        {
            CString strMessage;
            strMessage.Format(_T("registry %s can't be set, code:%d"), strName, static_cast<int>(lResult));
            AfxMessageBox(strMessage);
        }
        return FALSE;
    }
    return TRUE;
}
