// The protocol driver PCANDIS4.dll as a client drives it: CreateFileW("PCA4:") and DeviceIoControl with
// request records, adapter names and buffers made from the fuzzer's bytes. The input is a sequence of
// operations, each an operation byte and its bytes:
//   0 submit: flags, the 152-byte record, the request buffer's contents (the buffer is allocated at the
//     length the record declares, at most 2048 bytes, and its address written into the record); flag 64
//     creates the event the record names. Requests for OID_802_3_PERMANENT_ADDRESS are made to complete
//     later, from the driver's thread, which needs that event.
//   1 bind a fresh handle to a name given as raw bytes
//   2 enumerate the bindings into a buffer of a given size
//   3 another control code with input and output buffers of given sizes
// Checks: the driver never reads or writes outside the record and the buffers (exactly sized allocations
// under the sanitizers); a malformed record (event name without its terminator, request type other than
// query or set, no buffer for a non-zero length, short declared lengths, input and output apart) is
// refused with ERROR_INVALID_PARAMETER and left untouched; an accepted one is answered with 116 bytes,
// only its status and result fields change, a query never reports more bytes done than its buffer holds;
// a request that completes later is refused without its event, and with it pends and completes by
// setting the event, writing only into the record and its buffer; a handle binds only to an adapter the
// driver lists, and not twice; the bindings list is whole or refused; no answer reports more bytes than the
// output buffer holds.
#include "fuzz_support.h"

#include <windows.h>

#include <ntddndis.h>

#include "temp_handheld.h"

#include <cstring>
#include <memory>

namespace
{

constexpr DWORD kGetVersion = 0x80002000;
constexpr DWORD kInit = 0x80002008;
constexpr DWORD kDeinit = 0x8000200C;
constexpr DWORD kEnumBindings = 0x80002010;
constexpr DWORD kBind = 0x80002014;
constexpr DWORD kUnbind = 0x8000201C;
constexpr DWORD kSubmit = 0x80002040;
constexpr DWORD kSetRegistration = 0x80002044;
constexpr DWORD kGetRegistration = 0x80002048;
constexpr DWORD kMayUnload = 0x8000204C;
constexpr size_t kRecordSize = 152;
constexpr DWORD kDeclared = 116;
constexpr uint32_t kMaxBuffer = 2048;
constexpr uint32_t kPendingOid = 0x01010101; // OID_802_3_PERMANENT_ADDRESS
constexpr uint32_t kStatusPending = 0x103;

uint32_t Get32(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
void Put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

struct Driver
{
    testing_support::TempHandheld handheld;
    HANDLE registration = nullptr;
    Driver()
    {
        registration = RegisterDevice(u"PCA", 4, u"PCANDIS4.dll", 0x34414350);
        FUZZ_CHECK(registration != nullptr, "RegisterDevice: " + std::to_string(GetLastError()));
        // Requests for one object complete later, from the driver's thread, through the record's event.
        HKEY faults = nullptr;
        FUZZ_CHECK(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Simulator\\Faults", 0, nullptr, 0, KEY_ALL_ACCESS,
                                   nullptr, &faults, nullptr) == ERROR_SUCCESS,
                   "the faults key");
        const DWORD ms = 1;
        RegSetValueExW(faults, u"Pending.01010101", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&ms),
                       sizeof(ms));
        RegCloseKey(faults);
    }
    ~Driver() { DeregisterDevice(registration); }
};

Driver& TheDriver()
{
    return fuzz::Lasting<Driver>();
}

