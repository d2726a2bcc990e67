// VOR_AAA_QueryResponse: the answer to a search, an ordered list of directory objects.
//
// Usage:
//   VOR_AAA_QueryResponse response;
//   response.SetWriteSchemaInfo(query.GetSchemaInfo());
//   response.AddObject(std::move(account));          // owned by the response
//   response.Serialize(&text, allocRoutine);
// Written form (no white space):
//   <cm:queryResponse xmlns:cm="AAA" [ xmlns:xsi="..." xmlns:SOAP-ENC="..."]>
//   [<currentNamespaceFormat xsi:type="xsd:string">URI</currentNamespaceFormat>]
//   <queryResult xsi:type="SOAP-ENC:Array" SOAP-ENC:arrayType="cm:baseClass[N]">items
//   </queryResult></cm:queryResponse>
// The schema namespaces are declared by default (the xsi prefix is used by every item), so the
// text is namespace-well-formed; SetWriteSchemaNamespaces(false) leaves them to an enclosing
// document.
//
// Load reads what Write writes (VOR_AAA_QueryResponseHandler): each item's class comes from its
// xsi:type; the typed accessors assert the class they are asked for.
#pragma once

#include "VOR_AAA_Account.h"
#include "VOR_AAA_BaseClass.h"
#include "VOR_AAA_BaseClassWithMembers.h"
#include "VOR_AAA_Namespace.h"
#include "VOR_AAA_Serializable.h"

#include <string>
#include <vector>

class VOR_AAA_QueryResponse : public VOR_AAA_Serializable {
public:
    VOR_AAA_QueryResponse() = default;

    void Write(std::ostream& out) const override;
    // Document name "queryResponse". Replaces the objects and the namespace format; the write
    // flags are kept.
    void Load(const char* text, size_t length) override;

    const std::string& GetCurrentNamespaceFormat() const { return m_currentNamespaceFormat; }
    void SetCurrentNamespaceFormat(std::string uri) { m_currentNamespaceFormat = std::move(uri); }
    bool GetWriteSchemaNamespaces() const { return m_writeSchemaNamespaces; }
    void SetWriteSchemaNamespaces(bool write) { m_writeSchemaNamespaces = write; }
    bool GetWriteSchemaInfo() const { return m_writeSchemaInfo; }
    void SetWriteSchemaInfo(bool write) { m_writeSchemaInfo = write; }

    // Appends an object (not null); the response owns it.
    void AddObject(VOR_AAA_BaseClassPtr object);
    size_t GetObjectCount() const { return m_objects.size(); }
    const std::vector<VOR_AAA_BaseClassPtr>& GetObjects() const { return m_objects; }
    // The object at index; an index out of range fails an assertion ("m_tempObj == NULL").
    VOR_AAA_BaseClass& GetObject(size_t index) const;
    // The object at index as that class; another class fails an assertion.
    VOR_AAA_Account& GetAccount(size_t index) const;
    VOR_AAA_Group& GetGroup(size_t index) const;
    VOR_AAA_Role& GetRole(size_t index) const;
    VOR_AAA_Namespace& GetNamespace(size_t index) const;
    VOR_AAA_NamespaceFolder& GetNamespaceFolder(size_t index) const;
    // Removes every object and the namespace format.
    void Clear();

private:
    std::string m_currentNamespaceFormat;
    bool m_writeSchemaNamespaces = true;
    bool m_writeSchemaInfo = false;
    std::vector<VOR_AAA_BaseClassPtr> m_objects;
};
