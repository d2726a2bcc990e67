// VOR_AAA_CredentialsDoc: credentials of a request (user name, password, namespace,
// certificate and any other named values), as a single "credential" or a "credentials" list.
//
// Usage:
//   VOR_AAA_CredentialsDoc creds;
//   creds.Load(text, length);
//   I18NString user;
//   if (creds.GetValue("username", user)) ...
// Lookups use the entry of the first listed namespace. Every entry added (by Load,
// AddCredential or Merge) lists its namespace if it is not listed yet, so the first entry read
// is the one looked up unless the caller lists another namespace first (SetNamespaces).
//
// Written form: ["<credentials>"] per entry "<credential>" [username] [password] namespace
// [Certificate] [primary (list form only)] other values in name order "</credential>"
// ["</credentials>"]; every element as opening tag, escaped text, closing tag.
#pragma once

#include "I18NString.h"
#include "VOR_AAA_ElementReader.h"
#include "VOR_AAA_Serializable.h"

#include <map>
#include <vector>

class VOR_AAA_CredentialsDoc : public VOR_AAA_Serializable {
public:
    struct Credential {
        I18NString username;
        I18NString password;
        I18NString namespaceID;
        I18NString certificate;
        bool primary = false;
        bool hasPassword = false;                 // a password element was present, even if empty
        std::map<I18NString, I18NString> values;  // every other child element, by name
        friend bool operator==(const Credential&, const Credential&) = default;
    };

    void Write(std::ostream& out) const override;
    // Document name "credentials". Adds to what the document holds.
    void Load(const char* text, size_t length) override;

    // Looks name up in the entry of the first listed namespace: "namespace", "username" and
    // "Certificate" are found only when not empty; "password" whenever the element was
    // present; any other name among the entry's other values.
    bool GetValue(const I18NString& name, I18NString& out) const;

    void AddCredential(Credential entry);
    // Appends the other document's entries.
    void Merge(const VOR_AAA_CredentialsDoc& other);
    // Removes the entry at index (and its namespace from the list when no other entry has it).
    void RemoveCredential(size_t index);
    void Clear();

    const std::vector<Credential>& GetCredentials() const { return m_credentials; }
    std::vector<Credential>& GetCredentials() { return m_credentials; }
    bool HasCredentials() const { return !m_credentials.empty(); }
    const std::vector<I18NString>& GetNamespaces() const { return m_namespaces; }
    void SetNamespaces(std::vector<I18NString> namespaces) { m_namespaces = std::move(namespaces); }
    const I18NString& GetEncryptedValue() const { return m_encryptedValue; }
    void SetEncryptedValue(const I18NString& value) { m_encryptedValue = value; }
    // True when the root was "credentials" (a list); the single form writes no wrapper and no
    // "primary".
    bool IsWrapped() const { return m_wrapped; }
    void SetWrapped(bool wrapped) { m_wrapped = wrapped; }

private:
    std::vector<Credential> m_credentials;
    std::vector<I18NString> m_namespaces;
    I18NString m_encryptedValue;
    bool m_wrapped = false;
};

// Reads a credentials document; documents that embed one forward the events of its element to
// a handler bound to the embedded object (startDocument first, endDocument after its end).
class VOR_AAA_CredentialsDocHandler : public VOR_AAA_ElementReader<VOR_AAA_CredentialsDocHandler> {
public:
    VOR_AAA_CredentialsDocHandler() = default;
    explicit VOR_AAA_CredentialsDocHandler(VOR_AAA_CredentialsDoc& target) : m_target(&target) {}
    void SetTarget(VOR_AAA_CredentialsDoc* target) { m_target = target; }

private:
    friend class VOR_AAA_ElementReader<VOR_AAA_CredentialsDocHandler>;
    static std::span<const Rule> Rules();
    void Reset();
    VOR_AAA_CredentialsDoc& Target() { return *m_target; }
    void endValue();
    void endCredential();

    VOR_AAA_CredentialsDoc* m_target = nullptr;
    I18NString m_key;
    I18NString m_text;
    std::map<I18NString, I18NString> m_collected;
};
