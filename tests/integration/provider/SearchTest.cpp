// Search through the ABI against the fixture's slapd: every axis on every kind of object, the
// properties of each kind, paging from the listing cache, filters, name patterns, the visa's
// session found, re-established or absent, and concurrent searches.
#include "AuthenticateDocuments.h"
#include "ListingCalls.h"
#include "SearchTestSupport.h"

#include <atomic>
#include <chrono>
#include <set>
#include <thread>

namespace search_test {
namespace {

using Names = std::vector<std::string>;
const std::vector<std::string> kNames = {"defaultName", "objectClass", "searchPath"};

const std::string kZoeName =
    "Zo\xc3\xab \xc3\x86r\xc3\xb8sk\xc3\xb8"
    "bing";
// In the order of their sign-on names (ann, anne, joanna, obrien, star, starlike, zoe).
const Names kPeopleAccounts = {"Ann",       "Anne",     "Joanna", "O'Brien",
                               "a*b(c)\\d", "ab(c)\\d", kZoeName};

Names Concat(Names a, const Names& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(SearchTest, EveryAxisOnEveryKind) {
    // The namespace root: its root folder and, for a reader who may see every class, the root
    // class; folders before roles.
    EXPECT_EQ((Names{"searchtest", "All"}), Query(reader, Root() + "/*", kNames).Names());
    EXPECT_EQ((Names{"searchtest", "All"}), Query(reader, Root() + "/child::*", kNames).Names());
    Answer self = Query(reader, Root(), kNames);
    ASSERT_EQ(1u, self.rows.size());
    EXPECT_EQ("namespace", self.rows[0].objectClass);

    // A folder: subfolders first, then users, each in byte order of their names.
    EXPECT_EQ(Concat({"Sub"}, kPeopleAccounts),
              Query(reader, Folder(kPeople) + "/*", kNames).Names());
    const Names deepAccounts = {"Ann",     "Anne",      "Deep Diver", "Deeper", "Joanna",
                                "O'Brien", "a*b(c)\\d", "ab(c)\\d",   kZoeName};
    EXPECT_EQ(Concat({"Sub", "SubSub"}, deepAccounts),
              Query(reader, Folder(kPeople) + "/descendant::*", kNames).Names());
    EXPECT_EQ(Concat({"People", "Sub", "SubSub"}, deepAccounts),
              Query(reader, Folder(kPeople) + "//*", kNames).Names());
    EXPECT_EQ(Concat({"People", "Sub", "SubSub"}, deepAccounts),
              Query(reader, Folder(kPeople) + "/descendant-or-self::*", kNames).Names());
    EXPECT_EQ((Names{"People"}), Query(reader, Folder(kPeople), kNames).Names());

    // A role: its child classes; users are members, not children.
    EXPECT_EQ((Names{"Team A", "Team B"}), Query(reader, Role(kAll) + "/*", kNames).Names());
    EXPECT_EQ((Names{"Inner", "Leads", "Leads", "Team A", "Team B"}),
              Query(reader, Role(kAll) + "/descendant::*", kNames).Names());
    EXPECT_EQ((Names{"All", "Inner", "Leads", "Leads", "Team A", "Team B"}),
              Query(reader, Role(kAll) + "//*", kNames).Names());
    EXPECT_EQ((Names{"Team A"}), Query(reader, Role(kTeamA), kNames).Names());

    // An account: itself, and no children on any axis.
    EXPECT_EQ((Names{"O'Brien"}), Query(reader, Account(kOBrien), kNames).Names());
    for (const char* axis : {"/*", "/descendant::*", "//*"}) {
        Answer none = Query(reader, Account(kOBrien) + axis, kNames);
        EXPECT_EQ(0, none.code) << axis;
        EXPECT_TRUE(none.rows.empty()) << axis;
    }

    // Classes and search paths of what was listed.
    Answer listed = Query(reader, Folder(kSub) + "/*", kNames);
    ASSERT_EQ(2u, listed.rows.size());
    EXPECT_EQ("namespaceFolder", listed.rows[0].objectClass);
    EXPECT_EQ("VORID(\"searchns:f:authid=22\")", listed.rows[0].value("searchPath"));
    EXPECT_EQ("account", listed.rows[1].objectClass);
    EXPECT_EQ("VORID(\"searchns:u:authid=107\")", listed.rows[1].value("searchPath"));
}

TEST_F(SearchTest, PropertiesOfEachKind) {
    Answer account = Query(reader, Account(kOBrien), {"*"});
    ASSERT_EQ(1u, account.rows.size()) << account.exception;
    const auto& a = account.rows[0];
    EXPECT_EQ("O'Brien", a.value("defaultName"));
    EXPECT_EQ("O'Brien (en-us)", a.value("name"));
    EXPECT_EQ("obrien", a.value("userName"));  // the sign-on name, not the display name
    EXPECT_EQ("obrien@example.test", a.value("email"));
    EXPECT_EQ("+1 555 0100", a.value("businessPhone"));
    EXPECT_EQ("Pat", a.value("givenName"));
    EXPECT_EQ("Has an apostrophe", a.value("defaultDescription"));
    EXPECT_EQ("fr", a.value("contentLocale"));
    EXPECT_EQ("fr", a.value("productLocale"));
    EXPECT_EQ("false", a.value("hasChildren"));
    EXPECT_EQ(
        "Search test [VORID(\"searchns\")] > searchtest [VORID(\"searchns:f:authid=1\")] > "
        "People [VORID(\"searchns:f:authid=20\")]",
        a.value("ancestors"));
    // An empty locale field falls back to the namespace's default.
    EXPECT_EQ("en-us",
              Query(reader, Account(kZoe), {"contentLocale"}).rows.at(0).value("contentLocale"));
    // Only what is asked for is written.
    Answer narrow = Query(reader, Account(kOBrien), {"email"});
    ASSERT_EQ(1u, narrow.rows.size());
    EXPECT_EQ((std::vector<std::pair<std::string, std::string>>{{"email", "obrien@example.test"}}),
              narrow.rows[0].properties);
    // No property asked for: the object with its search path alone.
    Answer bare = Query(reader, Account(kOBrien), {});
    ASSERT_EQ(1u, bare.rows.size());
    ASSERT_EQ(1u, bare.rows[0].properties.size());
    EXPECT_EQ("searchPath", bare.rows[0].properties[0].first);
    EXPECT_EQ("VORID(\"searchns:u:authid=100\")", bare.rows[0].searchPath);

    // A folder never claims children, even when it holds some.
    Answer folder =
        Query(reader, Folder(kPeople), {"hasChildren", "defaultDescription", "ancestors"});
    ASSERT_EQ(1u, folder.rows.size());
    EXPECT_EQ("false", folder.rows[0].value("hasChildren"));
    EXPECT_EQ("Everybody", folder.rows[0].value("defaultDescription"));
    EXPECT_EQ("Search test [VORID(\"searchns\")] > searchtest [VORID(\"searchns:f:authid=1\")]",
              folder.rows[0].value("ancestors"));

    // A role: children by its child classes, ancestors up the class tree, members with the
    // properties asked for them.
    basalt_host::QuerySpec query;
    query.searchPath = Role(kTeamA);
    query.properties = {"defaultName", "hasChildren", "ancestors", "members", "securityMembers"};
    std::string document = basalt_host::queryDocument(query);
    const std::string refProps =
        "<refProps><item><refPropName>members</refPropName><properties><item>userName</item>"
        "<item>email</item></properties></item></refProps>";
    document.replace(document.find("</query>"), 8, "<options>" + refProps + "</options></query>");
    Answer role = Send(reader, document);
    ASSERT_EQ(1u, role.rows.size()) << role.exception;
    EXPECT_EQ("true", role.rows[0].value("hasChildren"));
    EXPECT_EQ("Search test [VORID(\"searchns\")] > All [VORID(\"searchns:r:authid=50\")]",
              role.rows[0].value("ancestors"));
    EXPECT_NE(std::string::npos, role.response.find("<userName xsi:type=\"cm:stringProp\">"));
    EXPECT_NE(std::string::npos, role.response.find("ann@example.test"));
    EXPECT_NE(std::string::npos, role.response.find("<securityMembers xsi:nil=\"true\"/>"));
    EXPECT_EQ("false",
              Query(reader, Role(kInner), {"hasChildren"}).rows.at(0).value("hasChildren"));

    // The namespace object with everything it carries.
    Answer ns = Query(reader, Root(), {"*"});
    ASSERT_EQ(1u, ns.rows.size());
    EXPECT_EQ("Search test", ns.rows[0].value("defaultName"));
    EXPECT_FALSE(ns.rows[0].value("capabilities").empty());
}

TEST_F(SearchTest, NextPagesComeFromTheListingCache) {
    const std::string path = Folder(kPaging) + "/*";
    Answer first = Query(reader, path, kNames, 0, 10);
    ASSERT_EQ(10u, first.rows.size()) << first.exception;
    EXPECT_EQ("Page 00", first.rows.front().value("defaultName"));
    EXPECT_EQ("Page 09", first.rows.back().value("defaultName"));

    const int before = ListingCalls();
    Answer second = Query(reader, path, kNames, 10, 10);
    Answer last = Query(reader, path, kNames, 20, 10);
    Answer beyond = Query(reader, path, kNames, 25, 10);
    EXPECT_EQ(before, ListingCalls()) << "the next pages walked the directory again";
    ASSERT_EQ(10u, second.rows.size());
    EXPECT_EQ("Page 10", second.rows.front().value("defaultName"));
    ASSERT_EQ(5u, last.rows.size());
    EXPECT_EQ("Page 24", last.rows.back().value("defaultName"));
    EXPECT_TRUE(beyond.rows.empty());
    // No limit: everything from the skip on.
    EXPECT_EQ(15u, Query(reader, path, kNames, 10, 0).rows.size());
    EXPECT_EQ(before, ListingCalls());

    // Another listing (other properties), or a query for one object, starts afresh.
    Query(reader, path, {"defaultName"}, 10, 10);
    EXPECT_GT(ListingCalls(), before);
    int now = ListingCalls();
    Query(reader, Account(kOBrien), kNames);
    Answer again = Query(reader, path, {"defaultName"}, 10, 10);
    EXPECT_GT(ListingCalls(), now);
    EXPECT_EQ("Page 10", again.rows.at(0).value("defaultName"));

    // Each session keeps its own listing.
    const std::string second_reader = SignOn("second");
    now = ListingCalls();
    EXPECT_EQ(10u, Query(second_reader, path, {"defaultName"}, 0, 10).rows.size());
    EXPECT_GT(ListingCalls(), now);
}

TEST_F(SearchTest, AnObjectDeletedBetweenPagesIsSkipped) {
    const std::string doomed = "ou=Doomed,ou=searchtest,@BASE_DN@";
    std::string ldif = "dn: " + doomed +
                       "\nobjectClass: organizationalUnit\nobjectClass: ridgeFolder\nou: Doomed\n"
                       "ridgeId: 31\n\n";
    for (int i = 0; i < 6; ++i) {
        ldif += "dn: uid=doomed" + std::to_string(i) + "," + doomed +
                "\nobjectClass: inetOrgPerson\nobjectClass: ridgeUser\nuid: doomed" +
                std::to_string(i) + "\ncn: D" + std::to_string(i) +
                "\nsn: D\nridgeId: " + std::to_string(300 + i) + "\n\n";
    }
    Admin("ldapadd", "-c", ldif);  // what an earlier run deleted comes back

    const std::string path = Folder(kDoomed) + "/*";
    EXPECT_EQ((Names{"D0", "D1", "D2"}), Query(reader, path, kNames, 0, 3).Names());
    ASSERT_EQ(0, Admin("ldapdelete", "'uid=doomed4,ou=Doomed,ou=searchtest," + env.baseDn() + "'"));
    // What the access library fetched with the listing has aged by then.
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    // D4 keeps its position but is not served; the page fills from the next one.
    EXPECT_EQ((Names{"D3", "D5"}), Query(reader, path, kNames, 3, 2).Names());
    EXPECT_EQ((Names{"D5"}), Query(reader, path, kNames, 5, 2).Names());
}

TEST_F(SearchTest, FiltersOfEveryOperationAndCombination) {
    const auto names = [&](const std::string& filters) {
        return Query(reader, Folder(kPeople) + "/*" + filters, kNames).Names();
    };
    EXPECT_EQ((Names{"Ann"}), names("[@defaultName = 'ann']"));  // not case-sensitive
    EXPECT_EQ(Concat({"Sub", "Anne", "Joanna", "O'Brien"},
                     Names(kPeopleAccounts.begin() + 4, kPeopleAccounts.end())),
              names("[@defaultName != 'Ann']"));
    EXPECT_EQ((Names{"Ann", "Anne"}), names("[starts-with(@defaultName, 'an')]"));
    EXPECT_EQ((Names{"Ann", "Anne", "Joanna"}), names("[contains(@name, 'nn')]"));
    EXPECT_EQ((Names{"Joanna"}), names("[ends-with(@userName, 'NA')]"));
    EXPECT_EQ((Names{"Anne"}), names("[contains(@email, 'example.org')]"));
    // Alternatives in one predicate, and predicates that must all hold.
    EXPECT_EQ((Names{"Ann", "Joanna"}), names("[@defaultName = 'Ann' or @defaultName='Joanna']"));
    EXPECT_EQ((Names{"Ann"}),
              names("[starts-with(@defaultName, 'An')][contains(@email, '.test')]"));
    EXPECT_TRUE(names("[@defaultName = 'Ann'][@defaultName = 'Anne']").empty());
    // A property an entry does not carry does not match.
    EXPECT_EQ((Names{"Sub"}), names("[@objectClass = 'namespaceFolder' or @email = 'none']"));
    // A predicate that is not a filter is refused.
    Answer bad = Query(reader, Folder(kPeople) + "/*[@defaultName = 'Ann]", kNames);
    EXPECT_EQ(-48, bad.code);
}

TEST_F(SearchTest, ObjectClassRestrictions) {
    const auto names = [&](const std::string& path) { return Query(reader, path, kNames).Names(); };
    EXPECT_EQ((Names{"Sub"}), names(Folder(kPeople) + "/*[@objectClass='namespaceFolder']"));
    EXPECT_EQ(kPeopleAccounts, names(Folder(kPeople) + "/*[@objectClass='account']"));
    EXPECT_TRUE(names(Folder(kPeople) + "/*[@objectClass='role']").empty());
    EXPECT_TRUE(names(Folder(kPeople) + "/*[@objectClass='group']").empty());
    // Folders left out are still walked for the users below them.
    EXPECT_EQ(9u, names(Folder(kPeople) + "/descendant::*[@objectClass='account']").size());
    EXPECT_TRUE(names(Role(kAll) + "/descendant::*[@objectClass='account']").empty());
    EXPECT_EQ((Names{"Inner", "Leads", "Leads", "Team A", "Team B"}),
              names(Role(kAll) + "/descendant::*[@objectClass != 'account']"));
    EXPECT_EQ((Names{"searchtest"}), names(Root() + "/*[@objectClass='namespaceFolder']"));
    EXPECT_EQ((Names{"All"}), names(Root() + "/*[@objectClass='role']"));
    EXPECT_EQ((Names{"All", "Inner", "Leads", "Leads", "Team A", "Team B"}),
              names(Root() + "/descendant::*[@objectClass='role']"));
}

TEST_F(SearchTest, RootDescendantsByNamePattern) {
    const auto names = [&](const std::string& filter) {
        return Query(reader, Root() + "/descendant::*" + filter, kNames).Names();
    };
    EXPECT_EQ((Names{"Ann", "Anne"}), names("[starts-with(@defaultName, 'Ann')]"));
    EXPECT_EQ((Names{"Joanna"}), names("[ends-with(@name, 'anna')]"));
    EXPECT_EQ((Names{"Team A", "Team B"}), names("[starts-with(@name, 'Team')]"));
    EXPECT_EQ((Names{"Sub", "SubSub"}), names("[starts-with(@defaultName, 'Sub')]"));
    EXPECT_EQ((Names{"Deep Diver", "Deeper"}), names("[contains(@defaultName, 'deep')]"));
    // Only accounts have a user name.
    EXPECT_TRUE(names("[starts-with(@userName, 'Sub')]").empty());
    // Every object below the root, counted: 9 folders, 6 classes, the users.
    Answer all = Query(reader, Root() + "/descendant::*", kNames);
    std::set<std::string> classes;
    for (const auto& row : all.rows) {
        classes.insert(row.objectClass);
    }
    EXPECT_EQ((std::set<std::string>{"account", "namespaceFolder", "role"}), classes);
    EXPECT_GE(all.rows.size(), 9u + 6u + 3u + 9u + 25u + 2u);
}

TEST_F(SearchTest, AccountsAreKeyedBySignOnNameAndNamedByDisplayName) {
    const std::vector<std::string> props = {"defaultName", "userName", "searchPath"};
    const auto rows = [&](const std::string& path, int skip = 0, int max = 0) {
        std::vector<std::string> seen;
        for (const auto& row : Query(reader, path, props, skip, max).rows) {
            seen.push_back(row.value("defaultName") + "|" + row.value("userName"));
        }
        return seen;
    };
    using Rows = std::vector<std::string>;
    // Two users with one display name in one folder: both listed, in sign-on name order.
    EXPECT_EQ((Rows{"Europe|", "John Smith|jsmith", "John Smith|jsmith2"}),
              rows(Folder(kSales) + "/*"));
    // Paged across the pair, nothing lost and nothing twice.
    EXPECT_EQ((Rows{"Europe|", "John Smith|jsmith"}), rows(Folder(kSales) + "/*", 0, 2));
    EXPECT_EQ((Rows{"John Smith|jsmith2"}), rows(Folder(kSales) + "/*", 2, 2));

    // A filter on the user name matches the sign-on name, below a folder and from the root.
    EXPECT_EQ((Rows{"John Smith|jsmith2"}), rows(Folder(kSales) + "/*[@userName = 'jsmith2']"));
    EXPECT_EQ((Rows{"John Smith|jsmith"}), rows(Root() + "/descendant::*[@userName = 'jsmith']"));
    EXPECT_EQ((Rows{"Ann|ann"}), rows(Root() + "/descendant::*[@userName = 'ann']"));
    EXPECT_TRUE(rows(Root() + "/descendant::*[@userName = 'John Smith']").empty());
    // A filter on the name matches the display name: both users.
    EXPECT_EQ((Rows{"John Smith|jsmith", "John Smith|jsmith2"}),
              rows(Root() + "/descendant::*[@name = 'John Smith']"));
    EXPECT_EQ((Rows{"John Smith|jsmith", "John Smith|jsmith2"}),
              rows(Folder(kSales) + "/*[starts-with(@defaultName, 'John')]"));
    EXPECT_TRUE(rows(Root() + "/descendant::*[@defaultName = 'jsmith']").empty());

    // Folders and roles of one name under different parents: all kept, by identifier.
    Answer europe =
        Query(reader, Root() + "/descendant::*[@defaultName = 'Europe']", {"searchPath"});
    ASSERT_EQ(2u, europe.rows.size()) << europe.response;
    EXPECT_EQ("VORID(\"searchns:f:authid=41\")", europe.rows[0].searchPath);
    EXPECT_EQ("VORID(\"searchns:f:authid=43\")", europe.rows[1].searchPath);
    Answer leads = Query(reader, Role(kAll) + "/descendant::*[@name = 'Leads']", {"searchPath"});
    ASSERT_EQ(2u, leads.rows.size()) << leads.response;
    EXPECT_EQ("VORID(\"searchns:r:authid=54\")", leads.rows[0].searchPath);
    EXPECT_EQ("VORID(\"searchns:r:authid=55\")", leads.rows[1].searchPath);
}

TEST_F(SearchTest, ApostrophesNonAsciiAndMetacharactersMatchLiterally) {
    const auto root = [&](const std::string& filter) {
        return Query(reader, Root() + "/descendant::*" + filter, kNames).Names();
    };
    const auto folder = [&](const std::string& filter) {
        return Query(reader, Folder(kPeople) + "/*" + filter, kNames).Names();
    };
    // '*' is no wildcard, '(' ')' '\' nothing special, in name searches and in filters alike.
    EXPECT_EQ((Names{"a*b(c)\\d"}), root("[@defaultName = 'a*b(c)\\d']"));
    EXPECT_EQ((Names{"a*b(c)\\d"}), root("[starts-with(@defaultName, 'a*')]"));
    EXPECT_EQ((Names{"a*b(c)\\d", "ab(c)\\d"}), root("[contains(@name, 'b(c)\\')]"));
    EXPECT_EQ((Names{"ab(c)\\d"}), folder("[@name = 'ab(c)\\d']"));
    EXPECT_TRUE(root("[@defaultName = '*']").empty());
    EXPECT_TRUE(root("[contains(@defaultName, ')(objectClass=*')]").empty());
    // Apostrophes, doubled inside the quotes, or inside double quotes.
    EXPECT_EQ((Names{"O'Brien"}), root("[@name = 'O''Brien']"));
    EXPECT_EQ((Names{"O'Brien"}), root("[contains(@name, '''')]"));
    EXPECT_EQ((Names{"O'Brien"}), folder("[ends-with(@defaultName, '''brien')]"));
    EXPECT_EQ((Names{"O'Brien"}), folder("[@defaultName = \"O'Brien\"]"));
    // Non-ASCII letters, compared without regard to case.
    EXPECT_EQ((Names{kZoeName}), root("[starts-with(@defaultName, 'zo\xc3\xab')]"));
    EXPECT_EQ((Names{kZoeName}), folder("[contains(@name, '\xc3\xa6R\xc3\x98')]"));
    EXPECT_TRUE(root("[starts-with(@defaultName, 'Zoe')]").empty());
}

TEST_F(SearchTest, ForeignAndUnknownIdentifiers) {
    Answer foreign = Query(reader, "VORID('otherns:u:authid=100')", kNames);
    EXPECT_EQ(-48, foreign.code);
    EXPECT_NE(std::string::npos, foreign.exception.find("otherns")) << foreign.exception;
    EXPECT_EQ(-48, Query(reader, "VORID('otherns')/*", kNames).code);
    // Without a marker the directory tells the kind.
    EXPECT_EQ((Names{"O'Brien"}), Query(reader, Vorid("searchns:authid=100"), kNames).Names());
    EXPECT_EQ((Names{"People"}), Query(reader, Vorid("searchns:authid=20"), kNames).Names());
    EXPECT_EQ((Names{"Team B"}), Query(reader, Vorid("searchns:authid=52"), kNames).Names());
    EXPECT_EQ(-19, Query(reader, Vorid("searchns:authid=99999"), kNames).code);
    // A marked id of nothing: no object, no error.
    Answer gone = Query(reader, Account(99999), kNames);
    EXPECT_EQ(0, gone.code);
    EXPECT_TRUE(gone.rows.empty());
    EXPECT_TRUE(Query(reader, Folder(99999) + "/*", kNames).rows.empty());
    // Paths the session does not serve.
    EXPECT_EQ(-48, Query(reader, "~", kNames).code);
    EXPECT_EQ(-48, Query(reader, Root() + "//~", kNames).code);
    EXPECT_EQ(-48, Query(reader, "not a path", kNames).code);
}

TEST_F(SearchTest, VisaWithoutSessionValuesIsAnsweredAtNamespaceLevel) {
    const std::string visa = basalt_host::namespaceVisaDocument(kNamespaceId);
    Answer self = Query(visa, Root(), {"defaultName", "objectClass"});
    ASSERT_EQ(0, self.code) << self.exception;
    ASSERT_EQ(1u, self.rows.size());
    EXPECT_EQ("namespace", self.rows[0].objectClass);
    EXPECT_EQ(-48, Query(visa, Root() + "/*", kNames).code);
    EXPECT_EQ(-48, Query(visa, Folder(kPeople), kNames).code);
    EXPECT_NE(0, Query(basalt_host::namespaceVisaDocument("nosuchns"), Root(), kNames).code);
}

TEST_F(SearchTest, SchemaInformationIsWrittenWhenAskedOnBothPaths) {
    const auto answer = [&](const std::string& visa, const std::string& path, bool schema) {
        basalt_host::QuerySpec query;
        query.searchPath = path;
        query.properties = {"defaultName"};
        std::string document = basalt_host::queryDocument(query);
        if (schema) {
            document.replace(document.find("</query>"), 8,
                             "<options><schemaInfo xsi:type=\"xsd:boolean\">true</schemaInfo>"
                             "</options></query>");
        }
        return Send(visa, document);
    };
    const std::string namespaceVisa = basalt_host::namespaceVisaDocument(kNamespaceId);
    const std::pair<std::string, std::string> paths[] = {{reader, Account(kOBrien)},
                                                         {namespaceVisa, Root()}};
    for (const auto& [visa, path] : paths) {
        Answer with = answer(visa, path, true);
        ASSERT_EQ(0, with.code) << with.exception;
        EXPECT_NE(std::string::npos, with.response.find("<schemaInfo")) << with.response;
        Answer without = answer(visa, path, false);
        ASSERT_EQ(0, without.code) << without.exception;
        EXPECT_EQ(std::string::npos, without.response.find("<schemaInfo")) << without.response;
    }
}

// The same user signs on again while a request of the first session is under way: the second
// registration waits for it and joins the session, and the first visa goes on answering as its
// user.
TEST_F(SearchTest, ASecondSignOnWhileTheSessionIsBusyJoinsIt) {
    HoldNextUsersListing();
    Answer busy;
    std::thread first([&] { busy = Query(reader, Folder(kPeople) + "/*", kNames); });
    WaitUntilUsersListingHeld();
    std::string again;
    std::atomic<bool> registered{false};
    std::thread second([&] {
        again = SignOn("reader");
        registered = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // to the busy session
    EXPECT_FALSE(registered) << "the second registration did not wait for the busy session";
    ReleaseUsersListing();
    first.join();
    second.join();
    EXPECT_EQ(Concat({"Sub"}, kPeopleAccounts), busy.Names()) << busy.exception;
    ASSERT_FALSE(again.empty());
    for (const std::string& visa : {reader, again, reader}) {
        EXPECT_EQ((Names{"searchtest", "All"}), Query(visa, Root() + "/*", kNames).Names());
        Answer self = Query(visa, Account(kReader), {"userName"});
        ASSERT_EQ(1u, self.rows.size()) << self.exception;
        EXPECT_EQ("reader", self.rows[0].value("userName"));
    }
}

TEST_F(SearchTest, ConcurrentSearchesOnOneSessionAndOnSeveral) {
    const std::string second = SignOn("second");
    const Names people = Concat({"Sub"}, kPeopleAccounts);
    const Names classes = {"Inner", "Leads", "Leads", "Team A", "Team B"};
    std::atomic<int> wrong{0};
    auto worker = [&](const std::string& visa, int offset) {
        for (int i = 0; i < 8; ++i) {
            const bool folder = (i + offset) % 2 == 0;
            Answer answer = folder ? Query(visa, Folder(kPeople) + "/*", kNames)
                                   : Query(visa, Role(kAll) + "/descendant::*", kNames);
            if (answer.Names() != (folder ? people : classes)) {
                ++wrong;
            }
        }
    };
    // Two requests on one session take turns; two sessions run side by side.
    std::vector<std::thread> threads;
    threads.emplace_back(worker, reader, 0);
    threads.emplace_back(worker, reader, 1);
    threads.emplace_back(worker, second, 0);
    threads.emplace_back(worker, second, 1);
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(0, wrong.load());
}

}  // namespace
}  // namespace search_test
