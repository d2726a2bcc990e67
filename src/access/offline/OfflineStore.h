// The LMDB environment of the offline cache, <home>/cache (0700, files 0600): one per home and
// process, shared by the processes of the home through LMDB's own locking. Keys and values are
// opaque bytes here (OfflineCache names and encrypts them).
//
// A damaged environment (a file LMDB does not accept, or a page it cannot find) is reported
// through the reporter, set aside as data.mdb.damaged and made afresh: the cache loses what it
// held, the process goes on.
#pragma once

#include <lmdb.h>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace ridge::access {

class OfflineStore {
public:
    using Reporter = std::function<void(const std::string&)>;

    // Opens (or creates) the environment in dir; fails -199 (settings) when dir cannot be used.
    OfflineStore(std::string dir, Reporter report);
    ~OfflineStore();
    OfflineStore(const OfflineStore&) = delete;
    OfflineStore& operator=(const OfflineStore&) = delete;

    const std::string& dir() const { return m_dir; }
    std::optional<std::string> get(std::string_view key);
    void put(std::string_view key, std::string_view value);
    // True when there was a value.
    bool remove(std::string_view key);
    // Every key beginning with prefix, with its value, in key order.
    void forEach(std::string_view prefix,
                 const std::function<void(std::string_view key, std::string_view value)>& visit);
    // Reads the value at key, lets change make the new one (nullopt: remove it) and writes it,
    // in one write transaction (no other process changes it in between).
    void update(
        std::string_view key,
        const std::function<std::optional<std::string>(std::optional<std::string>)>& change);
    // Removes every key beginning with prefix (all with ""); returns how many.
    size_t removeAll(std::string_view prefix);

private:
    void openEnvironment();
    void closeEnvironment();
    // After an LMDB error: rebuilds a damaged environment (true), else throws.
    bool recover(int rc, const char* doing);
    template <class Work>
    auto guarded(const char* doing, Work&& work) -> decltype(work());

    std::string m_dir;
    Reporter m_report;
    std::mutex m_mutex;  // reopening; LMDB itself serialises writers
    MDB_env* m_env = nullptr;
    MDB_dbi m_dbi = 0;
};

}  // namespace ridge::access
