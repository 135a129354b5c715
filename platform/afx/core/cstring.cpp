// CString: the framework's UTF-16 string. Positions and counts outside the text are clamped as the
// framework does (Mid(-1) is Mid(0), a count past the end stops at the end, a negative count gives an
// empty text), and reads or writes of a character outside the text do nothing.

#include <afxstr.h>

#include <algorithm>

namespace
{

std::u16string_view View(LPCWSTR psz)
{
    return psz ? std::u16string_view(psz) : std::u16string_view();
}

std::u16string FromAnsi(LPCSTR psz)
{
    std::u16string out;
    if (!psz || !*psz)
        return out;
    const int needed = MultiByteToWideChar(CP_ACP, 0, psz, -1, nullptr, 0);
    if (needed <= 1)
        return out;
    out.resize(static_cast<size_t>(needed));
    MultiByteToWideChar(CP_ACP, 0, psz, -1, out.data(), needed);
    out.resize(static_cast<size_t>(needed - 1)); // without the terminator
    return out;
}

std::string ToCodePage(UINT codePage, const std::u16string& s)
{
    std::string out;
    if (s.empty())
        return out;
    const int len = static_cast<int>(s.size());
    const int needed = WideCharToMultiByte(codePage, 0, s.data(), len, nullptr, 0, nullptr, nullptr);
    if (needed <= 0)
        return out;
    out.resize(static_cast<size_t>(needed));
    WideCharToMultiByte(codePage, 0, s.data(), len, out.data(), needed, nullptr, nullptr);
    return out;
}

bool InSet(LPCWSTR set, WCHAR ch)
{
    return set && ch != 0 && wcschr(set, ch) != nullptr;
}

int Sign(int v)
{
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

} // namespace

CString::CString(LPCWSTR psz) : m_str(View(psz)) {}

CString::CString(LPCWSTR pch, int nLength)
{
    if (pch && nLength > 0)
        m_str.assign(pch, static_cast<size_t>(nLength));
}

CString::CString(LPCSTR psz) : m_str(FromAnsi(psz)) {}

CString::CString(WCHAR ch, int nRepeat)
{
    if (nRepeat > 0)
        m_str.assign(static_cast<size_t>(nRepeat), ch);
}

CString::CString(std::u16string_view s) : m_str(s) {}

CString& CString::operator=(LPCWSTR psz)
{
    // The source may point into this string.
    m_str = std::u16string(View(psz));
    return *this;
}

CString& CString::operator=(LPCSTR psz)
{
    m_str = FromAnsi(psz);
    return *this;
}

CString& CString::operator=(WCHAR ch)
{
    m_str.assign(1, ch);
    return *this;
}

WCHAR CString::GetAt(int nIndex) const
{
    if (nIndex < 0 || nIndex >= GetLength())
        return 0;
    return m_str[static_cast<size_t>(nIndex)];
}

void CString::SetAt(int nIndex, WCHAR ch)
{
    if (nIndex >= 0 && nIndex < GetLength())
        m_str[static_cast<size_t>(nIndex)] = ch;
}

// The buffer grows to nMinBufLength characters (new ones are 0) and keeps its terminator, so it
// holds nMinBufLength + 1 characters with the last one for the terminator.
LPWSTR CString::GetBuffer(int nMinBufLength)
{
    if (nMinBufLength > GetLength())
        m_str.resize(static_cast<size_t>(nMinBufLength), u'\0');
    return m_str.data();
}

LPWSTR CString::GetBufferSetLength(int nNewLength)
{
    m_str.resize(static_cast<size_t>(std::max(nNewLength, 0)), u'\0');
    return m_str.data();
}

void CString::ReleaseBuffer(int nNewLength)
{
    size_t len;
    if (nNewLength < 0)
        len = std::char_traits<char16_t>::length(m_str.c_str());
    else
        len = std::min(static_cast<size_t>(nNewLength), m_str.size());
    m_str.resize(len);
}

CString CString::Left(int nCount) const
{
    nCount = std::clamp(nCount, 0, GetLength());
    return CString(std::u16string_view(m_str).substr(0, static_cast<size_t>(nCount)));
}

CString CString::Right(int nCount) const
{
    nCount = std::clamp(nCount, 0, GetLength());
    return CString(std::u16string_view(m_str).substr(m_str.size() - static_cast<size_t>(nCount)));
}

CString CString::Mid(int nFirst) const
{
    return Mid(nFirst, GetLength());
}

CString CString::Mid(int nFirst, int nCount) const
{
    const int len = GetLength();
    nFirst = std::clamp(nFirst, 0, len);
    nCount = std::clamp(nCount, 0, len - nFirst);
    return CString(
        std::u16string_view(m_str).substr(static_cast<size_t>(nFirst), static_cast<size_t>(nCount)));
}

CString CString::SpanIncluding(LPCWSTR pszCharSet) const
{
    size_t n = 0;
    while (n < m_str.size() && InSet(pszCharSet, m_str[n]))
        ++n;
    return Left(static_cast<int>(n));
}

CString CString::SpanExcluding(LPCWSTR pszCharSet) const
{
    size_t n = 0;
    while (n < m_str.size() && !InSet(pszCharSet, m_str[n]))
        ++n;
    return Left(static_cast<int>(n));
}

int CString::Find(WCHAR ch, int nStart) const
{
    if (nStart < 0 || nStart >= GetLength())
        return -1;
    const size_t at = m_str.find(ch, static_cast<size_t>(nStart));
    return at == std::u16string::npos ? -1 : static_cast<int>(at);
}

int CString::Find(LPCWSTR pszSub, int nStart) const
{
    if (!pszSub || nStart < 0 || nStart > GetLength())
        return -1;
    const size_t at = m_str.find(pszSub, static_cast<size_t>(nStart));
    return at == std::u16string::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(WCHAR ch) const
{
    const size_t at = m_str.rfind(ch);
    return at == std::u16string::npos ? -1 : static_cast<int>(at);
}

int CString::FindOneOf(LPCWSTR pszCharSet) const
{
    if (!pszCharSet || !*pszCharSet)
        return -1;
    const size_t at = m_str.find_first_of(pszCharSet);
    return at == std::u16string::npos ? -1 : static_cast<int>(at);
}

int CString::Compare(LPCWSTR psz) const
{
    return Sign(m_str.compare(View(psz)));
}

int CString::CompareNoCase(LPCWSTR psz) const
{
    return Sign(_wcsicmp(m_str.c_str(), psz ? psz : u""));
}

CString& CString::MakeUpper()
{
    for (char16_t& c : m_str)
        c = static_cast<char16_t>(towupper(c));
    return *this;
}

CString& CString::MakeLower()
{
    for (char16_t& c : m_str)
        c = static_cast<char16_t>(towlower(c));
    return *this;
}

CString& CString::MakeReverse()
{
    std::reverse(m_str.begin(), m_str.end());
    return *this;
}

CString& CString::TrimLeft()
{
    size_t n = 0;
    while (n < m_str.size() && iswspace(m_str[n]))
        ++n;
    m_str.erase(0, n);
    return *this;
}

CString& CString::TrimLeft(WCHAR chTarget)
{
    size_t n = 0;
    while (n < m_str.size() && m_str[n] == chTarget)
        ++n;
    m_str.erase(0, n);
    return *this;
}

CString& CString::TrimLeft(LPCWSTR pszTargets)
{
    size_t n = 0;
    while (n < m_str.size() && InSet(pszTargets, m_str[n]))
        ++n;
    m_str.erase(0, n);
    return *this;
}

CString& CString::TrimRight()
{
    size_t n = m_str.size();
    while (n > 0 && iswspace(m_str[n - 1]))
        --n;
    m_str.resize(n);
    return *this;
}

CString& CString::TrimRight(WCHAR chTarget)
{
    size_t n = m_str.size();
    while (n > 0 && m_str[n - 1] == chTarget)
        --n;
    m_str.resize(n);
    return *this;
}

CString& CString::TrimRight(LPCWSTR pszTargets)
{
    size_t n = m_str.size();
    while (n > 0 && InSet(pszTargets, m_str[n - 1]))
        --n;
    m_str.resize(n);
    return *this;
}

int CString::Replace(WCHAR chOld, WCHAR chNew)
{
    if (chOld == chNew)
        return 0;
    int count = 0;
    for (char16_t& c : m_str)
    {
        if (c == chOld)
        {
            c = chNew;
            ++count;
        }
    }
    return count;
}

int CString::Replace(LPCWSTR pszOld, LPCWSTR pszNew)
{
    const std::u16string_view from = View(pszOld);
    if (from.empty())
        return 0;
    const std::u16string to(View(pszNew)); // may point into this string
    std::u16string result;
    int count = 0;
    size_t pos = 0;
    for (size_t at; (at = m_str.find(from, pos)) != std::u16string::npos; pos = at + from.size())
    {
        result.append(m_str, pos, at - pos);
        result += to;
        ++count;
    }
    if (count)
    {
        result.append(m_str, pos);
        m_str.swap(result);
    }
    return count;
}

int CString::Remove(WCHAR ch)
{
    const size_t before = m_str.size();
    m_str.erase(std::remove(m_str.begin(), m_str.end(), ch), m_str.end());
    return static_cast<int>(before - m_str.size());
}

int CString::Insert(int nIndex, WCHAR ch)
{
    nIndex = std::clamp(nIndex, 0, GetLength());
    m_str.insert(static_cast<size_t>(nIndex), 1, ch);
    return GetLength();
}

int CString::Insert(int nIndex, LPCWSTR psz)
{
    nIndex = std::clamp(nIndex, 0, GetLength());
    const std::u16string text(View(psz));
    m_str.insert(static_cast<size_t>(nIndex), text);
    return GetLength();
}

int CString::Delete(int nIndex, int nCount)
{
    const int len = GetLength();
    nIndex = std::max(nIndex, 0);
    if (nCount > 0 && nIndex < len)
        m_str.erase(static_cast<size_t>(nIndex), static_cast<size_t>(std::min(nCount, len - nIndex)));
    return GetLength();
}

CString& CString::operator+=(const CString& s)
{
    m_str += s.m_str;
    return *this;
}

CString& CString::operator+=(LPCWSTR psz)
{
    m_str += std::u16string(View(psz));
    return *this;
}

CString& CString::operator+=(LPCSTR psz)
{
    m_str += FromAnsi(psz);
    return *this;
}

CString& CString::operator+=(WCHAR ch)
{
    m_str.push_back(ch);
    return *this;
}

std::string CString::ToUtf8() const
{
    return ToCodePage(CP_UTF8, m_str);
}

CString CString::FromUtf8(std::string_view utf8)
{
    CString s;
    if (utf8.empty() || utf8.size() > static_cast<size_t>(INT32_MAX))
        return s;
    const int len = static_cast<int>(utf8.size());
    const int needed = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), len, nullptr, 0);
    if (needed <= 0)
        return s;
    s.m_str.resize(static_cast<size_t>(needed));
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), len, s.m_str.data(), needed);
    return s;
}

