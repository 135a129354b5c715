// A progress bar that paints itself: the filled part is a colour gradient of vertical bands from the
// start colour towards the end colour, the rest a plain colour, with an optional percentage centred on
// top. It is attached to a progress control of a dialog; it keeps its own range and position and hands
// both on to the control, whose repaint runs the paint handler here.
#pragma once

#include <afxcmn.h>

class CGradientBar : public CProgressCtrl
{
public:
    CGradientBar();
    ~CGradientBar() override;

    // Sets the range and puts the position back to the lower bound.
    void SetRange(int nLower, int nUpper);
    // Sets the position; returns the control's previous one.
    int SetPos(int nPos);
    // Paints the bands up to nFilled pixels (ending on a band's edge) and the unfilled rest, buffered.
    void DrawGradient(CPaintDC* pDC, const CRect& rcClient, int nFilled);

    int m_nLower;
    int m_nUpper;
    int m_nStep; // kept for the owner; the drawing does not use it
    int m_nPos;
    COLORREF m_crStart; // the leftmost band
    COLORREF m_crEnd;   // the colour the gradient runs towards (never drawn itself)
    COLORREF m_crBack;  // the unfilled part
    COLORREF m_crText;
    BOOL m_bShowPercent;

protected:
    // A position outside the range, or a range that is empty or does not reach above 0, paints the whole
    // bar in the button face colour, without text.
    BOOL IsPositionShown() const;

    afx_msg void OnPaint();
    DECLARE_MESSAGE_MAP()
};
