// The gradient bar on real progress controls: what its paint puts on the screen, read from grabbed images.
#include <GradientBar.h>

#include <gwes/gwes.h>
#include <gwes/qt.h>
#include <temp_handheld.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace
{

// The status page's colours: 238 bands, red 175 -> 0, green 238 -> 0, blue 238 -> 255.
const COLORREF kStart = 0x00EEEEAF, kEnd = 0x00FF0000, kLastBand = RGB(0, 1, 254);
const int kBands = 238;

COLORREF At(const QImage& image, int x, int y)
{
    QRgb p = image.pixel(x, y);
    return RGB(qRed(p), qGreen(p), qBlue(p));
}

// Band i in exact arithmetic; the bar's single precision may land one below in a channel.
bool IsBand(COLORREF colour, int i)
{
    auto near = [i](int value, int start, int end)
    { return std::abs(value - static_cast<int>(start + (end - start) * i / double(kBands))) <= 1; };
    return near(GetRValue(colour), 0xAF, 0) && near(GetGValue(colour), 0xEE, 0) &&
           near(GetBValue(colour), 0xEE, 0xFF);
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
    void TearDown() override { m_parent.DestroyWindow(); }

    // A bar of cx by cy pixels on a progress control, with the status page's settings.
    CGradientBar& Bar(int cx, int cy, DWORD dwStyle = 0)
    {
        HWND hControl = CreateWindowExW(0, PROGRESS_CLASS, nullptr, WS_CHILD | WS_VISIBLE | dwStyle, 0, 0, cx,
                                        cy, m_parent.GetSafeHwnd(), nullptr, nullptr, nullptr);
        m_bars.push_back(std::make_unique<CGradientBar>());
        CGradientBar& bar = *m_bars.back();
        EXPECT_TRUE(bar.SubclassWindow(hControl));
        bar.SetRange(0, 100);
        bar.m_crStart = kStart;
        bar.m_crEnd = kEnd;
        return bar;
    }
    static QImage Shot(CGradientBar& bar, const QRect& rect = QRect(QPoint(0, 0), QSize(-1, -1)))
    {
        return gwes::WidgetOf(bar.GetSafeHwnd())->grab(rect).toImage();
    }

    testing_support::TempHandheld m_handheld;
    CWnd m_parent;
    std::vector<std::unique_ptr<CGradientBar>> m_bars;
};

TEST_F(GradientBar, TheFilledPartEndsOnTheEdgeOfTheBandThatCrossesIt)
{
    CGradientBar& bar = Bar(2 * kBands, 16); // two pixels a band
    bar.SetPos(55);
    bar.SetRange(0, 100);
    EXPECT_EQ(bar.m_nPos, 0); // a new range starts at its lower bound
    // 0 still paints the first band; 37 % of 476 is 176.1, inside band 88 (176..177); 100 paints all.
    for (const auto& [nPos, nPainted] : {std::pair{0, 2}, {37, 178}, {100, 2 * kBands}})
    {
        SCOPED_TRACE(nPos);
        bar.SetPos(nPos);
        QImage image = Shot(bar);
        for (int y : {0, 15})
            EXPECT_EQ(CountOther(image, y, bar.m_crBack), nPainted);
        for (int x = 0; x < nPainted; ++x)
            EXPECT_PRED2(IsBand, At(image, x, 8), x / 2) << "x " << x;
        EXPECT_EQ(At(image, 0, 8), kStart);
        if (nPos == 100)
        {
            EXPECT_EQ(At(image, 2 * kBands - 1, 8), kLastBand); // one increment short of the end colour
        }
    }
}

TEST_F(GradientBar, ThePercentageIsCentredInTheTextColour)
{
    CGradientBar& bar = Bar(2 * kBands, 16);
    int nWidths[2] = {};
    for (int nPos : {0, 100})
    {
        SCOPED_TRACE(nPos);
        bar.SetPos(nPos);
        bar.m_bShowPercent = FALSE;
        QImage plain = Shot(bar);
        bar.m_bShowPercent = TRUE;
        QImage text = Shot(bar);
        int left = text.width(), right = -1, top = text.height(), bottom = -1, nBrightest = 0;
        for (int y = 0; y < text.height(); ++y)
            for (int x = 0; x < text.width(); ++x)
                if (text.pixel(x, y) != plain.pixel(x, y))
                {
                    left = std::min(left, x), right = std::max(right, x);
                    top = std::min(top, y), bottom = std::max(bottom, y);
                    QRgb p = text.pixel(x, y);
                    nBrightest = std::max(nBrightest, std::min({qRed(p), qGreen(p), qBlue(p)}));
                }
        ASSERT_GE(right, left) << "no text";
        EXPECT_GE(nBrightest, 0xE0); // white, drawn smoothed over the bar
        EXPECT_NEAR((left + right) / 2.0, kBands, 3);
        EXPECT_NEAR((top + bottom) / 2.0, 8, 3);
        nWidths[nPos / 100] = right - left;
    }
    EXPECT_GT(nWidths[1], nWidths[0] + 8); // "100 %" against "0 %"
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
    // Bands narrower than a pixel (1, 100, 237), and widths whose band width rounds down at the last edge.
    for (int cx : {1, 100, 237, 251, 255, 479})
    {
        SCOPED_TRACE(cx);
        CGradientBar& bar = Bar(cx, 10);
        bar.SetPos(100);
        QImage full = Shot(bar);
        EXPECT_EQ(CountOther(full, 5, bar.m_crBack), cx);
        EXPECT_EQ(At(full, cx - 1, 5), kLastBand); // not the black of an undrawn buffer
        bar.SetPos(50);
        int nFilled = CountOther(Shot(bar), 5, bar.m_crBack);
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
        bar.SetPos(nPos);
        QImage whole = Shot(bar);
        for (const QRect& part :
             {QRect(37, 3, 120, 9), QRect(0, 0, 40, 18), QRect(150, 8, 149, 10), QRect(111, 0, 1, 18)})
            EXPECT_EQ(Shot(bar, part), whole.copy(part)) << nPos << " at " << part.x() << "," << part.y();
    }
}

TEST_F(GradientBar, OneColourFillsTheFilledPartWithItAndTheRestUnfilled)
{
    CGradientBar& bar = Bar(2 * kBands, 16);
    bar.m_crStart = bar.m_crEnd = RGB(10, 20, 30);
    bar.SetPos(37);
    QImage image = Shot(bar);
    EXPECT_EQ(CountOther(image, 0, bar.m_crBack), 176);
    EXPECT_EQ(CountOther(image, 15, RGB(10, 20, 30)), 2 * kBands - 176);
    bar.SetPos(100);
    EXPECT_EQ(CountOther(Shot(bar), 8, RGB(10, 20, 30)), 0);
}

} // namespace
