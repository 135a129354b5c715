// CDialog: dialogs from templates, modal with a nested loop or modeless; dialog data exchange.
#include "afximpl.h"

#include <gwes/gwes.h>

#include <afx/app.h>

#include <cerrno>
#include <cfloat>
#include <cstdlib>
#include <cwchar>
#include <limits>

namespace afx::impl
{

INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    auto* dlg = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(hWnd));
    return dlg ? dlg->OnInitDialog() : TRUE;
}

std::optional<ce::res::DialogTemplate> LoadDialogTemplate(LPCTSTR lpszTemplateName, HINSTANCE* phInstance)
{
    if (!lpszTemplateName)
        return std::nullopt;
    HINSTANCE hInst = AfxFindResourceHandle(lpszTemplateName, RT_DIALOG);
    HRSRC h = ::FindResourceW(hInst, lpszTemplateName, RT_DIALOG);
    if (!h)
        return std::nullopt;
    auto* data = static_cast<const uint8_t*>(::LockResource(::LoadResource(hInst, h)));
    if (phInstance)
        *phInstance = hInst;
    return ce::res::ParseDialog(data, ::SizeofResource(hInst, h));
}

} // namespace afx::impl

using namespace afx::impl;

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
ON_MESSAGE(WM_INITDIALOG, HandleInitDialog)
END_MESSAGE_MAP()

CDialog::CDialog() : m_lpszTemplateName(nullptr), m_nIDHelp(0), m_pParentWnd(nullptr) {}

CDialog::CDialog(LPCTSTR lpszTemplateName, CWnd* pParentWnd)
    : m_lpszTemplateName(nullptr), m_nIDHelp(0), m_pParentWnd(pParentWnd)
{
    SetTemplate(lpszTemplateName);
}

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_lpszTemplateName(MAKEINTRESOURCE(nIDTemplate)), m_nIDHelp(nIDTemplate), m_pParentWnd(pParentWnd)
{
}

CDialog::~CDialog() = default;

void CDialog::SetTemplate(LPCTSTR lpszTemplateName)
{
    if (!lpszTemplateName || IS_INTRESOURCE(lpszTemplateName))
    {
        m_lpszTemplateName = lpszTemplateName;
        return;
    }
    m_strTemplateName = lpszTemplateName;
    m_lpszTemplateName = m_strTemplateName;
}

BOOL CDialog::CreateFromTemplate(CWnd* pParentWnd, BOOL bChild)
{
    InstallHooks();
    HINSTANCE hInst = nullptr;
    std::optional<ce::res::DialogTemplate> t = LoadDialogTemplate(m_lpszTemplateName, &hInst);
    if (!t)
        return FALSE;
    HWND hParent = pParentWnd ? pParentWnd->m_hWnd : nullptr;
    HookCreation(this);
    HWND h = gwes::CreateDialogFromTemplate(*t, hInst, hParent, DialogProc, 0, bChild);
    CancelCreationHook();
    return h != nullptr;
}

BOOL CDialog::Create(LPCTSTR lpszTemplateName, CWnd* pParentWnd)
{
    SetTemplate(lpszTemplateName);
    if (pParentWnd)
        m_pParentWnd = pParentWnd;
    return CreateFromTemplate(m_pParentWnd, FALSE);
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd)
{
    return Create(MAKEINTRESOURCE(nIDTemplate), pParentWnd);
}

INT_PTR CDialog::DoModal()
{
    InstallHooks();
    HINSTANCE hInst = nullptr;
    std::optional<ce::res::DialogTemplate> t = LoadDialogTemplate(m_lpszTemplateName, &hInst);
    if (!t)
        return -1;
    // The owner: the parent given, else the application's main window (unless that is this dialog).
    HWND hParent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (!hParent)
        if (CWnd* main = AfxGetMainWnd(); main && main != this)
            hParent = main->m_hWnd;
    while (hParent && (::GetWindowLongW(hParent, GWL_STYLE) & WS_CHILD))
        hParent = ::GetParent(hParent);
    HookCreation(this);
    HWND h = gwes::CreateDialogFromTemplate(*t, hInst, hParent, DialogProc, 0, FALSE);
    CancelCreationHook();
    if (!h)
        return -1;
    INT_PTR result = gwes::RunModalLoop(h);
    if (m_hWnd == h)
        DestroyWindow();
    else if (::IsWindow(h))
        ::DestroyWindow(h);
    return result;
}

void CDialog::EndDialog(int nResult)
{
    if (m_hWnd)
        ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::OnInitDialog()
{
    // The template's initialisation data fills combo and list boxes; then the members go to the controls.
    if (!ExecuteDlgInit(m_lpszTemplateName))
        return FALSE;
    if (!UpdateData(FALSE))
    {
        EndDialog(-1);
        return FALSE;
    }
    return TRUE;
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM)
{
    return Default(); // reaches DialogProc, which calls OnInitDialog
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg)
{
    return CWnd::PreTranslateMessage(pMsg);
}

BOOL CDialog::OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo)
{
    return CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

void CDialog::MapDialogRect(LPRECT lpRect) const
{
    ::MapDialogRect(m_hWnd, lpRect);
}

void CDialog::SetDefID(UINT nID)
{
    ::SendMessageW(m_hWnd, DM_SETDEFID, nID, 0);
}

DWORD CDialog::GetDefID() const
{
    return static_cast<DWORD>(::SendMessageW(m_hWnd, DM_GETDEFID, 0, 0));
}

void CDialog::NextDlgCtrl() const
{
    ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, 0, 0);
}

