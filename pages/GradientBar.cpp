#include "GradientBar.h"

#include "OffscreenDC.h"

#include <algorithm>
#include <cstdlib>

namespace
{

// A colour channel of band nBand: the start value plus nBand increments, truncated, kept to 8 bits.
BYTE BandChannel(int nStart, float fIncrement, int nBand)
{
    return static_cast<BYTE>(
        static_cast<int>(static_cast<float>(nStart) + static_cast<float>(nBand) * fIncrement));
}

} // namespace

CGradientBar::CGradientBar()
    : m_nLower(0), m_nUpper(100), m_nStep(10), m_nPos(0), m_crStart(RGB(255, 0, 0)), m_crEnd(RGB(0, 0, 255)),
      m_crBack(::GetSysColor(COLOR_BTNFACE)), m_crText(RGB(255, 255, 255)), m_bShowPercent(FALSE)
{
}

CGradientBar::~CGradientBar() = default;

BEGIN_MESSAGE_MAP(CGradientBar, CProgressCtrl)
ON_WM_PAINT()
END_MESSAGE_MAP()

void CGradientBar::SetRange(int nLower, int nUpper)
{
    m_nUpper = nUpper;
    m_nLower = nLower;
    m_nPos = nLower;
    SendMessage(PBM_SETRANGE, 0, MAKELPARAM(nLower, nUpper));
}

int CGradientBar::SetPos(int nPos)
{
    m_nPos = nPos;
    return static_cast<int>(SendMessage(PBM_SETPOS, static_cast<WPARAM>(nPos), 0));
}

BOOL CGradientBar::IsPositionShown() const
{
    return m_nUpper > 0 && m_nUpper > m_nLower && m_nPos >= m_nLower && m_nPos <= m_nUpper;
}

void CGradientBar::OnPaint()
{
    CPaintDC dc(this);
    CRect rcClient;
    GetClientRect(&rcClient);
    if (!IsPositionShown())
    {
        CBrush brush(::GetSysColor(COLOR_BTNFACE));
        dc.FillRect(&rcClient, &brush);
        return;
    }
    // The share of the width is the position over the upper bound: the ranges in use start at 0.
    const float fFraction = static_cast<float>(m_nPos) / static_cast<float>(m_nUpper);
    DrawGradient(&dc, rcClient, static_cast<int>(fFraction * static_cast<float>(rcClient.Width())));
    if (m_bShowPercent)
    {
        CString strPercent;
        strPercent.Format(_T("%.0f %%"), static_cast<double>(static_cast<float>(m_nPos) * 100.0f /
                                                             static_cast<float>(m_nUpper)));
        dc.SetTextColor(m_crText);
        dc.SetBkMode(TRANSPARENT);
        dc.DrawText(strPercent, &rcClient, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
}

void CGradientBar::DrawGradient(CPaintDC* pDC, const CRect& rcClient, int nFilled)
{
    COffscreenDC dc(pDC);
    const int nStartR = GetRValue(m_crStart), nStartG = GetGValue(m_crStart), nStartB = GetBValue(m_crStart);
    const int nDeltaR = GetRValue(m_crEnd) - nStartR;
    const int nDeltaG = GetGValue(m_crEnd) - nStartG;
    const int nDeltaB = GetBValue(m_crEnd) - nStartB;
    // One band per unit of the channel that changes most.
    const int nSteps = std::max({std::abs(nDeltaR), std::abs(nDeltaG), std::abs(nDeltaB)});
    if (nSteps <= 0)
    {
        // One colour: the filled part in it, the rest unfilled.
        const int nEdge = std::clamp(nFilled, 0, static_cast<int>(rcClient.right));
        CBrush brushFill(m_crStart);
        CRect rcFill(0, 0, nEdge, rcClient.bottom);
        dc.FillRect(&rcFill, &brushFill);
        CBrush brushBack(m_crBack);
        CRect rcBack(nEdge, 0, rcClient.right, rcClient.bottom);
        dc.FillRect(&rcBack, &brushBack);
        return;
    }
    const float fSteps = static_cast<float>(nSteps);
    const float fBandWidth = static_cast<float>(rcClient.Width()) / fSteps;
    const float fIncR = static_cast<float>(nDeltaR) / fSteps;
    const float fIncG = static_cast<float>(nDeltaG) / fSteps;
    const float fIncB = static_cast<float>(nDeltaB) / fSteps;
    for (int i = 0; i < nSteps; ++i)
    {
        const float fBand = static_cast<float>(i);
        // The last band ends at the bar's right edge, whatever the rounding of the band width.
        const int nRight = i + 1 == nSteps ? static_cast<int>(rcClient.right)
                                           : static_cast<int>((fBand + 1.0f) * fBandWidth);
        CRect rcBand(static_cast<int>(fBand * fBandWidth), 0, nRight, rcClient.bottom + 1);
        CBrush brushBand(RGB(BandChannel(nStartR, fIncR, i), BandChannel(nStartG, fIncG, i),
                             BandChannel(nStartB, fIncB, i)));
        dc.FillRect(&rcBand, &brushBand);
        if (rcBand.right > nFilled)
        {
            // The band that crosses the filled width is painted whole; the rest is unfilled.
            CBrush brushBack(m_crBack);
            CRect rcBack(rcBand.right, 0, rcClient.right, rcClient.bottom);
            dc.FillRect(&rcBack, &brushBack);
            break;
        }
    }
}
