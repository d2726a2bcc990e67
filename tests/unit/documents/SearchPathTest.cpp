// The search-path language: fixed paths, VORID paths with axes and predicates, the VORID
// identifier itself, delimiter escaping, property filters and their matching.
#include "VOR_AAA_Exception.h"
#include "VOR_AAA_Messages.h"
#include "VOR_AAA_SearchFilter.h"
#include "VOR_AAA_SearchPath.h"
#include "VOR_AAA_VORID.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using namespace VOR_AAA_Messages;

using SP = VOR_AAA_SearchPath;
using Strings = std::vector<std::string>;

TEST(SearchPath, FixedPathsOnlyAsTheWholeText) {
    const std::pair<const char*, SP::Kind> fixed[] = {{"~", SP::eSPSelf},
                                                      {"~~", SP::eSPSelfSelf},
                                                      {"identity(~~)", SP::eSPIdentity},
                                                      {"/directory/*", SP::eSPDirectory},
                                                      {"/directory/namespace", SP::eSPDirectory},
                                                      {"membership(~)", SP::eSPMembership}};
    for (const auto& [text, kind] : fixed) {
        EXPECT_EQ(SP(text).GetKind(), kind) << text;
        EXPECT_EQ(SP(std::string(" ") + text).GetKind(), SP::eSPInvalid) << text;
        EXPECT_EQ(SP(std::string(text) + " ").GetKind(), SP::eSPInvalid) << text;
    }
    EXPECT_EQ(SP("").GetKind(), SP::eSPInvalid);
    EXPECT_EQ(SP("/directory").GetKind(), SP::eSPInvalid);
}

TEST(SearchPath, VoridSelf) {
    SP path("VORID('ns:u:authid=12')");
    EXPECT_EQ(path.GetKind(), SP::eSPVORID);
    EXPECT_EQ(path.GetAxis(), SP::eAxisSelf);
    EXPECT_EQ(path.GetObjectID(), "ns:u:authid=12");
    EXPECT_TRUE(path.GetPredicates().empty());
    EXPECT_EQ(SP("VORID('ns')").GetObjectID(), "ns");
    EXPECT_EQ(SP("VORID(\"ns:f:authid=3\")").GetObjectID(), "ns:f:authid=3");
    EXPECT_EQ(SP("VORID('x')   ").GetAxis(), SP::eAxisSelf);  // trailing blanks accepted
}

TEST(SearchPath, Axes) {
    const std::pair<const char*, SP::Axis> cases[] = {
        {"VORID('x')/*", SP::eAxisChildren},
        {"VORID('x')/child::*", SP::eAxisChildren},
        {"VORID('x')/descendant::*", SP::eAxisDescendants},
        {"VORID('x') /descendant::*", SP::eAxisDescendants},
        {"VORID('x')//*", SP::eAxisDescendantsOrSelf},
        {"VORID('x')/descendant-or-self::*", SP::eAxisDescendantsOrSelf},
        {"VORID('x')//~", SP::eAxisReserved},
    };
    for (const auto& [text, axis] : cases) {
        SP path(text);
        EXPECT_EQ(path.GetKind(), SP::eSPVORID) << text;
        EXPECT_EQ(path.GetAxis(), axis) << text;
        EXPECT_EQ(path.GetObjectID(), "x") << text;
    }
}

