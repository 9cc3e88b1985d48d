// For platform/ only: one registry hive, a SQLite file of keys and values.
//
// Every operation runs in a transaction of its own, so that several processes
// and threads may use one hive at once and a crash leaves the last committed
// state; no transaction stays open between calls.
#pragma once

#include "platform/win_types.h"

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

struct sqlite3;
struct sqlite3_stmt;

namespace platform::registry {

using KeyId = std::int64_t;
// The hive's own top key, which has no name.
constexpr KeyId kHiveRoot = 1;

struct StoredValue {
    std::string name;
    DWORD type = 0;
    std::string data;
};

struct KeyCounts {
    DWORD subKeys = 0;
    DWORD longestSubKeyName = 0;
    DWORD values = 0;
    DWORD longestValueName = 0;
    DWORD longestValueData = 0;
};

// The key and value operations, valid inside one transaction of a hive. Names
// are looked up without regard to (ASCII) case.
class HiveTransaction {
public:
    explicit HiveTransaction(class Hive& hive) : hive_(hive) {}

    bool KeyExists(KeyId key);
    // 0 when there is no such subkey.
    KeyId FindSubKey(KeyId parent, std::string_view name);
    KeyId CreateSubKey(KeyId parent, std::string_view name);
    std::optional<std::string> SubKeyAt(KeyId parent, DWORD index);
    bool HasSubKeys(KeyId key);
    // Deletes the key with its values; its subkeys must be gone already.
    void DeleteKey(KeyId key);

    std::optional<StoredValue> FindValue(KeyId key, std::string_view name);
    std::optional<StoredValue> ValueAt(KeyId key, DWORD index);
    void SetValue(KeyId key, std::string_view name, DWORD type, std::string_view data);
    bool DeleteValue(KeyId key, std::string_view name);

    KeyCounts Counts(KeyId key);

private:
    Hive& hive_;
};

class Hive {
public:
    // The file must exist; it is opened on first use.
    explicit Hive(std::string path);
    ~Hive();
    Hive(const Hive&) = delete;
    Hive& operator=(const Hive&) = delete;

    // Runs work in a read or write transaction under the hive's lock. Work
    // answers a system error code; only ERROR_SUCCESS commits. Store failures
    // are answered as system error codes (a write to a hive this process may
    // not change: ERROR_ACCESS_DENIED; a damaged file: ERROR_BADDB).
    LONG Read(const std::function<LONG(HiveTransaction&)>& work);
    LONG Write(const std::function<LONG(HiveTransaction&)>& work);

    // ERROR_SUCCESS when this process may change the hive, ERROR_ACCESS_DENIED
    // when it may only read it, or why it cannot be opened.
    LONG WriteAccess();

    // A prepared query of the hive's connection (used by the transactions).
    struct Statement;

private:
    friend class HiveTransaction;

    LONG Run(bool write, const std::function<LONG(HiveTransaction&)>& work);
    void OpenIfNeeded();
    void CreateSchema();
    void Execute(const char* sql);
    sqlite3_stmt* Prepared(const char* sql);

    std::string path_;
    std::mutex lock_;
    sqlite3* db_ = nullptr;
    pid_t openedBy_ = 0;
    bool writable_ = false;
    std::map<const char*, sqlite3_stmt*> statements_;
};

} // namespace platform::registry
