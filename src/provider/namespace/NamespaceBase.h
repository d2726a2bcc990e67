// The generic half of a namespace: identifier, namespace version, supported-attribute maps, the
// encryption manager, and the registry of the namespace's sessions.
//
// Sessions are exclusive resources. A request checks a session out (waiting, without a time
// limit, while another request holds it), uses it alone and checks it back in. The registry
// lock guards the list and every session's bookkeeping; it is released while a request waits,
// so other sessions stay usable.
#pragma once

#include "session/SessionBase.h"

#include <I18NString.h>
#include <PYXThread.h>

#include <atomic>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class VOR_AAA_BiBusHeader;
class VOR_AAA_EncryptionManager;

// Object kinds of the supported-attribute maps.
enum BasaltObjectKind : int {
    kObjectKindNamespaceFolder = 2,
    kObjectKindAccount = 3,
    kObjectKindRole = 5,
};

class NamespaceBase {
public:
    // (framework property name, directory attribute name)
    using AttributePairs = std::vector<std::pair<I18NString, I18NString>>;

    NamespaceBase(const I18NString& identifier, const I18NString& namespaceFormatUri);
    virtual ~NamespaceBase();
    NamespaceBase(const NamespaceBase&) = delete;
    NamespaceBase& operator=(const NamespaceBase&) = delete;

    // Exact, case-sensitive comparison with the namespace identifier.
    virtual bool Matches(const I18NString& identifier) const;
    // Ends the namespace's use of outside resources before it is destroyed, so that a failure
    // can be reported (the destructor cannot). The base has none.
    virtual void Close() {}
    // Whether a document addressed to the generic identifier designates this namespace (and, on
    // true, has been re-addressed to it). The base claims none.
    virtual bool NamespaceConfigurationMatch(VOR_AAA_BiBusHeader& document);

    const I18NString& GetIdentifier() const noexcept { return m_identifier; }
    // The identifier as UTF-8, converted once: every object of a search names it in its path.
    const std::string& GetIdentifierUtf8() const noexcept { return m_identifierUtf8; }
    VOR_AAA_EncryptionManager& GetEncryptionManager() { return *m_encryptionManager; }

    // 1, 2 or 3 for the namespace-format URIs 1, 2, 3; 2 for the empty text; 0 otherwise.
    static int NamespaceVersionFromUri(const I18NString& uri);
    void SetNamespaceVersion(const I18NString& uri);
    int GetNamespaceVersion() const noexcept { return m_namespaceVersion.load(); }

    // ---- session registry ----
    // Takes ownership. A session whose identifier is registered already is merged into the
    // registered one (which then counts one more registration).
    void AddSession(std::unique_ptr<SessionBase> session);
    // The session, owned by the caller until CheckIn, and its check-out key; null and key 0
    // when no such session is registered (or it was removed while the caller waited).
    SessionBase* CheckOut(const I18NString& identifier, uint32_t& key);
    // Gives a checked-out session back. Checking in a session that is not checked out is a
    // programming error.
    void CheckIn(const I18NString& identifier);
    // Drops one registration; the session goes when none is left. False when not registered.
    bool RemoveSession(const I18NString& identifier);
    // Lets a checked-out session take over the state of newSession when key is its current
    // check-out key; newSession is consumed either way.
    bool UpdateOwnedSesssion(SessionBase* session, std::unique_ptr<SessionBase> newSession,
                             uint32_t key);
    std::size_t GetSessionCount() const;
    // How many requests wait for the session to be checked in (0 when it is not registered).
    std::size_t GetWaiterCount(const I18NString& identifier) const;

    // ---- supported attributes ----
    void SetSupportedAttributes(int kind, AttributePairs pairs);
    void SetSupportedMultiAttributes(int kind, AttributePairs pairs);
    // The pairs of a kind; the kind must have been registered.
    AttributePairs GetSupportedAttributes(int kind) const;
    // The directory attribute of a property of a kind (empty when the kind lacks it).
    I18NString GetSupportedAttribute(int kind, const I18NString& property) const;
    I18NString GetSupportedMultiAttribute(int kind, const I18NString& property) const;

private:
    // In insertion order; the index finds a session by its identifier (registered once each)
    // without walking a list that holds every signed-on user.
    using SessionList = std::list<std::unique_ptr<SessionBase>>;

    SessionList::iterator FindSession(const I18NString& identifier);
    SessionList::iterator FindSession(const SessionBase* session);
    // Takes the session's token; the registry lock is held on entry and on return.
    void AcquireSession(SessionBase& session);
    void EraseSession(const SessionBase* session);
    void AppendSession(std::unique_ptr<SessionBase> session);

    std::map<int, AttributePairs> m_supportedAttributes;
    std::map<int, AttributePairs> m_supportedMultiAttributes;
    mutable PYXThreadCriticalSection m_attributeLock;
    std::unique_ptr<VOR_AAA_EncryptionManager> m_encryptionManager;
    I18NString m_identifier;
    std::string m_identifierUtf8;
    SessionList m_sessions;
    std::unordered_map<std::u16string, SessionList::iterator> m_sessionIndex;
    std::unique_ptr<PYXThreadCriticalSection> m_registryLock;
    std::atomic<int> m_namespaceVersion{0};
    uint32_t m_lastCheckOutKey = 1;
};
