#pragma once
// The provider library as the framework sees it: loaded with dlopen, known only through
// VOR_AAA_GetInterface and the entry tables it fills.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "VOR_AAA_Interface.h"

namespace basalt_host {

// What one entry call produced. Returned texts are already copied and their buffers freed.
struct CallOutcome {
    int32_t code = 0;
    std::optional<std::string> response;
    std::optional<std::string> exception;
    // Breaches of the allocation contract noticed while taking the returned buffers.
    std::vector<std::string> problems;
};

// The libBasalt.so next to the program: <dir of the executable>/../lib/libBasalt.so.
std::string defaultLibraryPath();

class ProviderLibrary {
public:
    // Loads the library and fetches the lifecycle and document-text tables; throws HostError
    // with a readable reason when that is impossible.
    explicit ProviderLibrary(const std::string& path);
    ~ProviderLibrary();
    ProviderLibrary(const ProviderLibrary&) = delete;
    ProviderLibrary& operator=(const ProviderLibrary&) = delete;

    const std::string& path() const { return m_path; }

    // A symbol of the provider library or of a library it loaded (so the directory access
    // library the provider itself calls); null when there is none.
    void* symbol(const char* name) const;
    // host:port of the directory server that served this thread's last directory call (the
    // access library's AS_GetLastServer); "" when none did or the library does not say.
    std::string directoryServer() const;

    CallOutcome initialize(const std::string& additionalInfo);
    CallOutcome terminate(const std::string& additionalInfo);
    CallOutcome configure(const std::string& configuration, const std::string& additionalInfo);
    CallOutcome setNamespaceVersion(const std::string& document, const std::string& additionalInfo);
    CallOutcome authenticateXml(const std::string& document);
    CallOutcome searchXml(const std::string& visa, const std::string& query);

private:
    std::string m_path;
    void* m_handle = nullptr;
    VOR_AAA_LifecycleTable m_lifecycle{};
    VOR_AAA_DocumentTextTable m_documents{};
};

}  // namespace basalt_host
