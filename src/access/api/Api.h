// The frame of every exported call: checks that the process is initialised, finds and locks the
// handle, clears the last errors, runs the body and turns any failure into a status code that is
// recorded as the thread's last error (and the handle's). No exception leaves the library.
//
//   extern "C" AS_API int32_t ASA_Something(AS_Handle h, uint32_t* out) {
//       return ridge::access::withHandle(h, [&](ridge::access::Session& s) {
//           if (!out) ridge::access::fail(AS_ERR_INVALID_ARGUMENT, "out");
//           ...
//           return AS_OK;
//       });
//   }
#pragma once

#include <AccessAPI.h>

#include <memory>
#include <string_view>
#include <type_traits>
#include <utility>

#include "Memory.h"
#include "Session.h"
#include "Status.h"

namespace ridge::access {

// A callable passed down a call without being copied: unlike std::function it never allocates,
// which matters on a path every exported call takes. It refers to the callable, so it must not
// outlive the full expression that made it (pass lambdas straight as arguments).
template <class Signature>
class FunctionRef;

template <class R, class... Args>
class FunctionRef<R(Args...)> {
public:
    template <class F, class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, FunctionRef> &&
                                                std::is_invocable_r_v<R, F&, Args...>>>
    FunctionRef(F&& f) noexcept  // NOLINT: converts like std::function
        : m_object(const_cast<void*>(static_cast<const void*>(std::addressof(f)))),
          m_call([](void* object, Args... args) -> R {
              return (*static_cast<std::remove_reference_t<F>*>(object))(
                  std::forward<Args>(args)...);
          }) {}

    R operator()(Args... args) const { return m_call(m_object, std::forward<Args>(args)...); }

private:
    void* m_object;
    R (*m_call)(void*, Args...);
};

// What a call that succeeds does to the last error texts. Calls the caller makes to learn the
// outcome of an operation clear them; calls that cannot fail in a way the caller asks about
// (releasing a handle, reading a value the handle keeps) keep the text of the last failure, so
// it can still be read after them.
enum class OnSuccess { ClearLastError, KeepLastError };

// Runs body on the locked session of handle h. Unknown or terminated handle: -7; process not
// initialised: -2.
int32_t withHandle(AS_Handle h, FunctionRef<int32_t(Session&)> body,
                   OnSuccess onSuccess = OnSuccess::ClearLastError);
// Runs body for a call that needs no handle (process must be initialised unless
// requireInit is false).
int32_t withProcess(FunctionRef<int32_t()> body, bool requireInit = true,
                    OnSuccess onSuccess = OnSuccess::ClearLastError);

// Records a failure as the calling thread's last error (the frame does this for thrown errors).
void setThreadError(int32_t code, std::string detail, std::string reason = {});
// The server (host:port) that served the calling thread's last call on a handle or last
// configuration check ("" when none did yet); AS_GetLastServer reads it.
void setThreadServer(std::string_view server);
const std::string& threadServer();

}  // namespace ridge::access

namespace ridge::access {
// The calling thread's last failure (0: none).
int32_t threadErrorCode();
const std::string& threadErrorDetail();
const std::string& threadErrorReason();
}  // namespace ridge::access
