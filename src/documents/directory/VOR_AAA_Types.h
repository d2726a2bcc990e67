// Typed properties of the directory objects (VOR_AAA_Type_*), as written in a query response.
//
// Usage:
//   VOR_AAA_Type_StringProp p;
//   p.Set("VORID(\"ns\")", /*isSearchPath=*/true);   // raises the "set" flag
//   p.Write(out, "searchPath", withSchema);           // nothing at all while not set
//
// Every property element has the form
//   <NAME xsi:type="cm:KIND">[schema block]<value ...>...</value></NAME>
// where KIND is the type's schema name and the schema block (only when the query asked for
// schema information) carries the five schema booleans. Every text goes through
// WriteEscapedText; search-path texts have their VORID delimiters escaped first.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The flag telling whether a property is set, and its five schema booleans.
class VOR_AAA_Type_SchemaInfo {
public:
    virtual ~VOR_AAA_Type_SchemaInfo() = default;

    bool IsSet() const { return m_set; }
    // Marks the property as not set (it is then not written).
    void Reset() { m_set = false; }

    void SetSchemaInfo(bool acquirable, bool acquired, bool modifiable, bool searchable,
                       bool updateAllDescendents);
    bool GetAcquirable() const { return m_acquirable; }
    bool GetAcquired() const { return m_acquired; }
    bool GetModifiable() const { return m_modifiable; }
    bool GetSearchable() const { return m_searchable; }
    bool GetUpdateAllDescendents() const { return m_updateAllDescendents; }

    // Writes the property element named name; nothing when the property is not set.
    void Write(std::ostream& out, std::string_view name, bool withSchema) const;

protected:
    void MarkSet() { m_set = true; }
    // The xsi:type of the property element, e.g. "cm:stringProp".
    virtual std::string_view GetKindType() const = 0;
    // The value element(s) written after the schema block.
    virtual void WriteValue(std::ostream& out) const = 0;

private:
    void writeSchemaBlock(std::ostream& out) const;

    bool m_set = false;
    bool m_acquirable = false;
    bool m_acquired = false;
    bool m_modifiable = false;
    bool m_searchable = false;
    bool m_updateAllDescendents = false;
};

class VOR_AAA_Type_BooleanProp : public VOR_AAA_Type_SchemaInfo {
public:
    void Set(bool value) {
        m_value = value;
        MarkSet();
    }
    bool Get() const { return m_value; }

protected:
    std::string_view GetKindType() const override { return "cm:booleanProp"; }
    void WriteValue(std::ostream& out) const override;

private:
    bool m_value = false;
};

class VOR_AAA_Type_StringProp : public VOR_AAA_Type_SchemaInfo {
public:
    // isSearchPath: the value is a search path, so its VORID delimiters are escaped on writing.
    void Set(std::string value, bool isSearchPath = false) {
        m_value = std::move(value);
        m_isSearchPath = isSearchPath;
        MarkSet();
    }
    const std::string& Get() const { return m_value; }
    bool IsSearchPath() const { return m_isSearchPath; }

protected:
    std::string_view GetKindType() const override { return "cm:stringProp"; }
    void WriteValue(std::ostream& out) const override;

private:
    // First, so that it sits in the base's tail padding: accounts hold thirteen of these.
    bool m_isSearchPath = false;
    std::string m_value;
};

class VOR_AAA_Type_TokenProp : public VOR_AAA_Type_StringProp {
protected:
    std::string_view GetKindType() const override { return "cm:tokenProp"; }
};

class VOR_AAA_Type_LanguageProp : public VOR_AAA_Type_SchemaInfo {
public:
    void Set(std::string locale) {
        m_locale = std::move(locale);
        MarkSet();
    }
    const std::string& Get() const { return m_locale; }

protected:
    std::string_view GetKindType() const override { return "cm:languageProp"; }
    void WriteValue(std::ostream& out) const override;

private:
    std::string m_locale;
};

class VOR_AAA_Type_ClassEnumProp : public VOR_AAA_Type_SchemaInfo {
public:
    void Set(std::string classWord) {
        m_class = std::move(classWord);
        MarkSet();
    }
    const std::string& Get() const { return m_class; }

protected:
    std::string_view GetKindType() const override { return "cm:classEnumProp"; }
    void WriteValue(std::ostream& out) const override;

private:
    std::string m_class;
};

// A property holding a list of values; the kinds differ in their item type and written form.
template <class Item>
class VOR_AAA_Type_ArrayProp : public VOR_AAA_Type_SchemaInfo {
public:
    void Set(std::vector<Item> values) {
        m_values = std::move(values);
        MarkSet();
    }
    void Add(Item value) {
        m_values.push_back(std::move(value));
        MarkSet();
    }
    const std::vector<Item>& Get() const { return m_values; }

protected:
    std::vector<Item> m_values;
};

class VOR_AAA_Type_StringArrayProp : public VOR_AAA_Type_ArrayProp<std::string> {
protected:
    std::string_view GetKindType() const override { return "cm:stringArrayProp"; }
    void WriteValue(std::ostream& out) const override;
};

// One text of a multilingual value.
struct VOR_AAA_LocalizedText {
    std::string locale;
    std::string text;
    bool operator==(const VOR_AAA_LocalizedText&) const = default;
};

class VOR_AAA_Type_MultilingualStringProp : public VOR_AAA_Type_ArrayProp<VOR_AAA_LocalizedText> {
public:
    using VOR_AAA_Type_ArrayProp::Add;
    void Add(std::string locale, std::string text) { Add({std::move(locale), std::move(text)}); }

protected:
    std::string_view GetKindType() const override { return "cm:multilingualStringProp"; }
    // The array item type: "cm:multilingualString" or "cm:multilingualToken".
    virtual std::string_view GetItemType() const { return "cm:multilingualString"; }
    void WriteValue(std::ostream& out) const override;
};

class VOR_AAA_Type_MultilingualTokenProp : public VOR_AAA_Type_MultilingualStringProp {
protected:
    std::string_view GetKindType() const override { return "cm:multilingualTokenProp"; }
    std::string_view GetItemType() const override { return "cm:multilingualToken"; }
};

// One step of an object's ancestry: its class word, search path and title.
struct VOR_AAA_Type_AncestorInfo {
    std::string objectClass;
    std::string searchPath;
    std::string title;
    bool operator==(const VOR_AAA_Type_AncestorInfo&) const = default;
};

// The ancestors from the top of the tree down.
class VOR_AAA_Type_ArrayOfAncestorInfoProp
    : public VOR_AAA_Type_ArrayProp<VOR_AAA_Type_AncestorInfo> {
protected:
    std::string_view GetKindType() const override { return "cm:ancestorInfoArrayProp"; }
    void WriteValue(std::ostream& out) const override;
};

// One value of a parameter: an inclusive flag, a display text and a use text.
struct VOR_AAA_Type_ParmValueItem {
    bool inclusive = false;
    std::string display;
    std::string use;
    bool operator==(const VOR_AAA_Type_ParmValueItem&) const = default;
};

struct VOR_AAA_Type_ParameterValue {
    std::string name;
    std::vector<VOR_AAA_Type_ParmValueItem> values;
    bool operator==(const VOR_AAA_Type_ParameterValue&) const = default;
};

class VOR_AAA_Type_ParameterValueArrayProp
    : public VOR_AAA_Type_ArrayProp<VOR_AAA_Type_ParameterValue> {
protected:
    std::string_view GetKindType() const override { return "cm:parameterValueArrayProp"; }
    void WriteValue(std::ostream& out) const override;
};
