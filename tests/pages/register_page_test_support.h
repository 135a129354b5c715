// What the register and EEPROM page tests share: the page hosted with a configuration on the card, its
// controls, and for every message box whether the wait cursor was up when it opened.
#pragma once

#include "page_test_support.h"

#include <gwes/gwes.h>

#include <vector>

namespace page_test
{

template <class Page> class RegisterPageTest : public PageTest
{
protected:
    void SetUp() override
    {
        PageTest::SetUp();
        MakeConfig();
        m_page.m_pConfig = m_pConfig.get();
        Host(&m_page);
        m_boxes.SetResponder(
            [this](const ce::RecordedMessageBox&)
            {
                m_waitAtBox.push_back(gwes::WaitCursorDepth() > 0);
                return IDOK;
            });
    }
    void Click(int nId) { m_page.SendDlgItemMessage(nId, BM_CLICK, 0, 0); }
    void Type(int nId, const char16_t* pszText) { m_page.SetDlgItemText(nId, pszText); }
    std::u16string Text(int nId) { return PageTest::Text(&m_page, nId); }
    int FirstLine(int nId)
    {
        return static_cast<int>(m_page.SendDlgItemMessage(nId, EM_GETFIRSTVISIBLELINE, 0, 0));
    }
    void Scroll(int nId, int nLines) { m_page.SendDlgItemMessage(nId, EM_LINESCROLL, 0, nLines); }

    Page m_page;
    std::vector<bool> m_waitAtBox;
};

} // namespace page_test
