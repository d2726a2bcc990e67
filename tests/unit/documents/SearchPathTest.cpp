// The search-path language: fixed paths, VORID paths with axes and predicates, the VORID
// identifier itself, delimiter escaping, property filters and their matching.
#include "ExpectFailure.h"
#include "VOR_AAA_SearchFilter.h"
#include "VOR_AAA_SearchPath.h"
#include "VOR_AAA_VORID.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace documents_test;
using SP = VOR_AAA_SearchPath;
using Strings = std::vector<std::string>;

// What each text is: its kind, axis and object identifier.
TEST(SearchPath, KindsAxesAndIdentifiers) {
    struct Case {
        const char* text;
        SP::Kind kind;
        SP::Axis axis;
        const char* objectID;
    };
    const Case cases[] = {
        {"~", SP::eSPSelf, SP::eAxisNone, ""},
        {"~~", SP::eSPSelfSelf, SP::eAxisNone, ""},
        {"identity(~~)", SP::eSPIdentity, SP::eAxisNone, ""},
        {"/directory/*", SP::eSPDirectory, SP::eAxisNone, ""},
        {"membership(~)", SP::eSPMembership, SP::eAxisNone, ""},
        {"VORID('ns:u:authid=12')", SP::eSPVORID, SP::eAxisSelf, "ns:u:authid=12"},
        {"VORID('x')   ", SP::eSPVORID, SP::eAxisSelf, "x"},  // trailing blanks accepted
        {"VORID('x')/*", SP::eSPVORID, SP::eAxisChildren, "x"},
        {"VORID('x')/descendant::*", SP::eSPVORID, SP::eAxisDescendants, "x"},
        {"VORID('x')//*", SP::eSPVORID, SP::eAxisDescendantsOrSelf, "x"},
        {"VORID('x')//~", SP::eSPVORID, SP::eAxisReserved, "x"},
        {"", SP::eSPInvalid, SP::eAxisNone, ""},
        {"/directory", SP::eSPInvalid, SP::eAxisNone, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        SP path(c.text);
        EXPECT_EQ(path.GetKind(), c.kind);
        EXPECT_EQ(path.GetAxis(), c.axis);
        EXPECT_EQ(path.GetObjectID(), c.objectID);
        EXPECT_TRUE(path.GetPredicates().empty());
        if (c.kind != SP::eSPVORID && c.kind != SP::eSPInvalid) {  // only as the whole text
            EXPECT_EQ(SP(std::string(" ") + c.text).GetKind(), SP::eSPInvalid);
            EXPECT_EQ(SP(std::string(c.text) + " ").GetKind(), SP::eSPInvalid);
        }
    }
}

TEST(SearchPath, InvalidForms) {
    for (const char* text : {
             "VORID('x')//~[@name='a']",      // the reserved axis must end the path
             "VORID('x')/*[@name='a'] junk",  // text after a predicate
             "VORID('x')/*junk",              // neither axis nor predicate
             "x\")VORID('y')",                // double-quote closer without its opener
             "VORID('x",                      // no closer
             " VORID('x')",                   // the opener must start the path
             "ns:u:authid=1",                 // not wrapped
         }) {
        SP path(text);
        EXPECT_EQ(path.GetKind(), SP::eSPInvalid) << text;
        EXPECT_EQ(path.GetAxis(), SP::eAxisNone) << text;
        EXPECT_TRUE(path.GetObjectID().empty()) << text;
        EXPECT_TRUE(path.GetPredicates().empty()) << text;
    }
}

TEST(SearchPath, Predicates) {
    EXPECT_EQ(SP("VORID('x')/*[@name='a]b']").GetPredicates(), Strings{"@name='a]b'"});
    EXPECT_EQ(SP("VORID('x')/*[@name='a'] [contains(@email,'b')]").GetPredicates(),
              (Strings{"@name='a'", "contains(@email,'b')"}));
    // "][" followed by something that does not start a filter is part of the value.
    EXPECT_EQ(SP("VORID('x')/*[@name='a][b']").GetPredicates(), Strings{"@name='a][b'"});
}

// ---- VORID ----

TEST(VORID, DecodeMarkedIdentifiers) {
    using namespace VOR_AAA_VORID;
    EXPECT_EQ(Wrap(Compose("ns:", eAccount, 12)), "VORID(\"ns:u:authid=12\")");
    Decoded d = Decode(Wrap(Compose("ns", eNamespaceFolder, 3)));
    EXPECT_EQ(d.namespacePart, "ns");
    EXPECT_EQ(d.kind, eNamespaceFolder);
    EXPECT_EQ(d.number, 3u);
    EXPECT_EQ(d.objectPart, "3");
    Decoded ns = Decode("ns");
    EXPECT_EQ(ns.kind, eNamespace);
    EXPECT_EQ(ns.namespacePart, "ns");
    EXPECT_EQ(Decode("ns:other").kind, eUnknown);
    EXPECT_EQ(Decode("vorid(\"ns:u:authid=5\")").kind, eAccount);
}

TEST(VORID, UnmarkedIdentifierProbesUserThenFolderThenClass) {
    using namespace VOR_AAA_VORID;
    std::vector<ObjectKind> asked;
    auto folderOnly = [&](ObjectKind kind, uint32_t number) {
        asked.push_back(kind);
        EXPECT_EQ(number, 7u);
        return kind == eNamespaceFolder;
    };
    EXPECT_EQ(Decode("ns:authid=7", folderOnly).kind, eNamespaceFolder);
    EXPECT_EQ(asked, (std::vector<ObjectKind>{eAccount, eNamespaceFolder}));
    asked.clear();
    auto nothing = [&](ObjectKind kind, uint32_t) {
        asked.push_back(kind);
        return false;
    };
    EXPECT_EQ(Decode("ns:authid=7", nothing).kind, eUnknown);
    EXPECT_EQ(asked, (std::vector<ObjectKind>{eAccount, eNamespaceFolder, eRole}));
    asked.clear();
    EXPECT_EQ(Decode("ns:authid=x7", nothing).kind, eUnknown);
    EXPECT_TRUE(asked.empty());  // not a number: nothing to look up
}

TEST(VORID, ResolveChecksNamespaceAndKind) {
    using namespace VOR_AAA_VORID;
    EXPECT_EQ(Resolve("p", "ns:u:authid=1", "ns").kind, eAccount);
    if (auto e = ExpectFailure(-48, {kMsgQueryNotAnswered}, [] {
            Resolve("VORID('other:u:authid=1')", "other:u:authid=1", "ns");
        })) {
        EXPECT_EQ(Parameter(*e, 0), I18NString("VORID('other:u:authid=1')"));
    }
    ExpectFailure(-19, {kMsgQueryNotAnswered}, [] { Resolve("p", "ns:authid=1", "ns"); });
}

TEST(VORIDEscaping, QuotesInsideBodiesOnly) {
    using namespace VOR_AAA_VORID;
    EXPECT_EQ(EscapeDelimiters("VORID(\"a\"b\")/*[@n=\"q\"]"), "VORID(\"a&quot;b\")/*[@n=\"q\"]");
    EXPECT_EQ(EscapeDelimiters("VORID('o'k') and VORID(\"x\")"),
              "VORID('o&apos;k') and VORID(\"x\")");
    // The stem without a quote after it opens nothing; the next real opener still counts.
    EXPECT_EQ(EscapeDelimiters("VORID(x\" VORID(VORID('o'k') VORID("),
              "VORID(x\" VORID(VORID('o&apos;k') VORID(");
    EXPECT_THROW(EscapeDelimiters("VORID(\"open"), PYXAssertError);
}

TEST(VORIDEscaping, UnescapeReversesAndHandlesPlainText) {
    using namespace VOR_AAA_VORID;
    for (const char* text :
         {"VORID(\"a\"b\")", "VORID('it's')/*", "x VORID('a'') y VORID(\"\"\")", "/directory"}) {
        EXPECT_EQ(UnescapeDelimiters(EscapeDelimiters(text)), text) << text;
    }
    EXPECT_EQ(UnescapeDelimiters("say &quot;hi&quot; &apos;"), "say \"hi\" &apos;");
    EXPECT_EQ(UnescapeDelimiters("VORID('a&quot;b&apos;c')&quot;"), "VORID('a&quot;b'c')&quot;");
}

// ---- filters ----

using Component = VOR_AAA_SearchFilter::Component;

std::vector<VOR_AAA_SearchFilter::Group> parsed(const Strings& predicates,
                                                unsigned mask = eSFAllOperations) {
    VOR_AAA_SearchFilter filter;
    filter.Parse(predicates, mask);
    return filter.GetGroups();
}

TEST(SearchFilter, ComparisonAndFunctionForms) {
    auto groups =
        parsed({"@userName != 'x' or starts-with( @email, 'a' )",
                "@name='O''Brien' OR contains(@d,\"say \"\"hi\"\"\") or ends-with(@e ,'z')"});
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0], (VOR_AAA_SearchFilter::Group{{"userName", "x", eSFNotEquals},
                                                      {"email", "a", eSFStartsWith}}));
    EXPECT_EQ(groups[1], (VOR_AAA_SearchFilter::Group{{"name", "O'Brien", eSFEquals},
                                                      {"d", "say \"hi\"", eSFContains},
                                                      {"e", "z", eSFEndsWith}}));
    // An operator inside a value does not confuse the comparison.
    EXPECT_EQ(parsed({"@a!='x=y'"})[0][0], (Component{"a", "x=y", eSFNotEquals}));
    EXPECT_EQ(parsed({"@a='x!=y'"})[0][0], (Component{"a", "x!=y", eSFEquals}));
}

