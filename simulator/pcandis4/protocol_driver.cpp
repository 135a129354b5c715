#include "protocol_driver.h"

#include <card/air.h>
#include <ndis/adapters.h>
#include <simcore/bytes.h>
#include <simcore/faults.h>
#include <simcore/request_log.h>
#include <simcore/text.h>

#include <ntddndis.h>

#include <algorithm>
#include <cstring>

namespace pca
{
namespace
{

enum : DWORD
{
    kGetVersion = 0x80002000,
    kInit = 0x80002008,
    kDeinit = 0x8000200C,
    kEnumBindings = 0x80002010,
    kBind = 0x80002014,
    kUnbind = 0x8000201C,
    kSubmit = 0x80002040,
    kSetRegistration = 0x80002044,
    kGetRegistration = 0x80002048,
    kMayUnload = 0x8000204C,
};

constexpr uint32_t kMaxLoggedData = 4096;
// How often the driver looks whether the adapter of a request it holds forever has gone.
constexpr std::chrono::milliseconds kRemovalPoll(100);

BOOL Fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

// Writes a 4-byte answer into the caller's output.
BOOL Answer32(PBYTE out, DWORD outLength, PDWORD actual, uint32_t value)
{
    if (!out)
        return Fail(ERROR_INVALID_PARAMETER);
    if (outLength < 4)
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    sim::PutU32(out, value);
    *actual = 4;
    return TRUE;
}

std::string Hex(const uint8_t* data, uint32_t length)
{
    if (!data)
        return std::string();
    return sim::HexBytes({data, std::min(length, kMaxLoggedData)});
}

void LogCompletion(DWORD_PTR open, uint32_t oid, bool set, const sim::RequestResult& r, const uint8_t* buffer,
                   uint32_t length)
{
    if (!sim::requestlog::Enabled())
        return;
    const uint32_t written = set || r.status != NDIS_STATUS_SUCCESS ? 0 : std::min(r.bytesDone, length);
    sim::requestlog::Append("complete", {{"open", std::to_string(open)},
                                         {"oid", sim::Hex32(oid)},
                                         {"type", set ? "1" : "0"},
                                         {"ndis", sim::Hex32(static_cast<uint32_t>(r.status))},
                                         {"done", std::to_string(r.bytesDone)},
                                         {"needed", std::to_string(r.bytesNeeded)},
                                         {"answer", Hex(buffer, written)}});
}

} // namespace

ProtocolDriver::ProtocolDriver() : m_worker([this] { Worker(); }) {}

ProtocolDriver::~ProtocolDriver()
{
    Shutdown();
}

void ProtocolDriver::AddOpen(DWORD_PTR open)
{
    Lock lock(m_lock);
    m_opens[open] = OpenState{};
}

void ProtocolDriver::Close(DWORD_PTR open)
{
    Lock lock(m_lock);
    AbortPending(lock, open);
    m_opens.erase(open);
}

void ProtocolDriver::Shutdown()
{
    {
        Lock lock(m_lock);
        AbortPending(lock, 0);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_worker.joinable() && m_worker.get_id() != std::this_thread::get_id())
        m_worker.join();
}

void ProtocolDriver::AbortPending(Lock& lock, DWORD_PTR open)
{
    m_idle.wait(lock, [&] { return m_completing == 0 || (open != 0 && m_completing != open); });
    auto it = std::stable_partition(m_pending.begin(), m_pending.end(),
                                    [&](const Pending& p) { return open != 0 && p.open != open; });
    for (auto p = it; p != m_pending.end(); ++p)
        Finish(*p, static_cast<uint32_t>(NDIS_STATUS_REQUEST_ABORTED));
    m_pending.erase(it, m_pending.end());
}

void ProtocolDriver::Finish(const Pending& request, uint32_t status)
{
    HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, request.eventName.c_str());
    if (!event)
        return; // the requester has given the record up
    WriteCompletion(request.record, status, 0, 0);
    SetEvent(event);
    CloseHandle(event);
    sim::requestlog::Append("complete", {{"open", std::to_string(request.open)},
                                         {"oid", sim::Hex32(request.oid)},
                                         {"type", request.set ? "1" : "0"},
                                         {"ndis", sim::Hex32(status)},
                                         {"done", "0"},
                                         {"needed", "0"},
                                         {"answer", ""}});
}

