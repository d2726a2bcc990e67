#include "VOR_AAA_QueryResponseHandler.h"

#include "PYXThrowable.h"
#include "VOR_AAA_Const.h"
#include "VOR_AAA_DocumentText.h"
#include "VOR_AAA_Exception.h"
#include "VOR_AAA_ParseDocument.h"
#include "VOR_AAA_QueryResponse.h"
#include "VOR_AAA_VORID.h"

#include <array>
#include <string_view>

using C = VOR_AAA_Const;

namespace {

constexpr const char* kHandlerLabel = "VOR_AAA_QueryResponseHandler::_allocateObject";

// The five schema booleans, in the order VOR_AAA_Type_SchemaInfo::SetSchemaInfo takes them.
constexpr std::array<const XMLCh*, 5> kSchemaFlagNames = {
    C::kAcquirable, C::kAcquired, C::kModifiable, C::kSearchable, C::kUpdateAllDescendents};
constexpr size_t kModifiableFlag = 2;
constexpr size_t kSearchableFlag = 3;

[[noreturn]] void failAssertion(const char* condition, int line) {
    pyxAssertFailed(condition, __FILE__, line, kHandlerLabel);
}

bool isTrue(const std::string& text) {
    return text == "true";
}

const XMLCh* arrayTypeAttribute(const xercesc::Attributes& attrs) {
    if (const XMLCh* value = attrs.getValue(C::kSOAPEncodingNamespaceURI, C::kArrayType)) {
        return value;
    }
    return attrs.getValue(C::kSOAP_ENC_ArrayType);
}

// The property object of an object by element name; null for member lists and unknown names.
VOR_AAA_Type_SchemaInfo* propertyOf(VOR_AAA_BaseClass& object, const std::string& name) {
    if (name == "hasChildren")
        return &object.HasChildren();
    if (name == "defaultName")
        return &object.DefaultName();
    if (name == "name")
        return &object.Name();
    if (name == "objectClass")
        return &object.ObjectClass();
    if (name == "ancestors")
        return &object.Ancestors();
    if (name == "searchPath")
        return &object.SearchPath();
    if (name == "defaultDescription")
        return &object.DefaultDescription();
    if (name == "description")
        return &object.Description();
    if (auto* account = dynamic_cast<VOR_AAA_Account*>(&object)) {
        if (VOR_AAA_Account::IsStringPropertyName(name))
            return &account->StringProperty(name);
        if (name == "parameters")
            return &account->Parameters();
        if (name == "contentLocale")
            return &account->ContentLocale();
        if (name == "productLocale")
            return &account->ProductLocale();
    }
    if (auto* ns = dynamic_cast<VOR_AAA_Namespace*>(&object)) {
        if (name == "capabilities")
            return &ns->Capabilities();
        if (name == "comformanceProperties" || name == "conformanceProperties") {
            return &ns->ConformanceProperties();
        }
    }
    return nullptr;
}

template <typename T>
T& typedProperty(VOR_AAA_BaseClass& object, const std::string& name) {
    T* property = dynamic_cast<T*>(propertyOf(object, name));
    PYX_ASSERT(property != nullptr);
    return *property;
}

VOR_AAA_BaseClassWithMembers::MemberList memberListOf(const std::string& name) {
    if (name == "securityMembers")
        return VOR_AAA_BaseClassWithMembers::eSecurityMembers;
    if (name == "distributionMembers")
        return VOR_AAA_BaseClassWithMembers::eDistributionMembers;
    return VOR_AAA_BaseClassWithMembers::eMembers;
}

}  // namespace

VOR_AAA_ObjectType VOR_AAA_QueryResponseHandler::DetermineObjectType(
    const std::string& typeAttribute) {
    // "namespaceFolder" before "namespace": the first word the type contains decides.
    static constexpr std::pair<std::string_view, VOR_AAA_ObjectType> kWords[] = {
        {"baseClass", kVOR_AAA_BaseClass},
        {"namespaceFolder", kVOR_AAA_NamespaceFolder},
        {"namespace", kVOR_AAA_Namespace},
        {"group", kVOR_AAA_Group},
        {"distributionList", kVOR_AAA_DistributionList},
        {"role", kVOR_AAA_Role},
        {"account", kVOR_AAA_User}};
    for (const auto& [word, type] : kWords) {
        if (typeAttribute.find(word) != std::string::npos) {
            return type;
        }
    }
    VOR_AAA_Exception failure(-19);
    failure.addMessage(VOR_AAA_Message(0x506C4DF8) << "determineObjectTypeFromTypeAttribute"
                                                   << "objectType = kVOR_AAA_Unknown");
    PYX_THROW(failure, "VOR_AAA_QueryResponseHandler::determineObjectTypeFromTypeAttribute");
}

