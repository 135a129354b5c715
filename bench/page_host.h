// A page of the utility as the main dialog runs it: in a property sheet (offscreen, shown), with a
// configuration on the card WLAN11b1. Declare the page before its host, so that the sheet's window goes
// before the page object.
#pragma once

#include <DriverAdapterConfig.h>

#include <afxdlgs.h>

#include <memory>

namespace bench
{

class PageHost
{
public:
    PageHost();
    ~PageHost();
    PageHost(const PageHost&) = delete;
    PageHost& operator=(const PageHost&) = delete;

    // Makes the sheet with the page as its current page; the caller has set the page's configuration.
    bool Show(CPropertyPage* pPage);
    DriverAdapterConfig* config() { return m_pConfig.get(); }

private:
    std::unique_ptr<DriverAdapterConfig> m_pConfig;
    std::unique_ptr<CPropertySheet> m_pSheet;
};

} // namespace bench
