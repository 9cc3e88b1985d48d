// Cost of reading one registry value (open key, query the default value,
// close) in a hive of 10000 keys, against a plain SQLite point query of the
// same value in the same file.
#include "platform/registry.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kKeys = 10000;
constexpr int kReads = 20000;

using Clock = std::chrono::steady_clock;

double MicrosecondsPer(Clock::time_point start, int count) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / count;
}

std::string KeyPath(int i) {
    return "Software\\Bench\\Key" + std::to_string(i);
}

bool FillHive() {
    for (int i = 0; i < kKeys; ++i) {
        HKEY key = nullptr;
        const std::string value = "C:\\Program Files\\Product " + std::to_string(i) + "\\";
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, KeyPath(i).c_str(), 0, nullptr, 0, KEY_WRITE,
                            nullptr, &key, nullptr) != ERROR_SUCCESS)
            return false;
        const LONG set =
            RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.data()),
                           static_cast<DWORD>(value.size()));
        RegCloseKey(key);
        if (set != ERROR_SUCCESS)
            return false;
    }
    return true;
}

double RegistryReads(const std::vector<int>& order) {
    char buffer[MAX_PATH];
    int failures = 0;
    const auto start = Clock::now();
    for (const int i : order) {
        HKEY key = nullptr;
        DWORD size = sizeof buffer;
        failures += RegOpenKeyExA(HKEY_LOCAL_MACHINE, KeyPath(i).c_str(), 0, KEY_QUERY_VALUE,
                                  &key) != ERROR_SUCCESS;
        failures += RegQueryValueExA(key, "", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                                     &size) != ERROR_SUCCESS;
        RegCloseKey(key);
    }
    const double perRead = MicrosecondsPer(start, static_cast<int>(order.size()));
    if (failures)
        std::printf("registry reads failed: %d\n", failures);
    return perRead;
}

// The value of a key by its name below the benchmark's key: one indexed
// lookup of the key and one of its value, on a connection of its own.
double SqliteReads(const std::string& file, const std::vector<int>& order) {
    sqlite3* db = nullptr;
    sqlite3_stmt* query = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db,
                           "SELECT v.data FROM keys k JOIN key_values v"
                           " ON v.key_id = k.id AND v.name_folded = ''"
                           " WHERE k.parent = (SELECT id FROM keys WHERE name_folded = 'bench'"
                           "   AND parent = (SELECT id FROM keys WHERE parent = 1"
                           "     AND name_folded = 'software'))"
                           " AND k.name_folded = ?",
                           -1, &query, nullptr) != SQLITE_OK) {
        std::printf("sqlite reference failed: %s\n", sqlite3_errmsg(db));
        sqlite3_close(db);
        return 0;
    }
    std::size_t bytes = 0;
    const auto start = Clock::now();
    for (const int i : order) {
        const std::string name = "key" + std::to_string(i);
        sqlite3_bind_text(query, 1, name.c_str(), static_cast<int>(name.size()), SQLITE_STATIC);
        if (sqlite3_step(query) == SQLITE_ROW)
            bytes += static_cast<std::size_t>(sqlite3_column_bytes(query, 0));
        sqlite3_reset(query);
    }
    const double perRead = MicrosecondsPer(start, static_cast<int>(order.size()));
    sqlite3_finalize(query);
    sqlite3_close(db);
    if (bytes == 0)
        std::printf("sqlite reference read nothing\n");
    return perRead;
}

} // namespace

int main() {
    const fs::path root = fs::temp_directory_path() /
                          ("qvu-bench-registry-" + std::to_string(std::random_device()()));
    fs::create_directories(root);
    setenv("QVU_ROOT", root.c_str(), 1);

    const auto fillStart = Clock::now();
    if (!FillHive()) {
        std::printf("cannot fill the hive under %s\n", root.c_str());
        fs::remove_all(root);
        return 1;
    }
    std::printf("filled %d keys: %.1f us per key written\n", kKeys,
                MicrosecondsPer(fillStart, kKeys));

    std::mt19937 random(42);
    std::vector<int> order(kReads);
    for (int& i : order)
        i = static_cast<int>(random() % kKeys);

    const double registry = RegistryReads(order);
    const double sqlite = SqliteReads((root / "registry" / "machine.db").string(), order);
    std::printf("registry read (open + query + close): %.2f us\n", registry);
    std::printf("sqlite point query (reference):       %.2f us\n", sqlite);
    if (sqlite > 0)
        std::printf("ratio: %.1f\n", registry / sqlite);
    fs::remove_all(root);
    return 0;
}
