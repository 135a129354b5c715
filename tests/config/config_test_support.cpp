#include "config_test_support.h"

#include <WlanApp.h>

#include <simcore/faults.h>
#include <simcore/request_log.h>

#include <ostream>

namespace config_test
{

namespace
{

CWlanApp s_app;

const char16_t* const kParms = u"Comm\\WLAN11b1\\Parms";

std::string HexText(const std::vector<uint8_t>& bytes)
{
    static const char s_digits[] = "0123456789ABCDEF";
    std::string text;
    for (uint8_t b : bytes)
    {
        text += s_digits[b >> 4];
        text += s_digits[b & 15];
    }
    return text;
}

} // namespace

CWlanApp& App()
{
    return s_app;
}

AppState::AppState()
{
    s_app.m_bCardRemoved = FALSE;
    s_app.m_bLocalized = FALSE;
}

AppState::~AppState()
{
    s_app.m_bCardRemoved = FALSE;
    s_app.m_bLocalized = FALSE;
}

std::vector<std::u16string> AppState::TakeMessages()
{
    std::vector<std::u16string> texts = m_recorder.texts();
    m_recorder.clear();
    return texts;
}

bool operator==(const Request& a, const Request& b)
{
    return a.bSet == b.bSet && a.dwOid == b.dwOid && a.dwLength == b.dwLength && a.data == b.data;
}

std::ostream& operator<<(std::ostream& os, const Request& request)
{
    char oid[16];
    snprintf(oid, sizeof(oid), "%08X", request.dwOid);
    return os << (request.bSet ? "set " : "query ") << oid << " length " << request.dwLength << " data "
              << HexText(request.data);
}

Request Query(uint32_t dwOid, uint32_t dwLength)
{
    return Request{false, dwOid, dwLength, {}};
}

Request Set(uint32_t dwOid, std::vector<uint8_t> data)
{
    uint32_t dwLength = static_cast<uint32_t>(data.size());
    return Request{true, dwOid, dwLength, std::move(data)};
}

std::vector<uint8_t> Le32(uint32_t dwValue)
{
    return {uint8_t(dwValue), uint8_t(dwValue >> 8), uint8_t(dwValue >> 16), uint8_t(dwValue >> 24)};
}

std::vector<uint8_t> Hex(const std::string& pairs)
{
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < pairs.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoul(pairs.substr(i, 2), nullptr, 16)));
    return bytes;
}

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts)
{
    std::vector<uint8_t> bytes;
    for (const auto& part : parts)
        bytes.insert(bytes.end(), part.begin(), part.end());
    return bytes;
}

void CardTest::SetUp()
{
    sim::requestlog::SetEnabled(true);
    m_pConfig = std::make_unique<DriverAdapterConfig>(u"WLAN11b1");
    ASSERT_TRUE(m_pConfig->HasSession());
    sim::requestlog::Clear();
}

void CardTest::TearDown()
{
    m_pConfig.reset();
    sim::ClearFaults();
}

std::vector<Request> CardTest::TakeRequests()
{
    std::vector<Request> requests;
    for (const sim::requestlog::Entry& entry : sim::requestlog::Read())
    {
        if (entry.kind != "submit")
            continue;
        Request request;
        request.bSet = entry.Field("type") == "1";
        request.dwOid = entry.Number("oid").value_or(0);
        request.dwLength = static_cast<uint32_t>(std::stoul(entry.Field("length").value_or("0")));
        request.data = entry.Bytes("data").value_or(std::vector<uint8_t>());
        requests.push_back(std::move(request));
    }
    sim::requestlog::Clear();
    return requests;
}

void CardTest::Answer(uint32_t dwOid, const std::vector<uint8_t>& bytes)
{
    sim::SetFault(sim::FaultName("Answer", dwOid), HexText(bytes));
}

void CardTest::FailQueries(uint32_t dwOid, uint32_t dwNdisStatus)
{
    char status[16];
    snprintf(status, sizeof(status), "%08X", dwNdisStatus);
    sim::SetFault(sim::FaultName("Status", dwOid) + ".QUERY", status);
}

void CardTest::FailSets(uint32_t dwOid, uint32_t dwNdisStatus)
{
    char status[16];
    snprintf(status, sizeof(status), "%08X", dwNdisStatus);
    sim::SetFault(sim::FaultName("Status", dwOid) + ".SET", status);
}

void CardTest::FailSubmission(uint32_t dwOid)
{
    sim::SetFault(sim::FaultName("Submit", dwOid), "C0000001");
}

std::u16string CardTest::Parameter(const char16_t* pszName)
{
    HKEY hKey = NULL;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kParms, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return u"<none>";
    WCHAR szText[300] = {};
    DWORD dwType = REG_NONE;
    DWORD cb = sizeof(szText) - sizeof(WCHAR);
    LONG lResult = RegQueryValueExW(hKey, pszName, NULL, &dwType, reinterpret_cast<BYTE*>(szText), &cb);
    RegCloseKey(hKey);
    if (lResult != ERROR_SUCCESS || dwType != REG_SZ)
        return u"<none>";
    return szText;
}

void CardTest::RemoveParameter(const char16_t* pszName)
{
    HKEY hKey = NULL;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kParms, 0, KEY_ALL_ACCESS, &hKey) != ERROR_SUCCESS)
        return;
    RegDeleteValueW(hKey, pszName);
    RegCloseKey(hKey);
}

} // namespace config_test
