// The pages of the utility as the main dialog runs them: each in a property sheet of its own (offscreen,
// shown) with a configuration on the card WLAN11b1, made at the benchmark's first use and kept for the run.
#pragma once

#include "comparison.h"

#include <DriverAdapterConfig.h>

#include <afxdlgs.h>

#include <memory>

namespace bench
{

// A sheet with one page and the configuration the page is given.
class PageHost
{
public:
    PageHost();
    ~PageHost();
    PageHost(const PageHost&) = delete;
    PageHost& operator=(const PageHost&) = delete;

    // Makes the sheet with the page as its current page.
    bool Show(CPropertyPage* pPage);
    DriverAdapterConfig* config() { return m_pConfig.get(); }

private:
    std::unique_ptr<DriverAdapterConfig> m_pConfig;
    std::unique_ptr<CPropertySheet> m_pSheet;
};

// The page of class Page for the whole run, with m_pConfig set before its sheet is made; null, with the
// benchmark skipped, when it could not be shown. The sheet's window goes before the page object.
template <class Page> Page* SharedPage(benchmark::State& state)
{
    struct Hosted
    {
        Page page;
        PageHost host;
    };
    static std::unique_ptr<Hosted> s_hosted;
    static bool s_shown = false;
    if (!s_hosted)
    {
        s_hosted = std::make_unique<Hosted>();
        AtTeardown([] { s_hosted.reset(); });
        s_hosted->page.m_pConfig = s_hosted->host.config();
        s_shown = s_hosted->host.Show(&s_hosted->page);
    }
    if (!s_shown)
    {
        state.SkipWithError("the page could not be shown");
        return nullptr;
    }
    return &s_hosted->page;
}

} // namespace bench
