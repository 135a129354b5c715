// The handheld as its programs meet it: made owner-only whatever the umask, a wider one narrowed, links
// planted inside it refused, a damaged registry stopping every program without being touched, and a
// read-only handheld that can still be read.
#include "handheld_programs.h"

#include <windows.h>

#include <kernel/handheld.h>
#include <kernel/registry.h>

#include <sqlite3.h>

#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace fs = std::filesystem;
using handheld_test::EnvironmentVariable;
using handheld_test::Outcome;
using handheld_test::RunProgram;

namespace
{

mode_t Mode(const fs::path& path)
{
    struct stat st
    {
    };
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

std::string Contents(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void Write(const fs::path& file, const std::string& text)
{
    std::ofstream(file, std::ios::binary) << text;
}

// What a program said after its own prefix ("ERROR: ", "cardctl: ", "WLAN: ").
std::string Said(const Outcome& outcome, const std::string& prefix)
{
    const size_t at = outcome.err.find(prefix);
    return at == std::string::npos ? std::string() : outcome.err.substr(at + prefix.size());
}

// The utility itself, stopped by its time limit if it does not stop by itself.
Outcome RunWlan()
{
    EnvironmentVariable platform("QT_QPA_PLATFORM", "offscreen");
    return RunProgram("WLAN", {}, {}, 15000);
}

class HandheldPrograms : public ::testing::Test
{
protected:
    testing_support::TempHandheld m_handheld;

    // Another handheld beside this one, named by HANDHELD_DIR for the life of the result.
    std::unique_ptr<EnvironmentVariable> UseHandheld(const fs::path& dir)
    {
        fs::create_directories(dir);
        ::chmod(dir.c_str(), 0700);
        return std::make_unique<EnvironmentVariable>("HANDHELD_DIR", dir.c_str());
    }

    // The registry made from the factory image, with one value of the test's own.
    void SetUpRegistry()
    {
        const Outcome add = RunProgram("reg", {"add", "HKLM\\Test", "/v", "Kept", "/d", "yes"});
        ASSERT_EQ(add.status, 0) << add.err;
    }
};

TEST_F(HandheldPrograms, AFreshHomeGetsAnOwnerOnlyHandheldWhateverTheUmask)
{
    for (const mode_t mask : {mode_t{022}, mode_t{0277}})
    {
        SCOPED_TRACE(mask);
        const fs::path home = m_handheld.path() / ("home" + std::to_string(mask));
        fs::create_directories(home);
        const fs::path handheld = home / ".local" / "state" / "qn40" / "handheld";
        {
            EnvironmentVariable noDir("HANDHELD_DIR", nullptr);
            EnvironmentVariable noState("XDG_STATE_HOME", nullptr);
            EnvironmentVariable homeDir("HOME", home.c_str());
            const mode_t old = ::umask(mask);
            const Outcome add =
                RunProgram("reg", {"add", "HKLM\\Comm\\WLAN11b1\\Parms", "/v", "Key1", "/d", "secret"});
            const Outcome windows = RunProgram("uictl", {"windows"});
            ::umask(old);
            EXPECT_EQ(add.status, 0) << add.err;
            EXPECT_EQ(windows.status, 0) << windows.err;
        }
        for (const auto& [path, mode] : {std::pair{handheld, 0700},
                                         {handheld / "registry.db", 0600},
                                         {handheld / "registry.lock", 0600},
                                         {handheld / "run", 0700},
                                         {handheld / "run" / "ws", 0700},
                                         {handheld / "run" / "mutex", 0700}})
            EXPECT_EQ(Mode(path), static_cast<mode_t>(mode)) << path;

        // The journal files SQLite makes beside the database while it is open take its mode.
        EnvironmentVariable dir("HANDHELD_DIR", handheld.c_str());
        ce::ResetHandheld();
        ce::UniqueHkey key;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Comm\\WLAN11b1\\Parms", 0, KEY_READ, key.receive()),
                  ERROR_SUCCESS);
        ASSERT_TRUE(fs::exists(handheld / "registry.db-shm"));
        for (const char* journal : {"registry.db-wal", "registry.db-shm"})
        {
            if (fs::exists(handheld / journal))
            {
                EXPECT_EQ(Mode(handheld / journal), 0600u) << journal;
            }
        }
        key.reset();
        ce::ResetHandheld();
    }
}

TEST_F(HandheldPrograms, AWiderHandheldIsNarrowedWithOneLine)
{
    SetUpRegistry();
    const fs::path dir = m_handheld.path();
    ASSERT_EQ(::chmod(dir.c_str(), 0755), 0);
    ASSERT_EQ(::chmod((dir / "registry.db").c_str(), 0644), 0);
    const Outcome first = RunProgram("reg", {"query", "HKLM\\Test"});
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(first.err, "handheld: " + dir.string() +
                             " was open to other users (mode 755); it is now owner-only (mode 700)\n");
    EXPECT_EQ(Mode(dir), 0700u);
    EXPECT_EQ(Mode(dir / "registry.db"), 0600u);
    const Outcome second = RunProgram("reg", {"query", "HKLM\\Test"});
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(second.err, "");
}

TEST_F(HandheldPrograms, LinksPlantedInsideTheHandheldAreRefused)
{
    struct Case
    {
        const char* entry;
        bool folder;
        const char* tool; // the tool that reaches the entry; WLAN is run on every case as well
        std::vector<std::string> args;
        int status;
    };
    const Case cases[] = {
        {"registry.db", false, "reg", {"query", "HKLM"}, 1},
        {"registry.lock", false, "cardctl", {"status"}, 1},
        {"registry.db-wal", false, "reg", {"query", "HKLM"}, 1},
        {"run", true, "uictl", {"windows"}, 2},
        {"run/mutex", true, "uictl", {"windows"}, 2},
        {"run/ws", true, "uictl", {"windows"}, 2},
        {"run/atoms", false, "uictl", {"msgbox"}, 2},
    };
    int n = 0;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.entry);
        const fs::path handheld = m_handheld.path() / ("h" + std::to_string(n));
        const fs::path target = m_handheld.path() / ("outside" + std::to_string(n++));
        auto use = UseHandheld(handheld);
        fs::create_directories(handheld / "run");
        if (c.folder)
            fs::create_directory(target);
        else
            Write(target, "precious\n");
        fs::remove(handheld / c.entry);
        fs::create_symlink(target, handheld / c.entry);

        const Outcome tool = RunProgram(c.tool, c.args);
        EXPECT_EQ(tool.status, c.status) << tool.err;
        EXPECT_NE(tool.err.find((handheld / c.entry).string() + " is a symbolic link"), std::string::npos)
            << tool.err;
        const Outcome wlan = RunWlan();
        EXPECT_EQ(wlan.status, 1) << wlan.err;
        EXPECT_NE(wlan.err.find(" is a symbolic link"), std::string::npos) << wlan.err;

        if (c.folder)
            EXPECT_TRUE(fs::is_empty(target));
        else
            EXPECT_EQ(Contents(target), "precious\n");
    }
}

