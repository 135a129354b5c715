// The viewport origin of a device context: every drawing call takes logical coordinates, which land at
// themselves plus the origin; the clip box answers in logical coordinates; BitBlt maps its source and its
// destination each through its own context's origin.
#include <afxwin.h>

#include <gwes/gdi.h>

#include <gtest/gtest.h>

namespace
{

COLORREF At(const QImage& image, int x, int y)
{
    QRgb p = image.pixel(x, y);
    return RGB(qRed(p), qGreen(p), qBlue(p));
}

// A memory context with a bitmap of its own, white all over.
struct MemoryDC
{
    MemoryDC(int cx, int cy)
    {
        dc.CreateCompatibleDC(nullptr);
        bitmap.CreateCompatibleBitmap(&dc, cx, cy);
        old = dc.SelectObject(&bitmap);
        dc.FillSolidRect(0, 0, cx, cy, RGB(255, 255, 255));
    }
    ~MemoryDC() { dc.SelectObject(old); }
    CDC dc;
    CBitmap bitmap;
    CBitmap* old = nullptr;
};

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kWhite = RGB(255, 255, 255);

TEST(GdiViewport, LogicalCoordinatesLandAtThemselvesPlusTheOrigin)
{
    MemoryDC a(20, 10);
    POINT previous{99, 99};
    ASSERT_TRUE(SetViewportOrgEx(a.dc, -5, -3, &previous));
    EXPECT_EQ(previous.x, 0);
    EXPECT_EQ(previous.y, 0);
    EXPECT_EQ(a.dc.GetViewportOrg(), CPoint(-5, -3));

    CBrush red(kRed);
    RECT band{5, 3, 7, 5};
    a.dc.FillRect(&band, &red);
    EXPECT_EQ(a.dc.SetPixel(15, 8, kRed), kRed);
    EXPECT_TRUE(PatBlt(a.dc, 20, 3, 1, 1, BLACKNESS));
    QImage image = gwes::DCImage(a.dc);
    EXPECT_EQ(At(image, 0, 0), kRed);
    EXPECT_EQ(At(image, 1, 1), kRed);
    EXPECT_EQ(At(image, 2, 2), kWhite);
    EXPECT_EQ(At(image, 10, 5), kRed);
    EXPECT_EQ(At(image, 15, 0), RGB(0, 0, 0));
    EXPECT_EQ(a.dc.GetPixel(5, 3), kRed);
    EXPECT_EQ(a.dc.GetPixel(4, 3), CLR_INVALID); // device x -1

    RECT clip{};
    EXPECT_EQ(a.dc.GetClipBox(&clip), SIMPLEREGION);
    EXPECT_EQ(CRect(clip), CRect(5, 3, 25, 13));

    // From logical (5, 3) of the first context to logical (0, 0) of one whose origin is (2, 1).
    MemoryDC b(6, 4);
    EXPECT_EQ(b.dc.SetViewportOrg(2, 1), CPoint(0, 0));
    ASSERT_TRUE(b.dc.BitBlt(0, 0, 2, 2, &a.dc, 5, 3, SRCCOPY));
    image = gwes::DCImage(b.dc);
    EXPECT_EQ(At(image, 1, 1), kWhite);
    EXPECT_EQ(At(image, 2, 1), kRed);
    EXPECT_EQ(At(image, 3, 2), kRed);
    EXPECT_EQ(At(image, 4, 3), kWhite);

    // Back to the identity: drawing lands where it says.
    EXPECT_EQ(a.dc.SetViewportOrg(0, 0), CPoint(-5, -3));
    a.dc.FillSolidRect(19, 9, 1, 1, kRed);
    EXPECT_EQ(At(gwes::DCImage(a.dc), 19, 9), kRed);
}

TEST(GdiViewport, UnknownContextOrMissingOutput)
{
    POINT point{7, 8};
    SetLastError(0);
    EXPECT_FALSE(SetViewportOrgEx(reinterpret_cast<HDC>(0x1234), 1, 1, &point));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(0);
    EXPECT_FALSE(GetViewportOrgEx(reinterpret_cast<HDC>(0x1234), &point));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(point.x, 7);
    EXPECT_EQ(point.y, 8);

    MemoryDC a(2, 2);
    EXPECT_TRUE(SetViewportOrgEx(a.dc, 3, 4, nullptr)); // the previous origin is optional
    SetLastError(0);
    EXPECT_FALSE(GetViewportOrgEx(a.dc, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(GetViewportOrgEx(a.dc, &point));
    EXPECT_EQ(point.x, 3);
    EXPECT_EQ(point.y, 4);
}

} // namespace
