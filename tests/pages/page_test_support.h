// What the page tests share: a fresh handheld with the simulated card, the window system offscreen,
// message boxes recorded, and a page hosted in a sheet of the test's own with a configuration on the card
// WLAN11b1, as the main dialog would give it.
#pragma once

#include <DriverAdapterConfig.h>
#include <PPC_ui.h>

#include <kernel/msgbox.h>
#include <afxdlgs.h>
#include <temp_handheld.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace page_test
{

CPPC_uiApp& App();

// Runs cardctl in the test's handheld; fails the test when it does not succeed.
void Cardctl(const std::string& arguments);
// cardctl's output for the arguments (status, eeprom ...).
std::string CardctlOutput(const std::string& arguments);
// A string value of the miniport's parameters, or "<none>".
std::u16string Parameter(const char16_t* pszName);
// Writes a string value of the miniport's parameters; an empty pszValue deletes the value.
void SetParameter(const char16_t* pszName, const char16_t* pszValue);

class PageTest : public testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // A configuration on the card, as the main dialog makes it when it starts the adapter.
    void MakeConfig();
    // Adds the page to the host sheet, creates the sheet (which creates and activates the first page)
    // and handles what that posted. The page's m_pConfig is set by the caller before or after.
    void Host(CPropertyPage* pPage);
    // Adds a second page to the host sheet (before Host), to move the activation away and back.
    void AddPage(CPropertyPage* pPage);
    // Makes page nPage the sheet's current one.
    void Activate(int nPage);
    // The text of a control of the page.
    static std::u16string Text(CWnd* pPage, int nId);
    // Handles messages until `done` holds (at most two seconds).
    template <class Done> bool WaitFor(Done done);
    // Handles what is pending.
    static void Pump();
    int Count(const char16_t* pszText) const;
    // Destroys the host sheet's window and starts an empty sheet, for pages hosted again in new windows
    // (the pages of the old sheet are free to go after this).
    void NewSheet();

    testing_support::TempHandheld m_handheld;
    ce::RecordingPresenter m_boxes;
    std::unique_ptr<DriverAdapterConfig> m_pConfig;
    std::unique_ptr<CPropertySheet> m_pSheet;
};

} // namespace page_test

#include <gwes/gwes.h>

template <class Done> bool page_test::PageTest::WaitFor(Done done)
{
    return gwes::ProcessUntil(done, 2000);
}
