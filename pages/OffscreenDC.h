// A device context that buffers a paint: drawing goes into a bitmap the size of the paint's clip box, in
// the target's own (client) coordinates, and the destructor puts the result on the target with one block
// transfer, so the many small fills of a paint reach the screen at once, exactly as drawn.
#pragma once

#include <afxwin.h>

class COffscreenDC : public CDC
{
public:
    // Draws straight into pDC instead when its clip box is empty or no bitmap can be made for it.
    explicit COffscreenDC(CDC* pDC);
    ~COffscreenDC() override;
    COffscreenDC(const COffscreenDC&) = delete;
    COffscreenDC& operator=(const COffscreenDC&) = delete;

private:
    CBitmap m_bitmap;      // the buffer drawn into
    CBitmap* m_pOldBitmap; // the bitmap it replaced in the memory context
    CDC* m_pDC;            // the target
    CRect m_rect;          // the target's clip box
    BOOL m_bMemDC;         // drawing goes into the memory context
};
