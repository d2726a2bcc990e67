#include "VOR_AAA_SearchFilter.h"

#include "VOR_AAA_CaseMapping.h"
#include "VOR_AAA_Exception.h"
#include "VOR_AAA_Messages.h"
#include "VOR_AAA_PathText.h"

#include <optional>
#include <string_view>

using namespace VOR_AAA_Messages;

namespace {

// Reads one predicate; every method returns false on a syntax error.
class PredicateReader {
public:
    PredicateReader(std::string_view text, unsigned permitted) : s(text), m_permitted(permitted) {}

    bool read(VOR_AAA_SearchFilter::Group& group) {
        skipBlanks();
        if (p == s.size()) {
            return false;  // an empty predicate filters nothing and is a mistake
        }
        while (p < s.size()) {
            if (!group.empty()) {
                if (!startsWithNoCase("or")) {
                    return false;
                }
                p += 2;
                skipBlanks();
            }
            VOR_AAA_SearchFilter::Component component;
            if (!readComponent(component)) {
                return false;
            }
            group.push_back(std::move(component));
            skipBlanks();
        }
        return true;
    }

private:
    void skipBlanks() { p = VOR_AAA_SkipBlanks(s, p); }

    bool startsWithNoCase(std::string_view word) const {
        return VOR_AAA_StartsWithNoCase(s, p, word);
    }

    bool permitted(VOR_AAA_SearchFilterOperation operation) const {
        return (m_permitted & operation) != 0;
    }

    bool readComponent(VOR_AAA_SearchFilter::Component& component) {
        if (startsWithNoCase("@")) {
            return readComparison(component);
        }
        static const std::pair<std::string_view, VOR_AAA_SearchFilterOperation> kFunctions[] = {
            {"starts-with", eSFStartsWith}, {"contains", eSFContains}, {"ends-with", eSFEndsWith}};
        for (const auto& [word, operation] : kFunctions) {
            if (startsWithNoCase(word)) {
                p += word.size();
                component.operation = operation;
                return permitted(operation) && readFunction(component);
            }
        }
        return false;
    }

    // @name = 'value' or @name != 'value'
    bool readComparison(VOR_AAA_SearchFilter::Component& component) {
        const size_t eq = s.find('=', p);
        const size_t ne = s.find("!=", p);
        if (eq == std::string_view::npos && ne == std::string_view::npos) {
            return false;
        }
        bool notEquals;
        if (ne == std::string_view::npos) {
            notEquals = false;
        } else if (eq == std::string_view::npos || ne + 1 == eq) {
            notEquals = true;  // the "=" belongs to the "!="
        } else {
            notEquals = ne < eq;
        }
        component.operation = notEquals ? eSFNotEquals : eSFEquals;
        if (!permitted(component.operation)) {
            return false;
        }
        const size_t operatorAt = notEquals ? ne : eq;
        const std::string_view operatorText = notEquals ? "!=" : "=";
        size_t nameEnd = p + 1;
        while (nameEnd < operatorAt && s[nameEnd] != ' ') {
            ++nameEnd;
        }
        if (nameEnd == p + 1 || s.size() - nameEnd < 3) {
            return false;
        }
        component.name.assign(s.substr(p + 1, nameEnd - p - 1));
        p = nameEnd;
        skipBlanks();
        if (s.compare(p, operatorText.size(), operatorText) != 0) {
            return false;
        }
        p += operatorText.size();
        skipBlanks();
        if (p + 2 > s.size()) {
            return false;  // no room for a quoted value
        }
        return readQuoted(component.value);
    }

    // ( @name , 'value' ) after the function word
    bool readFunction(VOR_AAA_SearchFilter::Component& component) {
        skipBlanks();
        if (!expect('(')) {
            return false;
        }
        skipBlanks();
        if (!expect('@')) {
            return false;
        }
        const size_t nameStart = p;
        while (p < s.size() && s[p] != ' ' && s[p] != ',') {
            ++p;
        }
        if (p == nameStart) {
            return false;
        }
        component.name.assign(s.substr(nameStart, p - nameStart));
        skipBlanks();
        if (!expect(',')) {
            return false;
        }
        skipBlanks();
        if (!readQuoted(component.value)) {
            return false;
        }
        skipBlanks();
        return expect(')');
    }

    bool expect(char c) {
        if (p < s.size() && s[p] == c) {
            ++p;
            return true;
        }
        return false;
    }

    bool readQuoted(std::string& value) {
        if (p >= s.size() || (s[p] != '\'' && s[p] != '"')) {
            return false;
        }
        const char quote = s[p++];
        value.clear();
        while (p < s.size()) {
            if (s[p] == quote) {
                if (p + 1 < s.size() && s[p + 1] == quote) {
                    value += quote;
                    p += 2;
                    continue;
                }
                ++p;
                return true;
            }
            value += s[p++];
        }
        return false;  // no closing quote
    }

    std::string_view s;
    size_t p = 0;
    unsigned m_permitted;
};

}  // namespace

void VOR_AAA_SearchFilter::Parse(const std::vector<std::string>& predicates,
                                 unsigned permittedOperations) {
    for (const std::string& predicate : predicates) {
        Parse(predicate, permittedOperations);
    }
}

void VOR_AAA_SearchFilter::Parse(const std::string& predicate, unsigned permittedOperations) {
    Group group;
    PredicateReader reader(predicate, permittedOperations);
    if (!reader.read(group)) {
        _errorCleanUp(predicate);
    }
    m_groups.push_back(std::move(group));
}

void VOR_AAA_SearchFilter::_errorCleanUp(const std::string& predicate) {
    m_groups.clear();
    PYX_THROW(VOR_AAA_Exception(-48, VOR_AAA_Message(kMsgFilterSyntax) << predicate),
              "VOR_AAA_SearchFilter::_errorCleanUp");
}

bool propertyMatchesFilter(const std::string& filterValue, VOR_AAA_SearchFilterOperation operation,
                           const std::string& propertyValue, bool caseSensitive,
                           const char* locale) {
    std::string f = filterValue;
    std::string v = propertyValue;
    if (!caseSensitive) {
        toLower(f, locale);
        toLower(v, locale);
    }
    switch (operation) {
        case eSFEquals:
            return v == f;
        case eSFNotEquals:
            return v != f;
        case eSFStartsWith:
            return v.compare(0, f.size(), f) == 0 && v.size() >= f.size();
        case eSFContains:
            return v.find(f) != std::string::npos;
        case eSFEndsWith: {
            const size_t last = v.rfind(f);
            return last != std::string::npos && last + f.size() == v.size();
        }
        default:
            break;
    }
    VOR_AAA_Exception failure(-48);
    failure.addMessage(VOR_AAA_Message(kMsgInternalError) << "propertyMatchesFilter"
                                                          << "operation == eSFUnknown");
    PYX_THROW(failure, "propertyMatchesFilter");
}
