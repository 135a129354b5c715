// The listening side against what arrives on its socket: malformed and slow records, other users, and
// the life of its files.
#include "peer_process.h"
#include "station_test_util.h"

#include <temp_handheld.h>

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <cstring>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
namespace ws = ce::winstation;
using namespace station_test;
using std::chrono::milliseconds;

namespace
{

class Listener : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ws::Listen());
        m_socket = SocketOf(static_cast<uint32_t>(::getpid()));
    }

    // Sends a good record on a fresh connection and checks that exactly it arrives.
    void ExpectStillListening(uint32_t marker)
    {
        RawRecord good;
        good.hwnd = ws::kBroadcastHwnd;
        good.message = marker;
        int fd = ConnectRaw(m_socket);
        ASSERT_GE(fd, 0);
        ASSERT_TRUE(WriteRaw(fd, Bytes(good)));
        ::close(fd);
        auto got = Receive(1);
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0].message, marker);
        EXPECT_TRUE(Receive(1, milliseconds(50)).empty());
    }

    // True when the listener has closed the connection (reading gives its end).
    static bool ClosedByListener(int fd, int timeoutMs)
    {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0)
            return false;
        char c;
        return ::recv(fd, &c, 1, MSG_DONTWAIT) <= 0;
    }

    testing_support::TempHandheld m_handheld;
    fs::path m_socket;
};

RawRecord Valid(uint32_t message)
{
    RawRecord r;
    r.hwnd = 1;
    r.message = message;
    r.payload = {1, 2, 3};
    return r;
}

} // namespace

TEST_F(Listener, DropsMalformedRecordsAndGoesOn)
{
    struct Case
    {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    std::vector<Case> cases;
    auto add = [&](const char* what, RawRecord r) { cases.push_back({what, Bytes(r)}); };
    RawRecord r = Valid(1);
    r.magic = 0x12345678;
    add("bad magic", r);
    r = Valid(1);
    r.version = 2;
    add("unknown version", r);
    r = Valid(1);
    r.kind = 7;
    add("unknown kind", r);
    r = Valid(1);
    r.kind = 3;
    add("an answer sent to a listener", r);
    r = Valid(1);
    r.declaredLength = 0xFFFFFFFFu;
    add("huge length", r);
    r = Valid(1);
    r.payload.assign(ws::wire::kMaxMessagePayload + 1, 0xAB);
    add("message above the limit", r);
    r = Valid(1);
    r.declaredLength = 10;
    add("payload cut short", r);
    auto header = Bytes(Valid(1));
    cases.push_back({"header cut short", {header.begin(), header.begin() + 20}});

    uint32_t marker = 100;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        int fd = ConnectRaw(m_socket);
        ASSERT_GE(fd, 0);
        WriteRaw(fd, c.bytes);
        ::close(fd);
        ExpectStillListening(++marker);
    }
}

TEST_F(Listener, TakesRecordsHoweverTheyAreCut)
{
    // Two records in one write, the second of the largest size; then one sent a byte at a time.
    auto first = Bytes(Valid(1));
    RawRecord big = Valid(2);
    big.payload.assign(ws::wire::kMaxMessagePayload, 0x5A);
    auto second = Bytes(big);
    std::vector<uint8_t> both = first;
    both.insert(both.end(), second.begin(), second.end());
    int fd = ConnectRaw(m_socket);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(WriteRaw(fd, both));
    for (uint8_t b : Bytes(Valid(3)))
        ASSERT_TRUE(WriteRaw(fd, {b}));
    // A bad record after good ones ends the connection but leaves those delivered.
    RawRecord bad = Valid(4);
    bad.magic = 0;
    ASSERT_TRUE(WriteRaw(fd, Bytes(bad)));
    EXPECT_TRUE(ClosedByListener(fd, 2000));
    ::close(fd);

    auto got = Receive(3);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].message, 1u);
    EXPECT_EQ(got[0].payload, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(got[1].message, 2u);
    EXPECT_EQ(got[1].payload, big.payload);
    EXPECT_EQ(got[2].message, 3u);
    EXPECT_TRUE(Receive(1, milliseconds(50)).empty());
}

TEST_F(Listener, ASlowSenderNeitherBlocksOthersNorStaysForever)
{
    int slow = ConnectRaw(m_socket);
    ASSERT_GE(slow, 0);
    auto bytes = Bytes(Valid(1));
    ASSERT_TRUE(WriteRaw(slow, {bytes.begin(), bytes.begin() + 10}));

    auto start = std::chrono::steady_clock::now();
    ExpectStillListening(50);
    EXPECT_LT(std::chrono::steady_clock::now() - start, milliseconds(500));

    // The unfinished record is given up after a while and its connection closed.
    EXPECT_TRUE(ClosedByListener(slow, 4000));
    ::close(slow);
    EXPECT_TRUE(Receive(1, milliseconds(50)).empty());
}