TEST_F(HandheldPrograms, ADamagedRegistryStopsEveryProgramAndIsLeftAsItIs)
{
    struct Case
    {
        const char* name;
        void (*damage)(const fs::path& db);
    };
    const Case cases[] = {
        {"truncated", [](const fs::path& db) { fs::resize_file(db, fs::file_size(db) - 100); }},
        {"cut to one page", [](const fs::path& db) { fs::resize_file(db, 4096); }},
        {"garbage",
         [](const fs::path& db) { Write(db, std::string(5000, '\x5A') + "not a registry at all"); }},
        {"a folder",
         [](const fs::path& db)
         {
             fs::remove(db);
             fs::create_directory(db);
         }},
        {"another program's database",
         [](const fs::path& db)
         {
             fs::remove(db);
             sqlite3* other = nullptr;
             sqlite3_open(db.c_str(), &other);
             sqlite3_exec(other, "CREATE TABLE notes(text); INSERT INTO notes VALUES('mine')", nullptr,
                          nullptr, nullptr);
             sqlite3_close(other);
         }},
    };
    int n = 0;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        const fs::path handheld = m_handheld.path() / ("h" + std::to_string(n++));
        auto use = UseHandheld(handheld);
        SetUpRegistry();
        const fs::path db = handheld / "registry.db";
        c.damage(db);
        const std::string before = fs::is_directory(db) ? std::string() : Contents(db);

        const Outcome reg = RunProgram("reg", {"query", "HKLM\\Test"});
        const Outcome cardctl = RunProgram("cardctl", {"status"});
        const Outcome wlan = RunWlan();
        EXPECT_EQ(reg.status, 1);
        EXPECT_EQ(cardctl.status, 1);
        EXPECT_EQ(wlan.status, 1);
        EXPECT_EQ(cardctl.out, "");
        const std::string message = Said(reg, "ERROR: ");
        EXPECT_NE(message.find("the registry database " + db.string() + " is damaged"), std::string::npos)
            << reg.err;
        EXPECT_NE(message.find(".recover"), std::string::npos) << message;
        EXPECT_NE(message.find("mv " + db.string()), std::string::npos) << message;
        EXPECT_EQ(Said(cardctl, "cardctl: "), message);
        EXPECT_EQ(Said(wlan, "WLAN: "), message);
        EXPECT_EQ(fs::is_directory(db) ? std::string() : Contents(db), before);
    }

    // A zero-length file is no damage: the registry is made in it.
    auto use = UseHandheld(m_handheld.path() / "empty");
    Write(m_handheld.path() / "empty" / "registry.db", "");
    const Outcome query = RunProgram("reg", {"query", "HKLM\\Comm\\WLAN11b1"});
    EXPECT_EQ(query.status, 0) << query.err;
}

