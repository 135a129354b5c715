// Files: CreateFileW of a stream device name goes to the device manager, any other name opens a file
// of the host (the UTF-16 name in UTF-8, '\' separating as well as '/'). Share modes are enforced
// between the handles of this process, as Windows does between all handles of a file.
#include "devices.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <map>
#include <sys/stat.h>
#include <unistd.h>
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

class HostFile final : public KernelObject
{
public:
    static constexpr ObjectType kType = ObjectType::File;
    HostFile(int fd, bool read, bool write, const struct stat& st)
        : KernelObject(kType), fd(fd), canRead(read), canWrite(write), key(st.st_dev, st.st_ino)
    {
    }
    ~HostFile() override
    {
        if (shareId != 0)
        {
            SharingTable& sharing = Sharing();
            std::lock_guard lock(sharing.lock);
            auto it = sharing.files.find(key);
            if (it != sharing.files.end())
            {
                auto& opens = it->second;
                opens.erase(std::remove_if(opens.begin(), opens.end(),
                                           [&](const ShareEntry& e) { return e.id == shareId; }),
                            opens.end());
                if (opens.empty())
                    sharing.files.erase(it);
            }
        }
        ::close(fd);
    }

    const int fd;
    const bool canRead;
    const bool canWrite;
    const std::pair<dev_t, ino_t> key;
    uint64_t shareId = 0; // 0: an open without data access, which shares with everything
};

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

int Open(const std::string& path, int flags, mode_t mode)
{
    int fd;
    do
        fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}

HANDLE OpenHostFile(std::u16string_view name, DWORD access, DWORD share, DWORD disposition, DWORD flags)
{
    if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const bool read = (access & (GENERIC_READ | GENERIC_EXECUTE | GENERIC_ALL)) != 0;
    const bool write = (access & (GENERIC_WRITE | GENERIC_ALL)) != 0;
    if (disposition == TRUNCATE_EXISTING && !write)
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

    int fd = -1;
    bool existed = true;
    if (disposition == CREATE_NEW)
    {
        fd = Open(*path, mode | O_CREAT | O_EXCL, permissions);
        existed = false;
    }
    else if (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS)
    {
        // Create it if it is missing, else open what is there; retried if it vanishes in between.
        for (int attempt = 0; attempt < 8; ++attempt)
        {
            fd = Open(*path, mode | O_CREAT | O_EXCL, permissions);
            if (fd >= 0)
            {
                existed = false;
                break;
            }
            if (errno != EEXIST)
                break;
            fd = Open(*path, mode, 0);
            if (fd >= 0 || errno != ENOENT)
                break;
        }
    }
    else
    {
        fd = Open(*path, mode, 0);
        // An open without data access only looks at the file, which needs no read permission.
        if (fd < 0 && errno == EACCES && !read && !fdWrite)
            fd = Open(*path, O_PATH, 0);
    }
    if (fd < 0)
    {
        SetLastError(disposition == CREATE_NEW && errno == EEXIST ? ERROR_FILE_EXISTS
                                                                  : OpenError(errno, *path));
        return INVALID_HANDLE_VALUE;
    }

    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode))
    {
        ::close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    auto file = std::make_shared<HostFile>(fd, read, write, st);

    if (read || write)
    {
        SharingTable& sharing = Sharing();
        std::lock_guard lock(sharing.lock);
        auto& opens = sharing.files[file->key];
        if (std::any_of(opens.begin(), opens.end(),
                        [&](const ShareEntry& open) { return Conflicts(open, read, write, share); }))
        {
            if (opens.empty())
                sharing.files.erase(file->key);
            SetLastError(ERROR_SHARING_VIOLATION);
            return INVALID_HANDLE_VALUE; // the object closes the descriptor
        }
        file->shareId = sharing.nextId++;
        opens.push_back(ShareEntry{file->shareId, read, write, share});
    }

    if (existed && mayTruncate && S_ISREG(st.st_mode) && ::ftruncate(fd, 0) != 0)
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

std::shared_ptr<HostFile> FindFile(const std::shared_ptr<KernelObject>& object)
{
    return object && object->type() == ObjectType::File ? std::static_pointer_cast<HostFile>(object)
                                                        : nullptr;
}

std::shared_ptr<DeviceFile> FindDevice(const std::shared_ptr<KernelObject>& object)
{
    return object && object->type() == ObjectType::DeviceFile ? std::static_pointer_cast<DeviceFile>(object)
                                                              : nullptr;
}

} // namespace
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
                                return OpenHostFile(name, dwDesiredAccess, dwShareMode, dwCreationDisposition,
                                                    dwFlagsAndAttributes);
                            });
}

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
              LPOVERLAPPED)
{
    return Boundary<BOOL>(FALSE,
                          [&]() -> BOOL
                          {
                              // As on Windows, the count is zeroed before anything is checked.
                              if (lpNumberOfBytesRead)
                                  *lpNumberOfBytesRead = 0;
                              std::shared_ptr<KernelObject> object = Handles().Find(hFile);
                              std::shared_ptr<HostFile> file = FindFile(object);
                              std::shared_ptr<DeviceFile> device = FindDevice(object);
                              if (!file && !device)
                              {
                                  SetLastError(ERROR_INVALID_HANDLE);
                                  return FALSE;
                              }
                              if (!lpBuffer && nNumberOfBytesToRead != 0)
                              {
                                  SetLastError(ERROR_INVALID_PARAMETER);
                                  return FALSE;
                              }
                              if (device)
                              {
                                  std::optional<DWORD> done = device->Read(lpBuffer, nNumberOfBytesToRead);
                                  if (done && lpNumberOfBytesRead)
                                      *lpNumberOfBytesRead = *done;
                                  return done ? TRUE : FALSE;
                              }
                              if (!file->canRead)
                              {
                                  SetLastError(ERROR_ACCESS_DENIED);
                                  return FALSE;
                              }
                              auto* bytes = static_cast<char*>(lpBuffer);
                              DWORD total = 0;
                              while (total < nNumberOfBytesToRead)
                              {
                                  ssize_t n = ::read(file->fd, bytes + total, nNumberOfBytesToRead - total);
                                  if (n < 0 && errno == EINTR)
                                      continue;
                                  if (n < 0)
                                  {
                                      SetLastError(ErrorFromErrno(errno));
                                      if (lpNumberOfBytesRead)
                                          *lpNumberOfBytesRead = total;
                                      return FALSE;
                                  }
                                  if (n == 0)
                                      break; // end of file: success with fewer bytes
                                  total += static_cast<DWORD>(n);
                              }
                              if (lpNumberOfBytesRead)
                                  *lpNumberOfBytesRead = total;
                              return TRUE;
                          });
}

BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
               LPOVERLAPPED)
{
    return Boundary<BOOL>(FALSE,
                          [&]() -> BOOL
                          {
                              if (lpNumberOfBytesWritten)
                                  *lpNumberOfBytesWritten = 0;
                              std::shared_ptr<KernelObject> object = Handles().Find(hFile);
                              std::shared_ptr<HostFile> file = FindFile(object);
                              std::shared_ptr<DeviceFile> device = FindDevice(object);
                              if (!file && !device)
                              {
                                  SetLastError(ERROR_INVALID_HANDLE);
                                  return FALSE;
                              }
                              if (!lpBuffer && nNumberOfBytesToWrite != 0)
                              {
                                  SetLastError(ERROR_INVALID_PARAMETER);
                                  return FALSE;
                              }
                              if (device)
                              {
                                  std::optional<DWORD> done = device->Write(lpBuffer, nNumberOfBytesToWrite);
                                  if (done && lpNumberOfBytesWritten)
                                      *lpNumberOfBytesWritten = *done;
                                  return done ? TRUE : FALSE;
                              }
                              if (!file->canWrite)
                              {
                                  SetLastError(ERROR_ACCESS_DENIED);
                                  return FALSE;
                              }
                              const auto* bytes = static_cast<const char*>(lpBuffer);
                              DWORD total = 0;
                              while (total < nNumberOfBytesToWrite)
                              {
                                  ssize_t n = ::write(file->fd, bytes + total, nNumberOfBytesToWrite - total);
                                  if (n < 0 && errno == EINTR)
                                      continue;
                                  if (n <= 0)
                                  {
                                      SetLastError(n < 0 ? ErrorFromErrno(errno) : ERROR_WRITE_FAULT);
                                      if (lpNumberOfBytesWritten)
                                          *lpNumberOfBytesWritten = total;
                                      return FALSE;
                                  }
                                  total += static_cast<DWORD>(n);
                              }
                              if (lpNumberOfBytesWritten)
                                  *lpNumberOfBytesWritten = total;
                              return TRUE;
                          });
}

DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh)
{
    return Boundary<DWORD>(INVALID_FILE_SIZE,
                           [&]() -> DWORD
                           {
                               std::shared_ptr<KernelObject> object = Handles().Find(hFile);
                               std::shared_ptr<HostFile> file = FindFile(object);
                               if (!file)
                               {
                                   SetLastError(FindDevice(object) ? ERROR_INVALID_FUNCTION
                                                                   : ERROR_INVALID_HANDLE);
                                   return INVALID_FILE_SIZE;
                               }
                               struct stat st
                               {
                               };
                               if (::fstat(file->fd, &st) != 0)
                               {
                                   SetLastError(ErrorFromErrno(errno));
                                   return INVALID_FILE_SIZE;
                               }
                               uint64_t size = static_cast<uint64_t>(st.st_size);
                               if (lpFileSizeHigh)
                                   *lpFileSizeHigh = static_cast<DWORD>(size >> 32);
                               // The size's low half may itself be 0xFFFFFFFF: the cleared last error tells
                               // it from a failure.
                               if (static_cast<DWORD>(size) == INVALID_FILE_SIZE)
                                   SetLastError(ERROR_SUCCESS);
                               return static_cast<DWORD>(size);
                           });
}

DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod)
{
    return Boundary<DWORD>(
        INVALID_SET_FILE_POINTER,
        [&]() -> DWORD
        {
            std::shared_ptr<KernelObject> object = Handles().Find(hFile);
            std::shared_ptr<HostFile> file = FindFile(object);
            std::shared_ptr<DeviceFile> device = FindDevice(object);
            if (!file && !device)
            {
                SetLastError(ERROR_INVALID_HANDLE);
                return INVALID_SET_FILE_POINTER;
            }
            if (dwMoveMethod > FILE_END)
            {
                SetLastError(ERROR_INVALID_PARAMETER);
                return INVALID_SET_FILE_POINTER;
            }
            if (device)
            {
                std::optional<DWORD> position = device->Seek(lDistanceToMove, dwMoveMethod);
                if (!position)
                    return INVALID_SET_FILE_POINTER;
                if (lpDistanceToMoveHigh)
                    *lpDistanceToMoveHigh = 0;
                return *position;
            }
            int64_t distance =
                lpDistanceToMoveHigh
                    ? static_cast<int64_t>(
                          (static_cast<uint64_t>(static_cast<uint32_t>(*lpDistanceToMoveHigh)) << 32) |
                          static_cast<uint32_t>(lDistanceToMove))
                    : static_cast<int64_t>(lDistanceToMove);
            int64_t base = 0;
            if (dwMoveMethod == FILE_CURRENT)
            {
                base = ::lseek(file->fd, 0, SEEK_CUR);
            }
            else if (dwMoveMethod == FILE_END)
            {
                struct stat st
                {
                };
                base = ::fstat(file->fd, &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
            }
            if (base < 0)
            {
                SetLastError(ErrorFromErrno(errno));
                return INVALID_SET_FILE_POINTER;
            }
            if ((distance > 0 && base > std::numeric_limits<int64_t>::max() - distance) ||
                base + distance < 0)
            {
                SetLastError(ERROR_NEGATIVE_SEEK);
                return INVALID_SET_FILE_POINTER;
            }
            int64_t target = base + distance;
            // Without a high half the new position has to fit in 32 bits.
            if (!lpDistanceToMoveHigh && target > 0xFFFFFFFFll)
            {
                SetLastError(ERROR_INVALID_PARAMETER);
                return INVALID_SET_FILE_POINTER;
            }
            if (::lseek(file->fd, target, SEEK_SET) < 0)
            {
                SetLastError(ErrorFromErrno(errno));
                return INVALID_SET_FILE_POINTER;
            }
            if (lpDistanceToMoveHigh)
                *lpDistanceToMoveHigh = static_cast<LONG>(static_cast<uint64_t>(target) >> 32);
            if (static_cast<DWORD>(target) == INVALID_SET_FILE_POINTER)
                SetLastError(ERROR_SUCCESS);
            return static_cast<DWORD>(target);
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
