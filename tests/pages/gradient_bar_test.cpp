// The gradient bar on real progress controls: what its paint puts on the screen, read from grabbed images.
#include <GradientBar.h>

#include <gwes/gwes.h>
#include <gwes/qt.h>
#include <temp_handheld.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

namespace
{

// The status page's colours: 238 bands, red 175 -> 0, green 238 -> 0, blue 238 -> 255.
const COLORREF kStart = 0x00EEEEAF;
const COLORREF kEnd = 0x00FF0000;
const int kBands = 238;

COLORREF At(const QImage& image, int x, int y)
{
    QRgb p = image.pixel(x, y);
    return RGB(qRed(p), qGreen(p), qBlue(p));
}

// Band i of the status page's gradient in exact arithmetic; the bar's single precision may land one
// below in a channel.
COLORREF ExactBand(int i)
{
    auto channel = [i](int start, int end)
    { return static_cast<int>(start + (end - start) * i / double(kBands)); };
    return RGB(channel(0xAF, 0), channel(0xEE, 0), channel(0xEE, 0xFF));
}

bool NearColour(COLORREF a, COLORREF b)
{
    return std::abs(GetRValue(a) - GetRValue(b)) <= 1 && std::abs(GetGValue(a) - GetGValue(b)) <= 1 &&
           std::abs(GetBValue(a) - GetBValue(b)) <= 1;
}

// The columns of row y whose colour is not `colour`.
int CountOther(const QImage& image, int y, COLORREF colour)
{
    int n = 0;
    for (int x = 0; x < image.width(); ++x)
        n += At(image, x, y) != colour;
    return n;
}

class GradientBar : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(gwes::EnsureApplication());
        ASSERT_TRUE(
            m_parent.CreateEx(0, nullptr, u"Bars", WS_POPUP | WS_VISIBLE, 0, 0, 640, 120, nullptr, nullptr));
    }
    void TearDown() override
    {
        for (auto& bar : m_bars)
            bar->DestroyWindow();
        m_parent.DestroyWindow();
    }

    // A bar of cx by cy client pixels on a progress control, with the status page's settings.
    CGradientBar& Bar(int cx, int cy, DWORD dwStyle = 0)
    {
        HWND hControl = CreateWindowExW(0, PROGRESS_CLASS, nullptr, WS_CHILD | WS_VISIBLE | dwStyle, 0, 0, cx,
                                        cy, m_parent.GetSafeHwnd(), nullptr, nullptr, nullptr);
        auto bar = std::make_unique<CGradientBar>();
        EXPECT_TRUE(bar->SubclassWindow(hControl));
        bar->SetRange(0, 100);
        bar->m_crStart = kStart;
        bar->m_crEnd = kEnd;
        bar->m_crText = RGB(255, 255, 255);
        m_bars.push_back(std::move(bar));
        return *m_bars.back();
    }
    static QImage Shot(CGradientBar& bar, const QRect& rect = QRect(QPoint(0, 0), QSize(-1, -1)))
    {
        return gwes::WidgetOf(bar.GetSafeHwnd())->grab(rect).toImage();
    }

    testing_support::TempHandheld m_handheld;
    CWnd m_parent;
    std::vector<std::unique_ptr<CGradientBar>> m_bars;
};

TEST_F(GradientBar, RangeAndPositionGoToTheControlAndTheRangeResetsThePosition)
{
    CGradientBar& bar = Bar(100, 10);
    bar.SetPos(40);
    EXPECT_EQ(bar.GetPos(), 40);
    bar.SetRange(10, 90);
    EXPECT_EQ(bar.m_nPos, 10);
    int nLower = 0, nUpper = 0;
    bar.GetRange(nLower, nUpper);
    EXPECT_EQ(nLower, 10);
    EXPECT_EQ(nUpper, 90);
    // The bar keeps what it was given even where the control keeps its position inside the range.
    EXPECT_EQ(bar.SetPos(120), 40);
    EXPECT_EQ(bar.m_nPos, 120);
    EXPECT_EQ(bar.GetPos(), 90);
}

TEST_F(GradientBar, AtZeroOnlyTheFirstBandIsFilled)
{
    CGradientBar& bar = Bar(2 * kBands, 16); // two pixels a band
    QImage plain = Shot(bar);
    EXPECT_EQ(At(plain, 0, 8), kStart);
    EXPECT_EQ(At(plain, 1, 15), kStart);
    for (int y : {0, 8, 15})
        EXPECT_EQ(CountOther(plain, y, bar.m_crBack), 2) << y;

    // The percentage: white, centred; nothing else changes.
    bar.m_bShowPercent = TRUE;
    QImage text = Shot(bar);
    int left = text.width(), right = -1, top = text.height(), bottom = -1;
    int nBrightest = 0; // the text is drawn smoothed: its brightest pixels come near its colour
    for (int y = 0; y < text.height(); ++y)
        for (int x = 0; x < text.width(); ++x)
            if (text.pixel(x, y) != plain.pixel(x, y))
            {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
                nBrightest = std::max(nBrightest, std::min({qRed(text.pixel(x, y)), qGreen(text.pixel(x, y)),
                                                            qBlue(text.pixel(x, y))}));
            }
    ASSERT_GE(right, left) << "no text";

    EXPECT_GE(nBrightest, 0xF0);
    EXPECT_NEAR((left + right) / 2.0, kBands, 3);
    EXPECT_NEAR((top + bottom) / 2.0, 8, 3);
    EXPECT_GT(right - left, 8); // "0 %", not just a dot
}