void ProtocolDriver::FinishRemoved(Lock& lock)
{
    std::vector<std::u16string> held;
    for (const Pending& p : m_pending)
        if (p.due == std::chrono::steady_clock::time_point::max() &&
            std::find(held.begin(), held.end(), p.adapter) == held.end())
            held.push_back(p.adapter);
    if (held.empty())
        return;
    // Asking NDIS reads the registry: not under the driver's lock.
    lock.unlock();
    std::vector<std::u16string> gone;
    for (const std::u16string& adapter : held)
        if (!sim::ndis::FindAdapter(adapter))
            gone.push_back(adapter);
    lock.lock();
    auto it = std::stable_partition(m_pending.begin(), m_pending.end(),
                                    [&](const Pending& p)
                                    {
                                        return p.due != std::chrono::steady_clock::time_point::max() ||
                                               std::find(gone.begin(), gone.end(), p.adapter) == gone.end();
                                    });
    for (auto p = it; p != m_pending.end(); ++p)
        Finish(*p, static_cast<uint32_t>(NDIS_STATUS_ADAPTER_REMOVED));
    m_pending.erase(it, m_pending.end());
}

void ProtocolDriver::Complete(const Pending& request)
{
    HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, request.eventName.c_str());
    if (!event)
        return; // the requester has given the record up: leave it alone
    const sim::RequestResult result =
        sim::ndis::Request(request.adapter, {request.set, request.oid, request.buffer, request.length});
    LogCompletion(request.open, request.oid, request.set, result, request.buffer, request.length);
    WriteCompletion(request.record, static_cast<uint32_t>(result.status), result.bytesDone,
                    result.bytesNeeded);
    SetEvent(event);
    CloseHandle(event);
}

void ProtocolDriver::Worker()
{
    Lock lock(m_lock);
    while (!m_stop)
    {
        const auto now = std::chrono::steady_clock::now();
        auto due = std::min_element(m_pending.begin(), m_pending.end(),
                                    [](const Pending& a, const Pending& b) { return a.due < b.due; });
        if (due == m_pending.end())
        {
            m_wake.wait(lock);
            continue;
        }
        // A copy: the wait lets go of the lock, and a submission may then move the pending list.
        const auto deadline = due->due;
        if (deadline > now)
        {
            // Requests held forever still end when their adapter goes (the card is ejected): the
            // driver looks for that while it holds any.
            const bool heldForever = std::any_of(
                m_pending.begin(), m_pending.end(),
                [](const Pending& p) { return p.due == std::chrono::steady_clock::time_point::max(); });
            if (heldForever)
                m_wake.wait_until(lock, std::min(deadline, now + kRemovalPoll));
            else
                m_wake.wait_until(lock, deadline);
            if (!m_stop && heldForever)
                FinishRemoved(lock);
            continue;
        }
        Pending request = std::move(*due);
        m_pending.erase(due);
        m_completing = request.open;
        lock.unlock();
        try
        {
            Complete(request);
        }
        catch (...)
        {
        }
        lock.lock();
        m_completing = 0;
        m_idle.notify_all();
    }
}

BOOL ProtocolDriver::Init(const sim::Faults& faults, PBYTE out, DWORD outLength, PDWORD actual)
{
    const uint32_t status = faults.InitStatus().value_or(NDIS_STATUS_SUCCESS);
    const BOOL ok = Answer32(out, outLength, actual, status);
    if (ok && status == NDIS_STATUS_SUCCESS)
    {
        Lock lock(m_lock);
        m_initialised = true;
    }
    return ok;
}

BOOL ProtocolDriver::Deinit(PBYTE out, DWORD outLength, PDWORD actual)
{
    {
        Lock lock(m_lock);
        AbortPending(lock, 0);
        for (auto& [id, state] : m_opens)
            state.adapter.clear();
        m_initialised = false;
    }
    return out ? Answer32(out, outLength, actual, NDIS_STATUS_SUCCESS) : TRUE;
}

BOOL ProtocolDriver::Unbind(DWORD_PTR open)
{
    Lock lock(m_lock);
    auto it = m_opens.find(open);
    if (it == m_opens.end() || it->second.adapter.empty())
        return Fail(ERROR_INVALID_HANDLE);
    AbortPending(lock, open);
    m_opens[open].adapter.clear();
    return TRUE;
}

