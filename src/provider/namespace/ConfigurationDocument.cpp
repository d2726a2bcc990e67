#include "namespace/ConfigurationDocument.h"

#include "common/ProviderErrors.h"
#include "common/ProviderMessages.h"

#include <PYXIDOM_Document.h>
#include <PYXIDOM_Element.h>
#include <PYXIDOM_Parser.h>
#include <PYXThrowable.h>

namespace {

I18NString LocalName(const PYXIDOM_Node& node) {
    I18NString name = node.getLocalName();
    return name.empty() ? node.getNodeName() : name;
}

// Child elements of a node, in document order.
template <typename Fn>
void ForEachChildElement(const PYXIDOM_Node& parent, Fn&& fn) {
    for (PYXIDOM_Node* child = parent.getFirstChild(); child != nullptr;
         child = child->getNextSibling()) {
        if (child->getNodeType() == PYXIDOM_Node::ELEMENT_NODE) {
            fn(static_cast<const PYXIDOM_Element&>(*child));
        }
    }
}

const PYXIDOM_Element* FirstChildElement(const PYXIDOM_Node& parent, const char* name) {
    const I18NString wanted(name);
    for (PYXIDOM_Node* child = parent.getFirstChild(); child != nullptr;
         child = child->getNextSibling()) {
        if (child->getNodeType() == PYXIDOM_Node::ELEMENT_NODE && LocalName(*child) == wanted) {
            return static_cast<const PYXIDOM_Element*>(child);
        }
    }
    return nullptr;
}

bool HasChildElements(const PYXIDOM_Node& node) {
    bool any = false;
    ForEachChildElement(node, [&](const PYXIDOM_Element&) { any = true; });
    return any;
}

bool IsNilValue(const PYXIDOM_Element& value) {
    for (const char* attribute : {"xsi:nil", "nil"}) {
        const I18NString text = value.getAttribute(attribute);
        if (text == I18NString("true") || text == I18NString("1")) {
            return true;
        }
    }
    return false;
}

// Name/value properties below a parameter: every element with "name" and "value" children
// (for example "item" or "property"), or an element with a "name" attribute and text only.
void CollectProperties(const PYXIDOM_Element& element, CFGAPI_Parameter::Properties& out) {
    ForEachChildElement(element, [&](const PYXIDOM_Element& child) {
        const PYXIDOM_Element* name = FirstChildElement(child, "name");
        const PYXIDOM_Element* value = FirstChildElement(child, "value");
        if (name != nullptr && value != nullptr) {
            out.emplace_back(name->getTextContent(), value->getTextContent());
        } else if (child.hasAttribute("name") && !HasChildElements(child)) {
            out.emplace_back(child.getAttribute("name"), child.getTextContent());
        } else {
            CollectProperties(child, out);
        }
    });
}

}  // namespace

// ---- CFGAPI_Parameter ----

CFGAPI_Parameter::CFGAPI_Parameter(const PYXIDOM_Element& element)
    : m_name(element.getAttribute("name")) {
    const PYXIDOM_Element* value = FirstChildElement(element, "value");
    if (m_name == I18NString("bindCredentials")) {
        const PYXIDOM_Element* credential =
            value != nullptr ? FirstChildElement(*value, "credential") : nullptr;
        if (credential != nullptr) {
            if (const PYXIDOM_Element* user = FirstChildElement(*credential, "username")) {
                m_userName = user->getTextContent();
            }
            if (const PYXIDOM_Element* password = FirstChildElement(*credential, "password")) {
                m_password = password->getTextContent();
            }
        }
        m_nil = credential == nullptr;
        return;
    }
    if (m_name == I18NString("customProperties") || m_name == I18NString("advancedProperties")) {
        CollectProperties(element, m_properties);
        m_nil = m_properties.empty() && value == nullptr;
        return;
    }
    if (m_name == I18NString("providerName")) {
        m_classType = element.getAttribute("class");
    }
    if (value == nullptr || IsNilValue(*value)) {
        m_nil = true;
        return;
    }
    m_value = value->getTextContent();
}

// ---- CFGAPI_Base ----

CFGAPI_Base::~CFGAPI_Base() = default;

void CFGAPI_Base::Read(const PYXIDOM_Element& element, bool readClass) {
    m_name = element.getAttribute("name");
    if (readClass) {
        m_class = element.getAttribute("class");
    }
    m_parameters.clear();
    m_instanceLists.clear();
    ForEachChildElement(element, [&](const PYXIDOM_Element& child) {
        const I18NString name = LocalName(child);
        if (name == I18NString("parameter")) {
            auto parameter = std::make_unique<CFGAPI_Parameter>(child);
            const I18NString key = parameter->GetName();
            m_parameters[key] = std::move(parameter);  // a later one replaces an earlier one
        } else if (name == I18NString("instances")) {
            auto list = std::make_unique<CFGAPI_Instances>(child);
            const I18NString key = list->GetName();
            m_instanceLists[key] = std::move(list);
        }
    });
}

