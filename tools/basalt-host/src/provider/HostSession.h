#pragma once
// One run of the provider as the framework drives it: load, initialise, configure every
// namespace, and terminate at the end (also when the run is cut short).

#include <optional>
#include <string>
#include <vector>

#include "HostOptions.h"
#include "ProviderLibrary.h"

namespace basalt_host {

class HostSession {
public:
    // Loads the library (HostError when impossible) and initialises the provider; a refused
    // initialisation is reported on stderr and leaves initialized() false.
    explicit HostSession(const HostOptions& options);
    ~HostSession();
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    bool initialized() const { return m_initialized; }
    const std::string& additionalInfo() const { return m_additionalInfo; }
    ProviderLibrary& library() { return m_library; }

    // Configures each namespace in order; the responses, or nothing after the first failure
    // (which has been reported).
    std::optional<std::vector<std::string>> configureAll();

    // Terminates the provider and reports blocks it never handed back; false when the
    // termination failed.
    bool finish();

    // Warns of the outcome's contract problems and explains a negative result on stderr (with
    // --raw the exception document also goes to stdout as returned); true when the result is
    // not negative.
    bool accepted(const std::string& entry, const CallOutcome& outcome) const;

    // The response document of an accepted call; HostError when the entry returned none.
    static const std::string& responseOf(const std::string& entry, const CallOutcome& outcome);

    static void warn(const std::string& text);
    static void noteProblems(const CallOutcome& outcome);

private:
    void reportFailure(const std::string& entry, const CallOutcome& outcome) const;

    const HostOptions& m_options;
    std::string m_additionalInfo;
    ProviderLibrary m_library;
    bool m_initialized = false;
};

}  // namespace basalt_host
