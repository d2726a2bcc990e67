// The provider's tables for tests: loads libBasalt.so as a host does (dlopen, then only the
// tables VOR_AAA_GetInterface fills) and supplies an alloc routine that records what it was
// asked for.
#pragma once

#include "ScratchHome.h"

#include <VOR_AAA_Interface.h>

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

namespace provider_test {

struct Allocations {
    std::mutex lock;
    std::vector<uint32_t> sizes;
};

inline Allocations& GetAllocations() {
    static Allocations allocations;
    return allocations;
}

inline void* RecordingAlloc(uint32_t size) {
    {
        std::lock_guard<std::mutex> guard(GetAllocations().lock);
        GetAllocations().sizes.push_back(size);
    }
    return std::malloc(size);
}

// The text of a returned buffer (empty for null); frees it and nulls the pointer.
inline std::string Take(char*& text) {
    std::string copy = text != nullptr ? text : "";
    std::free(text);
    text = nullptr;
    return copy;
}

class ProviderTables {
public:
    ProviderTables() {
        // Never closed: the library stays loaded for the life of the test process.
        m_handle = dlopen(BASALT_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
        if (m_handle == nullptr) {
            ADD_FAILURE() << dlerror();
            return;
        }
        getInterface =
            reinterpret_cast<VOR_AAA_GetInterfaceFn>(dlsym(m_handle, VOR_AAA_GET_INTERFACE_SYMBOL));
        if (getInterface == nullptr) {
            ADD_FAILURE() << "no " << VOR_AAA_GET_INTERFACE_SYMBOL;
            return;
        }
        EXPECT_EQ(getInterface(kVOR_AAA_LifecycleInterface, &life), 0);
        EXPECT_EQ(getInterface(kVOR_AAA_DocumentTextInterface, &text), 0);
        EXPECT_EQ(getInterface(kVOR_AAA_DocumentObjectInterface, &objects), 0);
    }

    bool Loaded() const { return getInterface != nullptr; }

    int32_t Initialize(std::string* exceptionText = nullptr) {
        char* exception = nullptr;
        const int32_t result = life.Initialize(RecordingAlloc, nullptr, &exception);
        const std::string text = Take(exception);
        if (exceptionText != nullptr) {
            *exceptionText = text;
        }
        return result;
    }

    int32_t Terminate(std::string* exceptionText = nullptr) {
        char* exception = nullptr;
        const int32_t result = life.Terminate(nullptr, &exception);
        const std::string text = Take(exception);
        if (exceptionText != nullptr) {
            *exceptionText = text;
        }
        return result;
    }

    int32_t Configure(const std::string& configuration, std::string& response,
                      std::string& exception, const char* additionalInfo = nullptr) {
        char* responseText = nullptr;
        char* exceptionText = nullptr;
        const int32_t result =
            life.Configure(configuration.c_str(), additionalInfo, &responseText, &exceptionText);
        response = Take(responseText);
        exception = Take(exceptionText);
        return result;
    }

    VOR_AAA_GetInterfaceFn getInterface = nullptr;
    VOR_AAA_LifecycleTable life{};
    VOR_AAA_DocumentTextTable text{};
    VOR_AAA_DocumentObjectTable objects{};

private:
    void* m_handle = nullptr;
};

// One namespace configuration document.
inline std::string NamespaceConfiguration(const std::string& id, const std::string& connection,
                                          const std::string& baseDN,
                                          const std::string& directoryNamespace,
                                          const std::string& extraParameters = "",
                                          const std::string& timeout = "5") {
    auto parameter = [](const std::string& name, const std::string& value) {
        return "<parameter name=\"" + name + "\"><value xsi:type=\"xsd:string\">" + value +
               "</value></parameter>";
    };
    return "<?xml version=\"1.0\"?><instance name=\"" + id +
           " display\" class=\"ridge\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">" +
           parameter("id", id) + parameter("connection", connection) + parameter("baseDN", baseDN) +
           parameter("namespace", directoryNamespace) + parameter("timeOut", timeout) +
           extraParameters + "</instance>";
}

// A configuration from NamespaceConfiguration with its display name ("<id> display") replaced.
inline std::string WithDisplayName(std::string configuration, const std::string& id,
                                   const std::string& display) {
    const std::string generated = id + " display";
    configuration.replace(configuration.find(generated), generated.size(), display);
    return configuration;
}

// The document that sets a namespace's format (1, 2 or 3).
inline std::string NamespaceVersionDocument(const std::string& id, int format) {
    return "<setNamespceVersionDocument><namespaceID>" + id +
           "</namespaceID><namespaceVersion>http://basalt.example/schemas/VOR/"
           "AAANamespaceFormat/" +
           std::to_string(format) + "/</namespaceVersion></setNamespceVersionDocument>";
}

// The visa of a namespace-level search: the namespace and no signed-on user.
inline std::string NamespaceSearchVisa(const std::string& id) {
    return "<visa xmlns=\"http://basalt.example/schemas/VOR/AAA/1/\" namespaceID=\"" + id +
           "\"><object id=\"v\" class=\"visa\"><object id=\"\" class=\"user\"/></object>"
           "<providerSpecificData/></visa>";
}

// The namespace-level search, which returns the namespace object with these properties.
inline std::string NamespaceSearchQuery(
    const std::string& id,
    const std::string& properties = "<item>defaultName</item><item>objectClass</item>") {
    return "<query><search>VORID('" + id + "')</search><properties>" + properties +
           "</properties></query>";
}

}  // namespace provider_test
