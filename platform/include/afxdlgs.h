// The framework's standard dialogs: property sheets and their pages.
#pragma once

#include <afxwin.h>
#include <afxcmn.h>
#include <commdlg.h>

#ifndef RC_INVOKED

#include <vector>

class CPropertySheet;

// One page of a property sheet: a child dialog made from its template when the sheet first shows it.
class CPropertyPage : public CDialog
{
    DECLARE_DYNAMIC(CPropertyPage)
public:
    CPropertyPage();
    // nIDCaption: string id of the tab text; 0 takes the template's caption.
    explicit CPropertyPage(UINT nIDTemplate, UINT nIDCaption = 0);
    explicit CPropertyPage(LPCTSTR lpszTemplateName, UINT nIDCaption = 0);
    ~CPropertyPage() override;
    void Construct(UINT nIDTemplate, UINT nIDCaption = 0);
    void Construct(LPCTSTR lpszTemplateName, UINT nIDCaption = 0);

    // Called each time the page becomes the sheet's current page (the first time right after its window
    // was created); the default pushes the members to the controls on every activation but the first.
    virtual BOOL OnSetActive();
    // Called when the page stops being current; the default takes the values from the controls and
    // keeps the page current when one is refused.
    virtual BOOL OnKillActive();
    virtual BOOL OnApply();
    virtual void OnReset();
    void OnOK() override;
    void OnCancel() override;
    virtual BOOL OnQueryCancel();
    void SetModified(BOOL bChanged = TRUE);
    void CancelToClose();

    // The page's description; PSP_USETITLE with pszTitle sets the tab text.
    PROPSHEETPAGE m_psp;

    // The tab text: the caption string, the title given in m_psp, or the template's caption.
    CString GetTabText() const;
    CPropertySheet* GetSheet() const { return m_pSheet; }

protected:
    CString m_strCaption;
    BOOL m_bFirstSetActive;

private:
    CPropertySheet* m_pSheet = nullptr;
    BOOL m_bModified = FALSE;
    friend class CPropertySheet;
};

// A tabbed sheet of property pages; modal (DoModal, with OK and Cancel) or modeless (Create, for example
// as a child window of a dialog).
class CPropertySheet : public CWnd
{
    DECLARE_DYNAMIC(CPropertySheet)
public:
    CPropertySheet();
    explicit CPropertySheet(UINT nIDCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);
    explicit CPropertySheet(LPCTSTR pszCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);
    ~CPropertySheet() override;
    void Construct(UINT nIDCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);
    void Construct(LPCTSTR pszCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);

    // Creates the sheet modeless; dwStyle (DWORD)-1 takes a popup with caption and system menu.
    // PreCreateWindow sees the creation parameters first.
    virtual BOOL Create(CWnd* pParentWnd = nullptr, DWORD dwStyle = static_cast<DWORD>(-1),
                        DWORD dwExStyle = 0);
    virtual INT_PTR DoModal();

    void AddPage(CPropertyPage* pPage);
    void RemovePage(CPropertyPage* pPage);
    void RemovePage(int nPage);
    int GetPageCount() const;
    CPropertyPage* GetPage(int nPage) const;
    CPropertyPage* GetActivePage() const;
    int GetActiveIndex() const;
    int GetPageIndex(CPropertyPage* pPage);
    // Makes a page current: the current page is asked to let go (OnKillActive), the new page's window is
    // created if it has none yet, and it is told (OnSetActive). FALSE when the current page refused.
    BOOL SetActivePage(int nPage);
    BOOL SetActivePage(CPropertyPage* pPage);
    void SetTitle(LPCTSTR lpszText, UINT nStyle = 0);
    CTabCtrl* GetTabControl() const;
    // Modeless sheets are destroyed; modal sheets end their loop with nEndID.
    void EndDialog(int nEndID);
    BOOL PressButton(int nButton);

    PROPSHEETHEADER m_psh;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    DECLARE_MESSAGE_MAP()

    std::vector<CPropertyPage*> m_pages;
    CString m_strCaption;
    CWnd* m_pParentWnd;
    BOOL m_bModeless;

private:
    // The window procedure behind the sheet's framework object: builds the tab strip and the first page
    // on WM_CREATE.
    static LRESULT CALLBACK SheetProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    BOOL BuildSheet();
    BOOL CreatePage(int nPage);
    BOOL ActivatePage(int nPage, BOOL bAskCurrent);
    void LayoutPages();
    RECT PageRect() const;
    SIZE PageSize() const;
    void OnSheetDestroyed();

    int m_nCurPage = -1;
    mutable CTabCtrl m_tabCtrl;
    HWND m_hWndOK = nullptr;
    HWND m_hWndCancel = nullptr;
    friend class CPropertyPage;
};

// The open and save file dialog. The filter is the framework's: pairs of description and patterns
// separated by '|' and ended by "||" ("Text Files (*.txt)|*.txt|All Files (*.*)|*.*||").
class CFileDialog : public CDialog
{
    DECLARE_DYNAMIC(CFileDialog)
public:
    explicit CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt = nullptr, LPCTSTR lpszFileName = nullptr,
                         DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCTSTR lpszFilter = nullptr,
                         CWnd* pParentWnd = nullptr);
    ~CFileDialog() override;
    // IDOK when a file was chosen, IDCANCEL otherwise.
    INT_PTR DoModal() override;
    CString GetPathName() const;
    CString GetFileName() const;
    CString GetFileExt() const;
    CString GetFileTitle() const;

    OPENFILENAME m_ofn;

protected:
    BOOL m_bOpenFileDialog;
    CString m_strFilter;
    CString m_strDefExt;
    CString m_strFileName;
    CString m_strPath;
};

#endif // RC_INVOKED
