// One signed-on user of one Ridge namespace: its own access-library handle, authenticated by
// user name and password, ticket, certificate or a trusted web environment; the user's directory
// identity (user id, optional user class); its tickets; and the directory reads a search makes
// on its behalf.
//
// Usage (the namespace's logon operations do this):
//   std::unique_ptr<BasaltSession> session = BasaltSession::CreateFromCredential(
//       trace, provider, ns, user, password, "all", "logon", ticket);
//   ns.AddSession(std::move(session));   // registered under GetIdentifier()
//
// A session is used by one request at a time (checked out of the namespace's registry); nothing
// here locks. Every failure of a logon route is mapped onto the provider's authentication
// exceptions (signon/LogonFailures.cpp).
#pragma once

#include "search/ListingCache.h"
#include "search/WantedProperties.h"
#include "session/SessionBase.h"
#include "signon/WebEnvironment.h"

#include <AccessAPI.h>
#include <I18NString.h>
#include <VOR_AAA_BaseClass.h>
#include <VOR_AAA_Query.h>
#include <VOR_AAA_QueryDoc.h>
#include <VOR_AAA_Types.h>
#include <VOR_AAA_VORID.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class BasaltNamespace;
class BasaltProvider;
class LibraryNamespace;
class TraceScope;
class VOR_AAA_AdditionalInfo;
class VOR_AAA_BaseClassWithMembers;
class VOR_AAA_QueryResponse;
class VOR_AAA_Visa;

// How a session was first authenticated; the number travels nowhere, the visa carries the text.
enum BasaltAuthType : int32_t {
    kAuthTypeCredential = 0,
    kAuthTypeTicket = 1,
    kAuthTypeCertificate = 2,
    kAuthTypeWebEnvironment = 4,
};

// The visa's "authType" text of a type ("user", "ticket", "certificate", "web"); empty for
// another number.
const char* AuthTypeText(int32_t authType);
// The type of a visa's "authType" text; -1 for any other text.
int32_t AuthTypeFromText(const I18NString& text);

class BasaltSession : public SessionBase {
public:
    // Opens the session's handle (not yet authenticated). A failing AS_Init throws code -1 with
    // kMsgSessionNotOpened and the library's error text below it.
    BasaltSession(BasaltProvider& provider, BasaltNamespace& ns);
    ~BasaltSession() override;

    // ---- session creation: one authentication each; the caller registers or destroys ----
    // Failures are mapped to authentication exceptions (mode 0). ticket: in, the ticket to
    // reuse (may be empty); out, the session's ticket.
    static std::unique_ptr<BasaltSession> CreateFromCredential(
        const TraceScope& trace, BasaltProvider& provider, BasaltNamespace& ns,
        const I18NString& userName, const I18NString& password, const I18NString& userClass,
        const I18NString& action, I18NString& ticket);
    // No exception for a refused ticket: result receives the library's result; null unless 0.
    static std::unique_ptr<BasaltSession> CreateFromTicket(const TraceScope& trace,
                                                           BasaltProvider& provider,
                                                           BasaltNamespace& ns,
                                                           const I18NString& ticket,
                                                           int32_t& result);
    // Failures are mapped (mode 2). ticket receives a fresh ticket when one could be made.
    static std::unique_ptr<BasaltSession> CreateFromCertificate(
        const TraceScope& trace, BasaltProvider& provider, BasaltNamespace& ns,
        const I18NString& certificate, const I18NString& userClass, const I18NString& action,
        I18NString& ticket);
    // A library asking for more variables raises a system-recoverable request naming them;
    // any other failure a log-on-as prompt.
    static std::unique_ptr<BasaltSession> CreateFromWebUserEnv(
        const TraceScope& trace, BasaltProvider& provider, BasaltNamespace& ns,
        const BasaltEnvironment& environment, const I18NString& userClass, const I18NString& action,
        I18NString& requiredVariables, I18NString& ticket, bool remoteUserPresent);

