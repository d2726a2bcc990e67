// Configuration access: a namespace's configuration document read into an instance with named
// parameters and nested instance lists.
//
// Document shape (elements matched by local name):
//   <instance name="Sales" class="ridge">                       the instance itself
//     <parameter name="id"><value xsi:type="xsd:string">ns1</value></parameter>
//     <parameter name="empty"/>                                 nil: no value
//     <parameter name="bindCredentials"><value><credential>
//         <username>u</username><password>p</password></credential></value></parameter>
//     <parameter name="advancedProperties"><value>
//         <item><name>RidgeNamespacesAreUnicode</name><value>true</value></item>
//     </value></parameter>
//     <instances name="list"><instance name="a" class="c">...</instance></instances>
//   </instance>
#pragma once

#include <I18NString.h>

#include <map>
#include <memory>
#include <utility>
#include <vector>

class PYXIDOM_Document;
class PYXIDOM_Element;
class CFGAPI_Instances;

class CFGAPI_Parameter {
public:
    using Properties = std::vector<std::pair<I18NString, I18NString>>;

    explicit CFGAPI_Parameter(const PYXIDOM_Element& element);

    const I18NString& GetName() const noexcept { return m_name; }
    const I18NString& GetValue() const noexcept { return m_value; }
    const I18NString& GetClassType() const noexcept { return m_classType; }
    bool IsNil() const noexcept { return m_nil; }
    const I18NString& GetUserName() const noexcept { return m_userName; }
    const I18NString& GetPassword() const noexcept { return m_password; }
    // The name/value list of "customProperties" and "advancedProperties", in document order.
    const Properties& GetProperties() const noexcept { return m_properties; }

private:
    I18NString m_name;
    I18NString m_value;
    I18NString m_classType;
    bool m_nil = false;
    I18NString m_userName;
    I18NString m_password;
    Properties m_properties;
};

class CFGAPI_Base {
public:
    virtual ~CFGAPI_Base();

    const I18NString& GetName() const noexcept { return m_name; }
    const I18NString& GetClass() const noexcept { return m_class; }

    // The parameter, or null.
    const CFGAPI_Parameter* GetParameter(const I18NString& name) const;
    // False when the parameter is absent or nil.
    bool GetParameterValue(const I18NString& name, I18NString& value) const;
    // The value; absent or nil throws code -34 with kMsgMissingParameter.
    void GetMandatoryParameterValue(const I18NString& name, I18NString& value) const;
    // As above; the class type must also be non-empty.
    void GetMandatoryParameterValueWithClassType(const I18NString& name, I18NString& value,
                                                 I18NString& classType) const;
    // The nested list, or null.
    const CFGAPI_Instances* GetInstances(const I18NString& name) const;

protected:
    CFGAPI_Base() = default;
    // Reads name (and class when wanted), parameters and nested lists of an element.
    void Read(const PYXIDOM_Element& element, bool readClass);
    void SwapContents(CFGAPI_Base& other) noexcept;

    I18NString m_name;
    I18NString m_class;
    std::map<I18NString, std::unique_ptr<CFGAPI_Parameter>> m_parameters;
    std::map<I18NString, std::unique_ptr<CFGAPI_Instances>> m_instanceLists;
};

class CFGAPI_Instance : public CFGAPI_Base {
public:
    CFGAPI_Instance();
    ~CFGAPI_Instance() override;

    // Parses the document text; on a parse failure returns false with the parser's error text
    // and leaves the instance as it was. Duplicate instance names inside a list, and a
    // document the document bounds refuse (size, depth, DOCTYPE), throw (-19).
    bool Load(const char* text, std::size_t length, I18NString& errorText);
    // Reads one "instance" element of a list.
    void ReadFrom(const PYXIDOM_Element& element) { Read(element, true); }

    // False when there is no "bindCredentials" parameter.
    virtual bool GetBindCredentials(I18NString& userName, I18NString& password) const;

private:
    std::unique_ptr<PYXIDOM_Document> m_document;
};

class CFGAPI_Instances : public CFGAPI_Base {
public:
    explicit CFGAPI_Instances(const PYXIDOM_Element& element);
    ~CFGAPI_Instances() override;

    const CFGAPI_Instance* GetInstance(const I18NString& name) const;
    const std::map<I18NString, std::unique_ptr<CFGAPI_Instance>>& GetAll() const noexcept {
        return m_instances;
    }

private:
    std::map<I18NString, std::unique_ptr<CFGAPI_Instance>> m_instances;
};
