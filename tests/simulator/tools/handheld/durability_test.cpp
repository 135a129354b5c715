// Writers of the registry (reg add and reg import) killed with SIGKILL at random moments, the first ones
// while the registry is still being set up: afterwards every write they acknowledged is there, no import
// is there in part, and the database passes SQLite's integrity check. Seeded: QN40_DURABILITY_SEED repeats
// a run.
#include "handheld_programs.h"

#include <windows.h>

#include <kernel/registry.h>
#include <kernel/utf8.h>

#include <sqlite3.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <thread>

namespace fs = std::filesystem;
using handheld_test::Outcome;
using handheld_test::Program;
using Clock = std::chrono::steady_clock;

namespace
{

constexpr int kRounds = 150;
constexpr auto kBudget = std::chrono::seconds(30);
constexpr int kImportValues = 8;
const std::string kSuccess = "The operation completed successfully.";

std::string ImportData(int round, int value)
{
    return "round " + std::to_string(round) + " value " + std::to_string(value);
}

// A file that sets kImportValues values and a long binary one (so that a write takes a while) under a key
// of the round.
fs::path WriteImportFile(const fs::path& dir, int round)
{
    const fs::path file = dir / ("import" + std::to_string(round) + ".reg");
    std::ofstream out(file, std::ios::binary);
    out << "Windows Registry Editor Version 5.00\n\n[HKLM\\Durability\\Import" << round << "]\n";
    for (int v = 0; v < kImportValues; ++v)
        out << "\"v" << v << "\"=\"" << ImportData(round, v) << "\"\n";
    out << "\"blob\"=hex:";
    for (int i = 0; i < 4000; ++i)
        out << (i ? "," : "") << "5a" << (i % 25 == 24 ? "\\\n  " : "");
    out << "\n";
    return file;
}

std::optional<std::string> ReadSz(const std::u16string& key, const std::u16string& name)
{
    ce::UniqueHkey k;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, k.receive()) != ERROR_SUCCESS)
        return std::nullopt;
    WCHAR text[128];
    DWORD size = sizeof text;
    DWORD type = 0;
    if (RegQueryValueExW(k.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ || size < 2)
        return std::nullopt;
    return ce::text::ToUtf8(std::u16string_view(text, size / 2 - 1));
}

std::u16string Wide(const std::string& text)
{
    return std::u16string(text.begin(), text.end());
}

// How long one reg add takes on a registry that is set up, in microseconds.
long WriteTime()
{
    testing_support::TempHandheld scratch;
    EXPECT_EQ(handheld_test::RunProgram("reg", {"add", "HKLM\\Warm", "/v", "x", "/d", "1"}).status, 0);
    const auto start = Clock::now();
    EXPECT_EQ(handheld_test::RunProgram("reg", {"add", "HKLM\\Warm", "/v", "y", "/d", "2"}).status, 0);
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count());
}

TEST(RegistryDurability, WritersKilledAtRandomMomentsLoseNoAcknowledgedWrite)
{
    const char* seedText = std::getenv("QN40_DURABILITY_SEED");
    const unsigned seed = seedText ? static_cast<unsigned>(std::strtoul(seedText, nullptr, 10)) : 16u;
    SCOPED_TRACE("seed " + std::to_string(seed) + " (QN40_DURABILITY_SEED=" + std::to_string(seed) +
                 " repeats this run)");
    std::mt19937 random(seed);
    // Kills fall from the start of a write to well after its commit.
    std::uniform_int_distribution<long> moment(0, 3 * WriteTime());

    testing_support::TempHandheld handheld;
    std::vector<int> addsAcknowledged, importsAcknowledged;
    int killed = 0, rounds = 0;
    const auto deadline = Clock::now() + kBudget;
    for (; rounds < kRounds && Clock::now() < deadline; ++rounds)
    {
        const fs::path file = WriteImportFile(handheld.path(), rounds);
        const auto start = Clock::now();
        Program add("reg", {"add", "HKLM\\Durability\\Add", "/v", "a" + std::to_string(rounds), "/d",
                            "added in round " + std::to_string(rounds), "/f"});
        Program import("reg", {"import", file.string()});
        const auto killAdd = start + std::chrono::microseconds(moment(random));
        const auto killImport = start + std::chrono::microseconds(moment(random));
        for (auto [program, at] : {std::pair{&add, killAdd}, {&import, killImport}})
        {
            std::this_thread::sleep_until(at);
            program->Kill();
        }
        const Outcome added = add.Wait(20000);
        const Outcome imported = import.Wait(20000);
        for (const auto& [outcome, list] :
             {std::pair{&added, &addsAcknowledged}, {&imported, &importsAcknowledged}})
        {
            if (outcome->status == 0 && outcome->out.find(kSuccess) != std::string::npos)
                list->push_back(rounds);
            else if (outcome->status == 128 + SIGKILL)
                ++killed;
            else
                ADD_FAILURE() << "a writer failed without being killed: " << outcome->err;
        }
    }
    RecordProperty("rounds", rounds);
    RecordProperty("killed", killed);
    // The kills fell on both sides of the commits, so both were tried.
    EXPECT_GT(killed, 0);
    EXPECT_GT(addsAcknowledged.size() + importsAcknowledged.size(), 0u);

    for (int round : addsAcknowledged)
        EXPECT_EQ(ReadSz(u"Durability\\Add", Wide("a" + std::to_string(round))),
                  "added in round " + std::to_string(round));
    for (int round = 0; round < rounds; ++round)
    {
        SCOPED_TRACE("import of round " + std::to_string(round));
        const std::u16string key = Wide("Durability\\Import" + std::to_string(round));
        int present = 0;
        for (int v = 0; v < kImportValues; ++v)
            if (const auto value = ReadSz(key, Wide("v" + std::to_string(v))))
            {
                EXPECT_EQ(*value, ImportData(round, v));
                ++present;
            }
        const bool acknowledged = std::find(importsAcknowledged.begin(), importsAcknowledged.end(), round) !=
                                  importsAcknowledged.end();
        EXPECT_TRUE(present == kImportValues || (present == 0 && !acknowledged)) << present << " values";
    }

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2((handheld.path() / "registry.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr),
              SQLITE_OK);
    std::string verdict;
    sqlite3_exec(
        db, "PRAGMA integrity_check",
        [](void* out, int, char** values, char**)
        {
            *static_cast<std::string*>(out) += values[0] ? values[0] : "";
            return 0;
        },
        &verdict, nullptr);
    sqlite3_close(db);
    EXPECT_EQ(verdict, "ok");
}

} // namespace