    // The identifier a session with these values registers under: the namespace identifier,
    // then ":user=<id>" and ":uc=<class id>" (when it has one), or ":cert=<certificate>".
    static I18NString BuildIdentifier(const I18NString& namespaceID, int32_t authType,
                                      uint32_t userId, bool hasUserClass, uint32_t userClassId,
                                      const I18NString& certificate);

    // ---- operations on an authenticated session ----
    // Out unchanged (and nothing called) unless authenticated; a library failure throws -1.
    void GetCertificate(I18NString& certificate);
    // raiseOnFailure false: the result is returned and nothing is thrown.
    int32_t RefreshTicket(const I18NString& ticket, bool raiseOnFailure);
    // Expires the ticket as its owner: when the handle has no user, or the expiry fails, the
    // ticket signs its owner on first (logoff must not leave it valid). Failures are ignored.
    void ExpireTicket(const TraceScope& trace, const I18NString& ticket);
    // The kind (3 account, 2 folder, 5 role) of a directory id, 0 when none or unauthenticated.
    int ObjectKind(const I18NString& idText);
    // The user's classes, in the library's order; empty unless authenticated.
    std::vector<uint32_t> UserClassIds();
    // The signon texts of a user: kind 3 basic, 5 operating system, 4 database.
    std::vector<I18NString> Signons(uint32_t userId, int kind);
    // Rebuilds the handle from the values the logon stored in the visa; a failure closes the
    // handle and throws -48 with the library's error text.
    void ReestablishAuthHandle(const VOR_AAA_Visa& visa, const TraceScope& trace);
    // Takes over the other session's live handle and identity; the other keeps none.
    virtual void AdoptHandle(BasaltSession* other);
    // The registry merges an equal session registered again: it takes the newer handle.
    void UpdateFrom(SessionBase& other) override;

    // ---- search (directory object retrieval, in search/) ----
    // Answers a query for one object, its children or its descendants into response; false
    // lets the search entry report a failure. Invalid input throws VOR_AAA_Exception. After
    // the namespace's configured number of queries the handle is re-established from the
    // visa. result receives 0.
    bool QueryObjectProperties(VOR_AAA_QueryDoc& query, const VOR_AAA_Visa& visa,
                               const VOR_AAA_AdditionalInfo& additionalInfo,
                               VOR_AAA_QueryResponse& response, int32_t& result);

    // Keeps the visa's ticket alive for a search: refreshed at most once per
    // kSearchTicketRefreshInterval for the same ticket (whatever the outcome), so that a run of
    // searches does not ask the directory each time. The library moves a ticket's expiry only
    // once it gains a minute per hour of lifetime, so a refresh sooner than a minute after the
    // last one is a read that changes nothing. Failures are ignored.
    void RefreshTicketForSearch(const I18NString& ticket);
    static constexpr std::chrono::seconds kSearchTicketRefreshInterval{60};

    // ---- accessors ----
    bool IsHandleAuthenticated() const noexcept { return m_bHandleAuthenticated; }
    uint32_t GetUserId() const noexcept { return m_userId; }
    uint32_t GetUserClassId() const noexcept { return m_userClassId; }
    int32_t HasUserClass() const noexcept { return m_hasUserClass; }
    int32_t GetAuthType() const noexcept { return m_authType; }
    AS_Handle GetHandle() const noexcept { return m_handle; }
    const I18NString& GetRole() const noexcept { return m_role; }
    void SetRequestContentLocale(const I18NString& locale) { m_requestContentLocale = locale; }
    const I18NString& GetRequestContentLocale() const noexcept { return m_requestContentLocale; }
    BasaltNamespace& GetNamespace() const noexcept { return *m_pNamespace; }

private:
    // ---- object retrieval ----
    using PropertySet = VOR_AAA_Query::PropertySet;
    using RefProps = std::map<std::string, PropertySet>;

