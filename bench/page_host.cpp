#include "page_host.h"

#include <gwes/gwes.h>

namespace bench
{

PageHost::PageHost()
    : m_pConfig(std::make_unique<DriverAdapterConfig>(u"WLAN11b1")),
      m_pSheet(std::make_unique<CPropertySheet>(u"Bench"))
{
}

PageHost::~PageHost()
{
    if (m_pSheet->GetSafeHwnd())
        m_pSheet->DestroyWindow();
    gwes::ProcessPending();
}

bool PageHost::Show(CPropertyPage* pPage)
{
    m_pSheet->AddPage(pPage);
    if (!m_pSheet->Create(nullptr, WS_POPUP | WS_VISIBLE, 0))
        return false;
    gwes::ProcessPending();
    return pPage->GetSafeHwnd() != NULL;
}

} // namespace bench