void CDialog::PrevDlgCtrl() const
{
    ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, 1, 0);
}

void CDialog::GotoDlgCtrl(CWnd* pWndCtrl)
{
    if (pWndCtrl)
        ::SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(pWndCtrl->m_hWnd), 1);
}

// ----- Dialog data exchange
CDataExchange::CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd), m_idLastControl(0), m_bEditLastControl(FALSE),
      m_bFailed(FALSE)
{
}

HWND CDataExchange::PrepareCtrl(int nIDC)
{
    m_idLastControl = nIDC;
    m_bEditLastControl = FALSE;
    return m_pDlgWnd ? ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC) : nullptr;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC)
{
    HWND h = PrepareCtrl(nIDC);
    m_bEditLastControl = TRUE;
    return h;
}

void CDataExchange::Fail()
{
    m_bFailed = TRUE;
    if (!m_bSaveAndValidate || !m_pDlgWnd || !m_idLastControl)
        return;
    // The user goes back to the control whose value was refused, with its text selected.
    if (HWND h = ::GetDlgItem(m_pDlgWnd->m_hWnd, m_idLastControl))
    {
        ::SetFocus(h);
        if (m_bEditLastControl)
            ::SendMessageW(h, EM_SETSEL, 0, -1);
    }
}

namespace
{

bool Skip(CDataExchange* pDX)
{
    return !pDX || pDX->m_bFailed;
}

CString ReplaceArgs(CString text, const CString& a1, const CString& a2 = CString())
{
    text.Replace(u"%1", a1);
    text.Replace(u"%2", a2);
    return text;
}

void ShowPrompt(UINT nIDPrompt, const CString& a1 = CString(), const CString& a2 = CString())
{
    CString text;
    if (!text.LoadString(nIDPrompt))
        text = afx::internal::DefaultPrompt(nIDPrompt);
    AfxMessageBox(ReplaceArgs(text, a1, a2), MB_OK, nIDPrompt);
}

// Reads a whole integer: blanks around it, an optional sign, decimal digits; nothing else, and within range.
template <class T> bool ParseInteger(const CString& text, T& value)
{
    std::u16string_view s(text.GetString(), static_cast<size_t>(text.GetLength()));
    size_t i = 0;
    while (i < s.size() && (s[i] == u' ' || s[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+'))
    {
        negative = s[i] == u'-';
        ++i;
    }
    if (negative && !std::numeric_limits<T>::is_signed)
        return false;
    unsigned long long magnitude = 0;
    size_t digits = 0;
    for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i, ++digits)
    {
        unsigned d = static_cast<unsigned>(s[i] - u'0');
        if (magnitude > (std::numeric_limits<unsigned long long>::max() - d) / 10)
            return false;
        magnitude = magnitude * 10 + d;
    }
    while (i < s.size() && (s[i] == u' ' || s[i] == u'\t'))
        ++i;
    if (!digits || i != s.size())
        return false;
    if (negative)
    {
        // The most negative value has a magnitude one above the largest positive one.
        unsigned long long limit = static_cast<unsigned long long>(std::numeric_limits<T>::max()) + 1;
        if (magnitude > limit)
            return false;
        value = magnitude == limit ? std::numeric_limits<T>::min()
                                   : static_cast<T>(-static_cast<long long>(magnitude));
    }
    else
    {
        if (magnitude > static_cast<unsigned long long>(std::numeric_limits<T>::max()))
            return false;
        value = static_cast<T>(magnitude);
    }
    return true;
}

template <class T> void TextInteger(CDataExchange* pDX, int nIDC, T& value, UINT nIDPrompt)
{
    if (Skip(pDX))
        return;
    HWND h = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
    {
        T parsed{};
        if (!ParseInteger(WindowText(h), parsed))
        {
            ShowPrompt(nIDPrompt);
            pDX->Fail();
            return;
        }
        value = parsed;
    }
    else
    {
        CString text;
        if constexpr (std::numeric_limits<T>::is_signed)
            text.Format(u"%I64d", static_cast<long long>(value));
        else
            text.Format(u"%I64u", static_cast<unsigned long long>(value));
        SetWindowTextIfChanged(h, text);
    }
}

template <class T> void TextReal(CDataExchange* pDX, int nIDC, T& value, int digits)
{
    if (Skip(pDX))
        return;
    HWND h = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
    {
        CString text = WindowText(h);
        std::string s = text.ToUtf8();
        const char* begin = s.c_str();
        while (*begin == ' ' || *begin == '\t')
            ++begin;
        char* end = nullptr;
        errno = 0;
        double d = std::strtod(begin, &end);
        while (end && (*end == ' ' || *end == '\t'))
            ++end;
        if (end == begin || !end || *end || errno == ERANGE ||
            (sizeof(T) == sizeof(float) && (d > FLT_MAX || d < -FLT_MAX)))
        {
            ShowPrompt(AFX_IDP_PARSE_REAL);
            pDX->Fail();
            return;
        }
        value = static_cast<T>(d);
    }
    else
    {
        CString text;
        text.Format(u"%.*g", digits, static_cast<double>(value));
        SetWindowTextIfChanged(h, text);
    }
}

} // namespace

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, CString& value)
{
    if (Skip(pDX))
        return;
    HWND h = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = WindowText(h);
    else
        SetWindowTextIfChanged(h, value);
}

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, int& value)
{
    TextInteger(pDX, nIDC, value, AFX_IDP_PARSE_INT);
}

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, UINT& value)
{
    TextInteger(pDX, nIDC, value, AFX_IDP_PARSE_UINT);
}

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, long& value)
{
    TextInteger(pDX, nIDC, value, AFX_IDP_PARSE_INT);
}

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, unsigned long& value)
{
    TextInteger(pDX, nIDC, value, AFX_IDP_PARSE_UINT);
}

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, short& value)
{
    TextInteger(pDX, nIDC, value, AFX_IDP_PARSE_INT);
}

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, BYTE& value)
{
    TextInteger(pDX, nIDC, value, AFX_IDP_PARSE_BYTE);
}

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, double& value)
{
    TextReal(pDX, nIDC, value, DBL_DIG);
}

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, float& value)
{
    TextReal(pDX, nIDC, value, FLT_DIG);
}

