// VOR_AAA_SetNamespaceVersion: the document that tells which namespace-format version the
// framework expects for one namespace.
//
//     VOR_AAA_SetNamespaceVersion doc;
//     doc.Load(text, strlen(text));
//     doc.GetNamespaceID();        // VORID delimiters unescaped
//     doc.GetNamespaceVersion();   // one of the namespace-format URIs 1..3, or empty
//
// The root element is spelled "setNamespceVersionDocument" on the wire, in both directions.
#pragma once

#include "I18NString.h"
#include "VOR_AAA_Serializable.h"

class VOR_AAA_SetNamespaceVersion : public VOR_AAA_Serializable {
public:
    void Write(std::ostream& out) const override;
    // Document name "setNamespaceVersion".
    void Load(const char* text, size_t length) override;

    const I18NString& GetNamespaceID() const { return m_namespaceID; }
    void SetNamespaceID(const I18NString& id) { m_namespaceID = id; }
    const I18NString& GetNamespaceVersion() const { return m_namespaceVersion; }
    void SetNamespaceVersion(const I18NString& version) { m_namespaceVersion = version; }

private:
    I18NString m_namespaceID;
    I18NString m_namespaceVersion;
};