TEST_F(GradientBar, AtTheTopEveryBandIsPaintedAndTheLastOneShortOfTheEndColour)
{
    CGradientBar& bar = Bar(2 * kBands, 16);
    bar.SetPos(100);
    QImage image = Shot(bar);
    for (int i = 0; i < kBands; ++i)
    {
        EXPECT_PRED2(NearColour, At(image, 2 * i, 4), ExactBand(i)) << "band " << i;
        EXPECT_EQ(At(image, 2 * i + 1, 12), At(image, 2 * i, 4)) << "band " << i;
    }
    EXPECT_EQ(At(image, 0, 0), kStart);
    EXPECT_EQ(At(image, 2 * kBands - 1, 15), RGB(0, 1, 254));
    EXPECT_EQ(CountOther(image, 8, bar.m_crBack), 2 * kBands);
}

TEST_F(GradientBar, TheFilledPartEndsOnTheEdgeOfTheBandThatCrossesIt)
{
    CGradientBar& bar = Bar(2 * kBands, 16);
    bar.SetPos(37);
    QImage image = Shot(bar);
    // 37 % of 476 is 176.1: band 88 (176..177) crosses it and is painted whole.
    EXPECT_PRED2(NearColour, At(image, 177, 8), ExactBand(88));
    EXPECT_EQ(At(image, 178, 8), bar.m_crBack);
    EXPECT_EQ(CountOther(image, 8, bar.m_crBack), 178);
}

TEST_F(GradientBar, OutsideTheRangeOrWithoutAUsableRangeTheBarIsButtonFace)
{
    struct Row
    {
        int nLower, nUpper, nPos;
    };
    // Above and below the range; an upper bound of 0 or below; a range that does not rise.
    for (const Row& row : {Row{0, 100, 101}, Row{0, 100, -1}, Row{0, 0, 0}, Row{-10, 0, -5},
                           Row{-20, -10, -15}, Row{50, 50, 50}, Row{60, 40, 50}})
    {
        SCOPED_TRACE(testing::Message() << row.nLower << ".." << row.nUpper << " at " << row.nPos);
        CGradientBar& bar = Bar(2 * kBands, 16);
        bar.m_bShowPercent = TRUE;
        bar.SetRange(row.nLower, row.nUpper);
        bar.m_nPos = row.nPos;
        QImage image = Shot(bar);
        for (int y = 0; y < 16; ++y)
            ASSERT_EQ(CountOther(image, y, ::GetSysColor(COLOR_BTNFACE)), 0) << "row " << y;
    }
}

TEST_F(GradientBar, AnyWidthIsPaintedToItsLastColumn)
{
    // Bands narrower than a pixel (100, 1) and widths whose band width rounds down at the last edge (251).
    for (int cx : {1, 100, 237, 251, 255, 479})
    {
        SCOPED_TRACE(cx);
        CGradientBar& bar = Bar(cx, 10);
        bar.SetPos(100);
        QImage full = Shot(bar);
        EXPECT_EQ(CountOther(full, 5, bar.m_crBack), cx);
        EXPECT_EQ(At(full, cx - 1, 5), RGB(0, 1, 254)); // the last band (an undrawn buffer is black)
        if (cx >= kBands)
        {
            EXPECT_EQ(At(full, 0, 5), kStart);
        }

        bar.SetPos(50);
        QImage half = Shot(bar);
        int nFilled = CountOther(half, 5, bar.m_crBack);
        EXPECT_GE(nFilled, cx / 2);
        EXPECT_LE(nFilled, cx / 2 + 1 + cx / kBands); // up to the next band edge
    }
}

TEST_F(GradientBar, APaintOfPartOfTheBarGivesThePixelsOfAWholePaint)
{
    // 298 by 16 inside the border. (The parts leave out the border's bottom right pixel, which a partial
    // repaint of a bordered window does not draw.)
    CGradientBar& bar = Bar(300, 18, WS_BORDER);
    bar.m_bShowPercent = TRUE;
    for (int nPos : {0, 37, 100})
    {
        SCOPED_TRACE(nPos);
        bar.SetPos(nPos);
        QImage whole = Shot(bar);
        for (const QRect& part :
             {QRect(37, 3, 120, 9), QRect(0, 0, 40, 18), QRect(150, 8, 149, 10), QRect(111, 0, 1, 18)})
        {
            SCOPED_TRACE(testing::Message()
                         << part.x() << "," << part.y() << " " << part.width() << "x" << part.height());
            EXPECT_EQ(Shot(bar, part), whole.copy(part));
        }
    }
}

TEST_F(GradientBar, OneColourFillsTheFilledPartWithItAndTheRestUnfilled)
{
    CGradientBar& bar = Bar(2 * kBands, 16);
    bar.m_crStart = bar.m_crEnd = RGB(10, 20, 30);
    bar.SetPos(37);
    QImage image = Shot(bar);
    EXPECT_EQ(CountOther(image, 0, bar.m_crBack), 176);
    for (int x : {0, 175})
        EXPECT_EQ(At(image, x, 15), RGB(10, 20, 30)) << x;
    EXPECT_EQ(At(image, 176, 8), bar.m_crBack);
    bar.SetPos(100);
    image = Shot(bar);
    EXPECT_EQ(CountOther(image, 8, RGB(10, 20, 30)), 0);
}

} // namespace
