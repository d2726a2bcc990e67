// VOR_AAA_QueryResponseHandler: reads a query response (as VOR_AAA_QueryResponse::Write writes
// it) back into objects. Used through VOR_AAA_QueryResponse::Load.
//
// Elements are matched by local name and nesting; unknown elements are skipped. An item's
// class comes from its xsi:type (first of "baseClass", "namespaceFolder", "namespace", "group",
// "distributionList", "role", "account" that the type contains); a type naming none of them
// throws VOR_AAA_Exception -19 (kMsgInternalError). Search paths are VORID-unescaped. A schemaInfo
// block lacking searchable or modifiable fails an assertion.
#pragma once

#include "I18NString.h"
#include "VOR_AAA_BaseClass.h"
#include "VOR_AAA_BaseClassWithMembers.h"
#include "VOR_AAA_ElementReader.h"

#include <string>
#include <vector>

class VOR_AAA_QueryResponse;

class VOR_AAA_QueryResponseHandler : public VOR_AAA_ElementReader<VOR_AAA_QueryResponseHandler> {
public:
    explicit VOR_AAA_QueryResponseHandler(VOR_AAA_QueryResponse& target) : m_target(target) {}

    // The class named by an xsi:type value; throws VOR_AAA_Exception -19 when none matches.
    static VOR_AAA_ObjectType DetermineObjectType(const std::string& typeAttribute);

private:
    friend class VOR_AAA_ElementReader<VOR_AAA_QueryResponseHandler>;
    static std::span<const Rule> Rules();
    void Reset();

    enum PropertyKind {
        pNone,
        pBoolean,
        pString,
        pSearchPath,
        pToken,
        pLanguage,
        pClassEnum,
        pStringArray,
        pMLString,
        pMLToken,
        pAncestors,
        pParameters,
        pMembers,
    };
    // Where the reader is: the object being read, the property of it, and the element type the
    // innermost array declares. Each element that changes one of them pushes a copy.
    struct Context {
        VOR_AAA_BaseClass* object = nullptr;
        std::string property;
        PropertyKind kind = pNone;
        VOR_AAA_ObjectType arrayType = kVOR_AAA_Unknown;
    };

    static PropertyKind propertyKindOf(const VOR_AAA_BaseClass& object, const std::string& name);
    template <PropertyKind... Kinds>
    static bool kindIs(VOR_AAA_QueryResponseHandler& h, const XMLCh*);
    template <size_t Index>
    static I18NString* schemaFlag(VOR_AAA_QueryResponseHandler& h) {
        return &h.m_schemaFlags[Index];
    }
    VOR_AAA_BaseClassPtr allocateObject(const xercesc::Attributes& attrs,
                                        VOR_AAA_ObjectType uberType);
    Context& top() { return m_context.back(); }
    void enterArray(const xercesc::Attributes& attrs);
    void enterProperty(const XMLCh* localname);
    void enterMember(const xercesc::Attributes& attrs);
    void enterResultItem(const xercesc::Attributes& attrs);
    void endScalar();
    void endSchemaInfo();
    std::string takeText();

    VOR_AAA_QueryResponse& m_target;
    std::vector<Context> m_context;
    I18NString m_text;  // the text of the innermost leaf being read
    // Scratch of the item being read (items of one kind never nest in each other).
    VOR_AAA_Type_AncestorInfo m_ancestor;
    VOR_AAA_LocalizedText m_localized;
    VOR_AAA_Type_ParameterValue m_parameter;
    VOR_AAA_Type_ParmValueItem m_parmItem;
    I18NString m_schemaFlags[5];  // in the order SetSchemaInfo takes them
};
