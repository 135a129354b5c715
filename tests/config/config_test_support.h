// What the configuration tests share: the program's application object, message boxes recorded instead
// of shown, and a configuration on the simulated card with the requests it sent read back from the
// simulator's request log.
#pragma once

#include <AdapterConfig.h>
#include <DriverAdapterConfig.h>

#include <kernel/msgbox.h>
#include <temp_handheld.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CWlanApp;

namespace config_test
{

CWlanApp& App();

// The application's flags as a fresh program has them, and the message boxes shown while this lives.
class AppState
{
public:
    AppState();
    ~AppState();
    CWlanApp& App() { return config_test::App(); }
    // The texts of the boxes shown since the last call.
    std::vector<std::u16string> TakeMessages();

private:
    ce::RecordingPresenter m_recorder;
};

// One request the protocol driver received.
struct Request
{
    bool bSet = false;
    uint32_t dwOid = 0;
    uint32_t dwLength = 0;
    std::vector<uint8_t> data; // what a set carried
};

bool operator==(const Request& a, const Request& b);
std::ostream& operator<<(std::ostream& os, const Request& request);

Request Query(uint32_t dwOid, uint32_t dwLength);
Request Set(uint32_t dwOid, std::vector<uint8_t> data);

std::vector<uint8_t> Le32(uint32_t dwValue);
std::vector<uint8_t> Hex(const std::string& pairs);
std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts);

// A DriverAdapterConfig on the card WLAN11b1 of a fresh handheld, with the request log on.
class CardTest : public testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // The requests submitted since the last call (or since the configuration was created).
    std::vector<Request> TakeRequests();
    // Makes the card answer queries of the object with these bytes, or complete requests with a status.
    static void Answer(uint32_t dwOid, const std::vector<uint8_t>& bytes);
    static void FailQueries(uint32_t dwOid, uint32_t dwNdisStatus = 0xC00000BB);
    static void FailSets(uint32_t dwOid, uint32_t dwNdisStatus = 0xC0010015);
    static void FailSubmission(uint32_t dwOid);

    // A value of the miniport's parameters as text, or "<none>".
    static std::u16string Parameter(const char16_t* pszName);
    static void RemoveParameter(const char16_t* pszName);

    testing_support::TempHandheld m_handheld;
    AppState m_app;
    std::unique_ptr<DriverAdapterConfig> m_pConfig;
};

} // namespace config_test