HANDLE Open()
{
    HANDLE h = CreateFileW(u"PCA4:", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    FUZZ_CHECK(h != INVALID_HANDLE_VALUE, "PCA4: does not open: " + std::to_string(GetLastError()));
    return h;
}

// Runs one control code with exactly sized copies of the buffers.
struct Call
{
    BOOL ok = FALSE;
    DWORD error = 0;
    DWORD actual = 0;
    std::vector<uint8_t> out;
};

Call Control(HANDLE h, DWORD code, const std::vector<uint8_t>& in, size_t outLength)
{
    auto inCopy = std::make_unique<uint8_t[]>(in.size() + 1);
    fuzz::Copy(inCopy.get(), in.data(), in.size());
    Call c;
    c.out.assign(outLength, 0xCC);
    auto outCopy = std::make_unique<uint8_t[]>(outLength + 1);
    std::memset(outCopy.get(), 0xCC, outLength);
    c.actual = 0xDEAD;
    c.ok = DeviceIoControl(h, code, in.empty() ? nullptr : inCopy.get(), static_cast<DWORD>(in.size()),
                           outLength ? outCopy.get() : nullptr, static_cast<DWORD>(outLength), &c.actual,
                           nullptr);
    c.error = c.ok ? 0 : GetLastError();
    fuzz::Copy(c.out.data(), outCopy.get(), outLength);
    if (c.ok)
        FUZZ_CHECK(c.actual <= outLength, "code " + std::to_string(code) + " answered " +
                                              std::to_string(c.actual) + " bytes into " +
                                              std::to_string(outLength));
    return c;
}

std::vector<uint8_t> Name(std::u16string_view name)
{
    std::vector<uint8_t> bytes;
    for (char16_t c : name)
        bytes.push_back(static_cast<uint8_t>(c)), bytes.push_back(static_cast<uint8_t>(c >> 8));
    bytes.push_back(0), bytes.push_back(0);
    return bytes;
}

char16_t Lower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 0x20) : c;
}

