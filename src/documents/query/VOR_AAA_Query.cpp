#include "VOR_AAA_Query.h"

#include "VOR_AAA_Const.h"
#include "VOR_AAA_ParseDocument.h"
#include "VOR_AAA_VORID.h"
#include "VOR_AAA_WriteEscapedText.h"

using C = VOR_AAA_Const;

namespace {

void writePropertyItems(std::ostream& out, const VOR_AAA_Query::PropertySet& properties) {
    out << "<properties xsi:type=\"SOAP-ENC:Array\" SOAP-ENC:arrayType=\"cm:propertyEnum["
        << properties.size() << "]\">";
    for (const std::string& name : properties) {
        out << "<item xsi:type=\"cm:propEnum\">";
        WriteEscapedText(name, out);
        out << "</item>";
    }
    out << "</properties>";
}

}  // namespace

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
    writePropertyItems(out, m_properties);

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
            writePropertyItems(out, properties);
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

// States (element, depth of the element after it opened):
//  1 query (1)           2 search (2)         3 properties (2)      4 its item (3)
//  5 sortBy (2)          6 its item (3)       7 propName (4)        8 order (4)
//  9 options (2)        10 skipObjects (3)   11 maxObjects (3)     12 schemaInfo (3)
// 13 refProps (3)       14 its item (4)      15 refPropName (5)    16 properties (5)
// 17 their item (6)
namespace {

constexpr int kLevel[18] = {0, 1, 2, 2, 3, 2, 3, 4, 4, 2, 3, 3, 3, 3, 4, 5, 5, 6};
constexpr int kParent[18] = {0, 0, 1, 1, 3, 1, 5, 6, 6, 1, 9, 9, 9, 9, 13, 14, 14, 16};

bool collectsText(int state) {
    switch (state) {
        case 2:
        case 4:
        case 7:
        case 8:
        case 10:
        case 11:
        case 12:
        case 15:
        case 17:
            return true;
        default:
            return false;
    }
}

}  // namespace

void VOR_AAA_QueryHandler::startDocument() {
    m_state = 0;
    m_depth = 0;
    m_text.clear();
    m_skip = 0;
    m_max = 0;
    m_schemaInfo = false;
}

void VOR_AAA_QueryHandler::startElement(const XMLCh* const, const XMLCh* const localname,
                                        const XMLCh* const, const xercesc::Attributes&) {
    auto is = [localname](const XMLCh* name) { return C::Equals(localname, name); };
    int next = -1;
    if (m_depth == kLevel[m_state]) {
        switch (m_state) {
            case 0:
                if (is(C::kQuery))
                    next = 1;
                break;
            case 1:
                if (is(C::kSearch))
                    next = 2;
                else if (is(C::kProperties))
                    next = 3;
                else if (is(C::kSortBy))
                    next = 5;
                else if (is(C::kOptions))
                    next = 9;
                break;
            case 3:
                if (is(C::kItem))
                    next = 4;
                break;
            case 5:
                if (is(C::kItem)) {
                    m_propName.clear();
                    m_order.clear();
                    next = 6;
                }
                break;
            case 6:
                if (is(C::kPropName))
                    next = 7;
                else if (is(C::kOrder))
                    next = 8;
                break;
            case 9:
                if (is(C::kSkipObjects))
                    next = 10;
                else if (is(C::kMaxObjects))
                    next = 11;
                else if (is(C::kSchemaInfo))
                    next = 12;
                else if (is(C::kRefProps))
                    next = 13;
                break;
            case 13:
                if (is(C::kItem)) {
                    m_refPropName.clear();
                    m_refSet.clear();
                    next = 14;
                }
                break;
            case 14:
                if (is(C::kRefPropName))
                    next = 15;
                else if (is(C::kProperties))
                    next = 16;
                break;
            case 16:
                if (is(C::kItem))
                    next = 17;
                break;
            default:
                break;
        }
    }
    if (next >= 0) {
        m_state = next;
        if (collectsText(next)) {
            m_text.clear();
        }
    }
    ++m_depth;
}

void VOR_AAA_QueryHandler::characters(const XMLCh* const chars, const XMLSize_t length) {
    if (collectsText(m_state)) {
        VOR_AAA_AppendText(m_text, chars, length);
    }
}

void VOR_AAA_QueryHandler::endElement(const XMLCh* const, const XMLCh* const, const XMLCh* const) {
    --m_depth;
    if (m_state != 0 && m_depth < kLevel[m_state]) {
        leaveState();
        m_state = kParent[m_state];
    }
}

void VOR_AAA_QueryHandler::leaveState() {
    VOR_AAA_Query& query = *m_target;
    switch (m_state) {
        case 1:
            query.m_skipObjects = m_skip;
            query.m_maxObjects = m_max;
            query.m_schemaInfo = m_schemaInfo;
            break;
        case 2:
            if (!m_text.empty()) {
                query.m_searchPath = VOR_AAA_VORID::UnescapeDelimiters(m_text.utf8());
            }
            break;
        case 4:
            if (!m_text.empty()) {
                query.m_properties.insert(m_text.utf8());
            }
            break;
        case 6: {
            if (m_propName.empty() && m_order.empty()) {
                break;
            }
            int32_t order;
            if (m_order == I18NString("ascending")) {
                order = VOR_AAA_Query::eAscending;
            } else if (m_order == I18NString("descending")) {
                order = VOR_AAA_Query::eDescending;
            } else {
                break;  // an unknown order word drops the item
            }
            query.m_sortBy.push_back({m_propName, order});
            break;
        }
        case 7:
            m_propName = m_text.utf8();
            break;
        case 8:
            m_order = m_text;
            break;
        case 10:
            m_skip = VOR_AAA_LeadingInt(m_text);
            break;
        case 11:
            m_max = VOR_AAA_LeadingInt(m_text);
            break;
        case 12:
            m_schemaInfo = m_text == I18NString("true");
            break;
        case 14:
            if (!m_refPropName.empty() || !m_refSet.empty()) {
                query.m_refProps.emplace(m_refPropName, std::move(m_refSet));
            }
            m_refSet.clear();
            break;
        case 15:
            m_refPropName = m_text.utf8();
            break;
        case 17:
            if (!m_text.empty()) {
                m_refSet.insert(m_text.utf8());
            }
            break;
        default:
            break;
    }
}