void CFGAPI_Base::SwapContents(CFGAPI_Base& other) noexcept {
    std::swap(m_name, other.m_name);
    std::swap(m_class, other.m_class);
    m_parameters.swap(other.m_parameters);
    m_instanceLists.swap(other.m_instanceLists);
}

const CFGAPI_Parameter* CFGAPI_Base::GetParameter(const I18NString& name) const {
    const auto it = m_parameters.find(name);
    return it == m_parameters.end() ? nullptr : it->second.get();
}

bool CFGAPI_Base::GetParameterValue(const I18NString& name, I18NString& value) const {
    const CFGAPI_Parameter* parameter = GetParameter(name);
    if (parameter == nullptr || parameter->IsNil()) {
        return false;
    }
    value = parameter->GetValue();
    return true;
}

void CFGAPI_Base::GetMandatoryParameterValue(const I18NString& name, I18NString& value) const {
    if (!GetParameterValue(name, value)) {
        PYX_THROW(ProviderError(kVOR_AAA_MissingParameter,
                                {ProviderMessage(kMsgMissingParameter, {m_name, name})}),
                  "CFGAPI_Base::GetMandatoryParameterValue");
    }
}

void CFGAPI_Base::GetMandatoryParameterValueWithClassType(const I18NString& name, I18NString& value,
                                                          I18NString& classType) const {
    const CFGAPI_Parameter* parameter = GetParameter(name);
    if (parameter == nullptr || parameter->IsNil() || parameter->GetClassType().empty()) {
        PYX_THROW(ProviderError(kVOR_AAA_MissingParameter,
                                {ProviderMessage(kMsgMissingParameter, {m_name, name})}),
                  "CFGAPI_Base::GetMandatoryParameterValueWithClassType");
    }
    value = parameter->GetValue();
    classType = parameter->GetClassType();
}

const CFGAPI_Instances* CFGAPI_Base::GetInstances(const I18NString& name) const {
    const auto it = m_instanceLists.find(name);
    return it == m_instanceLists.end() ? nullptr : it->second.get();
}

// ---- CFGAPI_Instance ----

CFGAPI_Instance::CFGAPI_Instance() = default;
CFGAPI_Instance::~CFGAPI_Instance() = default;

bool CFGAPI_Instance::Load(const char* text, std::size_t length, I18NString& errorText) {
    PYXIDOM_Parser parser;
    std::unique_ptr<PYXIDOM_Document> document = parser.parse(text, length, errorText);
    if (!document) {
        if (parser.wasRefused()) {
            // Over a document bound or with a DOCTYPE: refused as every reader refuses it.
            PYX_THROW(ProviderError(-19, {ProviderMessage(kMsgDocumentNotParsed, {"instance"}),
                                          ProviderMessage(kMsgDetail, {errorText})}),
                      "CFGAPI_Instance::Load");
        }
        return false;
    }
    const PYXIDOM_Element* root = document->getDocumentElement();
    if (root == nullptr) {
        errorText = "the configuration document has no document element";
        return false;
    }
    // Read into a fresh instance first, so that a failure leaves this one as it was.
    CFGAPI_Instance loaded;
    loaded.Read(*root, true);
    SwapContents(loaded);
    m_document = std::move(document);
    return true;
}

bool CFGAPI_Instance::GetBindCredentials(I18NString& userName, I18NString& password) const {
    const CFGAPI_Parameter* parameter = GetParameter("bindCredentials");
    if (parameter == nullptr) {
        return false;
    }
    userName = parameter->GetUserName();
    password = parameter->GetPassword();
    return !parameter->IsNil();
}

// ---- CFGAPI_Instances ----

CFGAPI_Instances::CFGAPI_Instances(const PYXIDOM_Element& element) {
    Read(element, false);
    ForEachChildElement(element, [&](const PYXIDOM_Element& child) {
        if (LocalName(child) != I18NString("instance")) {
            return;
        }
        auto instance = std::make_unique<CFGAPI_Instance>();
        instance->ReadFrom(child);
        const I18NString name = instance->GetName();
        if (m_instances.count(name) != 0) {
            PYX_THROW(ProviderError(kVOR_AAA_InvalidArgument,
                                    {ProviderMessage(kMsgDuplicateInstance, {name})}),
                      "CFGAPI_Instances::operator=");
        }
        m_instances.emplace(name, std::move(instance));
    });
}

CFGAPI_Instances::~CFGAPI_Instances() = default;

const CFGAPI_Instance* CFGAPI_Instances::GetInstance(const I18NString& name) const {
    const auto it = m_instances.find(name);
    return it == m_instances.end() ? nullptr : it->second.get();
}