bool SameName(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

// The names of a bindings list the driver returned; checks it is well formed.
std::vector<std::u16string> ParseList(const std::vector<uint8_t>& out, DWORD actual)
{
    FUZZ_CHECK(actual >= 2 && actual % 2 == 0, std::to_string(actual));
    std::vector<std::u16string> names;
    std::u16string current;
    for (DWORD i = 0; i + 1 < actual; i += 2)
    {
        const char16_t c = static_cast<char16_t>(out[i] | (out[i + 1] << 8));
        if (c)
        {
            current += c;
            continue;
        }
        if (current.empty())
        {
            FUZZ_CHECK(i + 2 == actual, "the bindings list goes on past its end");
            return names;
        }
        names.push_back(current);
        current.clear();
    }
    fuzz::Fail(__FILE__, __LINE__, "bindings list without its empty name", fuzz::Hex(out.data(), actual));
}

class Session
{
public:
    Session() : m_main(Open()) { Prepare(); }
    ~Session() { CloseHandle(m_main); }

    void Prepare()
    {
        Control(m_main, kUnbind, {}, 0);
        Call init = Control(m_main, kInit, {}, 4);
        FUZZ_CHECK(init.ok && Get32(init.out.data()) == 0, "init");
        Call list = Control(m_main, kEnumBindings, {}, 1024);
        FUZZ_CHECK(list.ok, "enumerating bindings: " + std::to_string(list.error));
        m_adapters = ParseList(list.out, list.actual);
        m_bound = Control(m_main, kBind, Name(u"WLAN11b1"), 0).ok;
    }

    void Submit(fuzz::Input& in)
    {
        const uint8_t flags = in.U8();
        std::vector<uint8_t> recordBytes = in.Bytes(kRecordSize);
        recordBytes.resize(kRecordSize, 0);
        uint32_t length = Get32(recordBytes.data() + 124 + 12);
        if (length > kMaxBuffer)
            length %= kMaxBuffer + 1;
        Put32(recordBytes.data() + 124 + 12, length);
        std::vector<uint8_t> contents = in.Block();
        auto buffer = std::make_unique<uint8_t[]>(length ? length : 1);
        std::memset(buffer.get(), 0, length);
        fuzz::Copy(buffer.get(), contents.data(), std::min<size_t>(contents.size(), length));
        const bool nullBuffer = flags & 1;
        const uint64_t address = nullBuffer ? 0 : reinterpret_cast<uintptr_t>(buffer.get());
        Put32(recordBytes.data() + 124 + 16, static_cast<uint32_t>(address));
        Put32(recordBytes.data() + 80, static_cast<uint32_t>(address >> 32));

        const bool apart = flags & 2;
        const DWORD inLength = (flags & 4) ? in.U8() % kDeclared : (flags & 8) ? kRecordSize : kDeclared;
        const DWORD outLength = (flags & 16) ? in.U8() % kDeclared : inLength;
        HANDLE h = (flags & 32) ? Open() : m_main;
        const bool bound = !(flags & 32) && m_bound;

        std::u16string eventName;
        bool terminated = false;
        for (size_t i = 0; i < 32 && !terminated; ++i)
        {
            const char16_t c =
                static_cast<char16_t>(recordBytes[12 + 2 * i] | (recordBytes[13 + 2 * i] << 8));
            terminated = c == 0;
            if (!terminated)
                eventName += c;
        }
        // The requester's event, which a request that completes later needs.
        HANDLE event = nullptr;
        if ((flags & 64) && terminated && !eventName.empty())
        {
            event = CreateEventW(nullptr, TRUE, FALSE, eventName.c_str());
            FUZZ_CHECK(event != nullptr, "CreateEventW: " + std::to_string(GetLastError()));
            // The driver may still hold the event of the last request of that name, signalled, for a
            // moment after its completion: the name then opens that event as it is. A client resets
            // its event before it submits.
            ResetEvent(event);
        }
        struct EventCloser
        {
            HANDLE h;
            ~EventCloser()
            {
                if (h)
                    CloseHandle(h);
            }
        } closer{event};

        auto record = std::make_unique<uint8_t[]>(kRecordSize);
        fuzz::Copy(record.get(), recordBytes.data(), kRecordSize);
        auto other = std::make_unique<uint8_t[]>(kRecordSize);
        fuzz::Copy(other.get(), recordBytes.data(), kRecordSize);
        DWORD actual = 0xDEAD;
        const BOOL ok = DeviceIoControl(h, kSubmit, record.get(), inLength,
                                        apart ? other.get() : record.get(), outLength, &actual, nullptr);
        const DWORD error = ok ? 0 : GetLastError();
        if (flags & 32)
            CloseHandle(h);

        const uint32_t type = Get32(recordBytes.data() + 124 + 4);
        const bool malformed = apart || inLength < kDeclared || outLength < kDeclared || !terminated ||
                               type > 1 || (nullBuffer && length != 0);
        const std::string what = "record " + fuzz::Hex(recordBytes.data(), kRecordSize);
        if (malformed)
        {
            FUZZ_CHECK(!ok && error == ERROR_INVALID_PARAMETER, "a malformed record accepted: " + what);
            FUZZ_CHECK(std::memcmp(record.get(), recordBytes.data(), kRecordSize) == 0,
                       "a refused record changed");
            return;
        }
        const bool pends = bound && Get32(recordBytes.data() + 124 + 8) == kPendingOid;
        if (pends && !event)
        {
            FUZZ_CHECK(!ok && error == ERROR_INVALID_PARAMETER,
                       "a request to complete later without its event");
            FUZZ_CHECK(std::memcmp(record.get(), recordBytes.data(), kRecordSize) == 0,
                       "a refused record changed");
            return;
        }
        FUZZ_CHECK(ok, "a well-formed record refused with " + std::to_string(error) + ": " + what);
        FUZZ_CHECK(actual == kDeclared, std::to_string(actual));
        const uint8_t* r = record.get();
        uint32_t submit = Get32(r + 84);
        if (pends)
        {
            // The record and the buffer stay the requester's until the event says the request is done.
            FUZZ_CHECK(submit == kStatusPending, "submission status " + std::to_string(submit));
            FUZZ_CHECK(WaitForSingleObject(event, 5000) == WAIT_OBJECT_0,
                       "a pending request never completed");
            submit = 0;
        }
        for (size_t i = 0; i < kRecordSize; ++i)
        {
            const bool result =
                (i >= 84 && i < 88) || (bound && ((i >= 124 && i < 128) || (i >= 144 && i < 152)));
            if (!result)
                FUZZ_CHECK(r[i] == recordBytes[i],
                           "byte " + std::to_string(i) + " of the record changed: " + what);
        }
        if (!bound)
        {
            FUZZ_CHECK(submit == static_cast<uint32_t>(NDIS_STATUS_ADAPTER_NOT_OPEN), std::to_string(submit));
            return;
        }
        FUZZ_CHECK(submit == 0, "submission status " + std::to_string(submit));
        const uint32_t ndis = Get32(r + 124);
        const uint32_t done = Get32(r + 144);
        if (ndis == 0 && type == 0)
            FUZZ_CHECK(done <= length, "a query reports " + std::to_string(done) +
                                           " bytes done in a buffer of " + std::to_string(length) + ": " +
                                           what);
    }

    void Bind(fuzz::Input& in)
    {
        const std::vector<uint8_t> name = in.Block();
        HANDLE h = Open();
        FUZZ_CHECK(Control(h, kInit, {}, 4).ok, "");
        const Call c = Control(h, kBind, name, 0);
        if (c.ok)
        {
            std::u16string text;
            size_t i = 0;
            for (; i + 1 < name.size() && (name[i] | name[i + 1]); i += 2)
                text += static_cast<char16_t>(name[i] | (name[i + 1] << 8));
            FUZZ_CHECK(name.size() % 2 == 0 && i + 1 < name.size(), "bound to an unterminated name");
            bool listed = false;
            for (const auto& a : m_adapters)
                listed = listed || SameName(a, text);
            FUZZ_CHECK(listed, "bound to an adapter the driver does not list: " +
                                   fuzz::Hex(name.data(), name.size()));
            const Call twice = Control(h, kBind, name, 0);
            FUZZ_CHECK(!twice.ok && twice.error == ERROR_BUSY, "a handle bound twice");
            FUZZ_CHECK(Control(h, kUnbind, {}, 0).ok, "unbinding");
        }
        else
            FUZZ_CHECK(c.error == ERROR_INVALID_PARAMETER || c.error == ERROR_FILE_NOT_FOUND,
                       "bind failed with " + std::to_string(c.error));
        CloseHandle(h);
    }

    void Enumerate(fuzz::Input& in)
    {
        const size_t outLength = in.U8();
        const Call c = Control(m_main, kEnumBindings, {}, outLength);
        if (c.ok)
            FUZZ_CHECK(ParseList(c.out, c.actual) == m_adapters, "");
        else
        {
            FUZZ_CHECK(c.error == ERROR_INSUFFICIENT_BUFFER, std::to_string(c.error));
            FUZZ_CHECK(c.out == std::vector<uint8_t>(outLength, 0xCC),
                       "a refused list wrote into the buffer");
        }
    }

    void Other(fuzz::Input& in)
    {
        static const DWORD kCodes[] = {kGetVersion,      kInit,     kDeinit,
                                       kEnumBindings,    kUnbind,   kSetRegistration,
                                       kGetRegistration, kMayUnload};
        const uint8_t pick = in.U8();
        const DWORD code = pick < 2 * std::size(kCodes) ? kCodes[pick % std::size(kCodes)]
                                                        : 0x80002000u + 4u * pick + (in.U8() & 3);
        const std::vector<uint8_t> input = in.Bytes(in.U8() % 16);
        const size_t outLength = in.U8() % 16;
        const Call c = Control(m_main, code, input, outLength);
        if (code == kSubmit || code == kBind) // reached by a computed code: handled above
            return;
        if (c.ok && outLength && code != kDeinit && code != kUnbind && code != kSetRegistration &&
            code != kEnumBindings)
            FUZZ_CHECK(c.actual == 4,
                       "code " + std::to_string(code) + " answered " + std::to_string(c.actual));
        Prepare();
    }

private:
    HANDLE m_main;
    bool m_bound = false;
    std::vector<std::u16string> m_adapters;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TheDriver();
    fuzz::Input in(data, size);
    // One bound handle for every input; an operation that may change its state prepares it again.
    static Session* const g_session = new Session;
    Session& session = *g_session;
    for (int ops = 0; ops < 16 && !in.empty(); ++ops)
    {
        switch (in.U8() % 4)
        {
        case 0:
            session.Submit(in);
            break;
        case 1:
            session.Bind(in);
            break;
        case 2:
            session.Enumerate(in);
            break;
        default:
            session.Other(in);
            break;
        }
    }
    return 0;
}
