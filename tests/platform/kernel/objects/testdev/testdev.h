// TESTDEV.dll: a stream driver for the device manager's tests. It exports the entry points for the
// prefix "TST" (not for any other), hands out heap pointers as device and open contexts (wider than 32
// bits on a 64-bit build), checks every context it gets back, and records what it was asked.
#pragma once

#include <windows.h>
#include <winioctl.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace testdev
{

constexpr DWORD Code(DWORD function)
{
    return CTL_CODE(FILE_DEVICE_UNKNOWN, function, METHOD_BUFFERED, FILE_ANY_ACCESS);
}

// Control codes.
constexpr DWORD kEcho = Code(0x800);          // copies the input to the output
constexpr DWORD kContexts = Code(0x801);      // output: Contexts
constexpr DWORD kFail = Code(0x802);          // input: DWORD error (0: none); FALSE with 3 bytes "done"
constexpr DWORD kSetEventLater = Code(0x803); // input: event name; a driver thread sets it after 20 ms
constexpr DWORD kReenter = Code(0x804);       // input: own device name; opens, asks and closes it again
constexpr DWORD kBlock = Code(0x805);         // input: event name; returns when that event is set
constexpr DWORD kDeregister = Code(0x806);    // input: 32-bit registration handle; deregisters it
constexpr DWORD kOverReport = Code(0x807);    // claims 100 bytes more than the output buffer holds
constexpr DWORD kThrow = Code(0x808);         // throws out of the entry point

// Init refuses these contexts: with SetLastError(ERROR_NOT_READY), or without an error.
constexpr DWORD kRefuseInit = 0xBAD1;
constexpr DWORD kRefuseInitSilently = 0xBAD2;
// Open refuses this share mode with SetLastError(ERROR_SHARING_VIOLATION).
constexpr DWORD kRefuseOpenShare = 0x40000000;

struct Contexts
{
    uint64_t initContext;
    uint64_t deviceContext;
    uint64_t openContext;
    uint32_t access;
    uint32_t share;
};

// What the driver saw; reached through the export TestDev_State.
struct State
{
    std::atomic<int> inits{0};
    std::atomic<int> deinits{0};
    std::atomic<int> opens{0};
    std::atomic<int> closes{0};
    std::atomic<int> badContexts{0};               // a context the driver never handed out came back
    std::atomic<bool> initContextIsKeyPath{false}; // log Init's context as the key path it points to
    std::atomic<bool> blocked{false};              // a kBlock call is waiting

    void Record(std::string line)
    {
        std::lock_guard lock(m_lock);
        m_log.push_back(std::move(line));
    }
    std::vector<std::string> Log()
    {
        std::lock_guard lock(m_lock);
        return m_log;
    }
    void Reset()
    {
        inits = deinits = opens = closes = badContexts = 0;
        initContextIsKeyPath = false;
        blocked = false;
        std::lock_guard lock(m_lock);
        m_log.clear();
    }

private:
    std::mutex m_lock;
    std::vector<std::string> m_log;
};

using StateFunction = State* (*)();
constexpr const char* kStateExport = "TestDev_State";

} // namespace testdev
