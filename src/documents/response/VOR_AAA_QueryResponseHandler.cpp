#include "VOR_AAA_QueryResponseHandler.h"

#include "PYXThrowable.h"
#include "VOR_AAA_Const.h"
#include "VOR_AAA_DocumentText.h"
#include "VOR_AAA_Exception.h"
#include "VOR_AAA_Messages.h"
#include "VOR_AAA_QueryResponse.h"
#include "VOR_AAA_VORID.h"

#include <array>
#include <string_view>

using namespace VOR_AAA_Messages;

namespace {

using C = VOR_AAA_Const;
using H = VOR_AAA_QueryResponseHandler;

constexpr const char* kHandlerLabel = "VOR_AAA_QueryResponseHandler::_allocateObject";

enum State {
    kRoot = 1,
    kFormat,
    kResult,
    kObject,
    kProperty,
    kSchemaInfo,
    kSchemaFlag,
    kScalarValue,
    kStringArrayValue,
    kArrayItem,
    kMLValue,
    kMLItem,
    kMLField,
    kAncestorsValue,
    kAncestor,
    kAncestorField,
    kParametersValue,
    kParameter,
    kParameterName,
    kParmValues,
    kParmItem,
    kParmField,
    kMembersValue,
};

// The schema booleans, in the order VOR_AAA_Type_SchemaInfo::SetSchemaInfo takes them:
// acquirable, acquired, modifiable, searchable, updateAllDescendents.
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
    failure.addMessage(VOR_AAA_Message(kMsgInternalError) << "determineObjectTypeFromTypeAttribute"
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

template <VOR_AAA_QueryResponseHandler::PropertyKind... Kinds>
bool VOR_AAA_QueryResponseHandler::kindIs(VOR_AAA_QueryResponseHandler& h, const XMLCh*) {
    return ((h.top().kind == Kinds) || ...);
}

void VOR_AAA_QueryResponseHandler::Reset() {
    m_context.assign(1, Context{});
    m_text.clear();
}

std::string VOR_AAA_QueryResponseHandler::takeText() {
    std::string text = m_text.utf8();
    m_text.clear();
    return text;
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

// The query result and a member list declare the class of their items (none: any class).
void VOR_AAA_QueryResponseHandler::enterArray(const xercesc::Attributes& attrs) {
    const XMLCh* arrayType = arrayTypeAttribute(attrs);
    Context next = top();
    next.arrayType =
        arrayType ? DetermineObjectType(VOR_AAA_ToUTF8(arrayType)) : kVOR_AAA_BaseClass;
    m_context.push_back(std::move(next));
}

void VOR_AAA_QueryResponseHandler::enterResultItem(const xercesc::Attributes& attrs) {
    VOR_AAA_BaseClassPtr object = allocateObject(attrs, top().arrayType);
    Context next = top();
    next.object = object.get();
    m_target.AddObject(std::move(object));
    m_context.push_back(std::move(next));
}

void VOR_AAA_QueryResponseHandler::enterMember(const xercesc::Attributes& attrs) {
    auto* owner = dynamic_cast<VOR_AAA_BaseClassWithMembers*>(top().object);
    PYX_ASSERT(owner != nullptr);
    const auto list = memberListOf(top().property);
    VOR_AAA_BaseClassPtr member = allocateObject(attrs, top().arrayType);
    Context next = top();
    next.object = member.get();
    owner->AddMember(list, std::move(member));
    m_context.push_back(std::move(next));
}

void VOR_AAA_QueryResponseHandler::enterProperty(const XMLCh* localname) {
    Context next = top();
    next.property = VOR_AAA_ToUTF8(localname);
    next.kind = propertyKindOf(*next.object, next.property);
    if (next.kind == pMembers) {
        // A list element present at all (with items or nil) means the query asked for it.
        static_cast<VOR_AAA_BaseClassWithMembers*>(next.object)
            ->SetRequested(memberListOf(next.property), true);
    }
    m_context.push_back(std::move(next));
}

void VOR_AAA_QueryResponseHandler::endScalar() {
    VOR_AAA_BaseClass& object = *top().object;
    const std::string& name = top().property;
    std::string text = takeText();
    switch (top().kind) {
        case pBoolean:
            object.HasChildren().Set(isTrue(text));
            break;
        case pSearchPath:
            object.SearchPath().Set(VOR_AAA_VORID::UnescapeDelimiters(text), true);
            break;
        case pString:
        case pToken:
            typedProperty<VOR_AAA_Type_StringProp>(object, name).Set(std::move(text));
            break;
        case pLanguage:
            typedProperty<VOR_AAA_Type_LanguageProp>(object, name).Set(std::move(text));
            break;
        case pClassEnum:
            object.ObjectClass().Set(std::move(text));
            break;
        default:
            break;
    }
}

void VOR_AAA_QueryResponseHandler::endSchemaInfo() {
    if (m_schemaFlags[kSearchableFlag].empty() || m_schemaFlags[kModifiableFlag].empty()) {
        failAssertion("searchable.empty() || modifiable.empty()", __LINE__);
    }
    if (VOR_AAA_Type_SchemaInfo* target = propertyOf(*top().object, top().property)) {
        target->SetSchemaInfo(isTrue(m_schemaFlags[0].utf8()), isTrue(m_schemaFlags[1].utf8()),
                              isTrue(m_schemaFlags[2].utf8()), isTrue(m_schemaFlags[3].utf8()),
                              isTrue(m_schemaFlags[4].utf8()));
    }
}

std::span<const VOR_AAA_QueryResponseHandler::Rule> VOR_AAA_QueryResponseHandler::Rules() {
    // Leaves read their own text into m_text (text inside unknown children is not theirs) and
    // store it when they close. Rules that change the object, property or declared item class
    // push a context and pop it when they close.
    const auto scratch = [](H& h) { return &h.m_text; };
    const auto pop = [](H& h) { h.m_context.pop_back(); };
    static const Rule kRules[] = {
        {.parent = kOutside, .name = C::kQueryResponse, .state = kRoot},
        {.parent = kRoot,
         .name = C::kCurrentNamespaceFormat,
         .state = kFormat,
         .text = scratch,
         .replace = true,
         .ownText = true,
         .leave = [](H& h) { h.m_target.SetCurrentNamespaceFormat(h.takeText()); }},
        {.parent = kRoot,
         .name = C::kQueryResult,
         .state = kResult,
         .enter = [](H& h, const XMLCh*, const xercesc::Attributes& a) { h.enterArray(a); },
         .leave = pop},
        {.parent = kResult,
         .name = C::kItem,
         .state = kObject,
         .enter = [](H& h, const XMLCh*, const xercesc::Attributes& a) { h.enterResultItem(a); },
         .leave = pop},

        // Any element of an object that names one of its properties.
        {.parent = kObject,
         .state = kProperty,
         .when =
             [](H& h, const XMLCh* localname) {
                 return propertyKindOf(*h.top().object, VOR_AAA_ToUTF8(localname)) != pNone;
             },
         .enter = [](H& h, const XMLCh* localname,
                     const xercesc::Attributes&) { h.enterProperty(localname); },
         .leave = pop},

        {.parent = kProperty,
         .name = C::kSchemaInfo,
         .state = kSchemaInfo,
         .when = [](H& h, const XMLCh*) { return h.top().kind != pMembers; },
         .enter =
             [](H& h, const XMLCh*, const xercesc::Attributes&) {
                 for (I18NString& value : h.m_schemaFlags) {
                     value.clear();
                 }
             },
         .leave = [](H& h) { h.endSchemaInfo(); }},
        {.parent = kSchemaInfo,
         .name = C::kAcquirable,
         .state = kSchemaFlag,
         .text = schemaFlag<0>,
         .replace = true,
         .ownText = true},
        {.parent = kSchemaInfo,
         .name = C::kAcquired,
         .state = kSchemaFlag,
         .text = schemaFlag<1>,
         .replace = true,
         .ownText = true},
        {.parent = kSchemaInfo,
         .name = C::kModifiable,
         .state = kSchemaFlag,
         .text = schemaFlag<2>,
         .replace = true,
         .ownText = true},
        {.parent = kSchemaInfo,
         .name = C::kSearchable,
         .state = kSchemaFlag,
         .text = schemaFlag<3>,
         .replace = true,
         .ownText = true},
        {.parent = kSchemaInfo,
         .name = C::kUpdateAllDescendents,
         .state = kSchemaFlag,
         .text = schemaFlag<4>,
         .replace = true,
         .ownText = true},

        // The value of a property, by its kind.
        {.parent = kProperty,
         .name = C::kValue,
         .state = kScalarValue,
         .when = kindIs<pBoolean, pString, pSearchPath, pToken, pLanguage, pClassEnum>,
         .text = scratch,
         .replace = true,
         .ownText = true,
         .leave = [](H& h) { h.endScalar(); }},
        {.parent = kProperty,
         .name = C::kValue,
         .state = kStringArrayValue,
         .when = kindIs<pStringArray>,
         .enter =
             [](H& h, const XMLCh*, const xercesc::Attributes&) {
                 typedProperty<VOR_AAA_Type_StringArrayProp>(*h.top().object, h.top().property)
                     .Set({});
             }},
        {.parent = kProperty,
         .name = C::kValue,
         .state = kMLValue,
         .when = kindIs<pMLString, pMLToken>,
         .enter =
             [](H& h, const XMLCh*, const xercesc::Attributes&) {
                 typedProperty<VOR_AAA_Type_MultilingualStringProp>(*h.top().object,
                                                                    h.top().property)
                     .Set({});
             }},
        {.parent = kProperty,
         .name = C::kValue,
         .state = kAncestorsValue,
         .when = kindIs<pAncestors>,
         .enter = [](H& h, const XMLCh*,
                     const xercesc::Attributes&) { h.top().object->Ancestors().Set({}); }},
        {.parent = kProperty,
         .name = C::kValue,
         .state = kParametersValue,
         .when = kindIs<pParameters>,
         .enter =
             [](H& h, const XMLCh*, const xercesc::Attributes&) {
                 typedProperty<VOR_AAA_Type_ParameterValueArrayProp>(*h.top().object,
                                                                     h.top().property)
                     .Set({});
             }},
        {.parent = kProperty,
         .name = C::kValue,
         .state = kMembersValue,
         .when = kindIs<pMembers>,
         .enter = [](H& h, const XMLCh*, const xercesc::Attributes& a) { h.enterArray(a); },
         .leave = pop},

        {.parent = kStringArrayValue,
         .name = C::kItem,
         .state = kArrayItem,
         .text = scratch,
         .replace = true,
         .ownText = true,
         .leave =
             [](H& h) {
                 typedProperty<VOR_AAA_Type_StringArrayProp>(*h.top().object, h.top().property)
                     .Add(h.takeText());
             }},

        {.parent = kMLValue,
         .name = C::kItem,
         .state = kMLItem,
         .enter = [](H& h, const XMLCh*, const xercesc::Attributes&) { h.m_localized = {}; },
         .leave =
             [](H& h) {
                 typedProperty<VOR_AAA_Type_MultilingualStringProp>(*h.top().object,
                                                                    h.top().property)
                     .Add(std::move(h.m_localized.locale), std::move(h.m_localized.text));
             }},
        {.parent = kMLItem,
         .name = C::kValue,
         .state = kMLField,
         .text = scratch,
         .replace = true,
         .ownText = true,
         .leave = [](H& h) { h.m_localized.text = h.takeText(); }},
        {.parent = kMLItem,
         .name = C::kLocale,
         .state = kMLField,
         .text = scratch,
         .replace = true,
         .ownText = true,
         .leave = [](H& h) { h.m_localized.locale = h.takeText(); }},

        {.parent = kAncestorsValue,
         .name = C::kItem,
         .state = kAncestor,
         .enter = [](H& h, const XMLCh*, const xercesc::Attributes&) { h.m_ancestor = {}; },
         .leave = [](H& h) { h.top().object->Ancestors().Add(std::move(h.m_ancestor)); }},
        {.parent = kAncestor,
         .name = C::kObjectClass,
         .state = kAncestorField,
         .text = scratch,
         .replace = true,
         .ownText = true,
         .leave = [](H& h) { h.m_ancestor.objectClass = h.takeText(); }},
        {.parent = kAncestor,
         .name = C::kSearchPath,
         .state = kAncestorField,
         .text = scratch,
         .replace = true,
         .ownText = true,
         .leave =
             [](H& h) {
                 h.m_ancestor.searchPath = VOR_AAA_VORID::UnescapeDelimiters(h.takeText());
             }},
        {.parent = kAncestor,
         .name = C::kTitle,
         .state = kAncestorField,
         .text = scratch,
         .replace = true,
         .ownText = true,
         .leave = [](H& h) { h.m_ancestor.title = h.takeText(); }},

        {.parent = kParametersValue,
         .name = C::kItem,
         .state = kParameter,
         .enter = [](H& h, const XMLCh*, const xercesc::Attributes&) { h.m_parameter = {}; },
         .leave =
             [](H& h) {
                 typedProperty<VOR_AAA_Type_ParameterValueArrayProp>(*h.top().object,
                                                                     h.top().property)
                     .Add(std::move(h.m_parameter));
             }},
        {.parent = kParameter,
         .name = C::kName,
         .state = kParameterName,
         .text = scratch,
         .replace = true,
         .ownText = true,
         .leave = [](H& h) { h.m_parameter.name = h.takeText(); }},
        {.parent = kParameter, .name = C::kValue, .state = kParmValues},
        {.parent = kParmValues,
         .name = C::kItem,
         .state = kParmItem,
         .enter = [](H& h, const XMLCh*, const xercesc::Attributes&) { h.m_parmItem = {}; },
         .leave = [](H& h) { h.m_parameter.values.push_back(std::move(h.m_parmItem)); }},
        {.parent = kParmItem,
         .name = C::kInclusive,
         .state = kParmField,
         .text = scratch,
         .replace = true,
         .ownText = true,
         .leave = [](H& h) { h.m_parmItem.inclusive = isTrue(h.takeText()); }},
        {.parent = kParmItem,
         .name = C::kDisplay,
         .state = kParmField,
         .text = scratch,
         .replace = true,
         .ownText = true,
         .leave = [](H& h) { h.m_parmItem.display = h.takeText(); }},
        {.parent = kParmItem,
         .name = C::kUse,
         .state = kParmField,
         .text = scratch,
         .replace = true,
         .ownText = true,
         .leave = [](H& h) { h.m_parmItem.use = h.takeText(); }},

        // A member is an object like those of the result, read by the same rules.
        {.parent = kMembersValue,
         .name = C::kItem,
         .state = kObject,
         .enter = [](H& h, const XMLCh*, const xercesc::Attributes& a) { h.enterMember(a); },
         .leave = pop},
    };
    return kRules;
}
