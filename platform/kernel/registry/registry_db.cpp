#include "registry_db.h"

#include "name_fold.h"

#include <kernel/handheld.h>
#include <kernel/text.h>
#include <kernel/unique_fd.h>

#include <sqlite3.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace ce::registry
{
namespace
{

// How long one attempt waits for another connection's lock, and how many attempts a transaction
// start makes before the call fails with ERROR_BUSY.
constexpr int kBusyTimeoutMs = 5000;
constexpr int kBeginAttempts = 3;

[[noreturn]] void Throw(sqlite3* db, int rc, const char* what)
{
    std::string message = what;
    if (db)
    {
        message += ": ";
        message += sqlite3_errmsg(db);
    }
    throw DbError(rc, message);
}

// UTF-16 names travel as explicit little-endian byte pairs.
std::vector<BYTE> ToLittleEndian(std::u16string_view text)
{
    std::vector<BYTE> bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t c : text)
    {
        bytes.push_back(static_cast<BYTE>(c & 0xFF));
        bytes.push_back(static_cast<BYTE>(c >> 8));
    }
    return bytes;
}

std::u16string FromLittleEndian(const BYTE* bytes, std::size_t size)
{
    std::u16string text;
    text.reserve(size / 2);
    for (std::size_t i = 0; i + 1 < size; i += 2)
        text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    return text;
}

// Resets a statement when the method that used it returns or throws, so that no statement keeps a
// cursor open across the end of a transaction.
struct ResetOnExit
{
    Statement& statement;
    ~ResetOnExit() { statement.Reset(); }
};

// An exclusive advisory lock on a file of the handheld, held for the lifetime of the object. A handheld
// that cannot be written is not set up, so it needs the lock only when the file is already there.
class FileLock
{
public:
    FileLock(const fs::path& file, bool readOnly)
        : m_fd(OpenHandheldFile(file, readOnly ? O_RDONLY : O_RDWR | O_CREAT))
    {
        if (!m_fd && readOnly && errno == ENOENT)
            return;
        if (!m_fd)
            throw DbError(SQLITE_CANTOPEN, HandheldPathError(file, errno));
        if (Flock(m_fd.get(), LOCK_EX) != 0)
            throw DbError(SQLITE_CANTOPEN, "cannot lock " + file.string());
    }

private:
    UniqueFd m_fd; // closing releases the lock
};

bool Writable(const fs::path& path)
{
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

[[noreturn]] void Damaged(const fs::path& file, const std::string& detail)
{
    const std::string name = file.string();
    throw DbError(SQLITE_CORRUPT,
                  "the registry database " + name + " is damaged (" + detail +
                      "); it is left as it is. To recover, save what is still readable (sqlite3 " + name +
                      " .recover > registry.sql) or move it away (mv " + name + " " + name +
                      ".damaged): the next program then makes a new registry from the factory image.");
}

[[noreturn]] void NoRegistryYet(const fs::path& dir)
{
    throw DbError(SQLITE_CANTOPEN, "the handheld " + dir.string() + " is read-only and has no registry yet");
}

// How the database file is opened: made here when it is missing (so that it is the owner's alone from
// the start; SQLite gives its journal files the same mode), and read-only when the handheld is.
struct DbFile
{
    bool readOnly = false;
    bool empty = true;
    bool walFrames = false; // a -wal file with content that a read-only open has to take into account
};

DbFile PrepareDbFile(const fs::path& dir, const fs::path& file)
{
    for (const char* suffix : {"-wal", "-shm"})
    {
        const fs::path journal = file.string() + suffix;
        struct stat st
        {
        };
        if (::lstat(journal.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
            throw DbError(SQLITE_CANTOPEN, HandheldPathError(journal, S_ISLNK(st.st_mode) ? ELOOP : EINVAL));
    }
    DbFile db;
    db.readOnly = !Writable(dir) || (::access(file.c_str(), F_OK) == 0 && !Writable(file));
    UniqueFd fd = OpenHandheldFile(file, db.readOnly ? O_RDONLY : O_RDWR | O_CREAT);
    if (!fd && errno == EISDIR)
        Damaged(file, "a folder stands in its place");
    if (!fd && db.readOnly && errno == ENOENT)
        NoRegistryYet(dir);
    if (!fd)
        throw DbError(SQLITE_CANTOPEN, HandheldPathError(file, errno));
    struct stat st
    {
    };
    if (::fstat(fd.get(), &st) != 0)
        throw DbError(SQLITE_CANTOPEN, HandheldPathError(file, errno));
    db.empty = st.st_size == 0;
    const fs::path wal = file.string() + "-wal";
    db.walFrames = ::stat(wal.c_str(), &st) == 0 && st.st_size > 0;
    return db;
}

// The URI of a database that nobody can change (a read-only handheld without journal frames): SQLite
// then reads it without the shared-memory file it could not make.
std::string ImmutableUri(const fs::path& file)
{
    std::string uri = "file:";
    for (char c : file.string())
    {
        if (c == '%' || c == '?' || c == '#')
        {
            uri += '%';
            uri += text::kHexDigitsUpper[static_cast<unsigned char>(c) >> 4];
            uri += text::kHexDigitsUpper[c & 0xF];
        }
        else
            uri += c;
    }
    return uri + "?immutable=1";
}

} // namespace

bool DbError::busy() const
{
    const int primary = m_code & 0xFF;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

LONG DbError::winerror() const
{
    switch (m_code & 0xFF)
    {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return ERROR_BUSY;
    case SQLITE_NOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_FULL:
        return ERROR_DISK_FULL;
    case SQLITE_TOOBIG:
        return ERROR_INVALID_PARAMETER;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_SCHEMA:
        return ERROR_BADDB;
    case SQLITE_CANTOPEN:
        return ERROR_CANTOPEN;
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return ERROR_ACCESS_DENIED;
    default:
        return ERROR_REGISTRY_IO_FAILED;
    }
}

// ---- Statement ---------------------------------------------------------------------------------

Statement::Statement(sqlite3* db, const char* sql) : m_db(db)
{
    const int rc = sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &m_stmt, nullptr);
    if (rc != SQLITE_OK)
        Throw(db, rc, "prepare");
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

Statement& Statement::Bind(int index, std::int64_t value)
{
    const int rc = sqlite3_bind_int64(m_stmt, index, value);
    if (rc != SQLITE_OK)
        Throw(m_db, rc, "bind");
    return *this;
}

Statement& Statement::Bind(int index, std::u16string_view utf16)
{
    const std::vector<BYTE> bytes = ToLittleEndian(utf16);
    return Bind(index, std::span<const BYTE>(bytes));
}

Statement& Statement::Bind(int index, std::span<const BYTE> blob)
{
    // A null pointer would bind NULL; an empty name or value is a zero-length blob.
    static const BYTE kEmpty = 0;
    const int rc = sqlite3_bind_blob64(m_stmt, index, blob.empty() ? &kEmpty : blob.data(), blob.size(),
                                       SQLITE_TRANSIENT);
    if (rc != SQLITE_OK)
        Throw(m_db, rc, "bind");
    return *this;
}

bool Statement::Step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    Throw(m_db, rc, "step");
}

void Statement::Run()
{
    while (Step())
    {
    }
}

void Statement::Reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

std::int64_t Statement::Int(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

std::string Statement::Text8(int column) const
{
    const unsigned char* text = sqlite3_column_text(m_stmt, column);
    return text ? std::string(reinterpret_cast<const char*>(text)) : std::string();
}

std::u16string Statement::Text16(int column) const
{
    const void* blob = sqlite3_column_blob(m_stmt, column);
    const int size = sqlite3_column_bytes(m_stmt, column);
    if (!blob || size <= 0)
        return {};
    return FromLittleEndian(static_cast<const BYTE*>(blob), static_cast<std::size_t>(size));
}

std::vector<BYTE> Statement::Blob(int column) const
{
    const void* blob = sqlite3_column_blob(m_stmt, column);
    const int size = sqlite3_column_bytes(m_stmt, column);
    if (!blob || size <= 0)
        return {};
    const BYTE* bytes = static_cast<const BYTE*>(blob);
    return std::vector<BYTE>(bytes, bytes + size);
}

// ---- RegistryDb ------------------------------------------------------------------------------------

std::uint64_t FileTimeNow()
{
    using namespace std::chrono;
    constexpr std::uint64_t kEpochDifference = 116444736000000000ULL; // 1601-01-01 to 1970-01-01
    const auto since1970 = duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
    return kEpochDifference + static_cast<std::uint64_t>(since1970 / 100);
}

std::unique_ptr<RegistryDb> RegistryDb::Open(const fs::path& dir,
                                             const std::function<LONG(RegistryDb&)>& populate)
{
    if (dir.empty())
        throw DbError(SQLITE_CANTOPEN, HandheldProblem());
    const fs::path file = dir / "registry.db";
    // The lock covers the set-up only: the database itself handles concurrent use afterwards.
    FileLock lock(dir / "registry.lock", !Writable(dir));
    const DbFile prepared = PrepareDbFile(dir, file);

    std::unique_ptr<RegistryDb> db(new RegistryDb);
    db->m_readOnly = prepared.readOnly;
    const bool immutable = prepared.readOnly && !prepared.walFrames;
    const std::string name = immutable ? ImmutableUri(file) : file.string();
    // Its users serialise their calls (see the class), so the connection does without a mutex of its own.
    const int flags = SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_NOMUTEX | (immutable ? SQLITE_OPEN_URI : 0) |
                      (prepared.readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
    int rc = sqlite3_open_v2(name.c_str(), &db->m_db, flags, nullptr);
    if (rc != SQLITE_OK)
        Throw(db->m_db, rc, ("cannot open the registry database " + file.string()).c_str());
    sqlite3_extended_result_codes(db->m_db, 0);
    sqlite3_busy_timeout(db->m_db, kBusyTimeoutMs);

    const int version = prepared.empty ? 0 : db->CheckIntact(file);
    if (version > kSchemaVersion)
        throw DbError(SQLITE_NOTADB, "the registry database " + file.string() + " has schema version " +
                                         std::to_string(version) + ", made by a newer program");
    if (!prepared.readOnly)
    {
        // WAL lets readers and one writer work at once across processes; with synchronous=FULL every
        // commit is on disk before the call that made it returns.
        Statement mode(db->m_db, "PRAGMA journal_mode=WAL");
        if (!mode.Step() || mode.Text8(0) != "wal")
            throw DbError(SQLITE_CANTOPEN, "registry database refuses the WAL journal");
        db->Exec("PRAGMA synchronous=FULL");
    }
    if (version == 0)
    {
        if (prepared.readOnly)
            NoRegistryYet(dir);
        db->Begin(true);
        try
        {
            db->CreateSchema();
            const LONG result = populate ? populate(*db) : ERROR_SUCCESS;
            if (result != ERROR_SUCCESS)
            {
                db->Rollback();
                return nullptr;
            }
            db->Exec("PRAGMA user_version=1");
            db->Commit();
        }
        catch (...)
        {
            db->Rollback();
            throw;
        }
    }
    return db;
}

int RegistryDb::CheckIntact(const fs::path& file)
{
    // Nothing is written before the whole file has been read back as sound, so a damaged database is
    // never rebuilt over.
    std::string verdict;
    int version = 0;
    bool foreign = false;
    try
    {
        Statement check(m_db, "PRAGMA quick_check(1)");
        verdict = check.Step() ? check.Text8(0) : "the check gives no answer";
        version = UserVersion();
        Statement objects(m_db, "SELECT count(*) FROM sqlite_master");
        foreign = version == 0 && objects.Step() && objects.Int(0) > 0;
    }
    catch (const DbError& e)
    {
        const int primary = e.code() & 0xFF;
        if (primary != SQLITE_CORRUPT && primary != SQLITE_NOTADB)
            throw;
        verdict = sqlite3_errstr(primary);
    }
    if (verdict != "ok")
        Damaged(file, verdict);
    if (foreign)
        Damaged(file, "it holds the tables of something else");
    return version;
}

RegistryDb::~RegistryDb()
{
    m_statements.clear();
    sqlite3_close_v2(m_db);
}

void RegistryDb::Exec(const char* sql)
{
    char* message = nullptr;
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, &message);
    if (rc != SQLITE_OK)
    {
        std::string what = std::string(sql) + ": " + (message ? message : "");
        sqlite3_free(message);
        throw DbError(rc, what);
    }
}

Statement& RegistryDb::Prepared(const char* sql)
{
    auto it = m_statements.find(std::string_view(sql));
    if (it == m_statements.end())
        it = m_statements.emplace(sql, std::make_unique<Statement>(m_db, sql)).first;
    return *it->second;
}

void RegistryDb::RunPrepared(const char* sql)
{
    Statement& st = Prepared(sql);
    ResetOnExit reset{st};
    st.Run();
}

int RegistryDb::UserVersion()
{
    Statement st(m_db, "PRAGMA user_version");
    return st.Step() ? static_cast<int>(st.Int(0)) : 0;
}

void RegistryDb::CreateSchema()
{
    Exec("CREATE TABLE keys(id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER, name BLOB NOT NULL,"
         " fold BLOB NOT NULL, written INTEGER NOT NULL DEFAULT 0);"
         "CREATE UNIQUE INDEX keys_by_name ON keys(parent, fold);"
         "CREATE INDEX keys_by_parent ON keys(parent, id);"
         "CREATE TABLE vals(seq INTEGER PRIMARY KEY AUTOINCREMENT, key INTEGER NOT NULL, name BLOB NOT NULL,"
         " fold BLOB NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL);"
         "CREATE UNIQUE INDEX vals_by_name ON vals(key, fold);"
         "CREATE INDEX vals_by_key ON vals(key, seq);");
    static constexpr std::u16string_view kRoots[] = {u"HKEY_CLASSES_ROOT", u"HKEY_CURRENT_USER",
                                                     u"HKEY_LOCAL_MACHINE", u"HKEY_USERS"};
    const std::uint64_t now = FileTimeNow();
    KeyId id = 1;
    for (std::u16string_view root : kRoots)
    {
        Statement st(m_db, "INSERT INTO keys(id, parent, name, fold, written) VALUES(?1, NULL, ?2, ?3, ?4)");
        st.Bind(1, id++).Bind(2, root).Bind(3, FoldName(root)).Bind(4, static_cast<std::int64_t>(now)).Run();
    }
}

template <class Snapshot> void RegistryDb::Start(bool write, Snapshot&& takeSnapshot)
{
    if (write && m_readOnly)
        throw DbError(SQLITE_READONLY, "the registry of the handheld is read-only");
    for (int attempt = 1;; ++attempt)
    {
        try
        {
            if (write)
                RunPrepared("BEGIN IMMEDIATE");
            else
            {
                RunPrepared("BEGIN");
                // Take the read snapshot now, while a busy database can still be retried.
                takeSnapshot();
            }
            return;
        }
        catch (const DbError& e)
        {
            if (sqlite3_get_autocommit(m_db) == 0)
                Rollback();
            if (!e.busy() || attempt == kBeginAttempts)
                throw;
        }
    }
}

void RegistryDb::Begin(bool write)
{
    Start(write, [this] { RunPrepared("SELECT 1 FROM sqlite_master LIMIT 1"); });
}

bool RegistryDb::BeginOnKey(bool write, KeyId key)
{
    bool exists = false;
    Start(write, [&] { exists = KeyExists(key); });
    if (!write)
        return exists;
    try
    {
        return KeyExists(key);
    }
    catch (...)
    {
        Rollback();
        throw;
    }
}

void RegistryDb::Commit()
{
    RunPrepared("COMMIT");
}

void RegistryDb::Rollback() noexcept
{
    if (sqlite3_get_autocommit(m_db) == 0)
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
}

void RegistryDb::Savepoint()
{
    RunPrepared("SAVEPOINT call");
}

void RegistryDb::Release()
{
    RunPrepared("RELEASE call");
}

void RegistryDb::RollbackToSavepoint() noexcept
{
    try
    {
        RunPrepared("ROLLBACK TO call");
        RunPrepared("RELEASE call");
    }
    catch (...)
    {
        // As with a failing ROLLBACK: the outer transaction's end sorts it out.
    }
}

KeyId RegistryDb::RootId(HKEY root)
{
    // The predefined values are sign-extended LONGs, so compare with the definitions themselves.
    if (root == HKEY_CLASSES_ROOT)
        return 1;
    if (root == HKEY_CURRENT_USER)
        return 2;
    if (root == HKEY_LOCAL_MACHINE)
        return 3;
    if (root == HKEY_USERS)
        return 4;
    return 0;
}

bool RegistryDb::KeyExists(KeyId key)
{
    Statement& st = Prepared("SELECT 1 FROM keys WHERE id = ?1");
    ResetOnExit reset{st};
    return st.Bind(1, key).Step();
}

std::optional<KeyId> RegistryDb::FindChild(KeyId parent, std::u16string_view name)
{
    Statement& st = Prepared("SELECT id FROM keys WHERE parent = ?1 AND fold = ?2");
    ResetOnExit reset{st};
    if (!st.Bind(1, parent).Bind(2, FoldName(name)).Step())
        return std::nullopt;
    return st.Int(0);
}

KeyId RegistryDb::CreateChild(KeyId parent, std::u16string_view name)
{
    {
        Statement& st = Prepared("INSERT INTO keys(parent, name, fold, written) VALUES(?1, ?2, ?3, ?4)");
        ResetOnExit reset{st};
        st.Bind(1, parent)
            .Bind(2, name)
            .Bind(3, FoldName(name))
            .Bind(4, static_cast<std::int64_t>(FileTimeNow()));
        st.Run();
    }
    Touch(parent);
    return sqlite3_last_insert_rowid(m_db);
}

std::optional<KeyId> RegistryDb::ParentOf(KeyId key)
{
    Statement& st = Prepared("SELECT parent FROM keys WHERE id = ?1 AND parent IS NOT NULL");
    ResetOnExit reset{st};
    if (!st.Bind(1, key).Step())
        return std::nullopt;
    return st.Int(0);
}

std::optional<std::pair<KeyId, std::u16string>> RegistryDb::ChildAt(KeyId parent, DWORD index)
{
    Statement& st = Prepared("SELECT id, name FROM keys WHERE parent = ?1 ORDER BY id LIMIT 1 OFFSET ?2");
    ResetOnExit reset{st};
    if (!st.Bind(1, parent).Bind(2, static_cast<std::int64_t>(index)).Step())
        return std::nullopt;
    return std::make_pair(st.Int(0), st.Text16(1));
}

void RegistryDb::DeleteTree(KeyId key)
{
    {
        Statement& st = Prepared("WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL"
                                 " SELECT keys.id FROM keys JOIN tree ON keys.parent = tree.id)"
                                 " DELETE FROM vals WHERE key IN tree");
        ResetOnExit reset{st};
        st.Bind(1, key).Run();
    }
    Statement& st = Prepared("WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL"
                             " SELECT keys.id FROM keys JOIN tree ON keys.parent = tree.id)"
                             " DELETE FROM keys WHERE id IN tree");
    ResetOnExit reset{st};
    st.Bind(1, key).Run();
}

std::optional<ValueRecord> RegistryDb::GetValue(KeyId key, std::u16string_view name)
{
    Statement& st = Prepared("SELECT name, type, data FROM vals WHERE key = ?1 AND fold = ?2");
    ResetOnExit reset{st};
    if (!st.Bind(1, key).Bind(2, FoldName(name)).Step())
        return std::nullopt;
    return ValueRecord{st.Text16(0), static_cast<DWORD>(st.Int(1)), st.Blob(2)};
}

std::optional<ValueRecord> RegistryDb::ValueAt(KeyId key, DWORD index)
{
    Statement& st =
        Prepared("SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY seq LIMIT 1 OFFSET ?2");
    ResetOnExit reset{st};
    if (!st.Bind(1, key).Bind(2, static_cast<std::int64_t>(index)).Step())
        return std::nullopt;
    return ValueRecord{st.Text16(0), static_cast<DWORD>(st.Int(1)), st.Blob(2)};
}

void RegistryDb::SetValue(KeyId key, std::u16string_view name, DWORD type, std::span<const BYTE> data)
{
    const std::u16string fold = FoldName(name);
    bool updated;
    {
        Statement& st = Prepared("UPDATE vals SET type = ?3, data = ?4 WHERE key = ?1 AND fold = ?2");
        ResetOnExit reset{st};
        st.Bind(1, key).Bind(2, fold).Bind(3, static_cast<std::int64_t>(type)).Bind(4, data).Run();
        updated = sqlite3_changes(m_db) > 0;
    }
    if (!updated)
    {
        Statement& st = Prepared("INSERT INTO vals(key, name, fold, type, data) VALUES(?1, ?2, ?3, ?4, ?5)");
        ResetOnExit reset{st};
        st.Bind(1, key)
            .Bind(2, name)
            .Bind(3, fold)
            .Bind(4, static_cast<std::int64_t>(type))
            .Bind(5, data)
            .Run();
    }
    Touch(key);
}

bool RegistryDb::DeleteValue(KeyId key, std::u16string_view name)
{
    bool deleted;
    {
        Statement& st = Prepared("DELETE FROM vals WHERE key = ?1 AND fold = ?2");
        ResetOnExit reset{st};
        st.Bind(1, key).Bind(2, FoldName(name)).Run();
        deleted = sqlite3_changes(m_db) > 0;
    }
    if (deleted)
        Touch(key);
    return deleted;
}

KeyInfo RegistryDb::Info(KeyId key)
{
    KeyInfo info;
    {
        Statement& st =
            Prepared("SELECT count(*), coalesce(max(length(name)), 0) FROM keys WHERE parent = ?1");
        ResetOnExit reset{st};
        if (st.Bind(1, key).Step())
        {
            info.subKeys = static_cast<DWORD>(st.Int(0));
            info.maxSubKeyLen = static_cast<DWORD>(st.Int(1) / 2);
        }
    }
    {
        Statement& st =
            Prepared("SELECT count(*), coalesce(max(length(name)), 0), coalesce(max(length(data)), 0)"
                     " FROM vals WHERE key = ?1");
        ResetOnExit reset{st};
        if (st.Bind(1, key).Step())
        {
            info.values = static_cast<DWORD>(st.Int(0));
            info.maxValueNameLen = static_cast<DWORD>(st.Int(1) / 2);
            info.maxValueLen = static_cast<DWORD>(st.Int(2));
        }
    }
    info.written = WriteTime(key);
    return info;
}

std::uint64_t RegistryDb::WriteTime(KeyId key)
{
    Statement& st = Prepared("SELECT written FROM keys WHERE id = ?1");
    ResetOnExit reset{st};
    return st.Bind(1, key).Step() ? static_cast<std::uint64_t>(st.Int(0)) : 0;
}

void RegistryDb::Touch(KeyId key)
{
    Statement& st = Prepared("UPDATE keys SET written = ?2 WHERE id = ?1");
    ResetOnExit reset{st};
    st.Bind(1, key).Bind(2, static_cast<std::int64_t>(FileTimeNow())).Run();
}

} // namespace ce::registry
