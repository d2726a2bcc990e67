#include "VOR_AAA_Query.h"

#include "VOR_AAA_Const.h"
#include "VOR_AAA_ParseDocument.h"
#include "VOR_AAA_QueryProperties.h"
#include "VOR_AAA_VORID.h"
#include "VOR_AAA_WriteEscapedText.h"

using C = VOR_AAA_Const;

bool VOR_AAA_Query::IsSameListing(const VOR_AAA_Query& other) const {
    return m_searchPath == other.m_searchPath && m_properties == other.m_properties &&
           m_sortBy == other.m_sortBy && m_refProps == other.m_refProps;
}

void VOR_AAA_Query::Write(std::ostream& out) const {
    out << "<query\t\txmlns=\"" << C::Text::kAAANamespaceURI << "\" \t\t\txmlns:SOAP-ENC=\""
        << C::Text::kSOAPEncodingNamespaceURI << "\"\t\t\txmlns:xsi=\""
        << C::Text::kXMLSchemaInstanceNamespaceURI << "\" \t\t\txmlns:cm=\""
        << C::Text::kAAANamespaceURI << "\"><search xsi:type=\"SOAP-ENC:Array\">";
    WriteEscapedText(VOR_AAA_VORID::EscapeDelimiters(m_searchPath), out);
    out << "</search>";
    WritePropertyArray(out, m_properties, "cm:propertyEnum");

    if (!m_sortBy.empty()) {
        out << "<sortBy xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"cm:sort["
            << m_sortBy.size() << "]\">";
        for (const SortKey& key : m_sortBy) {
            if (key.order == eNotSet) {
                continue;
            }
            out << "<item xsi:type=\"cm:sort\"><propName>";
            WriteEscapedText(key.propName, out);
            out << "</propName><order>" << (key.order == eAscending ? "ascending" : "descending")
                << "</order></item>";
        }
        out << "</sortBy>";
    }

    if (m_skipObjects == 0 && m_maxObjects == 0 && !m_schemaInfo && m_refProps.empty()) {
        out << "</query>";
        return;
    }
    out << "<options xsi:type=\"cm:queryOptions\">";
    if (m_skipObjects != 0) {
        out << "<skipObjects xsi:type=\"xsd:long\">" << m_skipObjects << "</skipObjects>";
    }
    if (m_maxObjects != 0) {
        out << "<maxObjects xsi:type=\"xsd:long\">" << m_maxObjects << "</maxObjects>";
    }
    if (m_schemaInfo) {
        out << "<schemaInfo xsi:type=\"xsd:boolean\">true</schemaInfo>";
    }
    if (!m_refProps.empty()) {
        out << "<refProps xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"cm:refProp["
            << m_refProps.size() << "]\">";
        for (const auto& [name, properties] : m_refProps) {
            out << "<item xsi:type=\"cm:refProp\"><refPropName xsi:type=\"cm:propEnum\">";
            WriteEscapedText(name, out);
            out << "</refPropName>";
            WritePropertyArray(out, properties, "cm:propertyEnum");
            out << "</item>";
        }
        out << "</refProps>";
    }
    out << "</options></query>";
}

void VOR_AAA_Query::Load(const char* text, size_t length) {
    VOR_AAA_QueryHandler handler(*this);
    VOR_AAA_ParseDocument(handler, "query", text, length);
}

namespace {

enum State {
    kOutside,
    kQuery,
    kSearch,
    kProperties,
    kProperty,
    kSortBy,
    kSortKey,
    kSortProperty,
    kSortOrder,
    kOptions,
    kSkipObjects,
    kMaxObjects,
    kSchemaInfo,
    kRefProps,
    kRefProp,
    kRefPropName,
    kRefProperties,
    kRefProperty,
};

}  // namespace

std::span<const VOR_AAA_QueryHandler::Rule> VOR_AAA_QueryHandler::Rules() {
    using H = VOR_AAA_QueryHandler;
    using Attributes = xercesc::Attributes;
    constexpr auto text = [](H& h) { return &h.m_text; };
    // The options take effect when the query closes.
    static const Rule kRules[] = {
        {.parent = kOutside,
         .name = C::kQuery,
         .state = kQuery,
         .leave =
             [](H& h) {
                 h.m_target->m_skipObjects = h.m_skip;
                 h.m_target->m_maxObjects = h.m_max;
                 h.m_target->m_schemaInfo = h.m_schemaInfo;
             }},
        {.parent = kQuery,
         .name = C::kSearch,
         .state = kSearch,
         .text = text,
         .replace = true,
         .leave =
             [](H& h) {
                 if (!h.m_text.empty()) {
                     h.m_target->m_searchPath = VOR_AAA_VORID::UnescapeDelimiters(h.m_text.utf8());
                 }
             }},
        {.parent = kQuery, .name = C::kProperties, .state = kProperties},
        {.parent = kProperties,
         .name = C::kItem,
         .state = kProperty,
         .text = text,
         .replace = true,
         .leave =
             [](H& h) {
                 if (!h.m_text.empty()) {
                     h.m_target->m_properties.insert(h.m_text.utf8());
                 }
             }},

        {.parent = kQuery, .name = C::kSortBy, .state = kSortBy},
        {.parent = kSortBy,
         .name = C::kItem,
         .state = kSortKey,
         .enter =
             [](H& h, const XMLCh*, const Attributes&) {
                 h.m_propName.clear();
                 h.m_order.clear();
             },
         .leave = [](H& h) { h.endSortKey(); }},
        {.parent = kSortKey,
         .name = C::kPropName,
         .state = kSortProperty,
         .text = text,
         .replace = true,
         .leave = [](H& h) { h.m_propName = h.m_text.utf8(); }},
        {.parent = kSortKey,
         .name = C::kOrder,
         .state = kSortOrder,
         .text = text,
         .replace = true,
         .leave = [](H& h) { h.m_order = h.m_text; }},

        {.parent = kQuery, .name = C::kOptions, .state = kOptions},
        {.parent = kOptions,
         .name = C::kSkipObjects,
         .state = kSkipObjects,
         .text = text,
         .replace = true,
         .leave = [](H& h) { h.m_skip = VOR_AAA_LeadingInt(h.m_text); }},
        {.parent = kOptions,
         .name = C::kMaxObjects,
         .state = kMaxObjects,
         .text = text,
         .replace = true,
         .leave = [](H& h) { h.m_max = VOR_AAA_LeadingInt(h.m_text); }},
        {.parent = kOptions,
         .name = C::kSchemaInfo,
         .state = kSchemaInfo,
         .text = text,
         .replace = true,
         .leave = [](H& h) { h.m_schemaInfo = h.m_text == I18NString("true"); }},
        {.parent = kOptions, .name = C::kRefProps, .state = kRefProps},
        {.parent = kRefProps,
         .name = C::kItem,
         .state = kRefProp,
         .enter =
             [](H& h, const XMLCh*, const Attributes&) {
                 h.m_refPropName.clear();
                 h.m_refSet.clear();
             },
         .leave =
             [](H& h) {
                 if (!h.m_refPropName.empty() || !h.m_refSet.empty()) {
                     h.m_target->m_refProps.emplace(h.m_refPropName, std::move(h.m_refSet));
                 }
                 h.m_refSet.clear();
             }},
        {.parent = kRefProp,
         .name = C::kRefPropName,
         .state = kRefPropName,
         .text = text,
         .replace = true,
         .leave = [](H& h) { h.m_refPropName = h.m_text.utf8(); }},
        {.parent = kRefProp, .name = C::kProperties, .state = kRefProperties},
        {.parent = kRefProperties,
         .name = C::kItem,
         .state = kRefProperty,
         .text = text,
         .replace = true,
         .leave =
             [](H& h) {
                 if (!h.m_text.empty()) {
                     h.m_refSet.insert(h.m_text.utf8());
                 }
             }},
    };
    return kRules;
}

void VOR_AAA_QueryHandler::Reset() {
    m_text.clear();
    m_skip = 0;
    m_max = 0;
    m_schemaInfo = false;
}

// A sort key needs a known order word; an item with neither name nor order is no key.
void VOR_AAA_QueryHandler::endSortKey() {
    if (m_propName.empty() && m_order.empty()) {
        return;
    }
    int32_t order;
    if (m_order == I18NString("ascending")) {
        order = VOR_AAA_Query::eAscending;
    } else if (m_order == I18NString("descending")) {
        order = VOR_AAA_Query::eDescending;
    } else {
        return;  // an unknown order word drops the item
    }
    m_target->m_sortBy.push_back({m_propName, order});
}
