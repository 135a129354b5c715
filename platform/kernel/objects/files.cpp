// Files: CreateFileW of a stream device name goes to the device manager, any other name opens a file
// of the host (the UTF-16 name in UTF-8, '\' separating as well as '/'). Share modes are enforced
// between the handles of this process, as Windows does between all handles of a file.
#include "devices.h"

#include <kernel/host_files.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <map>
#include <sys/stat.h>
#include <vector>

namespace ce::objects
{
namespace
{

// The opens of one host file that read or write, with the sharing they allow.
struct ShareEntry
{
    uint64_t id;
    bool read;
    bool write;
    DWORD share;
};

struct SharingTable
{
    std::mutex lock;
    std::map<std::pair<dev_t, ino_t>, std::vector<ShareEntry>> files;
    uint64_t nextId = 1;
};

SharingTable& Sharing()
{
    static Immortal<SharingTable> table;
    return table.get();
}

bool Conflicts(const ShareEntry& open, bool read, bool write, DWORD share)
{
    return (read && !(open.share & FILE_SHARE_READ)) || (write && !(open.share & FILE_SHARE_WRITE)) ||
           (open.read && !(share & FILE_SHARE_READ)) || (open.write && !(share & FILE_SHARE_WRITE));
}

class HostFile final : public FileObject
{
public:
    static constexpr ObjectType kType = ObjectType::File;
    HostFile(UniqueFd descriptor, bool read, bool write, const struct stat& st)
        : FileObject(kType), fd(std::move(descriptor)), canRead(read), canWrite(write),
          key(st.st_dev, st.st_ino)
    {
    }
    ~HostFile() override;

    bool Read(void* buffer, DWORD count, DWORD& done) override;
    bool Write(const void* buffer, DWORD count, DWORD& done) override;
    std::optional<DWORD> Seek(LONG distance, PLONG high, DWORD method) override;
    std::optional<uint64_t> Size() override;

    const UniqueFd fd;
    const bool canRead;
    const bool canWrite;
    const std::pair<dev_t, ino_t> key;
    uint64_t shareId = 0; // 0: an open without data access, which shares with everything
};

HostFile::~HostFile()
{
    if (shareId == 0)
        return;
    SharingTable& sharing = Sharing();
    std::lock_guard lock(sharing.lock);
    auto it = sharing.files.find(key);
    if (it == sharing.files.end())
        return;
    auto& opens = it->second;
    opens.erase(
        std::remove_if(opens.begin(), opens.end(), [&](const ShareEntry& e) { return e.id == shareId; }),
        opens.end());
    if (opens.empty())
        sharing.files.erase(it);
}

bool HostFile::Read(void* buffer, DWORD count, DWORD& done)
{
    if (!canRead)
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    auto* bytes = static_cast<char*>(buffer);
    while (done < count)
    {
        ssize_t n = ::read(fd.get(), bytes + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
        {
            SetLastError(ErrorFromErrno(errno));
            return false;
        }
        if (n == 0)
            break; // end of file: success with fewer bytes
        done += static_cast<DWORD>(n);
    }
    return true;
}

bool HostFile::Write(const void* buffer, DWORD count, DWORD& done)
{
    if (!canWrite)
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    const auto* bytes = static_cast<const char*>(buffer);
    while (done < count)
    {
        ssize_t n = ::write(fd.get(), bytes + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
        {
            SetLastError(n < 0 ? ErrorFromErrno(errno) : ERROR_WRITE_FAULT);
            return false;
        }
        done += static_cast<DWORD>(n);
    }
    return true;
}

std::optional<DWORD> HostFile::Seek(LONG distance, PLONG high, DWORD method)
{
    const int64_t move =
        high ? static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*high)) << 32) |
                                    static_cast<uint32_t>(distance))
             : static_cast<int64_t>(distance);
    int64_t base = 0;
    if (method == FILE_CURRENT)
    {
        base = ::lseek(fd.get(), 0, SEEK_CUR);
        if (base < 0)
        {
            SetLastError(ErrorFromErrno(errno));
            return std::nullopt;
        }
    }
    else if (method == FILE_END)
    {
        std::optional<uint64_t> size = Size();
        if (!size)
            return std::nullopt;
        base = static_cast<int64_t>(*size);
    }
    if ((move > 0 && base > std::numeric_limits<int64_t>::max() - move) || base + move < 0)
    {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return std::nullopt;
    }
    const int64_t target = base + move;
    // Without a high half the new position has to fit in 32 bits.
    if (!high && target > 0xFFFFFFFFll)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return std::nullopt;
    }
    if (::lseek(fd.get(), target, SEEK_SET) < 0)
    {
        SetLastError(ErrorFromErrno(errno));
        return std::nullopt;
    }
    if (high)
        *high = static_cast<LONG>(static_cast<uint64_t>(target) >> 32);
    return static_cast<DWORD>(target);
}

