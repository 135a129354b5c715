// The registry calls against SQLite used directly on the same database: RegQueryValueExW against the
// select that finds the value, RegSetValueExW against one transaction that updates it, on a connection
// with the registry's own settings (WAL journal, synchronous commits).
#include "comparison.h"

#include <kernel/handheld.h>
#include <windows.h>

#include <sqlite3.h>

#include <cstring>
#include <memory>
#include <vector>

namespace
{

const char16_t kBenchKey[] = u"Software\\Bench";
const char16_t kReadValue[] = u"BenchRead";
const char16_t kWriteValue[] = u"BenchWrite";

// A value's row in the database: its key's id and its case-folded name, as the registry stored them.
struct ValueRow
{
    sqlite3_int64 key = 0;
    std::vector<unsigned char> fold;
};

// The bench key with its two values, and a connection of its own to the registry's database.
class RegistryWorld
{
public:
    RegistryWorld()
    {
        const DWORD dwOne = 1;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kBenchKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_hKey,
                            nullptr) != ERROR_SUCCESS ||
            RegSetValueExW(m_hKey, kReadValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(u"HarborNet"), 20) !=
                ERROR_SUCCESS ||
            RegSetValueExW(m_hKey, kWriteValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwOne), 4) !=
                ERROR_SUCCESS)
            return;
        const std::string file = (ce::HandheldDir() / "registry.db").string();
        if (sqlite3_open_v2(file.c_str(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            return;
        sqlite3_busy_timeout(m_db, 5000);
        if (sqlite3_exec(m_db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL", nullptr, nullptr,
                         nullptr) != SQLITE_OK ||
            !Find(kReadValue, m_read) || !Find(kWriteValue, m_write))
            return;
        m_select = Prepare("SELECT name, type, data FROM vals WHERE key = ?1 AND fold = ?2");
        m_begin = Prepare("BEGIN IMMEDIATE");
        m_update = Prepare("UPDATE vals SET type = ?3, data = ?4 WHERE key = ?1 AND fold = ?2");
        m_commit = Prepare("COMMIT");
    }
    ~RegistryWorld()
    {
        for (sqlite3_stmt* st : m_statements)
            sqlite3_finalize(st);
        sqlite3_close_v2(m_db);
        if (m_hKey)
            RegCloseKey(m_hKey);
    }
    RegistryWorld(const RegistryWorld&) = delete;
    RegistryWorld& operator=(const RegistryWorld&) = delete;

    bool ok() const { return m_commit != nullptr; }
    HKEY key() const { return m_hKey; }

    // The select RegQueryValueExW makes, its answer copied out; false when it finds nothing.
    bool Select(BYTE* pData, DWORD cbData, DWORD* pType)
    {
        Bind(m_select, m_read);
        const bool found = sqlite3_step(m_select) == SQLITE_ROW;
        if (found)
        {
            *pType = static_cast<DWORD>(sqlite3_column_int64(m_select, 1));
            const int size = sqlite3_column_bytes(m_select, 2);
            if (size > 0 && static_cast<DWORD>(size) <= cbData)
                std::memcpy(pData, sqlite3_column_blob(m_select, 2), static_cast<size_t>(size));
        }
        sqlite3_reset(m_select);
        return found;
    }

    // One transaction that replaces the write value's data.
    bool Update(DWORD dwValue)
    {
        bool ok = Run(m_begin);
        Bind(m_update, m_write);
        sqlite3_bind_int64(m_update, 3, REG_DWORD);
        sqlite3_bind_blob(m_update, 4, &dwValue, sizeof(dwValue), SQLITE_TRANSIENT);
        ok = ok && Run(m_update) && sqlite3_changes(m_db) == 1;
        return Run(m_commit) && ok;
    }

private:
    sqlite3_stmt* Prepare(const char* sql)
    {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &st, nullptr) != SQLITE_OK)
            return nullptr;
        m_statements.push_back(st);
        return st;
    }
    static bool Run(sqlite3_stmt* st)
    {
        const bool done = sqlite3_step(st) == SQLITE_DONE;
        sqlite3_reset(st);
        return done;
    }
    static void Bind(sqlite3_stmt* st, const ValueRow& row)
    {
        sqlite3_bind_int64(st, 1, row.key);
        sqlite3_bind_blob(st, 2, row.fold.data(), static_cast<int>(row.fold.size()), SQLITE_STATIC);
    }
    // Finds a value by the name it was written with (the bench's names are unique in the registry).
    bool Find(const char16_t* pszName, ValueRow& row)
    {
        std::vector<unsigned char> name;
        for (const char16_t* p = pszName; *p; ++p)
        {
            name.push_back(static_cast<unsigned char>(*p & 0xFF));
            name.push_back(static_cast<unsigned char>(*p >> 8));
        }
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(m_db, "SELECT key, fold FROM vals WHERE name = ?1", -1, &st, nullptr) !=
            SQLITE_OK)
            return false;
        sqlite3_bind_blob(st, 1, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
        const bool found = sqlite3_step(st) == SQLITE_ROW;
        if (found)
        {
            row.key = sqlite3_column_int64(st, 0);
            const auto* fold = static_cast<const unsigned char*>(sqlite3_column_blob(st, 1));
            row.fold.assign(fold, fold + sqlite3_column_bytes(st, 1));
        }
        sqlite3_finalize(st);
        return found;
    }

    HKEY m_hKey = nullptr;
    sqlite3* m_db = nullptr;
    ValueRow m_read, m_write;
    std::vector<sqlite3_stmt*> m_statements;
    sqlite3_stmt* m_select = nullptr;
    sqlite3_stmt* m_begin = nullptr;
    sqlite3_stmt* m_update = nullptr;
    sqlite3_stmt* m_commit = nullptr;
};

