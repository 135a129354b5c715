// What the shell's tests share: a fresh handheld with the simulated card, the window system offscreen,
// message boxes recorded, and the main dialog made modeless so that a test can look into it.
#pragma once

#include <PPC_ui.h>
#include <PPC_uiDlg.h>
#include <resource.h>

#include <kernel/msgbox.h>
#include <temp_handheld.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace app_test
{

CPPC_uiApp& App();

// Runs cardctl in the test's handheld; fails the test when it does not succeed.
void Cardctl(const std::string& arguments);
// cardctl status.
std::string CardStatus();
// A string value of the miniport's parameters, or "<none>".
std::u16string Parameter(const char16_t* pszName);

class ShellTest : public testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Makes the main dialog as the program does (modeless here) and handles what its start posted.
    std::unique_ptr<CPPC_uiDlg> Start();
    // Handles messages until `done` holds (at most two seconds).
    template <class Done> bool WaitFor(Done done);
    static int Count(const ce::RecordingPresenter& boxes, const char16_t* pszText);

    testing_support::TempHandheld m_handheld;
    ce::RecordingPresenter m_boxes;
    std::unique_ptr<CPPC_uiDlg> m_pDlg;
};

} // namespace app_test

#include <gwes/gwes.h>

template <class Done> bool app_test::ShellTest::WaitFor(Done done)
{
    return gwes::ProcessUntil(done, 2000);
}
