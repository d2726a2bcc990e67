#include "OfflineStore.h"

#include <AccessAPI.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "Status.h"

namespace ridge::access {

namespace {

// Sparse on disk: the files grow with what is written, not to this.
constexpr size_t kMapBytes = size_t(256) << 20;

struct TxnAbort {
    void operator()(MDB_txn* t) const {
        if (t)
            mdb_txn_abort(t);
    }
};
using Txn = std::unique_ptr<MDB_txn, TxnAbort>;

struct CursorClose {
    void operator()(MDB_cursor* c) const { mdb_cursor_close(c); }
};
using Cursor = std::unique_ptr<MDB_cursor, CursorClose>;

class LmdbError {
public:
    explicit LmdbError(int rc) : code(rc) {}
    int code;
};

void check(int rc) {
    if (rc != MDB_SUCCESS)
        throw LmdbError(rc);
}

bool damaged(int rc) {
    return rc == MDB_CORRUPTED || rc == MDB_INVALID || rc == MDB_VERSION_MISMATCH ||
           rc == MDB_PAGE_NOTFOUND || rc == MDB_BAD_TXN;
}

MDB_val val(std::string_view s) {
    return {s.size(), const_cast<char*>(s.data())};
}
std::string_view view(const MDB_val& v) {
    return {static_cast<const char*>(v.mv_data), v.mv_size};
}

}  // namespace

OfflineStore::OfflineStore(std::string dir, Reporter report)
    : m_dir(std::move(dir)), m_report(std::move(report)) {
    if (::mkdir(m_dir.c_str(), 0700) != 0 && errno != EEXIST)
        fail(AS_ERR_SETTINGS, "offline cache folder " + m_dir + " cannot be made");
    ::chmod(m_dir.c_str(), 0700);
    std::lock_guard lock(m_mutex);
    try {
        openEnvironment();
    } catch (const LmdbError& e) {
        if (!recover(e.code, "opening"))
            fail(AS_ERR_SETTINGS, "offline cache " + m_dir + ": " + mdb_strerror(e.code));
    }
}

OfflineStore::~OfflineStore() {
    closeEnvironment();
}

void OfflineStore::openEnvironment() {
    check(mdb_env_create(&m_env));
    try {
        check(mdb_env_set_mapsize(m_env, kMapBytes));
        // Threads of the host come and go: read transactions are not tied to them.
        // The cache is rebuilt by the next online sign-ons: the last write may be lost in a
        // system crash (MDB_NOMETASYNC keeps the database whole), saving a flush per write.
        check(mdb_env_open(m_env, m_dir.c_str(), MDB_NOTLS | MDB_NOMETASYNC, 0600));
        Txn txn;
        MDB_txn* t = nullptr;
        check(mdb_txn_begin(m_env, nullptr, 0, &t));
        txn.reset(t);
        check(mdb_dbi_open(t, nullptr, 0, &m_dbi));
        check(mdb_txn_commit(txn.release()));
    } catch (...) {
        closeEnvironment();
        throw;
    }
}

void OfflineStore::closeEnvironment() {
    if (m_env)
        mdb_env_close(m_env);
    m_env = nullptr;
}

bool OfflineStore::recover(int rc, const char* doing) {
    if (!damaged(rc))
        return false;
    closeEnvironment();
    const std::string data = m_dir + "/data.mdb";
    std::rename(data.c_str(), (data + ".damaged").c_str());
    ::unlink((m_dir + "/lock.mdb").c_str());
    if (m_report)
        m_report("offline cache " + m_dir + " was damaged (" + mdb_strerror(rc) + " while " +
                 doing + "): set aside as data.mdb.damaged and made afresh");
    try {
        openEnvironment();
    } catch (const LmdbError& e) {
        fail(AS_ERR_SETTINGS, "offline cache " + m_dir + ": " + mdb_strerror(e.code));
    }
    return true;
}

template <class Work>
auto OfflineStore::guarded(const char* doing, Work&& work) -> decltype(work()) {
    std::lock_guard lock(m_mutex);
    for (int attempt = 0;; ++attempt) {
        try {
            if (!m_env)
                openEnvironment();
            return work();
        } catch (const LmdbError& e) {
            if (attempt > 0 || !recover(e.code, doing))
                fail(AS_ERR_INTERNAL,
                     std::string("offline cache ") + doing + ": " + mdb_strerror(e.code));
        }
    }
}

std::optional<std::string> OfflineStore::get(std::string_view key) {
    return guarded("reading", [&]() -> std::optional<std::string> {
        MDB_txn* t = nullptr;
        check(mdb_txn_begin(m_env, nullptr, MDB_RDONLY, &t));
        Txn txn(t);
        MDB_val k = val(key), v{};
        const int rc = mdb_get(t, m_dbi, &k, &v);
        if (rc == MDB_NOTFOUND)
            return std::nullopt;
        check(rc);
        return std::string(view(v));
    });
}

void OfflineStore::put(std::string_view key, std::string_view value) {
    update(key, [&](std::optional<std::string>) { return std::string(value); });
}

bool OfflineStore::remove(std::string_view key) {
    bool had = false;
    update(key, [&](std::optional<std::string> old) -> std::optional<std::string> {
        had = old.has_value();
        return std::nullopt;
    });
    return had;
}

void OfflineStore::update(
    std::string_view key,
    const std::function<std::optional<std::string>(std::optional<std::string>)>& change) {
    guarded("writing", [&] {
        MDB_txn* t = nullptr;
        check(mdb_txn_begin(m_env, nullptr, 0, &t));
        Txn txn(t);
        MDB_val k = val(key), v{};
        std::optional<std::string> old;
        const int rc = mdb_get(t, m_dbi, &k, &v);
        if (rc != MDB_NOTFOUND) {
            check(rc);
            old = std::string(view(v));
        }
        const bool had = old.has_value();
        auto next = change(std::move(old));
        if (next) {
            MDB_val nv = val(*next);
            check(mdb_put(t, m_dbi, &k, &nv, 0));
        } else if (had) {
            check(mdb_del(t, m_dbi, &k, nullptr));
        }
        check(mdb_txn_commit(txn.release()));
        return 0;
    });
}

void OfflineStore::forEach(
    std::string_view prefix,
    const std::function<void(std::string_view key, std::string_view value)>& visit) {
    guarded("reading", [&] {
        MDB_txn* t = nullptr;
        check(mdb_txn_begin(m_env, nullptr, MDB_RDONLY, &t));
        Txn txn(t);
        MDB_cursor* c = nullptr;
        check(mdb_cursor_open(t, m_dbi, &c));
        Cursor cursor(c);
        MDB_val k = val(prefix), v{};
        int rc = mdb_cursor_get(c, &k, &v, prefix.empty() ? MDB_FIRST : MDB_SET_RANGE);
        while (rc == MDB_SUCCESS && view(k).substr(0, prefix.size()) == prefix) {
            visit(view(k), view(v));
            rc = mdb_cursor_get(c, &k, &v, MDB_NEXT);
        }
        if (rc != MDB_NOTFOUND)
            check(rc);
        return 0;
    });
}

size_t OfflineStore::removeAll(std::string_view prefix) {
    return guarded("writing", [&] {
        MDB_txn* t = nullptr;
        check(mdb_txn_begin(m_env, nullptr, 0, &t));
        Txn txn(t);
        std::vector<std::string> keys;
        {
            MDB_cursor* c = nullptr;
            check(mdb_cursor_open(t, m_dbi, &c));
            Cursor cursor(c);
            MDB_val k = val(prefix), v{};
            int rc = mdb_cursor_get(c, &k, &v, prefix.empty() ? MDB_FIRST : MDB_SET_RANGE);
            while (rc == MDB_SUCCESS && view(k).substr(0, prefix.size()) == prefix) {
                keys.emplace_back(view(k));
                rc = mdb_cursor_get(c, &k, &v, MDB_NEXT);
            }
            if (rc != MDB_NOTFOUND)
                check(rc);
        }
        for (const auto& key : keys) {
            MDB_val k = val(key);
            check(mdb_del(t, m_dbi, &k, nullptr));
        }
        check(mdb_txn_commit(txn.release()));
        return keys.size();
    });
}

}  // namespace ridge::access
