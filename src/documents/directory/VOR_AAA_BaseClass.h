// VOR_AAA_BaseClass: the common part of every directory object of a query response.
//
// Usage (the session fills only what the query requested; unset properties are not written):
//   auto account = std::make_unique<VOR_AAA_Account>();
//   account->SetObjectClass();                                  // "account"
//   account->SearchPath().Set(VOR_AAA_VORID::Wrap(id), true);   // search-path flag: escaped
//   account->Name().Add("en", "Ann");
//   response.AddObject(std::move(account));
//
// An object is written as a result item ("<item xsi:type="cm:CLASS" searchPath="...">") or as
// a security object ("<securityObject xsi:type="cm:CLASS">"); the common properties come first,
// in the order hasChildren, defaultName, name, objectClass, ancestors, searchPath,
// defaultDescription, description, then what the class adds.
#pragma once

#include "VOR_AAA_Types.h"

#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// The class of a directory object (accounts are held as users).
enum VOR_AAA_ObjectType {
    kVOR_AAA_Unknown = 0,
    kVOR_AAA_BaseClass,
    kVOR_AAA_NamespaceFolder,
    kVOR_AAA_Namespace,
    kVOR_AAA_Group,
    kVOR_AAA_DistributionList,
    kVOR_AAA_Role,
    kVOR_AAA_User,
};

// The class word of a type ("account", "group", ...); empty for kVOR_AAA_Unknown and the base.
std::string_view VOR_AAA_ClassWord(VOR_AAA_ObjectType type);

class VOR_AAA_BaseClass {
public:
    VOR_AAA_BaseClass() = default;
    VOR_AAA_BaseClass(const VOR_AAA_BaseClass&) = delete;
    VOR_AAA_BaseClass& operator=(const VOR_AAA_BaseClass&) = delete;
    virtual ~VOR_AAA_BaseClass() = default;

    virtual VOR_AAA_ObjectType GetObjectType() const { return kVOR_AAA_BaseClass; }

    // "<item xsi:type=\"cm:CLASS\" searchPath=\"...\">" ... "</item>"
    void WriteAsResultItem(std::ostream& out, bool withSchema) const;
    // "<securityObject xsi:type=\"cm:CLASS\">" ... "</securityObject>"
    void WriteAsSecurityObject(std::ostream& out, bool withSchema) const;

    // Sets the objectClass property to the class's own word.
    void SetObjectClass();

    // Whether the object satisfies the predicate texts of a search path: every predicate (a
    // group of alternatives) must have one matching component. objectClass is compared
    // case-sensitively with the class word; every other property without regard to case under
    // contentLocale; a multilingual property matches when any of its texts does; a property the
    // object does not carry (or that is not set) does not match. Throws VOR_AAA_Exception (-48)
    // on a predicate that is not a valid filter.
    virtual bool PassesFilters(const std::vector<std::string>& predicates,
                               const std::string& contentLocale) const;

    VOR_AAA_Type_BooleanProp& HasChildren() { return m_hasChildren; }
    VOR_AAA_Type_TokenProp& DefaultName() { return m_defaultName; }
    VOR_AAA_Type_MultilingualTokenProp& Name() { return m_name; }
    VOR_AAA_Type_ClassEnumProp& ObjectClass() { return m_objectClass; }
    VOR_AAA_Type_ArrayOfAncestorInfoProp& Ancestors() { return m_ancestors; }
    VOR_AAA_Type_StringProp& SearchPath() { return m_searchPath; }
    VOR_AAA_Type_StringProp& DefaultDescription() { return m_defaultDescription; }
    VOR_AAA_Type_MultilingualStringProp& Description() { return m_description; }
    const VOR_AAA_Type_BooleanProp& HasChildren() const { return m_hasChildren; }
    const VOR_AAA_Type_TokenProp& DefaultName() const { return m_defaultName; }
    const VOR_AAA_Type_MultilingualTokenProp& Name() const { return m_name; }
    const VOR_AAA_Type_ClassEnumProp& ObjectClass() const { return m_objectClass; }
    const VOR_AAA_Type_ArrayOfAncestorInfoProp& Ancestors() const { return m_ancestors; }
    const VOR_AAA_Type_StringProp& SearchPath() const { return m_searchPath; }
    const VOR_AAA_Type_StringProp& DefaultDescription() const { return m_defaultDescription; }
    const VOR_AAA_Type_MultilingualStringProp& Description() const { return m_description; }

protected:
    // What the class writes after the common properties.
    virtual void WriteClassProperties(std::ostream& out, bool withSchema) const;
    // The texts of the property named name for filter matching; false when the object does not
    // carry it (or it is not set). Classes add their own properties and defer to the base.
    virtual bool GetFilterValues(const std::string& name, std::vector<std::string>& values) const;

private:
    void writeCommonProperties(std::ostream& out, bool withSchema) const;

    VOR_AAA_Type_BooleanProp m_hasChildren;
    VOR_AAA_Type_TokenProp m_defaultName;
    VOR_AAA_Type_MultilingualTokenProp m_name;
    VOR_AAA_Type_ClassEnumProp m_objectClass;
    VOR_AAA_Type_ArrayOfAncestorInfoProp m_ancestors;
    VOR_AAA_Type_StringProp m_searchPath;
    VOR_AAA_Type_StringProp m_defaultDescription;
    VOR_AAA_Type_MultilingualStringProp m_description;
};

using VOR_AAA_BaseClassPtr = std::unique_ptr<VOR_AAA_BaseClass>;

// Creates an empty object of the given class (null for kVOR_AAA_Unknown).
VOR_AAA_BaseClassPtr VOR_AAA_CreateObject(VOR_AAA_ObjectType type);
