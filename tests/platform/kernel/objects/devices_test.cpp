// The device manager, driven through TESTDEV.dll.
#include "testdev.h"

#include <gtest/gtest.h>
#include <temp_handheld.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace
{

using testdev::Contexts;

class Devices : public testing::Test
{
protected:
    void SetUp() override
    {
        // Loaded here too, so that the driver's record outlives its devices.
        m_module = LoadLibraryW(u"TESTDEV.dll");
        ASSERT_NE(m_module, nullptr);
        auto state = reinterpret_cast<testdev::StateFunction>(
            reinterpret_cast<void (*)()>(GetProcAddressA(m_module, testdev::kStateExport)));
        ASSERT_NE(state, nullptr);
        m_state = state();
        m_state->Reset();
    }

    void TearDown() override
    {
        for (HANDLE h : m_registered)
            DeregisterDevice(h);
        if (m_module)
            FreeLibrary(m_module);
    }

    HANDLE Register(const char16_t* prefix, DWORD index, DWORD info = 0x34414350)
    {
        HANDLE h = RegisterDevice(prefix, index, u"TESTDEV.dll", info);
        if (h)
            m_registered.push_back(h);
        return h;
    }

    bool Deregister(HANDLE h)
    {
        m_registered.erase(std::remove(m_registered.begin(), m_registered.end(), h), m_registered.end());
        return DeregisterDevice(h) != FALSE;
    }

    static HANDLE Open(const char16_t* name, DWORD access = GENERIC_READ | GENERIC_WRITE,
                       DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE)
    {
        return CreateFileW(name, access, share, nullptr, OPEN_EXISTING, 0, nullptr);
    }

    static Contexts ContextsOf(HANDLE h)
    {
        Contexts c{};
        DWORD done = 0;
        EXPECT_TRUE(DeviceIoControl(h, testdev::kContexts, nullptr, 0, &c, sizeof(c), &done, nullptr));
        EXPECT_EQ(done, sizeof(c));
        return c;
    }

    // A name as the driver reads it: UTF-16 with its terminator.
    static DWORD NameSize(const char16_t* name)
    {
        return static_cast<DWORD>((std::char_traits<char16_t>::length(name) + 1) * 2);
    }

    testing_support::TempHandheld m_handheld;
    HMODULE m_module = nullptr;
    testdev::State* m_state = nullptr;
    std::vector<HANDLE> m_registered;
};

TEST_F(Devices, RegisterOpenControlCloseDeregister)
{
    HANDLE registration = Register(u"TST", 4);
    ASSERT_NE(registration, nullptr);
    EXPECT_LT(reinterpret_cast<uintptr_t>(registration), 0x80000000u); // the client keeps it in 32 bits
    EXPECT_EQ(m_state->inits, 1);

    SetLastError(1234);
    HANDLE device = Open(u"tst4:", GENERIC_READ, FILE_SHARE_READ);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), 0u);
    Contexts c = ContextsOf(device);
    EXPECT_EQ(c.initContext, 0x34414350u);
    EXPECT_EQ(c.access, static_cast<uint32_t>(GENERIC_READ));
    EXPECT_EQ(c.share, static_cast<uint32_t>(FILE_SHARE_READ));

    // A second open gets its own context on the same device.
    HANDLE second = Open(u"TST4:", 0, 0);
    ASSERT_NE(second, INVALID_HANDLE_VALUE);
    Contexts c2 = ContextsOf(second);
    EXPECT_EQ(c2.deviceContext, c.deviceContext);
    EXPECT_NE(c2.openContext, c.openContext);
    EXPECT_EQ(c2.access, 0u);

    const char in[] = "request record";
    char out[32] = {};
    DWORD done = 0;
    EXPECT_TRUE(DeviceIoControl(device, testdev::kEcho, const_cast<char*>(in), sizeof(in), out, sizeof(out),
                                &done, nullptr));
    EXPECT_EQ(done, sizeof(in));
    EXPECT_STREQ(out, in);
    EXPECT_TRUE(
        DeviceIoControl(device, testdev::kEcho, nullptr, 0, nullptr, 0, nullptr, nullptr)); // no counter

    // Registration and device handles do not stand in for each other.
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(registration));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(0);
    EXPECT_FALSE(DeregisterDevice(device));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    EXPECT_TRUE(CloseHandle(device));
    EXPECT_TRUE(CloseHandle(second));
    EXPECT_EQ(m_state->closes, 2);
    EXPECT_TRUE(Deregister(registration));
    EXPECT_EQ(m_state->deinits, 1);
    EXPECT_EQ(m_state->badContexts, 0);

    SetLastError(0);
    EXPECT_EQ(Open(u"TST4:"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(Devices, RegistrationFailures)
{
    ASSERT_NE(Register(u"TST", 1), nullptr);
    struct Row
    {
        const char16_t* prefix;
        DWORD index;
        const char16_t* dll;
        DWORD info;
        DWORD error;
    } rows[] = {
        {u"TST", 1, u"TESTDEV.dll", 0, ERROR_DEVICE_IN_USE},
        {u"tst", 1, u"TESTDEV.dll", 0, ERROR_DEVICE_IN_USE},
        {u"TST", 2, u"MISSING.dll", 0, ERROR_MOD_NOT_FOUND},
        {u"XYZ", 2, u"TESTDEV.dll", 0, ERROR_PROC_NOT_FOUND}, // no XYZ_ entry points
        {u"TST", 2, u"TESTDEV.dll", testdev::kRefuseInit, ERROR_NOT_READY},
        {u"TST", 2, u"TESTDEV.dll", testdev::kRefuseInitSilently, ERROR_OPEN_FAILED},
        {u"TS", 2, u"TESTDEV.dll", 0, ERROR_INVALID_PARAMETER},
        {u"TSTT", 2, u"TESTDEV.dll", 0, ERROR_INVALID_PARAMETER},
        {u"T1T", 2, u"TESTDEV.dll", 0, ERROR_INVALID_PARAMETER},
        {u"TST", 10, u"TESTDEV.dll", 0, ERROR_INVALID_PARAMETER},
        {nullptr, 2, u"TESTDEV.dll", 0, ERROR_INVALID_PARAMETER},
        {u"TST", 2, nullptr, 0, ERROR_INVALID_PARAMETER},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(testing::Message() << "index " << row.index << " error " << row.error);
        SetLastError(0);
        HANDLE h = RegisterDevice(row.prefix, row.index, row.dll, row.info);
        EXPECT_EQ(h, nullptr);
        EXPECT_EQ(GetLastError(), row.error);
        if (h)
            m_registered.push_back(h);
    }
    EXPECT_EQ(m_state->inits, 1);
    // A failed registration leaves its name free.
    EXPECT_NE(Register(u"TST", 2), nullptr);
    HANDLE device = Open(u"TST2:");
    EXPECT_NE(device, INVALID_HANDLE_VALUE);
    CloseHandle(device);
}

TEST_F(Devices, OpenFailures)
{
    ASSERT_NE(Register(u"TST", 3), nullptr);
    struct Row
    {
        const char16_t* name;
        DWORD share;
        DWORD error;
    } rows[] = {
        {u"TST4:", 0, ERROR_FILE_NOT_FOUND}, // not registered
        {u"PCA4:", 0, ERROR_FILE_NOT_FOUND},
        {u"TST3:", testdev::kRefuseOpenShare, ERROR_SHARING_VIOLATION}, // the driver's own error
    };
    for (const Row& row : rows)
    {
        SetLastError(0);
        EXPECT_EQ(Open(row.name, 0, row.share), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), row.error);
    }
    EXPECT_EQ(m_state->opens, 0);
}

TEST_F(Devices, ControlResultsAndErrors)
{
    ASSERT_NE(Register(u"TST", 5), nullptr);
    HANDLE device = Open(u"TST5:");
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE file = CreateFileW(u"/dev/null", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD error = ERROR_NOT_SUPPORTED;
    DWORD noError = 0;
    BYTE out[8];
    struct Row
    {
        const char* what;
        HANDLE handle;
        DWORD code;
        LPVOID in;
        DWORD inSize;
        LPVOID out;
        DWORD outSize;
        BOOL result;
        DWORD error; // when result is FALSE
        DWORD done;  // 0x5555 stands for untouched
    } rows[] = {
        {"driver's error kept", device, testdev::kFail, &error, 4, out, sizeof(out), FALSE,
         ERROR_NOT_SUPPORTED, 3},
        {"failure without error", device, testdev::kFail, &noError, 4, nullptr, 0, FALSE, ERROR_GEN_FAILURE,
         0},
        {"unknown code", device, 0x12345678, nullptr, 0, nullptr, 0, FALSE, ERROR_INVALID_PARAMETER, 0},
        {"over-reporting driver", device, testdev::kOverReport, nullptr, 0, out, sizeof(out), TRUE, 0,
         sizeof(out)},
        {"exception in driver", device, testdev::kThrow, nullptr, 0, nullptr, 0, FALSE, ERROR_GEN_FAILURE, 0},
        {"null input with length", device, testdev::kEcho, nullptr, 4, out, sizeof(out), FALSE,
         ERROR_INVALID_PARAMETER, 0x5555},
        {"null output with length", device, testdev::kEcho, &error, 4, nullptr, 4, FALSE,
         ERROR_INVALID_PARAMETER, 0x5555},
        {"event handle", event, testdev::kEcho, nullptr, 0, nullptr, 0, FALSE, ERROR_INVALID_HANDLE, 0x5555},
        {"file handle", file, testdev::kEcho, nullptr, 0, nullptr, 0, FALSE, ERROR_INVALID_FUNCTION, 0x5555},
        {"bad handle", INVALID_HANDLE_VALUE, testdev::kEcho, nullptr, 0, nullptr, 0, FALSE,
         ERROR_INVALID_HANDLE, 0x5555},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.what);
        DWORD done = 0x5555;
        SetLastError(0);
        EXPECT_EQ(
            DeviceIoControl(row.handle, row.code, row.in, row.inSize, row.out, row.outSize, &done, nullptr),
            row.result);
        if (!row.result)
        {
            EXPECT_EQ(GetLastError(), row.error);
        }
        // A failing driver's count still comes through; calls that never reach it leave it alone.
        EXPECT_EQ(done, row.done);
    }
    CloseHandle(file);
    CloseHandle(event);
    CloseHandle(device);
}

TEST_F(Devices, DriverThreadSetsTheClientsNamedEvent)
{
    ASSERT_NE(Register(u"TST", 4), nullptr);
    HANDLE device = Open(u"TST4:");
    const char16_t* name = u"PCANDIS4Evt-00001234-0000ABCD";
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, name);
    DWORD done = 0;
    ASSERT_TRUE(DeviceIoControl(device, testdev::kSetEventLater, const_cast<char16_t*>(name), NameSize(name),
                                nullptr, 0, &done, nullptr));
    EXPECT_EQ(WaitForSingleObject(event, 3000), WAIT_OBJECT_0);
    CloseHandle(event);
    CloseHandle(device);
}