    void retrieveObjectProperties(const VOR_AAA_VORID::Decoded& object,
                                  const PropertySet& properties, const RefProps& refProps,
                                  VOR_AAA_QueryResponse& response);
    void retrieveObjectDescendantProperties(const VOR_AAA_VORID::Decoded& object, int axis,
                                            const std::vector<std::string>& predicates,
                                            const VOR_AAA_Query& query,
                                            VOR_AAA_QueryResponse& response);
    // One object from its identifier with the requested properties set; null when it has
    // vanished. cachedName: the name a listing found for it, if any.
    VOR_AAA_BaseClassPtr retrieveUserProperties(AS_ObjectId id, const WantedProperties& wants,
                                                const std::string* cachedName);
    VOR_AAA_BaseClassPtr retrieveUserFolderProperties(AS_ObjectId id, const WantedProperties& wants,
                                                      const std::string* cachedName);
    VOR_AAA_BaseClassPtr retrieveRoleProperties(AS_ObjectId id, const WantedProperties& wants,
                                                const RefProps& refProps,
                                                const std::string* cachedName);
    // The name and description properties asked, from the record's texts (library bytes).
    void SetNames(VOR_AAA_BaseClass& object, const WantedProperties& wants,
                  const std::string& libraryName) const;
    void SetDescription(VOR_AAA_BaseClass& object, const WantedProperties& wants,
                        const std::string& libraryDescription) const;
    // Listing steps, each filling maps of the listing cache.
    void _getUserClassChildren(AS_ObjectId classId, bool recursive);
    void _getUserFolderContents(AS_ObjectId folderId, bool recursive, bool withFolders,
                                bool withAccounts);
    void _getNamespaceChildrenInPageMap(bool folders, bool roles);
    void _getAllRoleObjectsIDs(const std::string& pattern, bool folders, bool roles, bool accounts,
                               int32_t accountAttribute);
    void getUserClassMembers(AS_ObjectId classId, VOR_AAA_BaseClassWithMembers& role,
                             const RefProps& refProps);
    // Keeps, predicate by predicate, the listed entries that pass it.
    void FilterListing(const std::vector<std::string>& predicates);
    // Builds the query's page of the listing cache into response.
    void ServePage(const VOR_AAA_Query& query, VOR_AAA_QueryResponse& response);
    // Directory reads of the retrieval. A vanished object gives false or nullopt; any other
    // failure raises -8 naming the call (sizeCall for the size, infoCall for the record).
    // Whether the object still exists (its name size is asked: a listed name may be stale).
    bool ObjectExists(int32_t objectType, AS_ObjectId id, const char* sizeCall);
    // A record's name and description (library bytes; the description empty unless asked).
    struct RecordTexts {
        std::string name;
        std::string description;
    };
    // Reads a record as the library wants it read: the name size (and the description size
    // when asked) first, then read(name, description) into buffers at least that large
    // (description null when not asked).
    std::optional<RecordTexts> ReadRecord(int32_t objectType, AS_ObjectId id, bool withDescription,
                                          const char* sizeCall, const char* infoCall,
                                          const std::function<int32_t(char*, char*)>& read);
    // The listed name alone when the caller has one and wants nothing else of the record (the
    // object must still exist), else the record read afresh.
    std::optional<RecordTexts> ListedOrReadRecord(int32_t objectType, AS_ObjectId id,
                                                  const std::string* listedName,
                                                  bool withDescription, const char* infoCall,
                                                  const std::function<int32_t(char*, char*)>& read);
    std::optional<std::string> ReadObjectName(int32_t objectType, AS_ObjectId id,
                                              const char* sizeCall, const char* infoCall);
    // A user's display name (cn; its name is the sign-on name), library bytes.
    std::optional<std::string> ReadUserDisplayName(AS_ObjectId id);
    std::vector<AS_ObjectId> ReadIdList(
        const char* call, const std::function<int32_t(uint32_t, AS_ObjectId*, uint32_t*)>& list);
    std::vector<VOR_AAA_Type_AncestorInfo> FolderAncestry(AS_ObjectId folderId, bool includeFolder);
    // Sets the ancestors through the folder lookup names (call names it in a failure); false
    // when the object vanished meanwhile.
    bool SetFolderAncestors(VOR_AAA_BaseClass& object, const char* call,
                            const std::function<int32_t(AS_ObjectId*)>& lookup);
    // Sets the search path when it is asked, or when nothing else is; true when nothing else is.
    bool SetSearchPath(VOR_AAA_BaseClass& object, VOR_AAA_VORID::ObjectKind kind, AS_ObjectId id,
                       const WantedProperties& wants) const;
    std::vector<VOR_AAA_Type_AncestorInfo> ClassAncestry(AS_ObjectId classId);
    VOR_AAA_Type_AncestorInfo NamespaceAncestor() const;
    std::string ObjectSearchPath(VOR_AAA_VORID::ObjectKind kind, AS_ObjectId id) const;
    std::string Utf8FromLibrary(const char* libraryBytes) const;
    I18NString QueryContentLocale() const;

