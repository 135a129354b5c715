// CString: the framework's UTF-16 string.
#pragma once

#include <windows.h>
#include <wformat.h>

#ifndef RC_INVOKED
#include <string>
#include <string_view>

class CString
{
public:
    CString() = default;
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    CString(LPCWSTR psz);
    CString(LPCWSTR pch, int nLength);
    // 8-bit text in the ANSI code page of the device language.
    CString(LPCSTR psz);
    CString(WCHAR ch, int nRepeat = 1);
    explicit CString(std::u16string_view s);
    ~CString() = default;

    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(LPCWSTR psz);
    CString& operator=(LPCSTR psz);
    CString& operator=(WCHAR ch);

    int GetLength() const { return static_cast<int>(m_str.size()); }
    BOOL IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    WCHAR GetAt(int nIndex) const;
    void SetAt(int nIndex, WCHAR ch);
    WCHAR operator[](int nIndex) const { return GetAt(nIndex); }
    operator LPCWSTR() const { return m_str.c_str(); }
    LPCWSTR GetString() const { return m_str.c_str(); }

    // Direct access for APIs that fill a buffer; ReleaseBuffer(-1) takes the length up to the first 0.
    LPWSTR GetBuffer(int nMinBufLength);
    LPWSTR GetBuffer() { return GetBuffer(0); }
    LPWSTR GetBufferSetLength(int nNewLength);
    void ReleaseBuffer(int nNewLength = -1);

    CString Left(int nCount) const;
    CString Right(int nCount) const;
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    CString SpanIncluding(LPCWSTR pszCharSet) const;
    CString SpanExcluding(LPCWSTR pszCharSet) const;

    int Find(WCHAR ch, int nStart = 0) const;
    int Find(LPCWSTR pszSub, int nStart = 0) const;
    int ReverseFind(WCHAR ch) const;
    int FindOneOf(LPCWSTR pszCharSet) const;

    int Compare(LPCWSTR psz) const;
    int CompareNoCase(LPCWSTR psz) const;

    CString& MakeUpper();
    CString& MakeLower();
    CString& MakeReverse();
    CString& TrimLeft();
    CString& TrimLeft(WCHAR chTarget);
    CString& TrimLeft(LPCWSTR pszTargets);
    CString& TrimRight();
    CString& TrimRight(WCHAR chTarget);
    CString& TrimRight(LPCWSTR pszTargets);
    CString& Trim() { return TrimRight().TrimLeft(); }
    int Replace(WCHAR chOld, WCHAR chNew);
    int Replace(LPCWSTR pszOld, LPCWSTR pszNew);
    int Remove(WCHAR ch);
    int Insert(int nIndex, WCHAR ch);
    int Insert(int nIndex, LPCWSTR psz);
    int Delete(int nIndex, int nCount = 1);

    CString& operator+=(const CString& s);
    CString& operator+=(LPCWSTR psz);
    CString& operator+=(LPCSTR psz);
    CString& operator+=(WCHAR ch);

    template <class... Args> void Format(LPCWSTR pszFormat, const Args&... args)
    {
        m_str = ce::fmt::FormatArgs(pszFormat, args...);
    }
    template <class... Args> void AppendFormat(LPCWSTR pszFormat, const Args&... args)
    {
        m_str += ce::fmt::FormatArgs(pszFormat, args...);
    }
    // Formats with a format string from the string table of the current resource module.
    template <class... Args> void Format(UINT nFormatID, const Args&... args)
    {
        CString format;
        format.LoadString(nFormatID);
        m_str = ce::fmt::FormatArgs(format.GetString(), args...);
    }

    // Loads string nID from the string table of the current resource module, in the thread's language.
    // Defined by the framework's resource support.
    BOOL LoadString(UINT nID);

    // Conversions for the host side.
    std::string ToUtf8() const;
    static CString FromUtf8(std::string_view utf8);
    // 8-bit text in the ANSI code page of the device language.
    std::string ToAnsi() const;
    const std::u16string& str() const { return m_str; }

private:
    std::u16string m_str;
};

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, LPCWSTR b);
CString operator+(LPCWSTR a, const CString& b);
CString operator+(const CString& a, WCHAR b);
CString operator+(WCHAR a, const CString& b);

bool operator==(const CString& a, const CString& b);
bool operator==(const CString& a, LPCWSTR b);
bool operator==(LPCWSTR a, const CString& b);
bool operator!=(const CString& a, const CString& b);
bool operator!=(const CString& a, LPCWSTR b);
bool operator!=(LPCWSTR a, const CString& b);
bool operator<(const CString& a, const CString& b);
bool operator>(const CString& a, const CString& b);
bool operator<=(const CString& a, const CString& b);
bool operator>=(const CString& a, const CString& b);

inline ce::fmt::Arg FormatArg(const CString& s)
{
    ce::fmt::Arg a{};
    a.kind = ce::fmt::Arg::Kind::WStr;
    a.size = sizeof(void*);
    a.ws = s.GetString();
    return a;
}

#endif // RC_INVOKED