std::optional<uint64_t> HostFile::Size()
{
    struct stat st
    {
    };
    if (::fstat(fd.get(), &st) != 0)
    {
        SetLastError(ErrorFromErrno(errno));
        return std::nullopt;
    }
    return static_cast<uint64_t>(st.st_size);
}

std::optional<std::string> HostPath(std::u16string_view name)
{
    std::optional<std::string> path = ToUtf8Strict(name);
    if (path)
        std::replace(path->begin(), path->end(), '\\', '/');
    return path;
}

// ENOENT means a missing file when its folder exists, else a missing path.
DWORD OpenError(int error, const std::string& path)
{
    if (error != ENOENT)
        return ErrorFromErrno(error);
    std::string::size_type slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ERROR_FILE_NOT_FOUND;
    std::string folder = slash == 0 ? std::string("/") : path.substr(0, slash);
    struct stat st
    {
    };
    return (::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) ? ERROR_FILE_NOT_FOUND
                                                                     : ERROR_PATH_NOT_FOUND;
}

// Opens the host file as the creation disposition asks; `existed` tells whether the file was there. An
// empty descriptor with errno set on failure.
UniqueFd OpenDescriptor(const std::string& path, DWORD disposition, int mode, mode_t permissions,
                        bool dataAccess, bool& existed)
{
    existed = true;
    if (disposition == CREATE_NEW)
    {
        existed = false;
        return ce::OpenHostFile(path.c_str(), mode | O_CREAT | O_EXCL, permissions);
    }
    if (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS)
    {
        // Create it if it is missing, else open what is there; retried if it vanishes in between.
        UniqueFd fd;
        for (int attempt = 0; attempt < 8; ++attempt)
        {
            fd = ce::OpenHostFile(path.c_str(), mode | O_CREAT | O_EXCL, permissions);
            if (fd)
            {
                existed = false;
                break;
            }
            if (errno != EEXIST)
                break;
            fd = ce::OpenHostFile(path.c_str(), mode);
            if (fd || errno != ENOENT)
                break;
        }
        return fd;
    }
    UniqueFd fd = ce::OpenHostFile(path.c_str(), mode);
    // An open without data access only looks at the file, which needs no read permission.
    if (!fd && errno == EACCES && !dataAccess)
        fd = ce::OpenHostFile(path.c_str(), O_PATH);
    return fd;
}

// Enters an open that reads or writes into the sharing table; false (ERROR_SHARING_VIOLATION) when it and
// an open of the same file do not allow each other.
bool Share(HostFile& file, DWORD share)
{
    if (!file.canRead && !file.canWrite)
        return true;
    SharingTable& sharing = Sharing();
    std::lock_guard lock(sharing.lock);
    auto& opens = sharing.files[file.key];
    if (std::any_of(opens.begin(), opens.end(),
                    [&](const ShareEntry& open)
                    { return Conflicts(open, file.canRead, file.canWrite, share); }))
    {
        if (opens.empty())
            sharing.files.erase(file.key);
        SetLastError(ERROR_SHARING_VIOLATION);
        return false;
    }
    file.shareId = sharing.nextId++;
    opens.push_back(ShareEntry{file.shareId, file.canRead, file.canWrite, share});
    return true;
}

