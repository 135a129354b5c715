// The driver channel's tests run the client library on the simulated protocol driver and card in a fresh
// handheld, with the request log on so that every record that crossed the driver boundary can be read
// back, and with message boxes recorded.
#pragma once

#include <kernel/msgbox.h>
#include <simcore/request_log.h>

#include "WlanApp.h"
#include "W32N.h"
#include "run_tool.h"
#include "temp_handheld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

CWlanApp& TestApp();

class DriverChannelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TestApp().m_bCardRemoved = FALSE;
        Cardctl("log on");
    }
    void TearDown() override { TestApp().m_bCardRemoved = FALSE; }

    static void Cardctl(const std::string& words)
    {
        std::string output;
        ASSERT_EQ(testing_support::RunTool("cardctl", words, &output), 0) << words << ": " << output;
    }

    static std::vector<sim::requestlog::Entry> Log(const std::string& kind)
    {
        std::vector<sim::requestlog::Entry> entries = sim::requestlog::Read();
        std::erase_if(entries, [&](const sim::requestlog::Entry& e) { return e.kind != kind; });
        return entries;
    }
    static std::vector<sim::requestlog::Entry> Ioctls(DWORD code)
    {
        std::vector<sim::requestlog::Entry> entries = Log("ioctl");
        std::erase_if(entries, [&](const sim::requestlog::Entry& e) { return e.Number("code") != code; });
        return entries;
    }
    static std::vector<sim::requestlog::Entry> Submits(DWORD oid)
    {
        std::vector<sim::requestlog::Entry> entries = Log("submit");
        std::erase_if(entries, [&](const sim::requestlog::Entry& e) { return e.Number("oid") != oid; });
        return entries;
    }

    testing_support::TempHandheld m_handheld;
    ce::RecordingPresenter m_boxes;
};