std::string CString::ToAnsi() const
{
    return ToCodePage(CP_ACP, m_str);
}

CString operator+(const CString& a, const CString& b)
{
    CString s(a);
    s += b;
    return s;
}

CString operator+(const CString& a, LPCWSTR b)
{
    CString s(a);
    s += b;
    return s;
}

CString operator+(LPCWSTR a, const CString& b)
{
    CString s(a);
    s += b;
    return s;
}

CString operator+(const CString& a, WCHAR b)
{
    CString s(a);
    s += b;
    return s;
}

CString operator+(WCHAR a, const CString& b)
{
    CString s(a);
    s += b;
    return s;
}

bool operator==(const CString& a, const CString& b)
{
    return a.str() == b.str();
}

bool operator==(const CString& a, LPCWSTR b)
{
    return a.str() == View(b);
}

bool operator==(LPCWSTR a, const CString& b)
{
    return b == a;
}

bool operator!=(const CString& a, const CString& b)
{
    return !(a == b);
}

bool operator!=(const CString& a, LPCWSTR b)
{
    return !(a == b);
}

bool operator!=(LPCWSTR a, const CString& b)
{
    return !(b == a);
}

bool operator<(const CString& a, const CString& b)
{
    return a.str() < b.str();
}

bool operator>(const CString& a, const CString& b)
{
    return b < a;
}

bool operator<=(const CString& a, const CString& b)
{
    return !(b < a);
}

bool operator>=(const CString& a, const CString& b)
{
    return !(a < b);
}