TEST(SearchPath, InvalidForms) {
    for (const char* text : {
             "VORID('x')//~[@name='a']",      // the reserved axis must end the path
             "VORID('x')/*[@name='a'] junk",  // text after a predicate
             "VORID('x')/*junk",              // neither axis nor predicate
             "VORID('x')/*[@name='a'",        // unclosed predicate
             "x\")VORID('y')",                // double-quote closer without its opener
             "VORID(\"x')",                   // double-quote opener without its closer
             "VORID('x",                      // no closer
             "VORID(')",                      // closer inside the opener
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
    EXPECT_EQ(SP("VORID('x')[ @a='1'][Starts-With(@b,'2')]  [ends-with(@c,'3')]").GetPredicates(),
              (Strings{" @a='1'", "Starts-With(@b,'2')", "ends-with(@c,'3')"}));
    // "][" followed by something that does not start a filter is part of the value.
    EXPECT_EQ(SP("VORID('x')/*[@name='a][b']").GetPredicates(), Strings{"@name='a][b'"});
    SP reparsed("VORID('x')/*[@a='1']");
    reparsed.Parse("~");
    EXPECT_EQ(reparsed.GetKind(), SP::eSPSelf);
    EXPECT_TRUE(reparsed.GetPredicates().empty());
    EXPECT_TRUE(reparsed.GetObjectID().empty());
}

// ---- VORID ----

TEST(VORID, ComposeAndWrap) {
    using namespace VOR_AAA_VORID;
    EXPECT_EQ(Compose("ns", eAccount, 12), "ns:u:authid=12");
    EXPECT_EQ(Compose("ns:", eNamespaceFolder, 3), "ns:f:authid=3");
    EXPECT_EQ(Compose("ns", eRole, 4294967295u), "ns:r:authid=4294967295");
    EXPECT_EQ(Compose("ns", eUnknown, 7), "ns:authid=7");
    EXPECT_EQ(Compose("ns:", eNamespace, 0), "ns");
    EXPECT_EQ(Wrap("ns:u:authid=12"), "VORID(\"ns:u:authid=12\")");
}

TEST(VORID, DecodeMarkedIdentifiers) {
    using namespace VOR_AAA_VORID;
    for (auto [kind, number] : {std::pair{eAccount, 12u}, {eNamespaceFolder, 3u}, {eRole, 9u}}) {
        Decoded d = Decode(Wrap(Compose("ns", kind, number)));
        EXPECT_EQ(d.namespacePart, "ns");
        EXPECT_EQ(d.kind, kind);
        EXPECT_EQ(d.number, number);
        EXPECT_EQ(d.objectPart, std::to_string(number));
    }
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
    EXPECT_EQ(Decode("ns:authid=7").kind, eUnknown);  // not authenticated: no probe
    asked.clear();
    EXPECT_EQ(Decode("ns:authid=x7", nothing).kind, eUnknown);
    EXPECT_TRUE(asked.empty());  // not a number: nothing to look up
}

TEST(VORID, ResolveChecksNamespaceAndKind) {
    using namespace VOR_AAA_VORID;
    EXPECT_EQ(Resolve("p", "ns:u:authid=1", "ns").kind, eAccount);
    try {
        Resolve("VORID('other:u:authid=1')", "other:u:authid=1", "ns");
        FAIL();
    } catch (VOR_AAA_Exception& e) {
        EXPECT_EQ(e.getErrorCode(), -48);
        EXPECT_EQ(e.getMessageN(0).getNumber(), kMsgInvalidSearchPath);
        EXPECT_EQ(e.getMessageN(0).getComponents().getParm(0).toText(),
                  I18NString("VORID('other:u:authid=1')"));
    }
    try {
        Resolve("p", "ns:authid=1", "ns");
        FAIL();
    } catch (VOR_AAA_Exception& e) {
        EXPECT_EQ(e.getErrorCode(), -19);
    }
}

TEST(VORIDEscaping, QuotesInsideBodiesOnly) {
    using namespace VOR_AAA_VORID;
    EXPECT_EQ(EscapeDelimiters("VORID(\"a\"b\")/*[@n=\"q\"]"), "VORID(\"a&quot;b\")/*[@n=\"q\"]");
    EXPECT_EQ(EscapeDelimiters("VORID('o'k') and VORID(\"x\")"),
              "VORID('o&apos;k') and VORID(\"x\")");
    EXPECT_EQ(EscapeDelimiters("no identifier \"here\""), "no identifier \"here\"");
    // The stem without a quote after it opens nothing; the next real opener still counts.
    EXPECT_EQ(EscapeDelimiters("VORID(x\" VORID(VORID('o'k') VORID("),
              "VORID(x\" VORID(VORID('o&apos;k') VORID(");
    EXPECT_EQ(EscapeDelimiters("VORID(\"a\"\"b\")"), "VORID(\"a&quot;&quot;b\")");
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
}

TEST(SearchFilter, OperatorInsideValuesDoesNotConfuseTheComparison) {
    EXPECT_EQ(parsed({"@a!='x=y'"})[0][0], (Component{"a", "x=y", eSFNotEquals}));
    EXPECT_EQ(parsed({"@a='x!=y'"})[0][0], (Component{"a", "x!=y", eSFEquals}));
    EXPECT_EQ(parsed({"@a = ''"})[0][0], (Component{"a", "", eSFEquals}));
    EXPECT_EQ(parsed({"@a='a]b'"})[0][0], (Component{"a", "a]b", eSFEquals}));
}

TEST(SearchFilter, SyntaxErrorsClearTheFilterAndReport) {
    for (const char* bad : {"@name = 'abc", "@ = 'a'", "@name 'a'", "@name = a", "name = 'a'",
                            "@a='1' @b='2'", "@a='1' or", "contains(@a 'b')", "contains(@a,'b'",
                            "contains @a,'b')", "", "  ", "@a='1' and @b='2'"}) {
        VOR_AAA_SearchFilter filter;
        filter.Parse(Strings{"@ok='1'"}, eSFAllOperations);
        try {
            filter.Parse(std::string(bad), eSFAllOperations);
            ADD_FAILURE() << "accepted: " << bad;
        } catch (VOR_AAA_Exception& e) {
            EXPECT_EQ(e.getErrorCode(), -48) << bad;
            EXPECT_EQ(e.getMessageN(0).getNumber(), kMsgFilterSyntax);
            EXPECT_EQ(e.getMessageN(0).getComponents().getParm(0).toText(), I18NString(bad));
            EXPECT_EQ(e.getBackTrace().at(0).function, "VOR_AAA_SearchFilter::_errorCleanUp");
        }
        EXPECT_TRUE(filter.IsEmpty()) << bad;
    }
}

TEST(SearchFilter, OperationsOutsideTheMaskAreRefused) {
    EXPECT_THROW(parsed({"@a != 'x'"}, eSFEquals), VOR_AAA_Exception);
    EXPECT_THROW(parsed({"contains(@a,'x')"}, eSFEquals | eSFStartsWith), VOR_AAA_Exception);
    EXPECT_EQ(parsed({"starts-with(@a,'x')"}, eSFStartsWith).size(), 1u);
}

TEST(FilterMatching, EachOperation) {
    EXPECT_TRUE(propertyMatchesFilter("ab", eSFEndsWith, "abab", true, nullptr));
    EXPECT_FALSE(propertyMatchesFilter("ab", eSFEndsWith, "aba", true, nullptr));
    EXPECT_FALSE(propertyMatchesFilter("abc", eSFEndsWith, "bc", true, nullptr));
    EXPECT_TRUE(propertyMatchesFilter("", eSFStartsWith, "anything", true, nullptr));
    EXPECT_TRUE(propertyMatchesFilter("", eSFEndsWith, "", true, nullptr));
    EXPECT_TRUE(propertyMatchesFilter("", eSFContains, "x", true, nullptr));
    EXPECT_FALSE(propertyMatchesFilter("abc", eSFStartsWith, "ab", true, nullptr));
    EXPECT_TRUE(propertyMatchesFilter("b", eSFContains, "abc", true, nullptr));
    EXPECT_TRUE(propertyMatchesFilter("x", eSFNotEquals, "y", true, nullptr));
    EXPECT_FALSE(propertyMatchesFilter("x", eSFEquals, "X", true, nullptr));
}

TEST(FilterMatching, CaseFoldingUnderTheLocale) {
    EXPECT_TRUE(
        propertyMatchesFilter("\xc3\x89T\xc3\x89", eSFEquals, "\xc3\xa9t\xc3\xa9", false, "en-us"));
    EXPECT_TRUE(propertyMatchesFilter("I", eSFEquals, "\xc4\xb1", false, "tr"));
    EXPECT_FALSE(propertyMatchesFilter("I", eSFEquals, "\xc4\xb1", false, "en-us"));
}

TEST(FilterMatching, UnknownOperationIsReported) {
    try {
        propertyMatchesFilter("a", eSFUnknown, "a", true, nullptr);
        FAIL();
    } catch (VOR_AAA_Exception& e) {
        EXPECT_EQ(e.getErrorCode(), -48);
        EXPECT_EQ(e.getMessageN(0).getNumber(), kMsgInternalError);
        EXPECT_EQ(e.getMessageN(0).getComponents().getParm(1).toText(),
                  I18NString("operation == eSFUnknown"));
    }
}

// The way a session uses it: path, then filters from its predicates.
TEST(SearchFilter, PredicatesOfAParsedPath) {
    SP path("VORID('ns')/*[@name='a]b'] [contains(@email,'b') or @email='c']");
    VOR_AAA_SearchFilter filter;
    filter.Parse(path.GetPredicates(), eSFAllOperations);
    ASSERT_EQ(filter.GetGroups().size(), 2u);
    EXPECT_EQ(filter.GetGroups()[0][0].value, "a]b");
    EXPECT_EQ(filter.GetGroups()[1].size(), 2u);
}

}  // namespace