VOR_AAA_QueryResponseHandler::PropertyKind VOR_AAA_QueryResponseHandler::propertyKindOf(
    const VOR_AAA_BaseClass& object, const std::string& name) {
    if (name == "hasChildren")
        return pBoolean;
    if (name == "defaultName")
        return pToken;
    if (name == "name")
        return pMLToken;
    if (name == "objectClass")
        return pClassEnum;
    if (name == "ancestors")
        return pAncestors;
    if (name == "searchPath")
        return pSearchPath;
    if (name == "defaultDescription")
        return pString;
    if (name == "description")
        return pMLString;
    switch (object.GetObjectType()) {
        case kVOR_AAA_User:
            if (VOR_AAA_Account::IsStringPropertyName(name))
                return pString;
            if (name == "parameters")
                return pParameters;
            if (name == "contentLocale" || name == "productLocale")
                return pLanguage;
            break;
        case kVOR_AAA_Group:
        case kVOR_AAA_Role:
        case kVOR_AAA_DistributionList:
            if (name == "members" || name == "securityMembers" || name == "distributionMembers") {
                return pMembers;
            }
            break;
        case kVOR_AAA_Namespace:
            if (name == "capabilities" || name == "comformanceProperties" ||
                name == "conformanceProperties") {
                return pStringArray;
            }
            break;
        default:
            break;
    }
    return pNone;
}

void VOR_AAA_QueryResponseHandler::startDocument() {
    m_stack.clear();
    m_text.clear();
}

void VOR_AAA_QueryResponseHandler::push(Kind kind, std::string name, bool collects) {
    Frame frame;
    frame.kind = kind;
    frame.name = std::move(name);
    frame.collects = collects;
    if (collects) {
        m_text.clear();
    }
    m_stack.push_back(std::move(frame));
}

VOR_AAA_BaseClassPtr VOR_AAA_QueryResponseHandler::allocateObject(const xercesc::Attributes& attrs,
                                                                  VOR_AAA_ObjectType uberType) {
    const VOR_AAA_ObjectType typeValue =
        DetermineObjectType(VOR_AAA_ToUTF8(VOR_AAA_GetXsiAttribute(attrs, u"type")));
    if (uberType == kVOR_AAA_Unknown) {
        failAssertion("uberType == kVOR_AAA_Unknown", __LINE__);
    }
    if (uberType != kVOR_AAA_BaseClass && typeValue != uberType) {
        failAssertion("typeValue != uberType", __LINE__);
    }
    VOR_AAA_BaseClassPtr object = VOR_AAA_CreateObject(typeValue);
    if (object == nullptr) {
        failAssertion("typeValue == kVOR_AAA_Unknown", __LINE__);
    }
    if (const XMLCh* path = VOR_AAA_GetAttribute(attrs, C::kSearchPath); path && *path) {
        object->SearchPath().Set(VOR_AAA_VORID::UnescapeDelimiters(VOR_AAA_ToUTF8(path)), true);
    }
    return object;
}