TEST_F(Devices, DriverMayUseTheKernelFromItsEntryPoints)
{
    ASSERT_NE(Register(u"TST", 6), nullptr);
    HANDLE device = Open(u"TST6:");
    const char16_t* name = u"TST6:";
    DWORD result = 0;
    DWORD done = 0;
    EXPECT_TRUE(DeviceIoControl(device, testdev::kReenter, const_cast<char16_t*>(name), NameSize(name),
                                &result, sizeof(result), &done, nullptr));
    EXPECT_EQ(result, 1u);
    EXPECT_EQ(m_state->opens, 2);
    EXPECT_EQ(m_state->closes, 1);
    CloseHandle(device);
}

TEST_F(Devices, DeregisterWaitsForCallsThenClosesBeforeDeinit)
{
    HANDLE registration = Register(u"TST", 7);
    HANDLE busy = Open(u"TST7:");
    HANDLE idle = Open(u"TST7:");
    ASSERT_NE(idle, INVALID_HANDLE_VALUE);
    const char16_t* name = u"Unblock";
    HANDLE unblock = CreateEventW(nullptr, TRUE, FALSE, name);
    BOOL blockedResult = FALSE;
    std::thread caller(
        [&]
        {
            DWORD done = 0;
            blockedResult = DeviceIoControl(busy, testdev::kBlock, const_cast<char16_t*>(name),
                                            NameSize(name), nullptr, 0, &done, nullptr);
        });
    for (int i = 0; i < 400 && !m_state->blocked; ++i)
        Sleep(5);
    ASSERT_TRUE(m_state->blocked);
    std::thread setter(
        [&]
        {
            Sleep(80);
            SetEvent(unblock);
        });
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(Deregister(registration));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(60));
    caller.join();
    setter.join();
    EXPECT_TRUE(blockedResult);
    EXPECT_EQ(m_state->Log(), (std::vector<std::string>{"init 876692304", "open", "open", "unblocked",
                                                        "close", "close", "deinit"}));

    // The handles outlive the device: calls fail, closing works and calls no driver.
    DWORD done = 0x5555;
    SetLastError(0);
    EXPECT_FALSE(DeviceIoControl(idle, testdev::kEcho, nullptr, 0, nullptr, 0, &done, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(done, 0x5555u);
    EXPECT_TRUE(CloseHandle(idle));
    EXPECT_TRUE(CloseHandle(busy));
    EXPECT_EQ(m_state->closes, 2);
    EXPECT_EQ(m_state->badContexts, 0);
    CloseHandle(unblock);

    SetLastError(0);
    EXPECT_FALSE(DeregisterDevice(registration));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(Devices, DriverCanDeregisterItsOwnDevice)
{
    HANDLE registration = Register(u"TST", 8);
    HANDLE device = Open(u"TST8:");
    uint32_t value = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(registration));
    m_registered.clear(); // the driver deregisters it
    DWORD done = 0;
    EXPECT_TRUE(
        DeviceIoControl(device, testdev::kDeregister, &value, sizeof(value), nullptr, 0, &done, nullptr));
    EXPECT_EQ(m_state->Log().back(), "deregistered");
    EXPECT_EQ(m_state->deinits, 1);
    EXPECT_EQ(m_state->closes, 1);
    EXPECT_TRUE(CloseHandle(device));
    EXPECT_EQ(m_state->closes, 1);
}

TEST_F(Devices, TwoDevicesOfOneDriverStayApart)
{
    HANDLE one = Register(u"TST", 1, 11);
    HANDLE two = Register(u"TST", 2, 22);
    HANDLE a = Open(u"TST1:");
    HANDLE b = Open(u"TST2:");
    Contexts ca = ContextsOf(a);
    Contexts cb = ContextsOf(b);
    EXPECT_EQ(ca.initContext, 11u);
    EXPECT_EQ(cb.initContext, 22u);
    EXPECT_NE(ca.deviceContext, cb.deviceContext);
    CloseHandle(a);
    EXPECT_TRUE(Deregister(one));
    // The driver stays loaded for the other device.
    EXPECT_EQ(ContextsOf(b).initContext, 22u);
    CloseHandle(b);
    EXPECT_TRUE(Deregister(two));
    EXPECT_EQ(m_state->badContexts, 0);
}

TEST_F(Devices, ReadWriteAndSeekReachTheDriver)
{
    ASSERT_NE(Register(u"TST", 3), nullptr);
    HANDLE device = Open(u"TST3:");
    char buffer[5] = {};
    DWORD done = 0;
    EXPECT_TRUE(ReadFile(device, buffer, 4, &done, nullptr));
    EXPECT_EQ(done, 4u);
    EXPECT_STREQ(buffer, "abcd");
    EXPECT_TRUE(WriteFile(device, "0123456789", 10, &done, nullptr));
    EXPECT_EQ(done, 4u); // the driver takes four at a time
    SetLastError(0);
    EXPECT_FALSE(WriteFile(device, "", 0, &done, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(SetFilePointer(device, 7, nullptr, FILE_END), 2007u);
    SetLastError(0);
    EXPECT_EQ(GetFileSize(device, nullptr), INVALID_FILE_SIZE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FUNCTION));
    CloseHandle(device);
}

TEST_F(Devices, BuiltInDriversLoadAtFirstUse)
{
    struct Entry
    {
        const char16_t* key;
        const char16_t* dll;
        const char16_t* prefix;
        DWORD index; // 0xFF: no Index value
        DWORD order;
    } entries[] = {
        {u"Drivers\\BuiltIn\\Second", u"testdev.dll", u"TST", 7, 20},
        {u"Drivers\\BuiltIn\\First", u"TESTDEV.dll", u"TST", 0xFF, 10},
        {u"Drivers\\BuiltIn\\Broken", u"MISSING.dll", u"MIS", 1, 5},
    };
    for (const Entry& e : entries)
    {
        HKEY key = nullptr;
        ASSERT_EQ(
            RegCreateKeyExW(HKEY_LOCAL_MACHINE, e.key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
        auto setString = [&](const char16_t* name, const char16_t* value)
        {
            RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                           static_cast<DWORD>((std::char_traits<char16_t>::length(value) + 1) * 2));
        };
        setString(u"Dll", e.dll);
        setString(u"Prefix", e.prefix);
        if (e.index != 0xFF)
            RegSetValueExW(key, u"Index", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&e.index), 4);
        RegSetValueExW(key, u"Order", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&e.order), 4);
        RegCloseKey(key);
    }
    m_state->initContextIsKeyPath = true;

    HANDLE seven = Open(u"TST7:"); // no RegisterDevice
    ASSERT_NE(seven, INVALID_HANDLE_VALUE);
    HANDLE one = Open(u"tst1:"); // the first free index, as it had none
    ASSERT_NE(one, INVALID_HANDLE_VALUE);
    SetLastError(0);
    EXPECT_EQ(Open(u"MIS1:"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(m_state->Log(), (std::vector<std::string>{"init Drivers\\BuiltIn\\First",
                                                        "init Drivers\\BuiltIn\\Second", "open", "open"}));
    // The built-in names are taken.
    SetLastError(0);
    EXPECT_EQ(RegisterDevice(u"TST", 7, u"TESTDEV.dll", 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DEVICE_IN_USE));
    CloseHandle(seven);
    CloseHandle(one);
}

} // namespace