BOOL ProtocolDriver::Control(DWORD_PTR open, DWORD code, const sim::Faults& faults, PBYTE in, DWORD inLength,
                             PBYTE out, DWORD outLength, PDWORD actual)
{
    if (auto error = faults.IoctlError(code))
        return Fail(*error);
    switch (code)
    {
    case kGetVersion:
        return Answer32(out, outLength, actual, faults.Version().value_or(kInterfaceVersion));
    case kInit:
        return Init(faults, out, outLength, actual);
    case kDeinit:
        return Deinit(out, outLength, actual);
    case kEnumBindings:
        return EnumBindings(out, outLength, actual);
    case kBind:
        if (auto error = faults.BindError())
            return Fail(*error);
        return Bind(open, in, inLength);
    case kUnbind:
        return Unbind(open);
    case kSetRegistration:
    {
        if (!in || inLength < 4)
            return Fail(ERROR_INVALID_PARAMETER);
        Lock lock(m_lock);
        m_registration = sim::GetU32(in);
        return TRUE;
    }
    case kGetRegistration:
    {
        DWORD registration;
        {
            Lock lock(m_lock);
            registration = m_registration;
        }
        return Answer32(out, outLength, actual, registration);
    }
    case kMayUnload:
    {
        bool others;
        {
            Lock lock(m_lock);
            others =
                std::any_of(m_opens.begin(), m_opens.end(), [&](const auto& o) { return o.first != open; });
        }
        return Answer32(out, outLength, actual, others ? 0 : 1);
    }
    default:
        return Fail(ERROR_NOT_SUPPORTED);
    }
}

BOOL ProtocolDriver::IoControl(DWORD_PTR open, DWORD code, PBYTE in, DWORD inLength, PBYTE out,
                               DWORD outLength, PDWORD actual)
{
    DWORD ignored = 0;
    if (!actual)
        actual = &ignored;
    *actual = 0;
    const sim::Faults faults = sim::Faults::Load();
    // A submission keeps its own log entries and last error.
    if (code == kSubmit && !faults.IoctlError(code))
        return Submit(open, faults, in, inLength, out, outLength, actual);
    const BOOL ok = Control(open, code, faults, in, inLength, out, outLength, actual);
    const DWORD error = ok ? 0 : GetLastError();
    if (sim::requestlog::Enabled())
        sim::requestlog::Append("ioctl", {{"device", "PCA4:"},
                                          {"open", std::to_string(open)},
                                          {"code", sim::Hex32(code)},
                                          {"in", std::to_string(inLength)},
                                          {"out", std::to_string(outLength)},
                                          {"input", Hex(in, inLength)},
                                          {"output", ok ? Hex(out, *actual) : std::string()},
                                          {"ok", ok ? "1" : "0"},
                                          {"error", std::to_string(error)}});
    SetLastError(error);
    return ok;
}

BOOL ProtocolDriver::EnumBindings(PBYTE out, DWORD outLength, PDWORD actual)
{
    {
        Lock lock(m_lock);
        if (!m_initialised)
            return Fail(ERROR_NOT_READY);
    }
    std::vector<uint8_t> list;
    for (const auto& adapter : sim::ndis::Adapters())
    {
        for (char16_t c : adapter.name)
        {
            list.push_back(static_cast<uint8_t>(c));
            list.push_back(static_cast<uint8_t>(c >> 8));
        }
        list.push_back(0);
        list.push_back(0);
    }
    list.push_back(0);
    list.push_back(0);
    // The whole list or nothing: a caller never sees a name cut short.
    if (!out && outLength)
        return Fail(ERROR_INVALID_PARAMETER);
    if (outLength < list.size())
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(out, list.data(), list.size());
    *actual = static_cast<DWORD>(list.size());
    return TRUE;
}