TEST_F(Listener, FilesAreOwnerOnlyAndGoAwayAtShutdown)
{
    uint32_t hwnd = ws::AllocateWindowHandle();
    ASSERT_TRUE(ws::PublishWindow(hwnd, u"Private"));
    fs::path list = StationDir() / (std::to_string(::getpid()) + ".windows");
    struct Expect
    {
        fs::path path;
        mode_t type;
        mode_t mode;
    };
    for (const auto& e : {Expect{ce::RuntimeDir(), S_IFDIR, 0700}, Expect{StationDir(), S_IFDIR, 0700},
                          Expect{m_socket, S_IFSOCK, 0600}, Expect{list, S_IFREG, 0600}})
    {
        struct stat st
        {
        };
        ASSERT_EQ(::lstat(e.path.c_str(), &st), 0) << e.path;
        EXPECT_EQ(st.st_mode & S_IFMT, e.type) << e.path;
        EXPECT_EQ(st.st_mode & 07777, e.mode) << e.path;
        EXPECT_EQ(st.st_uid, ::geteuid()) << e.path;
    }

    ws::Shutdown();
    ws::Shutdown();
    EXPECT_FALSE(fs::exists(m_socket));
    EXPECT_FALSE(fs::exists(list));
    EXPECT_EQ(ws::FindWindowByTitle(u"Private"), 0u);

    // Listening again works, and the receive descriptor is the same one.
    int fd = ws::ReceiveFd();
    ASSERT_TRUE(ws::PublishWindow(hwnd, u"Again"));
    EXPECT_EQ(ws::ReceiveFd(), fd);
    ExpectStillListening(7);
}

TEST_F(Listener, DropsAConnectionFromAnotherUser)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    // Open the way to the socket so that only the credential check stands between the other user and
    // the listener.
    for (const fs::path& dir : {m_handheld.path(), ce::RuntimeDir(), StationDir()})
        ASSERT_EQ(::chmod(dir.c_str(), 0711), 0) << dir;
    ASSERT_EQ(::chmod(m_socket.c_str(), 0666), 0);
    // Everything the child needs is prepared here: after fork it only makes system calls.
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    ASSERT_LT(m_socket.string().size(), sizeof addr.sun_path);
    std::strcpy(addr.sun_path, m_socket.c_str());
    auto record = Bytes(Valid(666));

    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(3);
        int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
            ::_exit(4);
        ::send(fd, record.data(), record.size(), MSG_NOSIGNAL);
        // The listener must close the connection without taking the record.
        pollfd p{fd, POLLIN, 0};
        char c;
        bool closed = ::poll(&p, 1, 2000) > 0 && ::recv(fd, &c, 1, 0) <= 0;
        ::_exit(closed ? 0 : 5);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 3)
        GTEST_SKIP() << "cannot change user here";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    ExpectStillListening(8); // and the other user's record never arrives
}

TEST(ListenerPaths, WorksInAFolderTooDeepForASocketAddress)
{
    testing_support::TempHandheld handheld;
    fs::path deep = handheld.path() / std::string(60, 'd') / std::string(60, 'e');
    ::setenv("HANDHELD_DIR", deep.c_str(), 1);
    ce::ResetHandheld();
    ASSERT_GT(SocketOf(static_cast<uint32_t>(::getpid())).string().size(), 108u);

    uint32_t hwnd = ws::AllocateWindowHandle();
    ASSERT_TRUE(ws::PublishWindow(hwnd, u"Deep"));
    PeerProcess peer({"serve", "--title", "Deep peer"});
    auto ready = peer.ReadWords();
    ASSERT_EQ(ready.size(), 3u);
    auto sent = RunPeer({"post", std::to_string(hwnd), "0x412", "0", "0", "-"});
    EXPECT_EQ(sent, std::vector<std::string>{"ok"});
    EXPECT_EQ(Receive(1).size(), 1u);
    ws::Message m;
    m.hwnd = static_cast<uint32_t>(std::stoul(ready[2]));
    m.message = 0x413;
    ASSERT_TRUE(ws::PostToWindow(m));
    EXPECT_EQ(peer.ReadWords().size(), 7u);
}
