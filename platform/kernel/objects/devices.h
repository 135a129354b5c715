// The device manager's side of CreateFileW, ReadFile, WriteFile, SetFilePointer and DeviceIoControl on
// stream devices.
#pragma once

#include "objects.h"

namespace ce::objects
{

class Device;

// "XXXn:": a three-letter prefix, an index digit and a colon (any case).
bool IsDeviceName(std::u16string_view name);

// Opens a registered device through its driver's Open: a handle, or INVALID_HANDLE_VALUE with
// ERROR_FILE_NOT_FOUND (no such device) or the driver's error.
HANDLE OpenDevice(std::u16string_view name, DWORD access, DWORD share);

// A handle on a stream device: one open context of its driver, closed (driver's Close) when the last
// reference goes, that is when the handle is closed and no call on it is in progress. Reads, writes and
// seeks go to the driver's entry points.
class DeviceFile final : public FileObject
{
public:
    static constexpr ObjectType kType = ObjectType::DeviceFile;
    DeviceFile(std::shared_ptr<Device> device, uint64_t id);
    ~DeviceFile() override;

    BOOL IoControl(DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                   LPDWORD bytesReturned) override;
    bool Read(void* buffer, DWORD count, DWORD& done) override;
    bool Write(const void* buffer, DWORD count, DWORD& done) override;
    // The driver's seek takes a 32-bit distance; the new position's high half is 0.
    std::optional<DWORD> Seek(LONG distance, PLONG high, DWORD method) override;

private:
    // Runs an entry point that answers -1 for a failure on this open context: its answer, or nullopt with
    // the last error set (ERROR_INVALID_FUNCTION when the driver has no such entry point).
    template <class Entry, class Call> std::optional<DWORD> CallEntry(Entry entry, Call&& call);

    std::shared_ptr<Device> m_device;
    uint64_t m_id;
};

} // namespace ce::objects
