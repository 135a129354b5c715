#include "OffscreenDC.h"

COffscreenDC::COffscreenDC(CDC* pDC) : m_pOldBitmap(NULL), m_pDC(pDC), m_bMemDC(TRUE)
{
    if (pDC->GetClipBox(&m_rect) == RGN_ERROR || m_rect.IsRectEmpty() || !CreateCompatibleDC(pDC) ||
        !m_bitmap.CreateCompatibleBitmap(pDC, m_rect.Width(), m_rect.Height()))
    {
        if (m_hDC)
            DeleteDC();
        m_bMemDC = FALSE;
        Attach(pDC->m_hDC);
        return;
    }
    m_pOldBitmap = SelectObject(&m_bitmap);
    // The buffer's first pixel is the clip box's top left corner.
    SetViewportOrg(-m_rect.left, -m_rect.top);
}

COffscreenDC::~COffscreenDC()
{
    if (!m_bMemDC)
    {
        Detach();
        return;
    }
    m_pDC->BitBlt(m_rect.left, m_rect.top, m_rect.Width(), m_rect.Height(), this, m_rect.left, m_rect.top,
                  SRCCOPY);
    SelectObject(m_pOldBitmap);
}
