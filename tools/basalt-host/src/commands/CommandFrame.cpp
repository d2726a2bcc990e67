#include "CommandFrame.h"

#include <optional>

#include "HostOptions.h"
#include "HostSession.h"

namespace basalt_host {
namespace {

int finishWith(HostSession& session, int status) {
    bool terminated = session.finish();
    if (status == kExitSuccess && !terminated) {
        return kExitProviderFailure;
    }
    return status;
}

}  // namespace

int runConfigured(const HostOptions& options,
                  const std::function<int(HostSession&, const std::vector<std::string>&)>& work) {
    HostSession session(options);
    if (!session.initialized()) {
        return kExitProviderFailure;
    }
    std::optional<std::vector<std::string>> responses = session.configureAll();
    if (!responses) {
        return finishWith(session, kExitProviderFailure);
    }
    return finishWith(session, work(session, *responses));
}

int runConfiguredCommand(const HostOptions& options, const std::function<int(HostSession&)>& work) {
    return runConfigured(options, [&](HostSession& session, const std::vector<std::string>&) {
        return work(session);
    });
}

}  // namespace basalt_host
