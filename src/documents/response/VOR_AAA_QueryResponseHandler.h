// VOR_AAA_QueryResponseHandler: reads a query response (as VOR_AAA_QueryResponse::Write writes
// it) back into objects. Used through VOR_AAA_QueryResponse::Load.
//
// Elements are matched by local name and nesting; unknown elements are skipped. An item's
// class comes from its xsi:type (first of "baseClass", "namespaceFolder", "namespace", "group",
// "distributionList", "role", "account" that the type contains); a type naming none of them
// throws VOR_AAA_Exception -19 (0x506C4DF8). Search paths are VORID-unescaped. A schemaInfo
// block lacking searchable or modifiable fails an assertion.
#pragma once

#include "I18NString.h"
#include "VOR_AAA_BaseClass.h"
#include "VOR_AAA_BaseClassWithMembers.h"
#include "VOR_AAA_DefaultHandlers.h"

#include <string>
#include <vector>

class VOR_AAA_QueryResponse;

class VOR_AAA_QueryResponseHandler : public virtual VOR_AAA_DefaultContentHandler {
public:
    explicit VOR_AAA_QueryResponseHandler(VOR_AAA_QueryResponse& target) : m_target(target) {}

    void startDocument() override;
    void startElement(const XMLCh* const uri, const XMLCh* const localname,
                      const XMLCh* const qname, const xercesc::Attributes& attrs) override;
    void endElement(const XMLCh* const uri, const XMLCh* const localname,
                    const XMLCh* const qname) override;
    void characters(const XMLCh* const chars, const XMLSize_t length) override;

    // The class named by an xsi:type value; throws VOR_AAA_Exception -19 when none matches.
    static VOR_AAA_ObjectType DetermineObjectType(const std::string& typeAttribute);

private:
    enum Kind {
        eIgnore,
        eRoot,
        eFormat,
        eResult,
        eObject,
        eProperty,
        eSchemaInfo,
        eSchemaFlag,
        eValue,
        eArrayItem,   // an item of a string array: its text
        eMLItem,      // multilingual item: value, locale
        eAncestor,    // ancestor item: objectClass, searchPath, title
        eParameter,   // parameter item: name, value (its items)
        eParmValues,  // the value array of one parameter
        eParmItem,    // one parameter value: inclusive, display, use
        eField,       // text of a named child of the frame below
    };
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
    struct Frame {
        Kind kind = eIgnore;
        PropertyKind property = pNone;
        std::string name;                                 // property or field name
        VOR_AAA_BaseClass* object = nullptr;              // eObject, and the owner of a property
        VOR_AAA_ObjectType arrayType = kVOR_AAA_Unknown;  // element type an array declares
        bool collects = false;                            // characters go to the text
        int schemaFlag = -1;  // eSchemaFlag: index of the schema boolean
    };

    static PropertyKind propertyKindOf(const VOR_AAA_BaseClass& object, const std::string& name);
    VOR_AAA_BaseClassPtr allocateObject(const xercesc::Attributes& attrs,
                                        VOR_AAA_ObjectType uberType);
    void startInObject(Frame& top, const std::string& name, const xercesc::Attributes& attrs);
    void startInValue(Frame& top, const xercesc::Attributes& attrs);
    void endValue(const Frame& property, std::string text);
    void endField(const Frame& field, const Frame& parent, std::string text);
    void push(Kind kind, std::string name = {}, bool collects = false);

    VOR_AAA_QueryResponse& m_target;
    std::vector<Frame> m_stack;
    I18NString m_text;  // the text of the innermost collecting element
    // Scratch of the item being read (items of one kind never nest in each other).
    VOR_AAA_Type_AncestorInfo m_ancestor;
    VOR_AAA_LocalizedText m_localized;
    VOR_AAA_Type_ParameterValue m_parameter;
    VOR_AAA_Type_ParmValueItem m_parmItem;
    std::string m_schemaFlags[5];
};
