#include "ProviderLibrary.h"

#include <dlfcn.h>

#include <filesystem>

#include "HostAllocator.h"
#include "HostError.h"

namespace basalt_host {
namespace {

void take(char* block, std::optional<std::string>& into, std::vector<std::string>& problems) {
    TakenText taken = takeText(block);
    into = std::move(taken.text);
    if (!taken.problem.empty()) {
        problems.push_back(std::move(taken.problem));
    }
}

// The outcome of a call from the blocks it handed back; null stands for an out-pointer the
// entry does not have, or one it left empty.
CallOutcome outcomeOf(int32_t code, char* response, char* exception) {
    CallOutcome outcome;
    outcome.code = code;
    take(response, outcome.response, outcome.problems);
    take(exception, outcome.exception, outcome.problems);
    return outcome;
}

template <typename Table>
Table fetchTable(VOR_AAA_GetInterfaceFn getInterface, int32_t number, const char* what,
                 const std::string& path) {
    Table table{};
    int32_t code = getInterface(number, &table);
    if (code != kVOR_AAA_Success) {
        throw HostError("the provider library '" + path + "' refused the " + what +
                        " interface (VOR_AAA_GetInterface(" + std::to_string(number) +
                        ") returned " + std::to_string(code) + ")");
    }
    return table;
}

template <typename Entry>
void requireEntry(Entry entry, const char* name, const std::string& path) {
    if (entry == nullptr) {
        throw HostError("the provider library '" + path + "' left the entry " + name +
                        " empty in its interface table");
    }
}

}  // namespace

std::string defaultLibraryPath() {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return "libBasalt.so";  // let the dynamic loader search for it
    }
    return (self.parent_path().parent_path() / "lib" / "libBasalt.so").string();
}

ProviderLibrary::ProviderLibrary(const std::string& path) : m_path(path) {
    if (!std::filesystem::exists(path) && path.find('/') != std::string::npos) {
        throw HostError("the provider library '" + path +
                        "' does not exist (build it, or name another one with --library)");
    }
    dlerror();
    m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m_handle == nullptr) {
        const char* reason = dlerror();
        throw HostError("cannot load the provider library '" + path +
                        "': " + (reason ? reason : "unknown reason"));
    }
    try {
        dlerror();
        void* symbol = dlsym(m_handle, VOR_AAA_GET_INTERFACE_SYMBOL);
        if (symbol == nullptr) {
            throw HostError("'" + path + "' is not a provider library: it does not export " +
                            VOR_AAA_GET_INTERFACE_SYMBOL);
        }
        auto getInterface = reinterpret_cast<VOR_AAA_GetInterfaceFn>(symbol);
        m_lifecycle = fetchTable<VOR_AAA_LifecycleTable>(getInterface, kVOR_AAA_LifecycleInterface,
                                                         "lifecycle", path);
        m_documents = fetchTable<VOR_AAA_DocumentTextTable>(
            getInterface, kVOR_AAA_DocumentTextInterface, "document-text", path);
        requireEntry(m_lifecycle.Initialize, "Initialize", path);
        requireEntry(m_lifecycle.Terminate, "Terminate", path);
        requireEntry(m_lifecycle.Configure, "Configure", path);
        requireEntry(m_lifecycle.SetNamespaceVersion, "SetNamespaceVersion", path);
        requireEntry(m_documents.AuthenticateXml, "AuthenticateXml", path);
        requireEntry(m_documents.SearchXml, "SearchXml", path);
    } catch (...) {
        dlclose(m_handle);
        throw;
    }
}

ProviderLibrary::~ProviderLibrary() {
    if (m_handle != nullptr) {
        dlclose(m_handle);
    }
}

void* ProviderLibrary::symbol(const char* name) const {
    return dlsym(m_handle, name);  // searches the library's own dependencies too
}

std::string ProviderLibrary::directoryServer() const {
    using LastServer = int32_t (*)(char*, int32_t);
    auto lastServer = reinterpret_cast<LastServer>(symbol("AS_GetLastServer"));
    char server[300] = "";
    if (lastServer == nullptr || lastServer(server, sizeof server) != 0) {
        return {};
    }
    return server;
}

CallOutcome ProviderLibrary::initialize(const std::string& additionalInfo) {
    char* exception = nullptr;
    int32_t code = m_lifecycle.Initialize(&hostAlloc, additionalInfo.c_str(), &exception);
    return outcomeOf(code, nullptr, exception);
}

CallOutcome ProviderLibrary::terminate(const std::string& additionalInfo) {
    char* exception = nullptr;
    int32_t code = m_lifecycle.Terminate(additionalInfo.c_str(), &exception);
    return outcomeOf(code, nullptr, exception);
}

CallOutcome ProviderLibrary::configure(const std::string& configuration,
                                       const std::string& additionalInfo) {
    char* response = nullptr;
    char* exception = nullptr;
    int32_t code =
        m_lifecycle.Configure(configuration.c_str(), additionalInfo.c_str(), &response, &exception);
    return outcomeOf(code, response, exception);
}

CallOutcome ProviderLibrary::setNamespaceVersion(const std::string& document,
                                                 const std::string& additionalInfo) {
    char* exception = nullptr;
    int32_t code =
        m_lifecycle.SetNamespaceVersion(document.c_str(), additionalInfo.c_str(), &exception);
    return outcomeOf(code, nullptr, exception);
}

CallOutcome ProviderLibrary::authenticateXml(const std::string& document) {
    char* response = nullptr;
    int32_t code = m_documents.AuthenticateXml(document.c_str(), &response);
    return outcomeOf(code, response, nullptr);
}

CallOutcome ProviderLibrary::searchXml(const std::string& visa, const std::string& query) {
    char* response = nullptr;
    char* exception = nullptr;
    int32_t code = m_documents.SearchXml(visa.c_str(), query.c_str(), &response, &exception);
    return outcomeOf(code, response, exception);
}

}  // namespace basalt_host
