#include "process/ProviderBase.h"

#include "common/ProviderErrors.h"
#include "common/ProviderMessages.h"

#include <PYXThrowable.h>

#include <algorithm>

ProviderBase::ProviderBase() : m_registryLock(std::make_unique<PYXThreadCriticalSection>()) {}

ProviderBase::~ProviderBase() {
    RemoveAllNamespaces();
}

void ProviderBase::AddNamespace(std::unique_ptr<NamespaceBase> ns) {
    if (!ns) {
        PYX_THROW(ProviderError(kVOR_AAA_GeneralFailure,
                                {ProviderMessage(kMsgInvalidArgument, {"NamespaceBase", "NULL"})}),
                  "ProviderBase::AddNamespace");
    }
    std::shared_ptr<NamespaceBase> replaced;
    {
        PYXThreadGuard guard(*m_registryLock);
        const auto it = std::find_if(m_namespaces.begin(), m_namespaces.end(), [&](const auto& n) {
            return n->Matches(ns->GetIdentifier());
        });
        if (it != m_namespaces.end()) {
            replaced = std::move(*it);
            m_namespaces.erase(it);
        }
        m_namespaces.push_back(std::move(ns));
    }
    // The replaced namespace ends its directory use outside the registry lock.
}

void ProviderBase::RemoveNamespace(const I18NString& identifier) {
    std::shared_ptr<NamespaceBase> removed;
    {
        PYXThreadGuard guard(*m_registryLock);
        const auto it = std::find_if(m_namespaces.begin(), m_namespaces.end(),
                                     [&](const auto& n) { return n->Matches(identifier); });
        if (it == m_namespaces.end()) {
            PYX_THROW(ProviderError(kVOR_AAA_GeneralFailure,
                                    {ProviderMessage(kMsgUnknownNamespaceVersion, {identifier})}),
                      "ProviderBase::RemoveNamespace");
        }
        removed = std::move(*it);
        m_namespaces.erase(it);
    }
}

std::shared_ptr<NamespaceBase> ProviderBase::GetNamespace(const I18NString& identifier) const {
    return FindNamespace([&](NamespaceBase& n) { return n.Matches(identifier); });
}

std::shared_ptr<NamespaceBase> ProviderBase::FindNamespace(
    const std::function<bool(NamespaceBase&)>& test) const {
    PYXThreadGuard guard(*m_registryLock);
    for (const auto& n : m_namespaces) {
        if (test(*n)) {
            return n;
        }
    }
    return nullptr;
}

std::vector<I18NString> ProviderBase::GetNamespaceIdentifiers() const {
    PYXThreadGuard guard(*m_registryLock);
    std::vector<I18NString> identifiers;
    for (const auto& n : m_namespaces) {
        identifiers.push_back(n->GetIdentifier());
    }
    return identifiers;
}

std::size_t ProviderBase::GetNamespaceCount() const {
    PYXThreadGuard guard(*m_registryLock);
    return m_namespaces.size();
}

std::shared_ptr<NamespaceBase> ProviderBase::TakeFirstNamespace() {
    PYXThreadGuard guard(*m_registryLock);
    if (m_namespaces.empty()) {
        return nullptr;
    }
    std::shared_ptr<NamespaceBase> first = std::move(m_namespaces.front());
    m_namespaces.erase(m_namespaces.begin());
    return first;
}

void ProviderBase::RemoveAllNamespaces() {
    while (TakeFirstNamespace()) {
    }
}
