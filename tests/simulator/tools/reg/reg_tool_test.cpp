// The reg command line, run as a program on a temporary handheld: output, exit status, and its effect
// on the registry as this process sees it.
#include <windows.h>

#include <temp_handheld.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>

extern char** environ;

namespace fs = std::filesystem;

namespace
{

struct Result
{
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class RegTool : public ::testing::Test
{
protected:
    testing_support::TempHandheld handheld;

    // The handheld starts with empty roots rather than the shipped factory image; reg inherits this.
    RegTool() { ::setenv("QN40_FACTORY_REGISTRY", (handheld.path() / "no-factory.reg").c_str(), 1); }
    ~RegTool() override { ::unsetenv("QN40_FACTORY_REGISTRY"); }

    Result Reg(std::vector<std::string> args)
    {
        const fs::path out = handheld.path() / "out.txt", err = handheld.path() / "err.txt";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        args.insert(args.begin(), (testing_support::ProgramDir() / "reg").string());
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        Result result;
        pid_t pid = -1;
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0)
        {
            int status = 0;
            ::waitpid(pid, &status, 0);
            result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        posix_spawn_file_actions_destroy(&actions);
        result.out = ReadFile(out);
        result.err = ReadFile(err);
        return result;
    }

    void ExpectOk(const std::vector<std::string>& args)
    {
        const Result r = Reg(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
    }

    void ExpectFails(const std::vector<std::string>& args, const std::string& says)
    {
        const Result r = Reg(args);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_EQ(r.err.rfind("ERROR: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
    }

    // A command line reg does not take: exit status 2, the reason and how the command is used.
    void ExpectUsage(const std::vector<std::string>& args, const std::string& says)
    {
        const Result r = Reg(args);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_EQ(r.err.rfind("ERROR: Invalid syntax: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("reg /?"), std::string::npos) << r.err;
    }

    // The value as this process reads it: type and bytes, or type REG_NONE - 1 when missing.
    std::pair<DWORD, std::vector<BYTE>> Value(const std::u16string& key, const std::u16string& name)
    {
        HKEY h = nullptr;
        std::pair<DWORD, std::vector<BYTE>> result{0xFFFFFFFF, {}};
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
            return result;
        DWORD size = 0;
        if (RegQueryValueExW(h, name.c_str(), nullptr, &result.first, nullptr, &size) == ERROR_SUCCESS)
        {
            result.second.resize(size);
            RegQueryValueExW(h, name.c_str(), nullptr, &result.first, result.second.data(), &size);
        }
        RegCloseKey(h);
        return result;
    }

    bool KeyExists(const std::u16string& key)
    {
        HKEY h = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
            return false;
        RegCloseKey(h);
        return true;
    }
};

const std::string kParms = "HKLM\\Comm\\WLAN11b1\\Parms";
const std::string kNotFound = "ERROR: The system was unable to find the specified registry key or value.\n";

TEST_F(RegTool, AddsEveryTypeAndQueriesLikeTheDesktopTool)
{
    ExpectOk({"add", kParms, "/v", "RadioOn", "/d", "1"});
    ExpectOk({"add", kParms, "/v", "DebugModule", "/t", "REG_DWORD", "/d", "255"});
    ExpectOk({"add", kParms, "/v", "CCXFlags", "/t", "reg_dword", "/d", "0x1F"});
    ExpectOk({"add", kParms, "/v", "Ssid", "/d", "無線網路"});
    ExpectOk({"add", kParms, "/v", "Key", "/t", "REG_BINARY", "/d", "0102abFF"});
    ExpectOk({"add", kParms, "/v", "List", "/t", "REG_MULTI_SZ", "/d", "a\\0bc"});
    ExpectOk({"add", kParms, "/v", "Path", "/t", "REG_EXPAND_SZ", "/d", "%windir%"});
    ExpectOk({"add", kParms, "/ve", "/d", "def"});
    ExpectOk({"add", kParms + "\\Sub"});

    EXPECT_EQ(Value(u"Comm\\WLAN11b1\\Parms", u"DebugModule"),
              (std::pair<DWORD, std::vector<BYTE>>{REG_DWORD, {0xFF, 0, 0, 0}}));
    EXPECT_EQ(Value(u"Comm\\WLAN11b1\\Parms", u"RadioOn"),
              (std::pair<DWORD, std::vector<BYTE>>{REG_SZ, {'1', 0, 0, 0}}));
    EXPECT_EQ(
        Value(u"Comm\\WLAN11b1\\Parms", u"List"),
        (std::pair<DWORD, std::vector<BYTE>>{REG_MULTI_SZ, {'a', 0, 0, 0, 'b', 0, 'c', 0, 0, 0, 0, 0}}));

    const Result r = Reg({"query", kParms});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "\n"
                     "HKEY_LOCAL_MACHINE\\Comm\\WLAN11b1\\Parms\n"
                     "    RadioOn    REG_SZ    1\n"
                     "    DebugModule    REG_DWORD    0xff\n"
                     "    CCXFlags    REG_DWORD    0x1f\n"
                     "    Ssid    REG_SZ    無線網路\n"
                     "    Key    REG_BINARY    0102ABFF\n"
                     "    List    REG_MULTI_SZ    a\\0bc\n"
                     "    Path    REG_EXPAND_SZ    %windir%\n"
                     "    (Default)    REG_SZ    def\n"
                     "\n"
                     "HKEY_LOCAL_MACHINE\\Comm\\WLAN11b1\\Parms\\Sub\n");

    const Result one = Reg({"query", "hkey_local_machine\\COMM\\wlan11b1\\parms", "/v", "radioon"});
    EXPECT_EQ(one.status, 0);
    EXPECT_EQ(one.out, "\nHKEY_LOCAL_MACHINE\\COMM\\wlan11b1\\parms\n    radioon    REG_SZ    1\n\n");
    EXPECT_EQ(Reg({"query", kParms, "/ve"}).out,
              "\nHKEY_LOCAL_MACHINE\\Comm\\WLAN11b1\\Parms\n    (Default)    REG_SZ    def\n\n");
}

TEST_F(RegTool, QueryRecursesAndReportsWhatIsMissing)
{
    ExpectOk({"add", "HKLM\\Q\\A", "/v", "x", "/d", "1"});
    ExpectOk({"add", "HKLM\\Q\\A\\Deep", "/v", "x", "/t", "REG_DWORD", "/d", "2"});
    ExpectOk({"add", "HKLM\\Q\\B"});

    Result r = Reg({"query", "HKLM\\Q", "/s"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "\nHKEY_LOCAL_MACHINE\\Q\n"
                     "\nHKEY_LOCAL_MACHINE\\Q\\A\n    x    REG_SZ    1\n"
                     "\nHKEY_LOCAL_MACHINE\\Q\\A\\Deep\n    x    REG_DWORD    0x2\n"
                     "\nHKEY_LOCAL_MACHINE\\Q\\B\n");
    r = Reg({"query", "HKLM\\Q", "/v", "x", "/s"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("HKEY_LOCAL_MACHINE\\Q\\A\\Deep\n    x    REG_DWORD    0x2\n"), std::string::npos);
    EXPECT_NE(r.out.find("End of search: 2 match(es) found."), std::string::npos);

    for (const std::vector<std::string>& args : {std::vector<std::string>{"query", "HKLM\\Q\\Missing"},
                                                 {"query", "HKLM\\Q\\A", "/v", "y"},
                                                 {"query", "HKLM\\Q\\A", "/ve"},
                                                 {"query", "HKLM\\Q", "/v", "nothing", "/s"}})
    {
        r = Reg(args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, kNotFound);
    }
}

TEST_F(RegTool, AddChecksItsDataAndNeedsForceToOverwrite)
{
    ExpectOk({"add", kParms, "/v", "PowerMode", "/d", "1"});
    ExpectFails({"add", kParms, "/v", "PowerMode", "/d", "2"}, "add /f");
    EXPECT_EQ(Value(u"Comm\\WLAN11b1\\Parms", u"PowerMode").second, (std::vector<BYTE>{'1', 0, 0, 0}));
    ExpectOk({"add", kParms, "/v", "powermode", "/d", "2", "/f"});
    EXPECT_EQ(Value(u"Comm\\WLAN11b1\\Parms", u"PowerMode").second, (std::vector<BYTE>{'2', 0, 0, 0}));

    ExpectOk({"add", kParms, "/v", "Max", "/t", "REG_DWORD", "/d", "4294967295"});
    EXPECT_EQ(Value(u"Comm\\WLAN11b1\\Parms", u"Max").second, (std::vector<BYTE>{0xFF, 0xFF, 0xFF, 0xFF}));
    for (const char* bad : {"4294967296", "12abc", "-1", "0x", "0x100000000"})
        ExpectUsage({"add", kParms, "/v", "Bad", "/t", "REG_DWORD", "/d", bad}, "REG_DWORD");
    ExpectUsage({"add", kParms, "/v", "Bad", "/t", "REG_BINARY", "/d", "abc"}, "REG_BINARY");
    ExpectUsage({"add", kParms, "/v", "Bad", "/t", "REG_QWORDISH", "/d", "1"}, "invalid type");
    ExpectUsage({"add", kParms, "/d", "1"}, "/v NAME or /ve");
    ExpectUsage({"add", kParms, "/v", "a", "/ve"}, "exclude each other");
    ExpectUsage({"add", "HKXY\\Soft", "/v", "a"}, "invalid key name");
    EXPECT_EQ(Value(u"Comm\\WLAN11b1\\Parms", u"Bad").first, 0xFFFFFFFF);
}

TEST_F(RegTool, DeleteNeedsForceAndRemovesWhatItNames)
{
    ExpectOk({"add", "HKLM\\D", "/v", "a", "/d", "1"});
    ExpectOk({"add", "HKLM\\D", "/v", "b", "/d", "2"});
    ExpectOk({"add", "HKLM\\D", "/ve", "/d", "3"});
    ExpectOk({"add", "HKLM\\D\\Child", "/v", "c", "/d", "4"});

    ExpectUsage({"delete", "HKLM\\D", "/v", "a"}, "add /f");
    EXPECT_EQ(Value(u"D", u"a").first, static_cast<DWORD>(REG_SZ));
    ExpectOk({"delete", "HKLM\\D", "/v", "A", "/f"});
    EXPECT_EQ(Value(u"D", u"a").first, 0xFFFFFFFF);
    ExpectFails({"delete", "HKLM\\D", "/v", "a", "/f"}, "unable to find");
    ExpectOk({"delete", "HKLM\\D", "/ve", "/f"});
    EXPECT_EQ(Value(u"D", u"").first, 0xFFFFFFFF);

    ExpectOk({"add", "HKLM\\D", "/v", "z", "/d", "5"});
    ExpectOk({"delete", "HKLM\\D", "/va", "/f"});
    EXPECT_EQ(Value(u"D", u"b").first, 0xFFFFFFFF);
    EXPECT_EQ(Value(u"D", u"z").first, 0xFFFFFFFF);
    EXPECT_EQ(Value(u"D\\Child", u"c").first, static_cast<DWORD>(REG_SZ)); // sub-keys keep their values

    ExpectOk({"delete", "HKLM\\D", "/f"});
    EXPECT_FALSE(KeyExists(u"D"));
    ExpectFails({"delete", "HKLM\\D", "/f"}, "unable to find");
    ExpectFails({"delete", "HKLM", "/f"}, "root key");
}

TEST_F(RegTool, ExportThenImportIntoAnotherHandheldGivesTheSameRegistry)
{
    ExpectOk({"add", "HKLM\\Comm\\WLAN11b1\\Parms", "/v", "Ssid", "/d", "中文 \"quoted\" \\"});
    ExpectOk({"add", "HKLM\\Comm\\WLAN11b1\\Parms", "/v", "CCXMeaLimit", "/t", "REG_DWORD", "/d", "0x10"});
    ExpectOk({"add", "HKLM\\Comm\\WLAN11b1\\Parms", "/v", "Blob", "/t", "REG_BINARY", "/d",
              std::string(200, 'a')});
    ExpectOk({"add", "HKLM\\Comm\\WLAN11b1\\Parms\\Z", "/v", "m", "/t", "REG_MULTI_SZ", "/d", "x\\0y"});
    ExpectOk({"add", "HKLM\\Comm\\WLAN11b1\\A"});
    const fs::path file = handheld.path() / "comm.reg";
    ExpectOk({"export", "HKLM\\Comm", file.string()});
    ExpectFails({"export", "HKLM\\Comm", file.string()}, "add /y");
    ExpectOk({"export", "HKLM\\Comm", file.string(), "/y"});
    ExpectFails({"export", "HKLM\\NoSuch", (handheld.path() / "none.reg").string()}, "unable to find");
    EXPECT_FALSE(fs::exists(handheld.path() / "none.reg"));
    const std::string exported = ReadFile(file);

    testing_support::TempHandheld other;
    const fs::path copy = other.path() / "copy.reg";
    std::ofstream(copy, std::ios::binary) << exported;
    const Result r = Reg({"import", copy.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "The operation completed successfully.\n");
    const fs::path again = other.path() / "again.reg";
    ExpectOk({"export", "HKLM\\Comm", again.string()});
    EXPECT_EQ(ReadFile(again), exported);
}

TEST_F(RegTool, ImportReportsTheBadLineAndChangesNothing)
{
    const fs::path file = handheld.path() / "bad.reg";
    std::ofstream(file, std::ios::binary)
        << "Windows Registry Editor Version 5.00\n\n[HKLM\\Imp]\n\"a\"=\"1\"\n"
           "\"b\"=dword:nothex\n";
    const Result r = Reg({"import", file.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("line 5: "), std::string::npos) << r.err;
    EXPECT_FALSE(KeyExists(u"Imp"));
    ExpectFails({"import", (handheld.path() / "absent.reg").string()}, "absent.reg");
}

TEST_F(RegTool, ImportKeepsTheLineAfterACommentEndingInABackslash)
{
    const fs::path file = handheld.path() / "note.reg";
    std::ofstream(file, std::ios::binary)
        << "Windows Registry Editor Version 5.00\n\n[HKLM\\Imp]\n\"a\"=dword:1 ; note \\\n\"b\"=dword:2\n";
    ExpectOk({"import", file.string()});
    EXPECT_EQ(Value(u"Imp", u"a").second, (std::vector<BYTE>{1, 0, 0, 0}));
    EXPECT_EQ(Value(u"Imp", u"b").second, (std::vector<BYTE>{2, 0, 0, 0}));
}

TEST_F(RegTool, UsageAndSyntax)
{
    for (const char* help : {"/?", "--help", "-?"})
    {
        const Result r = Reg({help});
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.out.find("reg query  KEY [/v NAME | /ve] [/s]"), std::string::npos);
    }
    EXPECT_EQ(Reg({"add", "/?"}).status, 0);
    const Result none = Reg({});
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.err.find("reg import FILE"), std::string::npos);
    ExpectUsage({"frobnicate", "HKLM"}, "unknown operation");
    ExpectUsage({"query"}, "Usage: reg query  KEY [/v NAME | /ve] [/s]");
    ExpectUsage({"query", "HKLM", "/q"}, "unknown option");
    ExpectUsage({"query", "HKLM", "extra"}, "one KEY");
    ExpectUsage({"export", "HKLM"}, "Usage: reg export KEY FILE [/y]");
    ExpectUsage({"add", "HKLM\\A", "/v"}, "/v needs an argument");
}

} // namespace
