// What the register and EEPROM page tests share: a configuration on the card that notes every access the
// page makes and whether the wait cursor was up for it, the wait cursor noted at every message box, and
// the controls of the hosted page.
#pragma once

#include "page_test_support.h"

#include <gwes/gwes.h>

#include <vector>

namespace page_test
{

struct Access
{
    char kind; // 'r' read, 'w' write
    DWORD address;
    DWORD value;
    bool waiting; // the wait cursor was up
    bool operator==(const Access&) const = default;
};

class WatchedConfig : public DriverAdapterConfig
{
public:
    WatchedConfig() : DriverAdapterConfig(u"WLAN11b1") {}
    BOOL ReadBBRegister(BYTE bIndex, BYTE* pbValue) override
    {
        return Note('r', bIndex, DriverAdapterConfig::ReadBBRegister(bIndex, pbValue), pbValue);
    }
    BOOL WriteBBRegister(BYTE bIndex, BYTE bValue) override
    {
        return Note('w', bIndex, DriverAdapterConfig::WriteBBRegister(bIndex, bValue), &bValue);
    }
    BOOL ReadMacRegister(DWORD dwAddress, DWORD* pdwValue) override
    {
        return Note('r', dwAddress, DriverAdapterConfig::ReadMacRegister(dwAddress, pdwValue), pdwValue);
    }
    BOOL WriteMacRegister(DWORD dwAddress, const DWORD* pdwValue) override
    {
        return Note('w', dwAddress, DriverAdapterConfig::WriteMacRegister(dwAddress, pdwValue), pdwValue);
    }
    BOOL ReadEeprom(BYTE bAddress, WORD* pwValue) override
    {
        return Note('r', bAddress, DriverAdapterConfig::ReadEeprom(bAddress, pwValue), pwValue);
    }
    BOOL WriteEeprom(BYTE bAddress, WORD wValue) override
    {
        return Note('w', bAddress, DriverAdapterConfig::WriteEeprom(bAddress, wValue), &wValue);
    }

    std::vector<Access> m_accesses;
    int Count(char kind) const
    {
        int n = 0;
        for (const Access& a : m_accesses)
            n += a.kind == kind;
        return n;
    }

private:
    template <class T> BOOL Note(char kind, DWORD dwAddress, BOOL bDone, const T* pValue)
    {
        m_accesses.push_back({kind, dwAddress, bDone ? DWORD(*pValue) : 0, gwes::WaitCursorDepth() > 0});
        return bDone;
    }
};

class RegisterPageTest : public PageTest
{
protected:
    void SetUp() override
    {
        PageTest::SetUp();
        auto pConfig = std::make_unique<WatchedConfig>();
        m_pWatched = pConfig.get();
        m_pConfig = std::move(pConfig);
        m_boxes.SetResponder(
            [this](const afx::RecordedMessageBox&)
            {
                m_waitAtBox.push_back(gwes::WaitCursorDepth() > 0);
                return IDOK;
            });
    }
    static void Click(CWnd* pPage, int nId) { pPage->SendDlgItemMessage(nId, BM_CLICK, 0, 0); }
    static void Type(CWnd* pPage, int nId, const char16_t* pszText) { pPage->SetDlgItemText(nId, pszText); }
    static int FirstLine(CWnd* pPage, int nId)
    {
        return static_cast<int>(pPage->SendDlgItemMessage(nId, EM_GETFIRSTVISIBLELINE, 0, 0));
    }
    static void Scroll(CWnd* pPage, int nId, int nLines)
    {
        pPage->SendDlgItemMessage(nId, EM_LINESCROLL, 0, nLines);
    }

    WatchedConfig* m_pWatched = nullptr;
    std::vector<bool> m_waitAtBox; // for each message box: the wait cursor was up
};

} // namespace page_test
