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

#include <functional>

#include "Memory.h"
#include "Session.h"
#include "Status.h"

namespace ridge::access {

// What a call that succeeds does to the last error texts. Calls the caller makes to learn the
// outcome of an operation clear them; calls that cannot fail in a way the caller asks about
// (releasing a handle, reading a value the handle keeps) keep the text of the last failure, so
// it can still be read after them.
enum class OnSuccess { ClearLastError, KeepLastError };

// Runs body on the locked session of handle h. Unknown or terminated handle: -7; process not
// initialised: -2.
int32_t withHandle(AS_Handle h, const std::function<int32_t(Session&)>& body,
                   OnSuccess onSuccess = OnSuccess::ClearLastError);
// Runs body for a call that needs no handle (process must be initialised unless
// requireInit is false).
int32_t withProcess(const std::function<int32_t()>& body, bool requireInit = true,
                    OnSuccess onSuccess = OnSuccess::ClearLastError);

// Records a failure as the calling thread's last error (the frame does this for thrown errors).
void setThreadError(int32_t code, std::string detail, std::string reason = {});
// The server (host:port) that served the calling thread's last call on a handle or last
// configuration check ("" when none did yet); AS_GetLastServer reads it.
void setThreadServer(std::string server);
const std::string& threadServer();

}  // namespace ridge::access

namespace ridge::access {
// The calling thread's last failure (0: none).
int32_t threadErrorCode();
const std::string& threadErrorDetail();
const std::string& threadErrorReason();
}  // namespace ridge::access