HANDLE CreateHostFile(std::u16string_view name, DWORD access, DWORD share, DWORD disposition, DWORD flags)
{
    const bool read = (access & (GENERIC_READ | GENERIC_EXECUTE | GENERIC_ALL)) != 0;
    const bool write = (access & (GENERIC_WRITE | GENERIC_ALL)) != 0;
    if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING ||
        (disposition == TRUNCATE_EXISTING && !write))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (name.empty())
    {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::optional<std::string> path = HostPath(name);
    if (!path)
    {
        SetLastError(ERROR_INVALID_NAME);
        return INVALID_HANDLE_VALUE;
    }

    // Truncating an existing file needs a writable descriptor even when the caller asked only to read.
    const bool mayTruncate = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
    const bool fdWrite = write || mayTruncate;
    const int mode = (read && fdWrite) ? O_RDWR : fdWrite ? O_WRONLY : O_RDONLY;
    const mode_t permissions = (flags & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    bool existed = true;
    UniqueFd fd = OpenDescriptor(*path, disposition, mode, permissions, read || fdWrite, existed);
    if (!fd)
    {
        SetLastError(disposition == CREATE_NEW && errno == EEXIST ? ERROR_FILE_EXISTS
                                                                  : OpenError(errno, *path));
        return INVALID_HANDLE_VALUE;
    }
    struct stat st
    {
    };
    if (::fstat(fd.get(), &st) != 0 || S_ISDIR(st.st_mode))
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    auto file = std::make_shared<HostFile>(std::move(fd), read, write, st);
    if (!Share(*file, share))
        return INVALID_HANDLE_VALUE; // the object closes the descriptor
    if (existed && mayTruncate && S_ISREG(st.st_mode) && ::ftruncate(file->fd.get(), 0) != 0)
    {
        SetLastError(ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = InsertHandle(file);
    if (!handle)
        return INVALID_HANDLE_VALUE;
    const bool openedExisting = existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS);
    SetLastError(openedExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

} // namespace

std::optional<uint64_t> FileObject::Size()
{
    SetLastError(ERROR_INVALID_FUNCTION);
    return std::nullopt;
}

BOOL FileObject::IoControl(DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD)
{
    SetLastError(ERROR_INVALID_FUNCTION);
    return FALSE;
}

std::shared_ptr<FileObject> FindFileObject(HANDLE handle)
{
    std::shared_ptr<KernelObject> object = Handles().Find(handle);
    if (!object || (object->type() != ObjectType::File && object->type() != ObjectType::DeviceFile))
        return nullptr;
    return std::static_pointer_cast<FileObject>(object);
}

} // namespace ce::objects

using namespace ce::objects;

HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, LPSECURITY_ATTRIBUTES,
                   DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes, HANDLE)
{
    return Boundary<HANDLE>(INVALID_HANDLE_VALUE,
                            [&]() -> HANDLE
                            {
                                if (!lpFileName)
                                {
                                    SetLastError(ERROR_INVALID_PARAMETER);
                                    return INVALID_HANDLE_VALUE;
                                }
                                std::u16string_view name = View(lpFileName);
                                // A device ignores the creation disposition; its driver sees the access and
                                // share mode.
                                if (IsDeviceName(name))
                                    return OpenDevice(name, dwDesiredAccess, dwShareMode);
                                return CreateHostFile(name, dwDesiredAccess, dwShareMode,
                                                      dwCreationDisposition, dwFlagsAndAttributes);
                            });
}

namespace
{

// ReadFile and WriteFile: the count is zeroed before anything is checked, as on Windows, and then tells
// what moved, also when the call failed part of the way.
template <class Buffer, class Move>
BOOL Transfer(HANDLE hFile, Buffer buffer, DWORD count, LPDWORD moved, Move&& move)
{
    return Boundary<BOOL>(FALSE,
                          [&]() -> BOOL
                          {
                              if (moved)
                                  *moved = 0;
                              std::shared_ptr<FileObject> file = FindFileObject(hFile);
                              if (!file)
                              {
                                  SetLastError(ERROR_INVALID_HANDLE);
                                  return FALSE;
                              }
                              if (!buffer && count != 0)
                              {
                                  SetLastError(ERROR_INVALID_PARAMETER);
                                  return FALSE;
                              }
                              DWORD done = 0;
                              const bool ok = move(*file, done);
                              if (moved)
                                  *moved = done;
                              return ok ? TRUE : FALSE;
                          });
}

} // namespace

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
              LPOVERLAPPED)
{
    return Transfer(hFile, lpBuffer, nNumberOfBytesToRead, lpNumberOfBytesRead,
                    [&](FileObject& file, DWORD& done)
                    { return file.Read(lpBuffer, nNumberOfBytesToRead, done); });
}

BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
               LPOVERLAPPED)
{
    return Transfer(hFile, lpBuffer, nNumberOfBytesToWrite, lpNumberOfBytesWritten,
                    [&](FileObject& file, DWORD& done)
                    { return file.Write(lpBuffer, nNumberOfBytesToWrite, done); });
}

DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh)
{
    return Boundary<DWORD>(INVALID_FILE_SIZE,
                           [&]() -> DWORD
                           {
                               std::shared_ptr<FileObject> file = FindFileObject(hFile);
                               if (!file)
                               {
                                   SetLastError(ERROR_INVALID_HANDLE);
                                   return INVALID_FILE_SIZE;
                               }
                               std::optional<uint64_t> size = file->Size();
                               if (!size)
                                   return INVALID_FILE_SIZE;
                               if (lpFileSizeHigh)
                                   *lpFileSizeHigh = static_cast<DWORD>(*size >> 32);
                               // The size's low half may itself be 0xFFFFFFFF: the cleared last error tells
                               // it from a failure.
                               if (static_cast<DWORD>(*size) == INVALID_FILE_SIZE)
                                   SetLastError(ERROR_SUCCESS);
                               return static_cast<DWORD>(*size);
                           });
}

DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod)
{
    return Boundary<DWORD>(INVALID_SET_FILE_POINTER,
                           [&]() -> DWORD
                           {
                               std::shared_ptr<FileObject> file = FindFileObject(hFile);
                               if (!file)
                               {
                                   SetLastError(ERROR_INVALID_HANDLE);
                                   return INVALID_SET_FILE_POINTER;
                               }
                               if (dwMoveMethod > FILE_END)
                               {
                                   SetLastError(ERROR_INVALID_PARAMETER);
                                   return INVALID_SET_FILE_POINTER;
                               }
                               std::optional<DWORD> position =
                                   file->Seek(lDistanceToMove, lpDistanceToMoveHigh, dwMoveMethod);
                               if (!position)
                                   return INVALID_SET_FILE_POINTER;
                               // A position whose low half is 0xFFFFFFFF: the cleared last error tells it
                               // from a failure.
                               if (*position == INVALID_SET_FILE_POINTER)
                                   SetLastError(ERROR_SUCCESS);
                               return *position;
                           });
}

BOOL DeleteFileW(LPCWSTR lpFileName)
{
    return Boundary<BOOL>(FALSE,
                          [&]() -> BOOL
                          {
                              if (!lpFileName)
                              {
                                  SetLastError(ERROR_INVALID_PARAMETER);
                                  return FALSE;
                              }
                              std::u16string_view name = View(lpFileName);
                              if (IsDeviceName(name))
                              {
                                  SetLastError(ERROR_ACCESS_DENIED);
                                  return FALSE;
                              }
                              if (name.empty())
                              {
                                  SetLastError(ERROR_PATH_NOT_FOUND);
                                  return FALSE;
                              }
                              std::optional<std::string> path = HostPath(name);
                              if (!path)
                              {
                                  SetLastError(ERROR_INVALID_NAME);
                                  return FALSE;
                              }
                              SharingTable& sharing = Sharing();
                              std::lock_guard lock(sharing.lock);
                              struct stat st
                              {
                              };
                              if (::lstat(path->c_str(), &st) != 0)
                              {
                                  SetLastError(OpenError(errno, *path));
                                  return FALSE;
                              }
                              // A folder is no file; a file without write permission is read-only, which
                              // Windows will not delete.
                              if (S_ISDIR(st.st_mode) || (S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR)))
                              {
                                  SetLastError(ERROR_ACCESS_DENIED);
                                  return FALSE;
                              }
                              auto it = sharing.files.find({st.st_dev, st.st_ino});
                              if (it != sharing.files.end() &&
                                  std::any_of(it->second.begin(), it->second.end(),
                                              [](const ShareEntry& open)
                                              { return !(open.share & FILE_SHARE_DELETE); }))
                              {
                                  SetLastError(ERROR_SHARING_VIOLATION);
                                  return FALSE;
                              }
                              if (::unlink(path->c_str()) != 0)
                              {
                                  SetLastError(OpenError(errno, *path));
                                  return FALSE;
                              }
                              return TRUE;
                          });
}