TEST(SearchFilter, SyntaxErrorsClearTheFilterAndReport) {
    for (const char* bad : {"@name = 'abc", "@name 'a'", "name = 'a'", "@a='1' or",
                            "contains(@a 'b')", "contains(@a,'b'", "", "@a='1' and @b='2'"}) {
        SCOPED_TRACE(bad);
        VOR_AAA_SearchFilter filter;
        filter.Parse(Strings{"@ok='1'"}, eSFAllOperations);
        if (auto e = ExpectFailure(-48, {kMsgFilterSyntax},
                                   [&] { filter.Parse(std::string(bad), eSFAllOperations); })) {
            EXPECT_EQ(Parameter(*e, 0), I18NString(bad));
        }
        EXPECT_TRUE(filter.IsEmpty());
    }
}

TEST(SearchFilter, OperationsOutsideTheMaskAreRefused) {
    EXPECT_THROW(parsed({"@a != 'x'"}, eSFEquals), VOR_AAA_Exception);
    EXPECT_THROW(parsed({"contains(@a,'x')"}, eSFEquals | eSFStartsWith), VOR_AAA_Exception);
}

TEST(FilterMatching, EachOperationAndCaseFoldingUnderTheLocale) {
    struct Case {
        const char* filter;
        VOR_AAA_SearchFilterOperation operation;
        const char* property;
        bool caseSensitive;
        const char* locale;
        bool matches;
    };
    const Case cases[] = {
        {"ab", eSFEndsWith, "abab", true, nullptr, true},
        {"abc", eSFEndsWith, "bc", true, nullptr, false},
        {"", eSFStartsWith, "anything", true, nullptr, true},
        {"abc", eSFStartsWith, "ab", true, nullptr, false},
        {"b", eSFContains, "abc", true, nullptr, true},
        {"x", eSFEquals, "X", true, nullptr, false},
        {"\xc3\x89T\xc3\x89", eSFEquals, "\xc3\xa9t\xc3\xa9", false, "en-us", true},
        {"I", eSFEquals, "\xc4\xb1", false, "tr", true},  // dotless i
        {"I", eSFEquals, "\xc4\xb1", false, "en-us", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.filter) + " / " + c.property);
        EXPECT_EQ(
            propertyMatchesFilter(c.filter, c.operation, c.property, c.caseSensitive, c.locale),
            c.matches);
    }
}

}  // namespace
