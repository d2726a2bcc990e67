// The generic half of a user session: its identifier and the bookkeeping of its exclusive use.
// The session is its own auto-reset event: signalled while nobody uses it. Every field below is
// guarded by the registry lock of the namespace that holds the session.
#pragma once

#include <I18NString.h>
#include <PYXThread.h>

#include <cstdint>
#include <thread>

class SessionBase : public PYXThreadAutoResetEvent {
public:
    explicit SessionBase(const I18NString& identifier);
    virtual ~SessionBase();
    SessionBase(const SessionBase&) = delete;
    SessionBase& operator=(const SessionBase&) = delete;

    virtual bool Matches(const I18NString& identifier) const;
    // Takes over the state of an equal session registered again; the base has nothing to take.
    virtual void UpdateFrom(SessionBase& other);

    const I18NString& GetIdentifier() const noexcept { return m_identifier; }
    // The key of the current check-out (0 when not checked out). Read it only while owning it.
    uint32_t GetCheckOutKey() const noexcept { return m_checkOutKey; }

protected:
    // Names the session; only before it is registered (the registry reads it under its lock).
    void SetIdentifier(const I18NString& identifier) { m_identifier = identifier; }

private:
    friend class NamespaceBase;

    I18NString m_identifier;
    int32_t m_registrations = 1;
    bool m_deleted = false;
    int32_t m_waiters = 0;
    uint32_t m_checkOutKey = 0;
    // The thread that checked the session out (none while checked in): a request that waited
    // for a session it holds itself would wait forever.
    std::thread::id m_checkedOutBy;
};