void VOR_AAA_QueryResponseHandler::startElement(const XMLCh* const, const XMLCh* const localname,
                                                const XMLCh* const,
                                                const xercesc::Attributes& attrs) {
    if (m_stack.empty()) {
        push(C::Equals(localname, C::kQueryResponse) ? eRoot : eIgnore);
        return;
    }
    Frame& top = m_stack.back();
    switch (top.kind) {
        case eRoot:
            if (C::Equals(localname, C::kCurrentNamespaceFormat)) {
                push(eFormat, {}, true);
            } else if (C::Equals(localname, C::kQueryResult)) {
                const XMLCh* arrayType = arrayTypeAttribute(attrs);
                push(eResult);
                m_stack.back().arrayType =
                    arrayType ? DetermineObjectType(VOR_AAA_ToUTF8(arrayType)) : kVOR_AAA_BaseClass;
            } else {
                push(eIgnore);
            }
            return;
        case eResult:
            if (C::Equals(localname, C::kItem)) {
                VOR_AAA_BaseClassPtr object = allocateObject(attrs, top.arrayType);
                VOR_AAA_BaseClass* raw = object.get();
                m_target.AddObject(std::move(object));
                push(eObject);
                m_stack.back().object = raw;
            } else {
                push(eIgnore);
            }
            return;
        case eObject:
            startInObject(top, VOR_AAA_ToUTF8(localname), attrs);
            return;
        case eProperty:
            if (C::Equals(localname, C::kSchemaInfo) && top.property != pMembers) {
                for (size_t i = 0; i < kSchemaFlagNames.size(); ++i) {
                    m_schemaFlags[i].clear();
                }
                push(eSchemaInfo);
            } else if (C::Equals(localname, C::kValue)) {
                startInValue(top, attrs);
            } else {
                push(eIgnore);
            }
            return;
        case eSchemaInfo:
            for (size_t i = 0; i < kSchemaFlagNames.size(); ++i) {
                if (C::Equals(localname, kSchemaFlagNames[i])) {
                    push(eSchemaFlag, {}, true);
                    m_stack.back().schemaFlag = static_cast<int>(i);
                    return;
                }
            }
            push(eIgnore);
            return;
        case eValue:
            if (!C::Equals(localname, C::kItem)) {
                push(eIgnore);
                return;
            }
            switch (top.property) {
                case pStringArray:
                    push(eArrayItem, {}, true);
                    return;
                case pMLString:
                case pMLToken:
                    m_localized = {};
                    push(eMLItem);
                    return;
                case pAncestors:
                    m_ancestor = {};
                    push(eAncestor);
                    return;
                case pParameters:
                    m_parameter = {};
                    push(eParameter);
                    return;
                case pMembers: {
                    auto* owner = dynamic_cast<VOR_AAA_BaseClassWithMembers*>(top.object);
                    PYX_ASSERT(owner != nullptr);
                    const auto list = memberListOf(top.name);
                    VOR_AAA_BaseClassPtr member = allocateObject(attrs, top.arrayType);
                    VOR_AAA_BaseClass* raw = member.get();
                    owner->AddMember(list, std::move(member));
                    push(eObject);
                    m_stack.back().object = raw;
                    return;
                }
                default:
                    push(eIgnore);
                    return;
            }
        case eMLItem:
            if (C::Equals(localname, C::kValue) || C::Equals(localname, C::kLocale)) {
                push(eField, VOR_AAA_ToUTF8(localname), true);
            } else {
                push(eIgnore);
            }
            return;
        case eAncestor:
            if (C::Equals(localname, C::kObjectClass) || C::Equals(localname, C::kSearchPath) ||
                C::Equals(localname, C::kTitle)) {
                push(eField, VOR_AAA_ToUTF8(localname), true);
            } else {
                push(eIgnore);
            }
            return;
        case eParameter:
            if (C::Equals(localname, C::kName)) {
                push(eField, "name", true);
            } else if (C::Equals(localname, C::kValue)) {
                push(eParmValues);
            } else {
                push(eIgnore);
            }
            return;
        case eParmValues:
            if (C::Equals(localname, C::kItem)) {
                m_parmItem = {};
                push(eParmItem);
            } else {
                push(eIgnore);
            }
            return;
        case eParmItem:
            if (C::Equals(localname, C::kInclusive) || C::Equals(localname, C::kDisplay) ||
                C::Equals(localname, C::kUse)) {
                push(eField, VOR_AAA_ToUTF8(localname), true);
            } else {
                push(eIgnore);
            }
            return;
        case eIgnore:
        case eFormat:
        case eSchemaFlag:
        case eArrayItem:
        case eField:
            push(eIgnore);
            return;
    }
}

void VOR_AAA_QueryResponseHandler::startInObject(Frame& top, const std::string& name,
                                                 const xercesc::Attributes&) {
    VOR_AAA_BaseClass* object = top.object;
    const PropertyKind kind = propertyKindOf(*object, name);
    if (kind == pNone) {
        push(eIgnore);
        return;
    }
    if (kind == pMembers) {
        // A list element present at all (with items or nil) means the query asked for it.
        static_cast<VOR_AAA_BaseClassWithMembers*>(object)->SetRequested(memberListOf(name), true);
    }
    push(eProperty, name);
    m_stack.back().property = kind;
    m_stack.back().object = object;
}

void VOR_AAA_QueryResponseHandler::startInValue(Frame& top, const xercesc::Attributes& attrs) {
    const PropertyKind kind = top.property;
    VOR_AAA_BaseClass* object = top.object;
    const std::string name = top.name;
    bool scalar = false;
    switch (kind) {
        case pBoolean:
        case pString:
        case pSearchPath:
        case pToken:
        case pLanguage:
        case pClassEnum:
            scalar = true;
            break;
        case pStringArray:
            typedProperty<VOR_AAA_Type_StringArrayProp>(*object, name).Set({});
            break;
        case pMLString:
        case pMLToken:
            typedProperty<VOR_AAA_Type_MultilingualStringProp>(*object, name).Set({});
            break;
        case pAncestors:
            object->Ancestors().Set({});
            break;
        case pParameters:
            typedProperty<VOR_AAA_Type_ParameterValueArrayProp>(*object, name).Set({});
            break;
        case pMembers:
        case pNone:
            break;
    }
    push(eValue, name, scalar);
    Frame& value = m_stack.back();
    value.property = kind;
    value.object = object;
    if (kind == pMembers) {
        const XMLCh* arrayType = arrayTypeAttribute(attrs);
        value.arrayType =
            arrayType ? DetermineObjectType(VOR_AAA_ToUTF8(arrayType)) : kVOR_AAA_BaseClass;
    }
}

