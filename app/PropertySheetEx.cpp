#include "PropertySheetEx.h"

IMPLEMENT_DYNAMIC(CPropertySheetEx, CPropertySheet)

CPropertySheetEx::CPropertySheetEx(UINT nIDCaption, CWnd* pParentWnd, UINT iSelectPage)
    : CPropertySheet(nIDCaption, pParentWnd, iSelectPage)
{
}

CPropertySheetEx::~CPropertySheetEx() = default;

BEGIN_MESSAGE_MAP(CPropertySheetEx, CPropertySheet)
ON_WM_CREATE()
ON_WM_SHOWWINDOW()
END_MESSAGE_MAP()

int CPropertySheetEx::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CPropertySheet::OnCreate(lpCreateStruct) == -1)
        return -1;
    AfxMessageBox(_T("OnCreate"), MB_OK, 0);
    return 0;
}

void CPropertySheetEx::OnShowWindow(BOOL bShow, UINT nStatus)
{
    CPropertySheet::OnShowWindow(bShow, nStatus);
    AfxMessageBox(_T("OnShowWindow"), MB_OK, 0);
}

BOOL CPropertySheetEx::PreCreateWindow(CREATESTRUCT& cs)
{
    AfxMessageBox(_T("PreCreateWindow"), MB_OK, 0);
    return CPropertySheet::PreCreateWindow(cs);
}