void AFXAPI DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (Skip(pDX) || rControl.m_hWnd)
        return;
    HWND h = pDX->PrepareCtrl(nIDC);
    if (!h || !rControl.SubclassWindow(h))
        pDX->Fail();
}

void AFXAPI DDX_Radio(CDataExchange* pDX, int nIDC, int& value)
{
    if (Skip(pDX))
        return;
    HWND h = pDX->PrepareCtrl(nIDC);
    if (!h)
        return;
    // The group runs from the first button to the next control that starts a group.
    if (pDX->m_bSaveAndValidate)
        value = -1;
    int index = 0;
    do
    {
        if (::SendMessageW(h, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON)
        {
            if (pDX->m_bSaveAndValidate)
            {
                if (::SendMessageW(h, BM_GETCHECK, 0, 0) != BST_UNCHECKED)
                    value = index;
            }
            else
            {
                ::SendMessageW(h, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
            }
            ++index;
        }
        h = ::GetWindow(h, GW_HWNDNEXT);
    } while (h && !(::GetWindowLongW(h, GWL_STYLE) & WS_GROUP));
}

void AFXAPI DDX_Check(CDataExchange* pDX, int nIDC, int& value)
{
    if (Skip(pDX))
        return;
    HWND h = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = static_cast<int>(::SendMessageW(h, BM_GETCHECK, 0, 0));
    else
        ::SendMessageW(h, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void AFXAPI DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index)
{
    if (Skip(pDX))
        return;
    HWND h = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        index = static_cast<int>(::SendMessageW(h, CB_GETCURSEL, 0, 0));
    else
        ::SendMessageW(h, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void AFXAPI DDX_CBString(CDataExchange* pDX, int nIDC, CString& value)
{
    if (Skip(pDX))
        return;
    HWND h = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
    {
        value = WindowText(h);
        return;
    }
    // The item that begins with the text is chosen; an editable combo shows the text anyway.
    if (::SendMessageW(h, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                       reinterpret_cast<LPARAM>(value.GetString())) == CB_ERR)
        ::SetWindowTextW(h, value);
}

void AFXAPI DDV_MaxChars(CDataExchange* pDX, const CString& value, int nChars)
{
    if (Skip(pDX))
        return;
    if (pDX->m_bSaveAndValidate)
    {
        if (value.GetLength() > nChars)
        {
            CString n;
            n.Format(u"%d", nChars);
            ShowPrompt(AFX_IDP_PARSE_STRING_SIZE, n);
            pDX->Fail();
        }
    }
    else if (pDX->m_idLastControl && pDX->m_bEditLastControl)
    {
        ::SendDlgItemMessageW(pDX->m_pDlgWnd->m_hWnd, pDX->m_idLastControl, EM_LIMITTEXT,
                              static_cast<WPARAM>(nChars), 0);
    }
}

void AFXAPI DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal)
{
    if (Skip(pDX) || !pDX->m_bSaveAndValidate || (value >= minVal && value <= maxVal))
        return;
    CString lo, hi;
    lo.Format(u"%d", minVal);
    hi.Format(u"%d", maxVal);
    ShowPrompt(AFX_IDP_PARSE_INT_RANGE, lo, hi);
    pDX->Fail();
}

void AFXAPI DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal)
{
    if (Skip(pDX) || !pDX->m_bSaveAndValidate || (value >= minVal && value <= maxVal))
        return;
    CString lo, hi;
    lo.Format(u"%u", minVal);
    hi.Format(u"%u", maxVal);
    ShowPrompt(AFX_IDP_PARSE_INT_RANGE, lo, hi);
    pDX->Fail();
}