BOOL ProtocolDriver::Bind(DWORD_PTR open, PBYTE in, DWORD inLength)
{
    if (!in || inLength < 4 || (inLength & 1))
        return Fail(ERROR_INVALID_PARAMETER);
    std::u16string name;
    bool terminated = false;
    for (DWORD i = 0; i + 1 < inLength; i += 2)
    {
        const char16_t c = static_cast<char16_t>(sim::GetU16(in + i));
        if (c == 0)
        {
            terminated = true;
            break;
        }
        name += c;
    }
    if (!terminated || name.empty())
        return Fail(ERROR_INVALID_PARAMETER);
    Lock lock(m_lock);
    if (!m_initialised)
        return Fail(ERROR_NOT_READY);
    auto it = m_opens.find(open);
    if (it == m_opens.end())
        return Fail(ERROR_INVALID_HANDLE);
    if (!it->second.adapter.empty())
        return Fail(ERROR_BUSY);
    auto adapter = sim::ndis::FindAdapter(name);
    if (!adapter)
        return Fail(ERROR_FILE_NOT_FOUND);
    it->second.adapter = adapter->name;
    return TRUE;
}

BOOL ProtocolDriver::Submit(DWORD_PTR open, const sim::Faults& faults, PBYTE in, DWORD inLength, PBYTE out,
                            DWORD outLength, PDWORD actual)
{
    // The record is both input and output; its declared length covers the submission status only.
    if (!in || !out || in != out || inLength < kDeclaredSize || outLength < kDeclaredSize)
        return Fail(ERROR_INVALID_PARAMETER);
    auto record = ReadRecord(in);
    if (!record || (!record->buffer && record->length))
        return Fail(ERROR_INVALID_PARAMETER);
    const bool logging = sim::requestlog::Enabled();
    auto logSubmit = [&](uint32_t status)
    {
        if (logging)
            sim::requestlog::Append("submit",
                                    {{"open", std::to_string(open)},
                                     {"record", sim::HexBytes(record->bytes)},
                                     {"type", record->set ? "1" : "0"},
                                     {"oid", sim::Hex32(record->oid)},
                                     {"length", std::to_string(record->length)},
                                     {"data", record->set ? Hex(record->buffer, record->length) : ""},
                                     {"submit", sim::Hex32(status)}});
    };
    *actual = kDeclaredSize;
    if (auto status = faults.SubmitStatus(record->oid))
    {
        logSubmit(*status);
        WriteSubmitStatus(in, *status);
        return TRUE;
    }
    std::u16string adapter;
    {
        Lock lock(m_lock);
        auto it = m_opens.find(open);
        if (it != m_opens.end())
            adapter = it->second.adapter;
    }
    if (adapter.empty())
    {
        logSubmit(static_cast<uint32_t>(NDIS_STATUS_ADAPTER_NOT_OPEN));
        WriteSubmitStatus(in, static_cast<uint32_t>(NDIS_STATUS_ADAPTER_NOT_OPEN));
        return TRUE;
    }
    const std::optional<uint32_t> pendingMs = faults.PendingMs(record->oid);
    const uint32_t delay = pendingMs ? *pendingMs : sim::AirSettings::LoadLatency();
    if (delay == 0)
    {
        logSubmit(NDIS_STATUS_SUCCESS);
        const sim::RequestResult result =
            sim::ndis::Request(adapter, {record->set, record->oid, record->buffer, record->length});
        if (logging)
            LogCompletion(open, record->oid, record->set, result, record->buffer, record->length);
        WriteCompletion(in, static_cast<uint32_t>(result.status), result.bytesDone, result.bytesNeeded);
        WriteSubmitStatus(in, NDIS_STATUS_SUCCESS);
        return TRUE;
    }
    // A request that completes later needs the requester's event.
    HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, record->eventName.c_str());
    if (!event)
        return Fail(ERROR_INVALID_PARAMETER);
    CloseHandle(event);
    logSubmit(static_cast<uint32_t>(NDIS_STATUS_PENDING));
    WriteSubmitStatus(in, static_cast<uint32_t>(NDIS_STATUS_PENDING));
    Pending pending;
    pending.open = open;
    pending.record = in;
    pending.eventName = record->eventName;
    pending.adapter = adapter;
    pending.set = record->set;
    pending.oid = record->oid;
    pending.buffer = record->buffer;
    pending.length = record->length;
    pending.due = delay == sim::kPendingForever
                      ? std::chrono::steady_clock::time_point::max()
                      : std::chrono::steady_clock::now() + std::chrono::milliseconds(delay);
    {
        Lock lock(m_lock);
        if (m_stop)
            return Fail(ERROR_NOT_READY);
        m_pending.push_back(std::move(pending));
    }
    m_wake.notify_all();
    return TRUE;
}

} // namespace pca
