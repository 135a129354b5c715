// The device manager's side of CreateFileW, ReadFile, WriteFile and SetFilePointer on stream devices.
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
// reference goes, that is when the handle is closed and no call on it is in progress.
class DeviceFile final : public KernelObject
{
public:
    static constexpr ObjectType kType = ObjectType::DeviceFile;
    DeviceFile(std::shared_ptr<Device> device, uint64_t id);
    ~DeviceFile() override;

    BOOL IoControl(DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize, LPDWORD bytesReturned);
    // The bytes moved, or nullopt with the last error set.
    std::optional<DWORD> Read(LPVOID buffer, DWORD count);
    std::optional<DWORD> Write(LPCVOID buffer, DWORD count);
    // The driver's new position, or nullopt with the last error set.
    std::optional<DWORD> Seek(LONG distance, DWORD method);

private:
    std::shared_ptr<Device> m_device;
    uint64_t m_id;
};

} // namespace ce::objects
