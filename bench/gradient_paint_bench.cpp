// The Status page's signal bar painting its full gradient of 238 bands (rendered into an image of the
// bar's size through its own paint handler, without the percentage text) against a bare QPainter loop
// that fills the same bands on an image of the same size.
#include "comparison.h"
#include "page_host.h"

#include <Config.h>

#include <gwes/qt.h>

#include <algorithm>
#include <cstdlib>

namespace
{

// The Status page's signal bar, full, so that every band is painted.
CGradientBar* Bar(benchmark::State& state)
{
    CConfig* page = bench::SharedPage<CConfig>(state);
    if (!page)
        return nullptr;
    CGradientBar& bar = page->m_signalBar;
    bar.SetPos(bar.m_nUpper);
    return &bar;
}

void BarPaint(benchmark::State& state)
{
    CGradientBar* bar = Bar(state);
    if (!bar)
        return;
    // The percentage is text, not gradient.
    const BOOL bShowPercent = bar->m_bShowPercent;
    bar->m_bShowPercent = FALSE;
    QWidget* widget = gwes::WidgetOf(bar->GetSafeHwnd());
    QImage image(widget->size(), QImage::Format_RGB32);
    for (auto _ : state)
    {
        widget->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
    bar->m_bShowPercent = bShowPercent;
}

void BarePainterLoop(benchmark::State& state)
{
    CGradientBar* bar = Bar(state);
    if (!bar)
        return;
    CRect rcClient;
    bar->GetClientRect(&rcClient);
    QImage image(gwes::WidgetOf(bar->GetSafeHwnd())->size(), QImage::Format_RGB32);
    const int r0 = GetRValue(bar->m_crStart), g0 = GetGValue(bar->m_crStart), b0 = GetBValue(bar->m_crStart);
    const int dr = GetRValue(bar->m_crEnd) - r0, dg = GetGValue(bar->m_crEnd) - g0,
              db = GetBValue(bar->m_crEnd) - b0;
    const int nBands = std::max({std::abs(dr), std::abs(dg), std::abs(db)});
    if (nBands != 238)
        return state.SkipWithError("the bar's colours do not make 238 bands");
    const float fWidth = static_cast<float>(rcClient.Width()) / static_cast<float>(nBands);
    for (auto _ : state)
    {
        QPainter painter(&image);
        for (int i = 0; i < nBands; ++i)
        {
            const int left = static_cast<int>(static_cast<float>(i) * fWidth);
            const int right =
                i + 1 == nBands ? rcClient.right : static_cast<int>(static_cast<float>(i + 1) * fWidth);
            painter.fillRect(QRect(left, 0, right - left, rcClient.bottom + 1),
                             QColor(r0 + dr * i / nBands, g0 + dg * i / nBands, b0 + db * i / nBands));
        }
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}

const bool s_added = bench::AddComparison({"gradient-paint", 2, BarPaint, BarePainterLoop});

} // namespace
