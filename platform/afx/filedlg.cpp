// CFileDialog on the window services' file dialog.
#include "afximpl.h"

#include <gwes/shell.h>

#include <algorithm>

IMPLEMENT_DYNAMIC(CFileDialog, CDialog)

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt, LPCTSTR lpszFileName, DWORD dwFlags,
                         LPCTSTR lpszFilter, CWnd* pParentWnd)
    : m_ofn{}, m_bOpenFileDialog(bOpenFileDialog), m_strFilter(lpszFilter ? lpszFilter : u""),
      m_strDefExt(lpszDefExt ? lpszDefExt : u""), m_strFileName(lpszFileName ? lpszFileName : u"")
{
    m_pParentWnd = pParentWnd;
    m_ofn.lStructSize = sizeof(m_ofn);
    m_ofn.Flags = dwFlags;
    m_ofn.lpstrDefExt = m_strDefExt.IsEmpty() ? nullptr : static_cast<LPCWSTR>(m_strDefExt);
    m_ofn.hwndOwner = pParentWnd ? pParentWnd->m_hWnd : nullptr;
}

CFileDialog::~CFileDialog() = default;

INT_PTR CFileDialog::DoModal()
{
    gwes::FileDialogRequest request;
    request.open = m_bOpenFileDialog != FALSE;
    request.owner = m_pParentWnd ? m_pParentWnd->m_hWnd : m_ofn.hwndOwner;
    if (m_ofn.lpstrTitle)
        request.title = m_ofn.lpstrTitle;
    else
        request.title = request.open ? u"Open" : u"Save As";
    request.defaultExt = m_ofn.lpstrDefExt ? m_ofn.lpstrDefExt : u"";
    request.initialName = m_strFileName.GetString();
    if (m_ofn.lpstrInitialDir)
        request.initialDir = m_ofn.lpstrInitialDir;
    request.mustExist = (m_ofn.Flags & OFN_FILEMUSTEXIST) != 0;
    // "Description|patterns|...||": pairs split at the bars, blanks around each part dropped.
    std::vector<std::u16string> parts;
    std::u16string current;
    for (WCHAR c : std::u16string_view(m_strFilter.GetString()))
    {
        if (c == u'|')
        {
            parts.push_back(current);
            current.clear();
        }
        else
        {
            current += c;
        }
    }
    if (!current.empty())
        parts.push_back(current);
    auto trim = [](std::u16string s)
    {
        size_t b = s.find_first_not_of(u" \t");
        size_t e = s.find_last_not_of(u" \t");
        return b == std::u16string::npos ? std::u16string() : s.substr(b, e - b + 1);
    };
    for (size_t i = 0; i + 1 < parts.size(); i += 2)
    {
        std::u16string name = trim(parts[i]);
        std::u16string patterns = trim(parts[i + 1]);
        if (name.empty() && patterns.empty())
            break;
        request.filters.emplace_back(name, patterns);
    }
    std::optional<std::u16string> path = gwes::RunFileDialog(request);
    if (!path)
        return IDCANCEL;
    m_strPath = CString(*path);
    return IDOK;
}

CString CFileDialog::GetPathName() const
{
    return m_strPath;
}

CString CFileDialog::GetFileName() const
{
    int slash = std::max(m_strPath.ReverseFind(u'\\'), m_strPath.ReverseFind(u'/'));
    return m_strPath.Mid(slash + 1);
}

CString CFileDialog::GetFileExt() const
{
    CString name = GetFileName();
    int dot = name.ReverseFind(u'.');
    return dot < 0 ? CString() : name.Mid(dot + 1);
}

CString CFileDialog::GetFileTitle() const
{
    CString name = GetFileName();
    int dot = name.ReverseFind(u'.');
    return dot < 0 ? name : name.Left(dot);
}
