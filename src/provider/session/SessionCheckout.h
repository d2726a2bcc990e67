// Holds one checked-out session of a namespace for a scope: checks it out on construction and
// in again at the end (or before pointing at another session).
#pragma once

#include "namespace/NamespaceBase.h"

class ScopedSessionReference {
public:
    ScopedSessionReference(NamespaceBase& ns, const I18NString& identifier) : m_namespace(ns) {
        Reset(identifier);
    }
    ~ScopedSessionReference() { Release(); }
    ScopedSessionReference(const ScopedSessionReference&) = delete;
    ScopedSessionReference& operator=(const ScopedSessionReference&) = delete;

    // Checks the current session in, then checks out the session with this identifier.
    void Reset(const I18NString& identifier) {
        Release();
        m_session = m_namespace.CheckOut(identifier, m_key);
        if (m_session != nullptr) {
            m_identifier = identifier;
        }
    }

    SessionBase* Get() const noexcept { return m_session; }
    uint32_t GetKey() const noexcept { return m_key; }
    explicit operator bool() const noexcept { return m_session != nullptr; }

private:
    void Release() noexcept {
        if (m_session != nullptr) {
            m_session = nullptr;
            m_key = 0;
            try {
                m_namespace.CheckIn(m_identifier);
            } catch (...) {
                // Checking in a session this scope checked out cannot fail; nothing to report
                // from a destructor if it ever did.
            }
        }
    }

    NamespaceBase& m_namespace;
    SessionBase* m_session = nullptr;
    uint32_t m_key = 0;
    I18NString m_identifier;
};
