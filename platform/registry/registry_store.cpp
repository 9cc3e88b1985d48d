#include "platform/registry/registry_store.h"

#include "platform/strings.h"

#include <new>
#include <sqlite3.h>
#include <unistd.h>

namespace platform::registry {

namespace {

struct SqliteFailure {
    int code;
};

constexpr int kSchemaVersion = 1;
// Long enough to wait out another process's write, short enough to notice a hung one.
constexpr int kBusyTimeoutMs = 10000;
// The log file is kept between uses (see OpenIfNeeded); this bounds what it keeps.
constexpr const char* kLogSizeLimit = "PRAGMA journal_size_limit=1048576";

LONG ErrorFromSqlite(int code) {
    switch (code & 0xff) {
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
    case SQLITE_CANTOPEN:
        return ERROR_ACCESS_DENIED;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
    case SQLITE_FORMAT:
        return ERROR_BADDB;
    case SQLITE_FULL:
        return ERROR_DISK_FULL;
    case SQLITE_NOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_TOOBIG:
        return ERROR_INVALID_PARAMETER;
    default:
        return ERROR_REGISTRY_IO_FAILED;
    }
}

} // namespace

// A cached statement in use: bound in order, reset when done so that it holds no lock.
struct Hive::Statement {
    Statement(Hive& hive, const char* sql) : stmt(hive.Prepared(sql)) {}
    ~Statement() {
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Bind(std::int64_t number) {
        Check(sqlite3_bind_int64(stmt, ++position, number));
        return *this;
    }
    // Texts and data are bound as given, byte for byte ("" rather than NULL when empty).
    Statement& Bind(std::string_view bytes) {
        Check(sqlite3_bind_text(stmt, ++position, bytes.empty() ? "" : bytes.data(),
                                static_cast<int>(bytes.size()), SQLITE_TRANSIENT));
        return *this;
    }
    Statement& BindBlob(std::string_view bytes) {
        Check(sqlite3_bind_blob(stmt, ++position, bytes.empty() ? "" : bytes.data(),
                                static_cast<int>(bytes.size()), SQLITE_TRANSIENT));
        return *this;
    }
    bool Step() {
        const int rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        throw SqliteFailure{rc};
    }
    std::int64_t Number(int column) { return sqlite3_column_int64(stmt, column); }
    std::string Bytes(int column) {
        const void* data = sqlite3_column_blob(stmt, column);
        const int size = sqlite3_column_bytes(stmt, column);
        return data ? std::string(static_cast<const char*>(data), size) : std::string();
    }
    static void Check(int rc) {
        if (rc != SQLITE_OK)
            throw SqliteFailure{rc};
    }

    sqlite3_stmt* stmt;
    int position = 0;
};

Hive::Hive(std::string path) : path_(std::move(path)) {}

Hive::~Hive() {
    if (db_ == nullptr || openedBy_ != getpid())
        return;
    for (auto& [sql, stmt] : statements_)
        sqlite3_finalize(stmt);
    sqlite3_close(db_);
}

LONG Hive::Read(const std::function<LONG(HiveTransaction&)>& work) {
    return Run(false, work);
}

LONG Hive::Write(const std::function<LONG(HiveTransaction&)>& work) {
    return Run(true, work);
}

LONG Hive::WriteAccess() {
    std::lock_guard<std::mutex> guard(lock_);
    try {
        OpenIfNeeded();
    } catch (const SqliteFailure& failure) {
        return ErrorFromSqlite(failure.code);
    }
    return writable_ ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

LONG Hive::Run(bool write, const std::function<LONG(HiveTransaction&)>& work) {
    std::lock_guard<std::mutex> guard(lock_);
    try {
        OpenIfNeeded();
        if (write && !writable_)
            return ERROR_ACCESS_DENIED;
        // IMMEDIATE takes the write lock at once, so that a busy hive is
        // waited for here instead of failing halfway through the work.
        Execute(write ? "BEGIN IMMEDIATE" : "BEGIN");
        try {
            HiveTransaction transaction(*this);
            const LONG result = work(transaction);
            Execute(result == ERROR_SUCCESS ? "COMMIT" : "ROLLBACK");
            return result;
        } catch (...) {
            if (!sqlite3_get_autocommit(db_))
                sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    } catch (const SqliteFailure& failure) {
        return ErrorFromSqlite(failure.code);
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

void Hive::OpenIfNeeded() {
    if (db_ != nullptr && openedBy_ == getpid())
        return;
    // A connection must not be used on both sides of a fork: a child leaves
    // the parent's connection untouched (closing it could disturb the
    // parent's locks) and opens one of its own.
    db_ = nullptr;
    statements_.clear();

    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(
        path_.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_NOFOLLOW,
        nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close(db);
        throw SqliteFailure{rc};
    }
    db_ = db;
    openedBy_ = getpid();
    try {
        sqlite3_busy_timeout(db_, kBusyTimeoutMs);
        // The log files stay when the last connection closes, so that
        // accounts that may only read the hive can still open it.
        int persist = 1;
        sqlite3_file_control(db_, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
        writable_ = sqlite3_db_readonly(db_, "main") == 0 && access(path_.c_str(), W_OK) == 0;
        Execute("PRAGMA journal_mode=WAL");
        Execute("PRAGMA synchronous=NORMAL");
        Execute(kLogSizeLimit);
        if (writable_)
            CreateSchema();
    } catch (...) {
        sqlite3_close(db_);
        db_ = nullptr;
        throw;
    }
}

void Hive::CreateSchema() {
    sqlite3_stmt* version = nullptr;
    Statement::Check(sqlite3_prepare_v2(db_, "PRAGMA user_version", -1, &version, nullptr));
    const bool current =
        sqlite3_step(version) == SQLITE_ROW && sqlite3_column_int(version, 0) == kSchemaVersion;
    sqlite3_finalize(version);
    if (current)
        return;
    Execute("BEGIN IMMEDIATE");
    try {
        Execute("CREATE TABLE IF NOT EXISTS keys(id INTEGER PRIMARY KEY AUTOINCREMENT,"
                " parent INTEGER NOT NULL, name TEXT NOT NULL, name_folded TEXT NOT NULL)");
        Execute("CREATE UNIQUE INDEX IF NOT EXISTS keys_by_parent ON keys(parent, name_folded)");
        Execute("CREATE TABLE IF NOT EXISTS key_values(key_id INTEGER NOT NULL,"
                " name_folded TEXT NOT NULL, name TEXT NOT NULL, type INTEGER NOT NULL,"
                " data BLOB NOT NULL)");
        Execute("CREATE UNIQUE INDEX IF NOT EXISTS values_by_key"
                " ON key_values(key_id, name_folded)");
        Execute("INSERT OR IGNORE INTO keys(id, parent, name, name_folded) VALUES(1, 0, '', '')");
        Execute("PRAGMA user_version=1");
        Execute("COMMIT");
    } catch (...) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void Hive::Execute(const char* sql) {
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw SqliteFailure{rc};
}

sqlite3_stmt* Hive::Prepared(const char* sql) {
    auto found = statements_.find(sql);
    if (found != statements_.end())
        return found->second;
    sqlite3_stmt* stmt = nullptr;
    Statement::Check(sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr));
    statements_.emplace(sql, stmt);
    return stmt;
}

bool HiveTransaction::KeyExists(KeyId key) {
    return Hive::Statement(hive_, "SELECT 1 FROM keys WHERE id = ?").Bind(key).Step();
}

KeyId HiveTransaction::FindSubKey(KeyId parent, std::string_view name) {
    Hive::Statement find(hive_, "SELECT id FROM keys WHERE parent = ? AND name_folded = ?");
    return find.Bind(parent).Bind(ascii::ToLower(name)).Step() ? find.Number(0) : 0;
}

KeyId HiveTransaction::CreateSubKey(KeyId parent, std::string_view name) {
    Hive::Statement(hive_, "INSERT INTO keys(parent, name, name_folded) VALUES(?, ?, ?)")
        .Bind(parent)
        .Bind(name)
        .Bind(ascii::ToLower(name))
        .Step();
    return sqlite3_last_insert_rowid(hive_.db_);
}

std::optional<std::string> HiveTransaction::SubKeyAt(KeyId parent, DWORD index) {
    Hive::Statement at(
        hive_, "SELECT name FROM keys WHERE parent = ? ORDER BY name_folded LIMIT 1 OFFSET ?");
    if (!at.Bind(parent).Bind(index).Step())
        return std::nullopt;
    return at.Bytes(0);
}

bool HiveTransaction::HasSubKeys(KeyId key) {
    return Hive::Statement(hive_, "SELECT 1 FROM keys WHERE parent = ? LIMIT 1").Bind(key).Step();
}

void HiveTransaction::DeleteKey(KeyId key) {
    Hive::Statement(hive_, "DELETE FROM key_values WHERE key_id = ?").Bind(key).Step();
    Hive::Statement(hive_, "DELETE FROM keys WHERE id = ?").Bind(key).Step();
}

namespace {

StoredValue ValueFromRow(Hive::Statement& row) {
    return StoredValue{row.Bytes(0), static_cast<DWORD>(row.Number(1)), row.Bytes(2)};
}

} // namespace

std::optional<StoredValue> HiveTransaction::FindValue(KeyId key, std::string_view name) {
    Hive::Statement find(
        hive_, "SELECT name, type, data FROM key_values WHERE key_id = ? AND name_folded = ?");
    if (!find.Bind(key).Bind(ascii::ToLower(name)).Step())
        return std::nullopt;
    return ValueFromRow(find);
}

std::optional<StoredValue> HiveTransaction::ValueAt(KeyId key, DWORD index) {
    Hive::Statement at(hive_, "SELECT name, type, data FROM key_values WHERE key_id = ?"
                              " ORDER BY name_folded LIMIT 1 OFFSET ?");
    if (!at.Bind(key).Bind(index).Step())
        return std::nullopt;
    return ValueFromRow(at);
}

void HiveTransaction::SetValue(KeyId key, std::string_view name, DWORD type,
                               std::string_view data) {
    // An existing value keeps the case of its name, as the registry does.
    Hive::Statement(hive_, "INSERT INTO key_values(key_id, name_folded, name, type, data)"
                           " VALUES(?, ?, ?, ?, ?) ON CONFLICT(key_id, name_folded)"
                           " DO UPDATE SET type = excluded.type, data = excluded.data")
        .Bind(key)
        .Bind(ascii::ToLower(name))
        .Bind(name)
        .Bind(type)
        .BindBlob(data)
        .Step();
}

bool HiveTransaction::DeleteValue(KeyId key, std::string_view name) {
    Hive::Statement(hive_, "DELETE FROM key_values WHERE key_id = ? AND name_folded = ?")
        .Bind(key)
        .Bind(ascii::ToLower(name))
        .Step();
    return sqlite3_changes(hive_.db_) > 0;
}

KeyCounts HiveTransaction::Counts(KeyId key) {
    KeyCounts counts;
    Hive::Statement keys(hive_, "SELECT count(*), coalesce(max(length(CAST(name AS BLOB))), 0)"
                                " FROM keys WHERE parent = ?");
    if (keys.Bind(key).Step()) {
        counts.subKeys = static_cast<DWORD>(keys.Number(0));
        counts.longestSubKeyName = static_cast<DWORD>(keys.Number(1));
    }
    Hive::Statement values(hive_,
                           "SELECT count(*), coalesce(max(length(CAST(name AS BLOB))), 0),"
                           " coalesce(max(length(data)), 0) FROM key_values WHERE key_id = ?");
    if (values.Bind(key).Step()) {
        counts.values = static_cast<DWORD>(values.Number(0));
        counts.longestValueName = static_cast<DWORD>(values.Number(1));
        counts.longestValueData = static_cast<DWORD>(values.Number(2));
    }
    return counts;
}

} // namespace platform::registry