RegistryWorld* World(benchmark::State& state)
{
    static std::unique_ptr<RegistryWorld> s_world;
    if (!s_world)
    {
        s_world = std::make_unique<RegistryWorld>();
        bench::AtTeardown([] { s_world.reset(); });
    }
    if (!s_world->ok())
    {
        state.SkipWithError("the bench key or the database connection could not be set up");
        return nullptr;
    }
    return s_world.get();
}

void QueryValue(benchmark::State& state)
{
    RegistryWorld* world = World(state);
    if (!world)
        return;
    for (auto _ : state)
    {
        BYTE data[64];
        DWORD dwType = 0, cbData = sizeof(data);
        if (RegQueryValueExW(world->key(), kReadValue, nullptr, &dwType, data, &cbData) != ERROR_SUCCESS)
            return state.SkipWithError("RegQueryValueExW failed");
        benchmark::DoNotOptimize(data);
    }
}

void SelectValue(benchmark::State& state)
{
    RegistryWorld* world = World(state);
    if (!world)
        return;
    for (auto _ : state)
    {
        BYTE data[64];
        DWORD dwType = 0;
        if (!world->Select(data, sizeof(data), &dwType))
            return state.SkipWithError("the select found nothing");
        benchmark::DoNotOptimize(data);
    }
}

void SetValue(benchmark::State& state)
{
    RegistryWorld* world = World(state);
    if (!world)
        return;
    DWORD dwValue = 0;
    for (auto _ : state)
    {
        ++dwValue;
        if (RegSetValueExW(world->key(), kWriteValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwValue),
                           sizeof(dwValue)) != ERROR_SUCCESS)
            return state.SkipWithError("RegSetValueExW failed");
    }
}

void UpdateValue(benchmark::State& state)
{
    RegistryWorld* world = World(state);
    if (!world)
        return;
    DWORD dwValue = 0;
    for (auto _ : state)
        if (!world->Update(++dwValue))
            return state.SkipWithError("the transaction failed");
}

const bool s_added = bench::AddComparison({"reg-query", 2, QueryValue, SelectValue}) &&
                     bench::AddComparison({"reg-set", 1.5, SetValue, UpdateValue});

} // namespace
