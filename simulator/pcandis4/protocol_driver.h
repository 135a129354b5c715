// The protocol driver behind PCA4: one object per registered device. It keeps the open handles of its
// clients and the adapter each is bound to, the driver's initialisation, the registration handle a client
// leaves with it, and the requests that wait for completion.
//
// Pending requests complete on the driver's own thread: at completion the driver runs the request on the
// adapter, writes the NDIS status, bytes done and bytes needed into the record and sets the record's
// named event; after that it never touches the record again. It opens the event by name at completion:
// when the requester has closed it (and so given the record up) the request is dropped without touching
// the record. Unbinding or closing a handle, shutting the driver's initialisation down and unloading the
// driver first complete that handle's waiting requests with NDIS_STATUS_REQUEST_ABORTED; the unload also
// stops the thread and waits for it. A request held forever ends with NDIS_STATUS_ADAPTER_REMOVED once its
// adapter has gone (the card was ejected).
#pragma once

#include <simcore/faults.h>

#include <windows.h>

#include "request_record.h"

#include <simcore/faults.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pca
{

inline constexpr DWORD kInterfaceVersion = 0x0400040E;

class ProtocolDriver
{
public:
    ProtocolDriver();
    ~ProtocolDriver();
    ProtocolDriver(const ProtocolDriver&) = delete;
    ProtocolDriver& operator=(const ProtocolDriver&) = delete;

    // Open contexts are unique among all devices of the process.
    void AddOpen(DWORD_PTR open);
    void Close(DWORD_PTR open);
    BOOL IoControl(DWORD_PTR open, DWORD code, PBYTE in, DWORD inLength, PBYTE out, DWORD outLength,
                   PDWORD actual);
    // Completes every waiting request as aborted and stops the completion thread.
    void Shutdown();

private:
    struct OpenState
    {
        std::u16string adapter; // empty while not bound
    };
    struct Pending
    {
        DWORD_PTR open = 0;
        uint8_t* record = nullptr;
        std::u16string eventName;
        std::u16string adapter;
        bool set = false;
        uint32_t oid = 0;
        uint8_t* buffer = nullptr;
        uint32_t length = 0;
        std::chrono::steady_clock::time_point due;
    };
    using Lock = std::unique_lock<std::mutex>;

    // The control code's work, without the request log.
    BOOL Control(DWORD_PTR open, DWORD code, const sim::Faults& faults, PBYTE in, DWORD inLength, PBYTE out,
                 DWORD outLength, PDWORD actual);
    BOOL Init(const sim::Faults& faults, PBYTE out, DWORD outLength, PDWORD actual);
    BOOL Deinit(PBYTE out, DWORD outLength, PDWORD actual);
    BOOL Unbind(DWORD_PTR open);
    // `faults`: as loaded for this control call.
    BOOL Submit(DWORD_PTR open, const sim::Faults& faults, PBYTE in, DWORD inLength, PBYTE out,
                DWORD outLength, PDWORD actual);
    BOOL Bind(DWORD_PTR open, PBYTE in, DWORD inLength);
    BOOL EnumBindings(PBYTE out, DWORD outLength, PDWORD actual);
    // Aborts the waiting requests of one handle (all handles for 0) and waits for a completion of theirs
    // that is under way.
    void AbortPending(Lock& lock, DWORD_PTR open);
    // Completes a waiting request with a status and no data (under the lock).
    void Finish(const Pending& request, uint32_t status);
    // Completes the requests held forever whose adapter has gone as NDIS_STATUS_ADAPTER_REMOVED.
    void FinishRemoved(Lock& lock);
    void Complete(const Pending& request);
    void Worker();

    std::mutex m_lock;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::map<DWORD_PTR, OpenState> m_opens;
    std::vector<Pending> m_pending;
    DWORD_PTR m_completing = 0; // the handle whose request the thread is completing, 0 for none
    bool m_initialised = false;
    DWORD m_registration = 0;
    bool m_stop = false;
    std::thread m_worker;
};

} // namespace pca
