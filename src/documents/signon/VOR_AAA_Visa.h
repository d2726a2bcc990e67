// VOR_AAA_Visa: the signed-on identity handed to the framework: namespace, visa object id,
// user, roles, groups and provider-specific named values ("as_session", "ticket", ...).
//
// Usage:
//   VOR_AAA_Visa visa;
//   visa.SetNamespaceID("ns"); visa.SetUserID(VOR_AAA_VORID::Compose("ns", eAccount, 7));
//   visa.AddRole(roleID); visa.AddGroup(groupID);
//   visa.SetValue("as_session", sessionID);
//   I18NString session; if (visa.GetValue("as_session", session)) ...
// An empty visa writes nothing. Identifiers are VORID-escaped, then XML-escaped; the visa
// object id is written as it is.
#pragma once

#include "I18NString.h"
#include "VOR_AAA_ElementReader.h"
#include "VOR_AAA_Serializable.h"

#include <map>
#include <set>
#include <vector>

class VOR_AAA_Visa : public VOR_AAA_Serializable {
public:
    void Write(std::ostream& out) const override;
    // Document name "visa". Replaces the whole content.
    void Load(const char* text, size_t length) override;

    // Nothing to write: no identifiers, roles, groups or values.
    bool IsEmpty() const;
    void Clear();

    const I18NString& GetNamespaceID() const { return m_namespaceID; }
    void SetNamespaceID(const I18NString& id) { m_namespaceID = id; }
    const I18NString& GetVisaID() const { return m_visaID; }
    void SetVisaID(const I18NString& id) { m_visaID = id; }
    const I18NString& GetUserID() const { return m_userID; }
    void SetUserID(const I18NString& id) { m_userID = id; }
    const std::vector<I18NString>& GetRoles() const { return m_roles; }
    void AddRole(const I18NString& id) { m_roles.push_back(id); }
    const std::set<I18NString>& GetGroups() const { return m_groups; }
    void AddGroup(const I18NString& id) { m_groups.insert(id); }

    const std::map<I18NString, I18NString>& GetProviderSpecificData() const { return m_data; }
    void SetValue(const I18NString& name, const I18NString& value) { m_data[name] = value; }
    bool GetValue(const I18NString& name, I18NString& out) const;
    void RemoveValue(const I18NString& name) { m_data.erase(name); }

    // Set when a reader saw the closing "visa" tag.
    bool IsComplete() const { return m_complete; }

    friend bool operator==(const VOR_AAA_Visa& a, const VOR_AAA_Visa& b) {
        return a.m_namespaceID == b.m_namespaceID && a.m_visaID == b.m_visaID &&
               a.m_userID == b.m_userID && a.m_roles == b.m_roles && a.m_groups == b.m_groups &&
               a.m_data == b.m_data;
    }

private:
    friend class VOR_AAA_VisaHandler;

    I18NString m_namespaceID;
    I18NString m_visaID;
    I18NString m_userID;
    std::vector<I18NString> m_roles;
    std::set<I18NString> m_groups;
    std::map<I18NString, I18NString> m_data;
    bool m_complete = false;
};

class VOR_AAA_VisaHandler : public VOR_AAA_ElementReader<VOR_AAA_VisaHandler> {
public:
    VOR_AAA_VisaHandler() = default;
    explicit VOR_AAA_VisaHandler(VOR_AAA_Visa& target) : m_target(&target) {}
    void SetTarget(VOR_AAA_Visa* target) { m_target = target; }

private:
    friend class VOR_AAA_ElementReader<VOR_AAA_VisaHandler>;
    static std::span<const Rule> Rules();
    void Reset();
    VOR_AAA_Visa& Target() { return *m_target; }
    void addMember();

    VOR_AAA_Visa* m_target = nullptr;
    I18NString m_objectID;
    I18NString m_objectClass;
    I18NString m_key;
    I18NString m_text;
};
