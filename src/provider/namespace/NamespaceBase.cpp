#include "namespace/NamespaceBase.h"

#include "common/ProviderErrors.h"
#include "common/ProviderMessages.h"

#include <VOR_AAA_Const.h>
#include <VOR_AAA_EncryptionManager.h>

#include <algorithm>

NamespaceBase::NamespaceBase(const I18NString& identifier, const I18NString& namespaceFormatUri)
    : m_encryptionManager(std::make_unique<VOR_AAA_EncryptionManager>()),
      m_identifier(identifier),
      m_identifierUtf8(identifier.utf8()),
      m_registryLock(std::make_unique<PYXThreadCriticalSection>()),
      m_namespaceVersion(NamespaceVersionFromUri(namespaceFormatUri)) {}

NamespaceBase::~NamespaceBase() = default;

bool NamespaceBase::Matches(const I18NString& identifier) const {
    return identifier == m_identifier;
}

int NamespaceBase::NamespaceVersionFromUri(const I18NString& uri) {
    if (uri.empty()) {
        return 2;
    }
    if (uri == I18NString(VOR_AAA_Const::Text::kNamespaceFormatURI1)) {
        return 1;
    }
    if (uri == I18NString(VOR_AAA_Const::Text::kNamespaceFormatURI2)) {
        return 2;
    }
    if (uri == I18NString(VOR_AAA_Const::Text::kNamespaceFormatURI3)) {
        return 3;
    }
    return 0;
}

void NamespaceBase::SetNamespaceVersion(const I18NString& uri) {
    m_namespaceVersion.store(NamespaceVersionFromUri(uri));
}

bool NamespaceBase::NamespaceConfigurationMatch(VOR_AAA_BiBusHeader&) {
    return false;
}

// ---- session registry ----

NamespaceBase::SessionList::iterator NamespaceBase::FindSession(const I18NString& identifier) {
    const auto found = m_sessionIndex.find(identifier.utf16());
    return found != m_sessionIndex.end() ? found->second : m_sessions.end();
}

NamespaceBase::SessionList::iterator NamespaceBase::FindSession(const SessionBase* session) {
    return std::find_if(m_sessions.begin(), m_sessions.end(),
                        [&](const auto& s) { return s.get() == session; });
}

void NamespaceBase::EraseSession(const SessionBase* session) {
    const auto found = m_sessionIndex.find(session->GetIdentifier().utf16());
    if (found != m_sessionIndex.end() && found->second->get() == session) {
        m_sessions.erase(found->second);
        m_sessionIndex.erase(found);
    }
}

void NamespaceBase::AppendSession(std::unique_ptr<SessionBase> session) {
    const std::u16string key = session->GetIdentifier().utf16();
    m_sessions.push_back(std::move(session));
    m_sessionIndex[key] = std::prev(m_sessions.end());
    m_sessions.back()->signal();
}

void NamespaceBase::AcquireSession(SessionBase& session) {
    if (session.timedWait(0)) {
        return;
    }
    // Waiting for a session this thread has checked out would never end (end the use of a
    // session, check it in, then remove it).
    const bool heldByThisThread = session.m_checkedOutBy == std::this_thread::get_id();
    PYX_ASSERT(!heldByThisThread);
    // Someone uses the session: wait for its token without holding the registry. The waiter
    // count keeps the session alive meanwhile (removal then only marks it deleted).
    ++session.m_waiters;
    m_registryLock->unlock();
    session.wait();
    m_registryLock->lock();
    --session.m_waiters;
}

void NamespaceBase::AddSession(std::unique_ptr<SessionBase> session) {
    if (!session) {
        PYX_THROW(ProviderError(kVOR_AAA_GeneralFailure,
                                {ProviderMessage(kMsgInvalidArgument, {"SessionBase", "NULL"})}),
                  "NamespaceBase::AddSession");
    }
    PYXThreadGuard guard(*m_registryLock);
    const auto it = FindSession(session->GetIdentifier());
    if (it == m_sessions.end()) {
        AppendSession(std::move(session));
        return;
    }
    SessionBase* registered = it->get();
    AcquireSession(*registered);
    if (!registered->m_deleted || registered->m_waiters > 0) {
        registered->m_deleted = false;
        registered->m_waiters += session->m_waiters;
        registered->m_registrations = std::max(registered->m_registrations, 0);
        registered->UpdateFrom(*session);
        ++registered->m_registrations;
        session.reset();
        registered->signal();
        return;
    }
    EraseSession(registered);
    AppendSession(std::move(session));
}

