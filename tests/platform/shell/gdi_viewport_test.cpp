// The viewport origin of a device context: drawing calls take logical coordinates, which land at
// themselves plus the origin; the clip box answers in logical coordinates; BitBlt maps its source and its
// destination each through its own context's origin.
#include <afxwin.h>

#include <gwes/gdi.h>

#include <gtest/gtest.h>

namespace
{

COLORREF At(HDC hdc, int x, int y)
{
    QRgb p = gwes::DCImage(hdc).pixel(x, y);
    return RGB(qRed(p), qGreen(p), qBlue(p));
}

TEST(GdiViewport, LogicalCoordinatesLandAtThemselvesPlusTheOrigin)
{
    const COLORREF kRed = RGB(255, 0, 0), kWhite = RGB(255, 255, 255);
    CDC a, b;
    CBitmap bitmapA, bitmapB;
    ASSERT_TRUE(a.CreateCompatibleDC(nullptr) && b.CreateCompatibleDC(nullptr));
    ASSERT_TRUE(bitmapA.CreateCompatibleBitmap(&a, 20, 10) && bitmapB.CreateCompatibleBitmap(&b, 6, 4));
    CBitmap* pOldA = a.SelectObject(&bitmapA);
    CBitmap* pOldB = b.SelectObject(&bitmapB);
    a.FillSolidRect(0, 0, 20, 10, kWhite);
    b.FillSolidRect(0, 0, 6, 4, kWhite);

    POINT previous{99, 99};
    ASSERT_TRUE(SetViewportOrgEx(a, -5, -3, &previous));
    EXPECT_EQ(CPoint(previous), CPoint(0, 0));
    EXPECT_EQ(a.GetViewportOrg(), CPoint(-5, -3));
    a.FillSolidRect(5, 3, 2, 2, kRed);
    EXPECT_EQ(a.SetPixel(15, 8, kRed), kRed);
    EXPECT_TRUE(PatBlt(a, 20, 3, 1, 1, BLACKNESS));
    EXPECT_EQ(At(a, 0, 0), kRed);
    EXPECT_EQ(At(a, 1, 1), kRed);
    EXPECT_EQ(At(a, 2, 2), kWhite);
    EXPECT_EQ(At(a, 10, 5), kRed);
    EXPECT_EQ(At(a, 15, 0), RGB(0, 0, 0));
    EXPECT_EQ(a.GetPixel(5, 3), kRed);
    EXPECT_EQ(a.GetPixel(4, 3), CLR_INVALID); // device x -1
    RECT clip{};
    EXPECT_EQ(a.GetClipBox(&clip), SIMPLEREGION);
    EXPECT_EQ(CRect(clip), CRect(5, 3, 25, 13));

    // From logical (5, 3) of the first to logical (0, 0) of one whose origin is (2, 1).
    EXPECT_EQ(b.SetViewportOrg(2, 1), CPoint(0, 0));
    ASSERT_TRUE(b.BitBlt(0, 0, 2, 2, &a, 5, 3, SRCCOPY));
    EXPECT_EQ(At(b, 1, 1), kWhite);
    EXPECT_EQ(At(b, 2, 1), kRed);
    EXPECT_EQ(At(b, 3, 2), kRed);
    EXPECT_EQ(At(b, 4, 3), kWhite);

    // Errors leave the output alone; the previous origin is optional.
    POINT point{7, 8};
    SetLastError(0);
    EXPECT_FALSE(SetViewportOrgEx(reinterpret_cast<HDC>(0x1234), 1, 1, &point));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(GetViewportOrgEx(reinterpret_cast<HDC>(0x1234), &point));
    EXPECT_EQ(CPoint(point), CPoint(7, 8));
    SetLastError(0);
    EXPECT_FALSE(GetViewportOrgEx(a, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(SetViewportOrgEx(a, 3, 4, nullptr));
    EXPECT_EQ(a.GetViewportOrg(), CPoint(3, 4));
    a.SelectObject(pOldA);
    b.SelectObject(pOldB);
}

} // namespace
