// VOR_AAA_SearchPath: parses the path text of a search request.
//
// Usage:
//   VOR_AAA_SearchPath path("VORID('ns:u:authid=12')/*[@name='a']");
//   if (path.GetKind() != VOR_AAA_SearchPath::eSPVORID) ... reject (invalid-path error)
//   path.GetObjectID();   // "ns:u:authid=12"
//   path.GetAxis();       // eAxisChildren
//   path.GetPredicates(); // {"@name='a'"}: hand them to VOR_AAA_SearchFilter::Parse
//
// Parsing never throws: text that is not a path gives kind eSPInvalid and axis eAxisNone.
#pragma once

#include <string>
#include <vector>

class VOR_AAA_SearchPath {
public:
    enum Kind {
        eSPInvalid = 0,
        eSPSelf = 1,        // "~"
        eSPSelfSelf = 2,    // "~~"
        eSPIdentity = 3,    // "identity(~~)"
        eSPDirectory = 4,   // "/directory/*" or "/directory/namespace"
        eSPVORID = 5,       // VORID("...") or VORID('...'), optional axis and predicates
        eSPMembership = 6,  // "membership(~)"
    };
    enum Axis {
        eAxisNone = 0,
        eAxisSelf = 1,
        eAxisReserved = 2,  // "//~", must end the path
        eAxisChildren = 3,
        eAxisDescendants = 4,
        eAxisDescendantsOrSelf = 5,
    };

    VOR_AAA_SearchPath() = default;
    explicit VOR_AAA_SearchPath(const std::string& text) { Parse(text); }

    // Replaces the whole state with the parse of text; returns GetKind() != eSPInvalid.
    bool Parse(const std::string& text);

    const std::string& GetPathText() const { return m_pathText; }
    Kind GetKind() const { return m_kind; }
    Axis GetAxis() const { return m_axis; }
    const std::string& GetObjectID() const { return m_objectID; }
    const std::vector<std::string>& GetPredicates() const { return m_predicates; }

private:
    bool parseVORIDPath();

    std::string m_pathText;
    Kind m_kind = eSPInvalid;
    std::string m_objectID;
    Axis m_axis = eAxisNone;
    std::vector<std::string> m_predicates;
};