TEST_F(HandheldPrograms, AReadOnlyHandheldIsReadAndRefusesWrites)
{
    SetUpRegistry();
    const fs::path dir = m_handheld.path();
    // Root writes whatever the modes say: the programs then run as an ordinary user who owns the handheld.
    std::optional<uid_t> user;
    if (::geteuid() == 0)
    {
        user = 65534;
        for (const fs::directory_entry& e : fs::recursive_directory_iterator(dir))
            ASSERT_EQ(::lchown(e.path().c_str(), *user, *user), 0);
        ASSERT_EQ(::chown(dir.c_str(), *user, *user), 0);
    }
    for (const fs::directory_entry& e : fs::directory_iterator(dir))
        ::chmod(e.path().c_str(), 0400);
    ASSERT_EQ(::chmod(dir.c_str(), 0500), 0);

    const Outcome query = RunProgram("reg", {"query", "HKLM\\Test", "/v", "Kept"}, user);
    EXPECT_EQ(query.status, 0) << query.err;
    EXPECT_NE(query.out.find("Kept    REG_SZ    yes"), std::string::npos) << query.out;
    const Outcome status = RunProgram("cardctl", {"status"}, user);
    EXPECT_EQ(status.status, 0) << status.err;
    EXPECT_NE(status.out.find("slot: card inserted"), std::string::npos) << status.out;

    const Outcome add = RunProgram("reg", {"add", "HKLM\\Test", "/v", "New", "/d", "no", "/f"}, user);
    EXPECT_EQ(add.status, 1);
    EXPECT_EQ(add.err,
              "ERROR: Access is denied: the handheld's registry is read-only (its folder or database "
              "cannot be written).\n");
    const Outcome fault = RunProgram("cardctl", {"fault", "removed"}, user);
    EXPECT_EQ(fault.status, 1);

    if (user)
        for (const fs::path& path : {dir, dir / "registry.db", dir / "registry.lock"})
            ::lchown(path.c_str(), 0, 0);
    ::chmod(dir.c_str(), 0700);
    const Outcome after = RunProgram("reg", {"query", "HKLM\\Test", "/v", "New"});
    EXPECT_EQ(after.status, 1); // nothing was written
    EXPECT_NE(after.err.find("unable to find"), std::string::npos) << after.err;
}

} // namespace