SessionBase* NamespaceBase::CheckOut(const I18NString& identifier, uint32_t& key) {
    key = 0;
    PYXThreadGuard guard(*m_registryLock);
    const auto it = FindSession(identifier);
    if (it == m_sessions.end()) {
        return nullptr;
    }
    SessionBase* session = it->get();
    AcquireSession(*session);
    if (session->m_deleted) {
        if (session->m_waiters > 0) {
            session->signal();  // the next waiter sees the deleted flag too
        } else {
            EraseSession(session);  // the last one to see it: nobody refers to it any more
        }
        return nullptr;
    }
    key = ++m_lastCheckOutKey;
    session->m_checkOutKey = key;
    session->m_checkedOutBy = std::this_thread::get_id();
    return session;
}

void NamespaceBase::CheckIn(const I18NString& identifier) {
    PYXThreadGuard guard(*m_registryLock);
    const auto it = FindSession(identifier);
    const bool found = it != m_sessions.end();
    if (found && (*it)->timedWait(0)) {
        (*it)->signal();  // it was free: put the token back before failing
        PYX_ASSERT(false);
    }
    if (!found) {
        PYX_ASSERT(false);
    }
    (*it)->m_checkOutKey = 0;
    (*it)->m_checkedOutBy = std::thread::id();
    (*it)->signal();
}

bool NamespaceBase::RemoveSession(const I18NString& identifier) {
    PYXThreadGuard guard(*m_registryLock);
    const auto it = FindSession(identifier);
    if (it == m_sessions.end()) {
        return false;
    }
    SessionBase* session = it->get();
    AcquireSession(*session);
    --session->m_registrations;
    if (session->m_registrations >= 1) {
        session->signal();
        return true;
    }
    session->m_deleted = true;
    if (session->m_waiters > 0) {
        session->signal();
    } else {
        EraseSession(session);
    }
    return true;
}

bool NamespaceBase::UpdateOwnedSesssion(SessionBase* session,
                                        std::unique_ptr<SessionBase> newSession, uint32_t key) {
    if (session == nullptr || !newSession) {
        PYX_THROW(ProviderError(kVOR_AAA_GeneralFailure,
                                {ProviderMessage(kMsgInvalidArgument, {"SessionBase", "NULL"})}),
                  "NamespaceBase::UpdateOwnedSesssion");
    }
    PYXThreadGuard guard(*m_registryLock);
    if (FindSession(session) == m_sessions.end()) {
        return false;
    }
    if (session->timedWait(0)) {
        session->signal();  // not owned by anyone
        return false;
    }
    if (session->m_checkOutKey != key) {
        return false;
    }
    session->UpdateFrom(*newSession);
    return true;
}

std::size_t NamespaceBase::GetSessionCount() const {
    PYXThreadGuard guard(*m_registryLock);
    return m_sessions.size();
}

std::size_t NamespaceBase::GetWaiterCount(const I18NString& identifier) const {
    PYXThreadGuard guard(*m_registryLock);
    const auto found = m_sessionIndex.find(identifier.utf16());
    return found != m_sessionIndex.end()
               ? static_cast<std::size_t>(std::max((*found->second)->m_waiters, 0))
               : 0;
}

// ---- supported attributes ----

void NamespaceBase::SetSupportedAttributes(int kind, AttributePairs pairs) {
    PYXThreadGuard guard(m_attributeLock);
    m_supportedAttributes[kind] = std::move(pairs);
}

void NamespaceBase::SetSupportedMultiAttributes(int kind, AttributePairs pairs) {
    PYXThreadGuard guard(m_attributeLock);
    m_supportedMultiAttributes[kind] = std::move(pairs);
}

NamespaceBase::AttributePairs NamespaceBase::GetSupportedAttributes(int kind) const {
    PYXThreadGuard guard(m_attributeLock);
    const auto it = m_supportedAttributes.find(kind);
    PYX_ASSERT(it != m_supportedAttributes.end());
    return it->second;
}

namespace {

I18NString FindAttribute(const NamespaceBase::AttributePairs& pairs, const I18NString& property) {
    for (const auto& [name, attribute] : pairs) {
        if (name == property) {
            return attribute;
        }
    }
    return {};
}

}  // namespace

I18NString NamespaceBase::GetSupportedAttribute(int kind, const I18NString& property) const {
    PYXThreadGuard guard(m_attributeLock);
    const auto aItr = m_supportedAttributes.find(kind);
    PYX_ASSERT(aItr != m_supportedAttributes.end());
    return FindAttribute(aItr->second, property);
}

I18NString NamespaceBase::GetSupportedMultiAttribute(int kind, const I18NString& property) const {
    PYXThreadGuard guard(m_attributeLock);
    const auto aItr = m_supportedMultiAttributes.find(kind);
    PYX_ASSERT(aItr != m_supportedMultiAttributes.end());
    return FindAttribute(aItr->second, property);
}
