// The registry database: keys and values in SQLite, addressed by key id.
//
// Layout (schema version 1, kept in PRAGMA user_version):
//   keys(id, parent, name, fold, written)   id AUTOINCREMENT: creation order, never reused, so a handle
//                                           that outlives its key can never reach a newer one
//   vals(seq, key, name, fold, type, data)  seq AUTOINCREMENT: creation order of the values
// Names are UTF-16LE blobs as written (`name`) and case-folded (`fold`, unique per parent or key). The
// four roots have the fixed ids 1 to 4. `written` is the key's last write time as a FILETIME count.
//
// Every method must run inside a transaction (Begin/Savepoint); database failures throw DbError, which
// the registry calls turn into Windows error numbers at their boundary. One thread at a time may use an
// open database (the registry calls hold their process-wide lock).
#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace ce::registry
{

using KeyId = std::int64_t;

class DbError : public std::runtime_error
{
public:
    DbError(int code, const std::string& what) : std::runtime_error(what), m_code(code) {}
    int code() const { return m_code; }
    // SQLITE_BUSY or SQLITE_LOCKED: another connection holds the lock longer than the busy timeout.
    bool busy() const;
    LONG winerror() const;

private:
    int m_code;
};

// A prepared statement, reset when the scope that used it ends.
class Statement
{
public:
    Statement(sqlite3* db, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Bind(int index, std::int64_t value);
    Statement& Bind(int index, std::u16string_view utf16); // as a UTF-16LE blob
    Statement& Bind(int index, std::span<const BYTE> blob);
    // Steps once; true while a row is available.
    bool Step();
    void Run(); // steps to the end
    void Reset();

    std::int64_t Int(int column) const;
    std::string Text8(int column) const;     // a text column
    std::u16string Text16(int column) const; // from a UTF-16LE blob
    std::vector<BYTE> Blob(int column) const;

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

struct ValueRecord
{
    std::u16string name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

struct KeyInfo
{
    DWORD subKeys = 0;
    DWORD maxSubKeyLen = 0; // characters, without terminator
    DWORD values = 0;
    DWORD maxValueNameLen = 0; // characters, without terminator
    DWORD maxValueLen = 0;     // bytes
    std::uint64_t written = 0; // FILETIME
};

class RegistryDb
{
public:
    static constexpr int kSchemaVersion = 1;

    // Opens (creating if needed) the database in `dir`. When the registry has not been set up yet, the
    // schema and the roots are created and `populate` runs, all in one transaction and under an
    // exclusive lock of the handheld's registry, so that processes starting together set it up once.
    // `populate` returns a Windows error number; an error abandons the set-up and fails the open.
    // A database that does not read back whole is refused as damaged (SQLITE_CORRUPT, with a message
    // that says how to recover) and left untouched; only a missing or zero-length file is made anew.
    // A handheld whose folder or database cannot be written is opened read-only: reads work, and every
    // write transaction fails with SQLITE_READONLY (ERROR_ACCESS_DENIED).
    static std::unique_ptr<RegistryDb> Open(const std::filesystem::path& dir,
                                            const std::function<LONG(RegistryDb&)>& populate);
    ~RegistryDb();
    RegistryDb(const RegistryDb&) = delete;
    bool ReadOnly() const { return m_readOnly; }
    RegistryDb& operator=(const RegistryDb&) = delete;

    // Transactions. Begin retries while the database is busy; a read transaction takes its snapshot at
    // once, so later statements cannot fail for a lock. BeginOnKey begins the same way and answers whether
    // the key exists in the transaction's view (for a read, that question takes the snapshot).
    void Begin(bool write);
    bool BeginOnKey(bool write, KeyId key);
    void Commit();
    void Rollback() noexcept;
    void Savepoint();
    void Release();
    void RollbackToSavepoint() noexcept;

    static KeyId RootId(HKEY root); // 0 for a handle that is not a predefined root
    bool KeyExists(KeyId key);
    std::optional<KeyId> FindChild(KeyId parent, std::u16string_view name);
    KeyId CreateChild(KeyId parent, std::u16string_view name);
    std::optional<KeyId> ParentOf(KeyId key);
    // The index-th sub-key in creation order: its id and name.
    std::optional<std::pair<KeyId, std::u16string>> ChildAt(KeyId parent, DWORD index);
    // Deletes the key, its values and everything below it.
    void DeleteTree(KeyId key);

    std::optional<ValueRecord> GetValue(KeyId key, std::u16string_view name);
    std::optional<ValueRecord> ValueAt(KeyId key, DWORD index);
    // Replaces the data of an existing value (keeping its place and the case of its name) or appends it.
    void SetValue(KeyId key, std::u16string_view name, DWORD type, std::span<const BYTE> data);
    bool DeleteValue(KeyId key, std::u16string_view name);

    KeyInfo Info(KeyId key);
    std::uint64_t WriteTime(KeyId key);
    void Touch(KeyId key);

private:
    RegistryDb() = default;
    void Exec(const char* sql);
    Statement& Prepared(const char* sql);
    // Runs a statement without results (the transaction statements) from the prepared ones, so that the
    // many short transactions of the registry calls do not parse their SQL every time.
    void RunPrepared(const char* sql);
    template <class Snapshot> void Start(bool write, Snapshot&& takeSnapshot);
    void CreateSchema();
    int UserVersion();
    // PRAGMA quick_check and the schema's owner; the schema version, or DbError for a damaged file.
    int CheckIntact(const std::filesystem::path& file);

    sqlite3* m_db = nullptr;
    bool m_readOnly = false;
    // Prepared statements by their text (the SQL literals of this file's implementation), reset by the
    // method that used them as it ends.
    std::map<std::string, std::unique_ptr<Statement>, std::less<>> m_statements;
};

// Current time as a FILETIME count (100 ns units since 1601).
std::uint64_t FileTimeNow();

} // namespace ce::registry
