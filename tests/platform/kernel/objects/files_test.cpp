// Host files through CreateFileW, ReadFile, WriteFile, GetFileSize, SetFilePointer and DeleteFileW.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{

class Files : public testing::Test
{
protected:
    void SetUp() override
    {
        std::string templ = (fs::temp_directory_path() / "qn40-files-XXXXXX").string();
        ASSERT_NE(::mkdtemp(templ.data()), nullptr);
        m_dir = templ;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // The file's name as the handheld writes it, with '\' separators.
    std::u16string Name(const std::string& file) const
    {
        std::string path = (m_dir / file).string();
        std::u16string wide(path.begin(), path.end());
        for (auto& c : wide)
            if (c == u'/')
                c = u'\\';
        return wide;
    }

    void Write(const std::string& file, const std::string& content) const
    {
        std::ofstream(m_dir / file) << content;
    }

    std::string Read(const std::string& file) const
    {
        std::ifstream in(m_dir / file);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    static HANDLE Create(const std::u16string& name, DWORD access, DWORD disposition, DWORD share = 0)
    {
        return CreateFileW(name.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    }

    fs::path m_dir;
};

TEST_F(Files, CreationDispositions)
{
    struct Row
    {
        DWORD disposition;
        bool exists;
        bool opens;
        DWORD error;
        const char* content; // afterwards
    } rows[] = {
        {CREATE_NEW, false, true, 0, ""},
        {CREATE_NEW, true, false, ERROR_FILE_EXISTS, "old"},
        {CREATE_ALWAYS, false, true, 0, ""},
        {CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, ""},
        {OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
        {OPEN_EXISTING, true, true, 0, "old"},
        {OPEN_ALWAYS, false, true, 0, ""},
        {OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "old"},
        {TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
        {TRUNCATE_EXISTING, true, true, 0, ""},
        {0, true, false, ERROR_INVALID_PARAMETER, "old"},
        {6, true, false, ERROR_INVALID_PARAMETER, "old"},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(testing::Message()
                     << "disposition " << row.disposition << (row.exists ? " existing" : " missing"));
        fs::remove(m_dir / "f.txt");
        if (row.exists)
            Write("f.txt", "old");
        SetLastError(1234);
        HANDLE h = Create(Name("f.txt"), GENERIC_READ | GENERIC_WRITE, row.disposition);
        EXPECT_EQ(h != INVALID_HANDLE_VALUE, row.opens);
        EXPECT_EQ(GetLastError(), row.error);
        if (h != INVALID_HANDLE_VALUE)
        {
            EXPECT_TRUE(CloseHandle(h));
        }
        if (row.content)
        {
            EXPECT_EQ(Read("f.txt"), row.content);
        }
        else
        {
            EXPECT_FALSE(fs::exists(m_dir / "f.txt"));
        }
    }
}

TEST_F(Files, OpenErrors)
{
    fs::create_directory(m_dir / "folder");
    Write("data.bin", "x");
    struct Row
    {
        std::u16string name;
        DWORD access;
        DWORD disposition;
        DWORD error;
    } rows[] = {
        {Name("missing\\f.txt"), GENERIC_READ, OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
        {Name("missing\\f.txt"), GENERIC_WRITE, CREATE_ALWAYS, ERROR_PATH_NOT_FOUND},
        {Name("folder"), GENERIC_READ, OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {Name("folder"), GENERIC_WRITE, OPEN_ALWAYS, ERROR_ACCESS_DENIED},
        {Name("data.bin"), GENERIC_READ, TRUNCATE_EXISTING, ERROR_INVALID_PARAMETER}, // needs write access
        {u"", GENERIC_READ, OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
        {Name("bad") + std::u16string(1, char16_t(0xD800)), GENERIC_READ, CREATE_ALWAYS, ERROR_INVALID_NAME},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(std::string(row.name.begin(), row.name.end()));
        SetLastError(0);
        EXPECT_EQ(Create(row.name, row.access, row.disposition), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), row.error);
    }
    EXPECT_EQ(Read("data.bin"), "x");
    SetLastError(0);
    EXPECT_EQ(CreateFileW(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    if (::geteuid() != 0) // permissions do not bind the superuser
    {
        Write("readonly.txt", "r");
        fs::permissions(m_dir / "readonly.txt", fs::perms::owner_read);
        SetLastError(0);
        EXPECT_EQ(Create(Name("readonly.txt"), GENERIC_WRITE, OPEN_EXISTING), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
        HANDLE query = Create(Name("readonly.txt"), 0, OPEN_EXISTING);
        EXPECT_NE(query, INVALID_HANDLE_VALUE);
        CloseHandle(query);
    }
}

TEST_F(Files, ReadWriteSizeAndPointer)
{
    HANDLE h = Create(Name("data.txt"), GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD done = 0;
    EXPECT_TRUE(WriteFile(h, "hello world", 11, &done, nullptr));
    EXPECT_EQ(done, 11u);
    DWORD high = 0xAAAA;
    EXPECT_EQ(GetFileSize(h, &high), 11u);
    EXPECT_EQ(high, 0u);

    EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_BEGIN), 0u);
    char buffer[16] = {};
    EXPECT_TRUE(ReadFile(h, buffer, 5, &done, nullptr));
    EXPECT_EQ(std::string(buffer, done), "hello");
    EXPECT_EQ(SetFilePointer(h, 1, nullptr, FILE_CURRENT), 6u);
    EXPECT_TRUE(ReadFile(h, buffer, sizeof(buffer), &done, nullptr)); // up to the end
    EXPECT_EQ(std::string(buffer, done), "world");
    EXPECT_TRUE(ReadFile(h, buffer, sizeof(buffer), &done, nullptr)); // at the end: success, nothing
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(SetFilePointer(h, -5, nullptr, FILE_END), 6u);

    // A move before the start fails and leaves the position.
    SetLastError(0);
    EXPECT_EQ(SetFilePointer(h, -7, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_CURRENT), 6u);
    SetLastError(0);
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, 3), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    // 64-bit positions need the high half.
    LONG moveHigh = 1;
    EXPECT_EQ(SetFilePointer(h, 16, &moveHigh, FILE_BEGIN), 16u);
    EXPECT_EQ(moveHigh, 1);
    SetLastError(0);
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    moveHigh = 0;
    EXPECT_EQ(SetFilePointer(h, 0, &moveHigh, FILE_BEGIN), 0u);
    CloseHandle(h);
    EXPECT_EQ(Read("data.txt"), "hello world");

    // Access rights of the handle bind, and the counts are zeroed on failure.
    HANDLE reader = Create(Name("data.txt"), GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ);
    done = 77;
    SetLastError(0);
    EXPECT_FALSE(WriteFile(reader, "x", 1, &done, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(done, 0u);
    CloseHandle(reader);
    HANDLE writer = Create(Name("data.txt"), GENERIC_WRITE, OPEN_EXISTING);
    done = 77;
    SetLastError(0);
    EXPECT_FALSE(ReadFile(writer, buffer, 1, &done, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(done, 0u);
    CloseHandle(writer);

    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    for (HANDLE bad : {event, INVALID_HANDLE_VALUE})
    {
        SetLastError(0);
        EXPECT_FALSE(ReadFile(bad, buffer, 1, &done, nullptr));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        SetLastError(0);
        EXPECT_EQ(GetFileSize(bad, &high), INVALID_FILE_SIZE);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        SetLastError(0);
        EXPECT_EQ(SetFilePointer(bad, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
    CloseHandle(event);
}

TEST_F(Files, ShareModesBetweenHandles)
{
    Write("shared.txt", "abc");
    std::u16string name = Name("shared.txt");
    HANDLE reader = Create(name, GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    struct Row
    {
        DWORD access;
        DWORD share;
        DWORD disposition;
        bool opens;
    } rows[] = {
        {GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, true},
        {GENERIC_READ, 0, OPEN_EXISTING, false}, // would deny the reader
        {GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
         false}, // the reader denies writing
        {GENERIC_WRITE, FILE_SHARE_READ, TRUNCATE_EXISTING, false},
        {0, 0, OPEN_EXISTING, true}, // no data access: no conflict
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(testing::Message() << "access " << row.access << " share " << row.share);
        SetLastError(0);
        HANDLE h = Create(name, row.access, row.disposition, row.share);
        EXPECT_EQ(h != INVALID_HANDLE_VALUE, row.opens);
        if (h != INVALID_HANDLE_VALUE)
        {
            CloseHandle(h);
        }
        else
        {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        }
    }
    EXPECT_EQ(Read("shared.txt"), "abc"); // the refused truncation did not happen

    SetLastError(0);
    EXPECT_FALSE(DeleteFileW(name.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    CloseHandle(reader);
    HANDLE writer = Create(name, GENERIC_WRITE, OPEN_EXISTING); // free again
    EXPECT_NE(writer, INVALID_HANDLE_VALUE);
    CloseHandle(writer);
    EXPECT_TRUE(DeleteFileW(name.c_str()));
    EXPECT_FALSE(fs::exists(m_dir / "shared.txt"));
}

TEST_F(Files, DeleteFileErrors)
{
    fs::create_directory(m_dir / "folder");
    struct Row
    {
        std::u16string name;
        DWORD error;
    } rows[] = {
        {Name("gone.txt"), ERROR_FILE_NOT_FOUND},
        {Name("missing\\gone.txt"), ERROR_PATH_NOT_FOUND},
        {Name("folder"), ERROR_ACCESS_DENIED},
        {u"PCA4:", ERROR_ACCESS_DENIED},
    };
    for (const Row& row : rows)
    {
        SetLastError(0);
        EXPECT_FALSE(DeleteFileW(row.name.c_str()));
        EXPECT_EQ(GetLastError(), row.error);
    }
    // A read-only file is not deleted.
    HANDLE h = CreateFileW(Name("ro.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_READONLY, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    SetLastError(0);
    EXPECT_FALSE(DeleteFileW(Name("ro.txt").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(fs::exists(m_dir / "ro.txt"));
}

TEST_F(Files, WideNamesBecomeUtf8)
{
    std::u16string name = Name("") + u"\u4E2D\u6587-\U0001F4F6.txt";
    HANDLE h = Create(name, GENERIC_WRITE, CREATE_NEW);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_TRUE(fs::exists(m_dir / "\xE4\xB8\xAD\xE6\x96\x87-\xF0\x9F\x93\xB6.txt"));
    EXPECT_TRUE(DeleteFileW(name.c_str()));
}

} // namespace
