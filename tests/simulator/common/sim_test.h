// Helpers of the simulator's tests: request records built byte by byte as a client builds them, a fixture
// that registers the protocol driver in a fresh handheld, and running cardctl.
#pragma once

#include <windows.h>

#include <ntddndis.h>

#include <gtest/gtest.h>

#include "temp_handheld.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace simtest
{

inline constexpr DWORD kGetVersion = 0x80002000;
inline constexpr DWORD kInit = 0x80002008;
inline constexpr DWORD kDeinit = 0x8000200C;
inline constexpr DWORD kEnumBindings = 0x80002010;
inline constexpr DWORD kBind = 0x80002014;
inline constexpr DWORD kUnbind = 0x8000201C;
inline constexpr DWORD kSubmit = 0x80002040;
inline constexpr DWORD kSetRegistration = 0x80002044;
inline constexpr DWORD kGetRegistration = 0x80002048;
inline constexpr DWORD kMayUnload = 0x8000204C;

inline uint32_t Get32(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline void Put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// A 152-byte request record laid out as the client library lays it out, with its own named event.
class Request
{
public:
    Request(bool set, uint32_t oid, void* buffer, uint32_t length)
    {
        m_record = std::make_unique<std::array<uint8_t, 152>>();
        uint8_t* r = m_record->data();
        std::memset(r, 0, 152);
        Put32(r + 0, GetCurrentProcessId());
        Put32(r + 4, GetCurrentThreadId());
        Put32(r + 8, 0xFFFFFFFF);
        char name[40];
        std::snprintf(name, sizeof(name), "PCANDIS4Evt-%08X-%08X", GetCurrentProcessId(),
                      static_cast<unsigned>(reinterpret_cast<uintptr_t>(r)));
        for (size_t i = 0; name[i]; ++i)
        {
            m_eventName += static_cast<char16_t>(name[i]);
            r[12 + 2 * i] = static_cast<uint8_t>(name[i]);
        }
        m_event = CreateEventW(nullptr, TRUE, FALSE, m_eventName.c_str());
        Put32(r + 76, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(m_event)));
        const uint64_t address = reinterpret_cast<uintptr_t>(buffer);
        Put32(r + 80, static_cast<uint32_t>(address >> 32));
        Put32(r + 84, 0xC0000001);
        Put32(r + 124 + 4, set ? 1 : 0);
        Put32(r + 124 + 8, oid);
        Put32(r + 124 + 12, length);
        Put32(r + 124 + 16, static_cast<uint32_t>(address));
    }
    ~Request()
    {
        if (m_event)
            CloseHandle(m_event);
    }
    Request(const Request&) = delete;
    Request& operator=(const Request&) = delete;

    uint8_t* data() { return m_record->data(); }
    HANDLE event() const { return m_event; }
    uint32_t Field(size_t offset) const { return Get32(m_record->data() + offset); }
    uint32_t SubmitStatus() const { return Field(84); }
    uint32_t NdisStatus() const { return Field(124); }
    uint32_t BytesDone() const { return Field(144); }
    uint32_t BytesNeeded() const { return Field(148); }
    // Closes the event early (the requester gives the request up).
    void CloseEvent()
    {
        CloseHandle(m_event);
        m_event = nullptr;
    }

private:
    std::unique_ptr<std::array<uint8_t, 152>> m_record;
    std::u16string m_eventName;
    HANDLE m_event = nullptr;
};

struct Outcome
{
    BOOL ok = FALSE;
    DWORD error = 0;
    uint32_t submit = 0;
    uint32_t ndis = 0;
    uint32_t done = 0;
    uint32_t needed = 0;
};

inline BOOL SubmitRecord(HANDLE h, Request& request, DWORD* error = nullptr)
{
    DWORD returned = 0;
    BOOL ok = DeviceIoControl(h, kSubmit, request.data(), 116, request.data(), 116, &returned, nullptr);
    if (error)
        *error = ok ? 0 : GetLastError();
    return ok;
}

// Runs build/bin/cardctl with the words given; returns its exit code, and its output in `output`.
inline int Cardctl(const std::string& words, std::string* output = nullptr)
{
    const std::string command = (testing_support::ProgramDir() / "cardctl").string() + " " + words + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    std::string text;
    char buf[512];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof(buf), pipe)) > 0)
        text.append(buf, n);
    const int status = ::pclose(pipe);
    if (output)
        *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A fresh handheld with the protocol driver registered as PCA4: for the length of one test.
class DriverTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_registration = RegisterDevice(u"PCA", 4, u"PCANDIS4.dll", 0x34414350);
        ASSERT_NE(m_registration, nullptr) << "RegisterDevice failed: " << GetLastError();
    }
    void TearDown() override
    {
        for (HANDLE h : m_handles)
            CloseHandle(h);
        m_handles.clear();
        if (m_registration)
            DeregisterDevice(m_registration);
    }

    HANDLE Open()
    {
        HANDLE h = CreateFileW(u"PCA4:", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(h, INVALID_HANDLE_VALUE);
        m_handles.push_back(h);
        return h;
    }
    void CloseOpen(HANDLE h)
    {
        CloseHandle(h);
        std::erase(m_handles, h);
    }
    BOOL Control(HANDLE h, DWORD code, const void* in, DWORD inLength, void* out, DWORD outLength,
                 DWORD* returned = nullptr, DWORD* error = nullptr)
    {
        DWORD r = 0xDEAD;
        BOOL ok = DeviceIoControl(h, code, const_cast<void*>(in), inLength, out, outLength, &r, nullptr);
        if (error)
            *error = ok ? 0 : GetLastError();
        if (returned)
            *returned = r;
        return ok;
    }
    uint32_t Init(HANDLE h)
    {
        uint32_t status = 0xC0000001;
        EXPECT_TRUE(Control(h, kInit, nullptr, 0, &status, 4));
        return status;
    }
    BOOL Bind(HANDLE h, const std::u16string& name, DWORD* error = nullptr)
    {
        return Control(h, kBind, name.c_str(), static_cast<DWORD>((name.size() + 1) * 2), nullptr, 0, nullptr,
                       error);
    }
    // A handle bound to the card (or another adapter).
    HANDLE OpenBound(const std::u16string& adapter = u"WLAN11b1")
    {
        HANDLE h = Open();
        EXPECT_EQ(Init(h), 0u);
        EXPECT_TRUE(Bind(h, adapter));
        return h;
    }
    Outcome Run(HANDLE h, bool set, uint32_t oid, void* buffer, uint32_t length)
    {
        Request request(set, oid, buffer, length);
        Outcome o;
        o.ok = SubmitRecord(h, request, &o.error);
        if (o.ok && request.SubmitStatus() == 0x103)
        {
            EXPECT_EQ(WaitForSingleObject(request.event(), 5000), WAIT_OBJECT_0);
        }
        o.submit = request.SubmitStatus();
        o.ndis = request.NdisStatus();
        o.done = request.BytesDone();
        o.needed = request.BytesNeeded();
        return o;
    }
    Outcome Query(HANDLE h, uint32_t oid, void* buffer, uint32_t length)
    {
        return Run(h, false, oid, buffer, length);
    }
    Outcome Set(HANDLE h, uint32_t oid, const void* buffer, uint32_t length)
    {
        return Run(h, true, oid, const_cast<void*>(buffer), length);
    }
    uint32_t QueryU32(HANDLE h, uint32_t oid, uint32_t* ndis = nullptr)
    {
        uint32_t value = 0xEEEEEEEE;
        Outcome o = Query(h, oid, &value, 4);
        EXPECT_TRUE(o.ok);
        EXPECT_EQ(o.submit, 0u);
        if (ndis)
        {
            *ndis = o.ndis;
        }
        else
        {
            EXPECT_EQ(o.ndis, 0u) << std::hex << oid;
        }
        return value;
    }
    uint32_t SetU32(HANDLE h, uint32_t oid, uint32_t value)
    {
        Outcome o = Set(h, oid, &value, 4);
        EXPECT_TRUE(o.ok);
        return o.ndis;
    }

    testing_support::TempHandheld m_handheld;
    HANDLE m_registration = nullptr;
    std::vector<HANDLE> m_handles;
};

} // namespace simtest
