// VOR_AAA_Query: the query of a search request: the search path, the properties wanted, a sort
// list, paging and schema-information options, and the properties wanted on referenced objects.
//
// Usage:
//   const VOR_AAA_Query& query = queryDoc.GetQuery();
//   VOR_AAA_SearchPath path(query.GetSearchPath());
//   if (query.HasProperty("email")) ...
//   if (cached.IsSameListing(query)) ...   // paging: same listing, another page
// The sort list is carried and compared but results are not ordered by it. Write produces the
// query element of a query document (with its literal tabs); Load reads one ("query" root).
#pragma once

#include "I18NString.h"
#include "VOR_AAA_ElementReader.h"
#include "VOR_AAA_Serializable.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

class VOR_AAA_Query : public VOR_AAA_Serializable {
public:
    enum SortOrder : int32_t { eNotSet = -1, eAscending = 0, eDescending = 1 };
    struct SortKey {
        std::string propName;
        int32_t order = eNotSet;
        friend bool operator==(const SortKey&, const SortKey&) = default;
    };
    using PropertySet = std::set<std::string>;

    void Write(std::ostream& out) const override;
    // Document name "query".
    void Load(const char* text, size_t length) override;

    // The search path, VORID delimiters unescaped (UTF-8).
    const std::string& GetSearchPath() const { return m_searchPath; }
    void SetSearchPath(std::string path) { m_searchPath = std::move(path); }
    const PropertySet& GetProperties() const { return m_properties; }
    void AddProperty(const std::string& name) { m_properties.insert(name); }
    bool HasProperty(const std::string& name) const { return m_properties.count(name) != 0; }
    const std::vector<SortKey>& GetSortBy() const { return m_sortBy; }
    void AddSortBy(std::string propName, int32_t order) {
        m_sortBy.push_back({std::move(propName), order});
    }
    int32_t GetSkipObjects() const { return m_skipObjects; }
    void SetSkipObjects(int32_t skip) { m_skipObjects = skip; }
    // Below 1: no limit.
    int32_t GetMaxObjects() const { return m_maxObjects; }
    void SetMaxObjects(int32_t max) { m_maxObjects = max; }
    bool GetSchemaInfo() const { return m_schemaInfo; }
    void SetSchemaInfo(bool wanted) { m_schemaInfo = wanted; }
    const std::map<std::string, PropertySet>& GetRefProps() const { return m_refProps; }
    void SetRefProps(const std::string& refPropName, PropertySet properties) {
        m_refProps[refPropName] = std::move(properties);
    }

    // Whether other asks for the same listing: same search path, properties, sort list and
    // reference properties (paging and schema options aside).
    bool IsSameListing(const VOR_AAA_Query& other) const;

    friend bool operator==(const VOR_AAA_Query& a, const VOR_AAA_Query& b) {
        return a.IsSameListing(b) && a.m_skipObjects == b.m_skipObjects &&
               a.m_maxObjects == b.m_maxObjects && a.m_schemaInfo == b.m_schemaInfo;
    }

private:
    friend class VOR_AAA_QueryHandler;

    std::string m_searchPath;
    PropertySet m_properties;
    std::vector<SortKey> m_sortBy;
    int32_t m_skipObjects = 0;
    int32_t m_maxObjects = 0;
    bool m_schemaInfo = false;
    std::map<std::string, PropertySet> m_refProps;
};

// Reads a query element; the query document forwards its body's "query" element to it
// (startDocument first).
class VOR_AAA_QueryHandler : public VOR_AAA_ElementReader<VOR_AAA_QueryHandler> {
public:
    VOR_AAA_QueryHandler() = default;
    explicit VOR_AAA_QueryHandler(VOR_AAA_Query& target) : m_target(&target) {}
    void SetTarget(VOR_AAA_Query* target) { m_target = target; }

private:
    friend class VOR_AAA_ElementReader<VOR_AAA_QueryHandler>;
    static std::span<const Rule> Rules();
    void Reset();
    VOR_AAA_Query& Target() { return *m_target; }
    void endSortKey();

    VOR_AAA_Query* m_target = nullptr;
    I18NString m_text;
    std::string m_propName;
    I18NString m_order;
    int32_t m_skip = 0;
    int32_t m_max = 0;
    bool m_schemaInfo = false;
    std::string m_refPropName;
    VOR_AAA_Query::PropertySet m_refSet;
};