void VOR_AAA_QueryResponseHandler::characters(const XMLCh* const chars, const XMLSize_t length) {
    if (!m_stack.empty() && m_stack.back().collects) {
        VOR_AAA_AppendText(m_text, chars, length);
    }
}

void VOR_AAA_QueryResponseHandler::endValue(const Frame& value, std::string text) {
    VOR_AAA_BaseClass& object = *value.object;
    switch (value.property) {
        case pBoolean:
            object.HasChildren().Set(isTrue(text));
            break;
        case pSearchPath:
            object.SearchPath().Set(VOR_AAA_VORID::UnescapeDelimiters(text), true);
            break;
        case pString:
        case pToken:
            typedProperty<VOR_AAA_Type_StringProp>(object, value.name).Set(std::move(text));
            break;
        case pLanguage:
            typedProperty<VOR_AAA_Type_LanguageProp>(object, value.name).Set(std::move(text));
            break;
        case pClassEnum:
            object.ObjectClass().Set(std::move(text));
            break;
        default:
            break;
    }
}

void VOR_AAA_QueryResponseHandler::endField(const Frame& field, const Frame& parent,
                                            std::string text) {
    switch (parent.kind) {
        case eMLItem:
            (field.name == "value" ? m_localized.text : m_localized.locale) = std::move(text);
            break;
        case eAncestor:
            if (field.name == "objectClass") {
                m_ancestor.objectClass = std::move(text);
            } else if (field.name == "searchPath") {
                m_ancestor.searchPath = VOR_AAA_VORID::UnescapeDelimiters(text);
            } else {
                m_ancestor.title = std::move(text);
            }
            break;
        case eParameter:
            m_parameter.name = std::move(text);
            break;
        case eParmItem:
            if (field.name == "inclusive") {
                m_parmItem.inclusive = isTrue(text);
            } else if (field.name == "display") {
                m_parmItem.display = std::move(text);
            } else {
                m_parmItem.use = std::move(text);
            }
            break;
        default:
            break;
    }
}

void VOR_AAA_QueryResponseHandler::endElement(const XMLCh* const, const XMLCh* const,
                                              const XMLCh* const) {
    if (m_stack.empty()) {
        return;
    }
    Frame frame = std::move(m_stack.back());
    m_stack.pop_back();
    std::string text;
    if (frame.collects) {
        text = m_text.utf8();
        m_text.clear();
    }
    // The frame that holds the property being read (the value frame below an item).
    auto valueFrame = [this]() -> const Frame& { return m_stack.back(); };
    switch (frame.kind) {
        case eFormat:
            m_target.SetCurrentNamespaceFormat(std::move(text));
            break;
        case eSchemaFlag: {
            const size_t index = static_cast<size_t>(frame.schemaFlag);
            m_schemaFlags[index] = std::move(text);
            break;
        }
        case eSchemaInfo: {
            if (m_schemaFlags[kSearchableFlag].empty() || m_schemaFlags[kModifiableFlag].empty()) {
                failAssertion("searchable.empty() || modifiable.empty()", __LINE__);
            }
            const Frame& property = m_stack.back();
            if (VOR_AAA_Type_SchemaInfo* target = propertyOf(*property.object, property.name)) {
                target->SetSchemaInfo(isTrue(m_schemaFlags[0]), isTrue(m_schemaFlags[1]),
                                      isTrue(m_schemaFlags[2]), isTrue(m_schemaFlags[3]),
                                      isTrue(m_schemaFlags[4]));
            }
            break;
        }
        case eValue:
            endValue(frame, std::move(text));
            break;
        case eArrayItem: {
            const Frame& value = valueFrame();
            typedProperty<VOR_AAA_Type_StringArrayProp>(*value.object, value.name)
                .Add(std::move(text));
            break;
        }
        case eMLItem: {
            const Frame& value = valueFrame();
            typedProperty<VOR_AAA_Type_MultilingualStringProp>(*value.object, value.name)
                .Add(std::move(m_localized.locale), std::move(m_localized.text));
            break;
        }
        case eAncestor:
            valueFrame().object->Ancestors().Add(std::move(m_ancestor));
            break;
        case eParameter: {
            const Frame& value = valueFrame();
            typedProperty<VOR_AAA_Type_ParameterValueArrayProp>(*value.object, value.name)
                .Add(std::move(m_parameter));
            break;
        }
        case eParmItem:
            m_parameter.values.push_back(std::move(m_parmItem));
            break;
        case eField:
            endField(frame, m_stack.back(), std::move(text));
            break;
        case eRoot:
        case eResult:
        case eObject:
        case eProperty:
        case eParmValues:
        case eIgnore:
            break;
    }
}