    // ---- handle management ----
    int32_t InitHandle();
    void CloseHandle();
    // Before a further authentication: a fresh handle when this one is signed on already (the
    // failure text kept when it cannot be opened).
    int32_t ReopenIfAuthenticated();
    // The directory namespace as the library takes it.
    std::string DirectoryNamespaceText() const;

    // ---- the four authentications (library result; 0 success) ----
    int32_t AuthenticateUser(const TraceScope& trace, const I18NString& userName,
                             const I18NString& password, const I18NString& userClass, char* ticket);
    int32_t ValidateTicket(const TraceScope& trace, const I18NString& ticket);
    int32_t ValidateCertificate(const TraceScope& trace, const I18NString& certificate,
                                const I18NString& userClass, I18NString& ticket);
    int32_t AuthenticateWebUser(const TraceScope& trace, const BasaltEnvironment& environment,
                                const I18NString& userClass, char* ticket,
                                I18NString& requiredVariables);
    // After a sign-on call by name: its failure (the text kept), or the session signed on as
    // authId with the class named taken.
    int32_t FinishSignOn(int32_t result, AS_ObjectId authId, const I18NString& userClass);
    // Runs a sign-on's conversions of texts into the namespace's encoding: 0, or -9 (failure
    // text kept) when that encoding cannot hold one of them.
    int32_t ConvertForLibrary(const std::function<void()>& convert);
    // After a sign-on with a class name: its id (the operation's result).
    int32_t TakeUserClass(const I18NString& userClass);
    // Keeps the thread's error text of a failed call before anything can replace it.
    void RememberFailureText(int32_t result);
    void SetIdentifierFromState(const I18NString& certificate);

    BasaltProvider* m_pProvider;
    BasaltNamespace* m_pNamespace;
    // The same namespace, as the handle and the sign-ons need it.
    const LibraryNamespace& m_library;
    bool m_bTerminatedHandle = true;
    bool m_bHandleAuthenticated = false;
    AS_Handle m_handle = 0;
    uint32_t m_userId = 0;
    uint32_t m_userClassId = 0;
    int32_t m_hasUserClass = 0;
    int32_t m_authType = kAuthTypeCredential;
    // The identifiers the last listing found, for its next pages; emptied whenever the handle
    // is closed.
    ListingCache m_listing;
    // The ticket a search refreshed last, and when.
    I18NString m_searchRefreshedTicket;
    std::chrono::steady_clock::time_point m_searchTicketRefreshed;
    I18NString m_requestContentLocale;
    // Texts every object of a query's answer uses, in UTF-8, fixed when the query starts.
    struct QueryTexts {
        std::string contentLocale;
        std::string defaultContentLocale;
        std::string defaultProductLocale;
    };
    QueryTexts m_queryTexts;
    I18NString m_role;
    uint32_t m_queriesSinceInit = 0;
    // The library's text for the last failed authentication on this session.
    I18NString m_failureText;
};
