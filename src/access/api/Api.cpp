#include "Api.h"

#include <new>

#include "Process.h"

namespace ridge::access {

namespace {

struct ThreadError {
    int32_t code = 0;
    std::string detail;
    std::string reason;
};
thread_local ThreadError t_error;
thread_local std::string t_server;

struct Outcome {
    int32_t code = AS_OK;
    std::string detail;
    std::string reason;
};

// Runs body; any failure becomes a status with its texts.
template <class Body>
Outcome run(Body&& body) {
    Outcome o;
    o.code = AS_ERR_INTERNAL;
    try {
        o.code = body();
    } catch (const AccessError& e) {
        o.code = e.code();
        o.detail = e.detail();
        o.reason = e.reason();
    } catch (const std::bad_alloc&) {
        o.code = AS_ERR_NO_MEMORY;
    } catch (const std::exception& e) {
        o.code = AS_ERR_INTERNAL;
        o.detail = e.what();
    } catch (...) {
        o.code = AS_ERR_INTERNAL;
    }
    return o;
}

// Records a failure as the thread's (and the session's) last error; returns its code.
int32_t record(Session* session, Outcome o) {
    if (o.code >= 0)
        return o.code;
    try {
        if (session && o.code == AS_ERR_SERVER_UNREACHABLE)
            session->connectionLost();
        if (session)
            session->setError(o.code, o.detail, o.reason);
        setThreadError(o.code, std::move(o.detail), std::move(o.reason));
    } catch (...) {
    }
    return o.code;
}

template <class Body>
int32_t guarded(Session* session, Body&& body) {
    return record(session, run(std::forward<Body>(body)));
}

// Forgets the thread's last error, keeping the texts' storage for the next one.
void clearThreadError() {
    t_error.code = 0;
    t_error.detail.clear();
    t_error.reason.clear();
}

}  // namespace

void setThreadError(int32_t code, std::string detail, std::string reason) {
    t_error.code = code;
    t_error.detail = std::move(detail);
    t_error.reason = std::move(reason);
}

void setThreadServer(std::string_view server) {
    t_server.assign(server);
}

const std::string& threadServer() {
    return t_server;
}

int32_t threadErrorCode() {
    return t_error.code;
}
const std::string& threadErrorDetail() {
    return t_error.detail;
}
const std::string& threadErrorReason() {
    return t_error.reason;
}

int32_t withProcess(FunctionRef<int32_t()> body, bool requireInit, OnSuccess onSuccess) {
    if (onSuccess == OnSuccess::ClearLastError)
        clearThreadError();
    return guarded(nullptr, [&] {
        if (requireInit && !Process::instance().initialized())
            fail(AS_ERR_NOT_INITIALIZED);
        return body();
    });
}

int32_t withHandle(AS_Handle h, FunctionRef<int32_t(Session&)> body, OnSuccess onSuccess) {
    if (onSuccess == OnSuccess::ClearLastError)
        clearThreadError();
    std::shared_ptr<Session> session;
    int32_t found = guarded(nullptr, [&] {
        if (!Process::instance().initialized())
            fail(AS_ERR_NOT_INITIALIZED);
        session = Process::instance().findHandle(h);
        if (!session)
            fail(AS_ERR_INVALID_HANDLE, "handle " + std::to_string(h));
        return AS_OK;
    });
    if (found != AS_OK)
        return found;
    std::lock_guard lock(session->mutex());
    // Released or terminated while this call waited for the lock.
    if (session->detached()) {
        setThreadError(AS_ERR_INVALID_HANDLE, "handle " + std::to_string(h));
        return AS_ERR_INVALID_HANDLE;
    }
    if (onSuccess == OnSuccess::ClearLastError)
        session->setError(0, {});
    if (onSuccess == OnSuccess::ClearLastError) {
        // An operation (not a look at what the handle keeps) may first move back to a server
        // earlier in the list that answers again.
        Outcome back = run([&] {
            session->returnToPreferredServer();
            return AS_OK;
        });
        if (back.code != AS_OK) {
            const int32_t result = record(session.get(), std::move(back));
            session->endCall();
            return result;
        }
    }
    Outcome o = run([&] { return body(*session); });
    if (o.code == AS_ERR_SERVER_UNREACHABLE && session->usedKeptConnection()) {
        // A connection opened before the call was dropped (server restarted or killed, idle
        // timeout): connect afresh (the same server if it answers, else the next of the list)
        // and run the call once more.
        session->connectionLost();
        o = run([&] { return body(*session); });
    } else if (o.code == AS_ERR_TIMEOUT && o.reason != "pool") {
        // A call that found no free connection in time does not blame the server.
        if (session->serverStalled()) {
            // The server of a list stopped answering: once more, on the next one.
            o = run([&] { return body(*session); });
        } else {
            // Its only server: the connections that waited on it are not kept.
            session->connectionTimedOut();
        }
    }
    if (const std::string& server = session->currentServer(); !server.empty())
        setThreadServer(server);
    const int32_t result = record(session.get(), std::move(o));
    session->endCall();
    return result;
}

}  // namespace ridge::access
