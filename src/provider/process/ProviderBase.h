// The generic part of the provider object: the namespace registry and the host's alloc
// routine.
#pragma once

#include "namespace/NamespaceBase.h"

#include <I18NString.h>
#include <PYXThread.h>
#include <VOR_AAA_Interface.h>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class ProviderBase {
public:
    ProviderBase();
    virtual ~ProviderBase();
    ProviderBase(const ProviderBase&) = delete;
    ProviderBase& operator=(const ProviderBase&) = delete;

    void SetAllocRoutine(VOR_AAA_AllocRoutine allocRoutine) noexcept {
        m_allocRoutine.store(allocRoutine);
    }
    VOR_AAA_AllocRoutine GetAllocRoutine() const noexcept { return m_allocRoutine.load(); }

    // Takes ownership; a namespace answering to the same identifier is destroyed first and the
    // new one goes to the end of the order.
    void AddNamespace(std::unique_ptr<NamespaceBase> ns);
    // Destroys the first namespace answering to the identifier; none: code -48.
    void RemoveNamespace(const I18NString& identifier);
    // The first namespace answering to the identifier, or null. A request keeps the namespace
    // alive while it works with it, even if a new configuration replaces it meanwhile.
    std::shared_ptr<NamespaceBase> GetNamespace(const I18NString& identifier) const;
    // The first registered namespace for which the test answers true, walked under the lock.
    std::shared_ptr<NamespaceBase> FindNamespace(
        const std::function<bool(NamespaceBase&)>& test) const;
    std::vector<I18NString> GetNamespaceIdentifiers() const;
    std::size_t GetNamespaceCount() const;

protected:
    // Takes the first namespace out of the registry (null when it is empty).
    std::shared_ptr<NamespaceBase> TakeFirstNamespace();
    // Destroys every namespace, first to last.
    void RemoveAllNamespaces();

private:
    std::unique_ptr<PYXThreadCriticalSection> m_registryLock;
    std::vector<std::shared_ptr<NamespaceBase>> m_namespaces;
    std::atomic<VOR_AAA_AllocRoutine> m_allocRoutine{nullptr};
};
