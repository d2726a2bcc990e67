#include "internal/Api.h"

#include <new>

#include "internal/Process.h"

namespace ridge::access {

namespace {

struct ThreadError {
    int32_t code = 0;
    std::string detail;
    std::string reason;
};
thread_local ThreadError t_error;

template <class Body>
int32_t guarded(Session* session, Body&& body) {
    int32_t code = AS_ERR_INTERNAL;
    std::string detail, reason;
    try {
        code = body();
        if (code >= 0)
            return code;
    } catch (const AccessError& e) {
        code = e.code();
        detail = e.detail();
        reason = e.reason();
    } catch (const std::bad_alloc&) {
        code = AS_ERR_NO_MEMORY;
    } catch (const std::exception& e) {
        code = AS_ERR_INTERNAL;
        detail = e.what();
    } catch (...) {
        code = AS_ERR_INTERNAL;
    }
    try {
        if (session && code == AS_ERR_SERVER_UNREACHABLE)
            session->connectionLost();
        if (session)
            session->setError(code, detail, reason);
        setThreadError(code, detail, reason);
    } catch (...) {
    }
    return code;
}

}  // namespace

void setThreadError(int32_t code, std::string detail, std::string reason) {
    t_error.code = code;
    t_error.detail = std::move(detail);
    t_error.reason = std::move(reason);
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

int32_t withProcess(const std::function<int32_t()>& body, bool requireInit, OnSuccess onSuccess) {
    if (onSuccess == OnSuccess::ClearLastError)
        t_error = ThreadError{};
    return guarded(nullptr, [&] {
        if (requireInit && !Process::instance().initialized())
            fail(AS_ERR_NOT_INITIALIZED);
        return body();
    });
}

int32_t withHandle(AS_Handle h, const std::function<int32_t(Session&)>& body, OnSuccess onSuccess) {
    if (onSuccess == OnSuccess::ClearLastError)
        t_error = ThreadError{};
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
    // Terminated while this call waited for the lock.
    if (Process::instance().findHandle(h) != session) {
        setThreadError(AS_ERR_INVALID_HANDLE, "handle " + std::to_string(h));
        return AS_ERR_INVALID_HANDLE;
    }
    if (onSuccess == OnSuccess::ClearLastError)
        session->setError(0, {});
    return guarded(session.get(), [&] { return body(*session); });
}

}  // namespace ridge::access
