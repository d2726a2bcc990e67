// Hostile text in every input that reaches the directory, through the provider's tables: LDAP
// filter and DN metacharacters, NUL characters, overlong and malformed UTF-8 in the user name,
// password, role, REMOTE_USER, certificate role, search paths, VORIDs and filter values. Each is
// either taken literally (and then finds exactly the entry that carries that text) or refused;
// none signs on as, or lists, an entry it does not name.
#include "SignOnTest.h"

#include <ObjectTable.h>
#include <QueryDocuments.h>
#include <XmlTree.h>

#include <VOR_AAA_CredentialsDoc.h>

#include <cstring>

using namespace signon_test;

namespace {

const std::string kAlice = "signon:u:authid=1000";
const std::string kBob = "signon:u:authid=1001";
const std::string kOdd = "signon:u:authid=1007";
const std::string kOddName = "o*(d)\\,=+\"<>;";     // sign-on name
const std::string kOddCn = "Odd *(user)\\, \"x\"";  // its name in listings
const std::string kNul("\0", 1);

// "@RAW@" in a value stands for bytes written into the document text as they are (after the
// document was written): byte sequences that no well-formed document carries.
constexpr const char* kRaw = "@RAW@";

std::string WithRaw(std::string text, const std::string& raw) {
    for (std::size_t at; (at = text.find(kRaw)) != std::string::npos;) {
        text.replace(at, std::strlen(kRaw), raw);
    }
    return text;
}

class Injection : public SignOnTest {
protected:
    basalt_host::XercesSession xerces;  // for the host library's reader

    Answer AuthenticateText(const std::string& text) {
        Answer answer;
        char* response = nullptr;
        answer.code = lib.text.AuthenticateXml(text.c_str(), &response);
        answer.text = Take(response);
        answer.response.Load(answer.text.data(), answer.text.size());
        return answer;
    }

    // Through the object table: the document is handed over as the host's own object, so texts
    // may carry characters (NUL) that no XML text can.
    Answer AuthenticateObject(VOR_AAA_AuthDoc& doc) {
        Answer answer;
        answer.code = lib.objects.Authenticate(&doc, &answer.response);
        return answer;
    }

    struct Listing {
        int32_t code = 0;
        std::vector<std::string> names;
        std::string text;
    };

    Listing Search(const std::string& visa, const std::string& path, const std::string& raw) {
        basalt_host::QuerySpec query;
        query.searchPath = path;
        query.properties = {"defaultName"};
        const std::string document = WithRaw(basalt_host::queryDocument(query), raw);
        char* response = nullptr;
        char* failure = nullptr;
        Listing listing;
        listing.code = lib.text.SearchXml(visa.c_str(), document.c_str(), &response, &failure);
        listing.text = Take(response) + Take(failure);
        if (listing.code == 0) {
            const auto root = basalt_host::parseXml(listing.text, "response");
            for (const auto& row : basalt_host::responseRows(*root)) {
                listing.names.push_back(row.value("defaultName"));
            }
        }
        return listing;
    }
};

struct SignOnCase {
    const char* what;
    std::string user;
    std::string password;
    std::string role;
    std::string remoteUser;  // set: the trusted-environment route, user and password unused
    std::string raw;         // replaces "@RAW@" in the document text
    int32_t code;
    std::string signedOnAs;  // the visa's user when code is 0
};

TEST_F(Injection, SignOnInputsAreTakenLiterallyOrRefused) {
    const std::vector<SignOnCase> cases = {
        // Filter metacharacters in the user name.
        {"star", "*", kPassword, "", "", "", -36, ""},
        {"trailing star", "alic*", kPassword, "", "", "", -36, ""},
        {"filter break-out", "alice)(uid=*", kPassword, "", "", "", -36, ""},
        {"or-filter", "*)(|(uid=*", kPassword, "", "", "", -36, ""},
        {"escaped star", "al\\2aice", kPassword, "", "", "", -36, ""},
        {"backslash", "alice\\", kPassword, "", "", "", -36, ""},
        // DN metacharacters: a DN or an RDN is not a user name.
        {"a DN", "uid=alice,ou=Europe,ou=Sales,ou=ridgetest,dc=ridge,dc=test", kPassword, "", "",
         "", -36, ""},
        {"an RDN sequence", "alice,ou=Europe", kPassword, "", "", "", -36, ""},
        {"metacharacters that are the name", kOddName, kPassword, "", "", "", 0, kOdd},
        {"apostrophe", "o'brien", kPassword, "", "", "", -36, ""},
        {"non-ASCII name", "chloé", kPassword, "", "", "", 0, "signon:u:authid=1002"},
        // Characters no document carries: the document is refused as unreadable.
        {"NUL reference", "alice@RAW@", kPassword, "", "", "&#0;", -38, ""},
        {"overlong a", "@RAW@lice", kPassword, "", "", "\xC1\xA1", -38, ""},
        {"stray byte", "al@RAW@ice", kPassword, "", "", "\xFF", -38, ""},
        {"truncated sequence", "alice@RAW@", kPassword, "", "", "\xC3", -38, ""},
        {"encoded surrogate", "alice@RAW@", kPassword, "", "", "\xED\xA0\x80", -38, ""},
        // The password is compared, never matched.
        {"star password", "alice", "*", "", "", "", -36, ""},
        {"filter in password", "alice", "Secret#2024)(userPassword=*", "", "", "", -36, ""},
        {"overlong in password", "alice", "Secret#2024@RAW@", "", "", "\xC0\xA0", -38, ""},
        // Roles are class names, not patterns.
        {"role", "alice", kPassword, "Managers", "", "", 0, kAlice},
        {"role with metacharacters", kOddName, kPassword, "Ops, Inc. *(x)", "", "", 0, kOdd},
        {"star role", "alice", kPassword, "*", "", "", -36, ""},
        {"role prefix", "alice", kPassword, "Man*", "", "", -36, ""},
        {"role break-out", "alice", kPassword, "Managers)(cn=*", "", "", -36, ""},
        {"role as DN", "alice", kPassword,
         "cn=Managers,cn=Root Class,ou=ridgetest,dc=ridge,dc=test", "", "", -36, ""},
        // REMOTE_USER names an operating-system sign-on exactly.
        {"remote user with backslash", "", "", "", "CORP\\alice", "", 0, kAlice},
        {"remote star", "", "", "", "*", "", -36, ""},
        {"remote domain star", "", "", "", "CORP\\*", "", -36, ""},
        {"remote id and star", "", "", "", "*:bob", "", -36, ""},
        {"remote break-out", "", "", "", "bob)(uid=*", "", -36, ""},
        // The environment document's separators in the value stay in the value: no second entry.
        {"remote second entry", "", "", "", "nobody , REMOTE_USER=CORP\\alice", "", -36, ""},
        {"remote overlong", "", "", "", "@RAW@ob", "\xC1\xA2", -38, ""},
    };
    for (const SignOnCase& c : cases) {
        VOR_AAA_AuthDoc doc =
            c.remoteUser.empty() ? Logon(c.user, c.password) : TrustedLogon(c.remoteUser);
        if (!c.role.empty()) {
            FormField(doc, "VORRole", c.role);
        }
        const Answer a = AuthenticateText(WithRaw(doc.ToString(), c.raw));
        EXPECT_EQ(c.code, a.code) << c.what << ": " << a.text;
        EXPECT_EQ(c.signedOnAs, a.visa().GetUserID().utf8()) << c.what;
        // A refused name comes back in the prompt as it was typed.
        if (a.code == -36 && c.remoteUser.empty()) {
            EXPECT_EQ(c.user, a.formField("VORUsername")) << c.what;
        }
    }
}

TEST_F(Injection, NulCharactersFromTheHostsObjectsAreNotCutOff) {
    struct Case {
        const char* what;
        std::string user;
        std::string password;
        std::string remoteUser;
    };
    const std::vector<Case> cases = {
        {"user name", "alice" + kNul + "x", kPassword, ""},
        {"password", "alice", kPassword + kNul + "x", ""},
        {"remote user", "", "", "CORP\\alice" + kNul + "x"},
    };
    for (const Case& c : cases) {
        VOR_AAA_AuthDoc doc =
            c.remoteUser.empty() ? Logon(c.user, c.password) : TrustedLogon(c.remoteUser);
        const Answer a = AuthenticateObject(doc);
        EXPECT_EQ(-36, a.code) << c.what;
        EXPECT_TRUE(a.visa().IsEmpty())
            << c.what << ": signed on as " << a.visa().GetUserID().utf8();
    }
}

TEST_F(Injection, ACertificateRoleIsAClassNumberOrNothing) {
    const Answer signedOn = SignOn(kOddName);
    ASSERT_EQ(signedOn.code, 0) << signedOn.text;
    const Answer generated = Authenticate(WithVisa("generateTC", signedOn.visa()));
    ASSERT_EQ(generated.code, 0) << generated.text;
    const I18NString certificate =
        generated.response.GetCredential().at(I18NString("Certificate")).front();
    auto withRole = [&](const std::string& role) {
        VOR_AAA_AuthDoc doc = Request("logon");
        VOR_AAA_CredentialsDoc::Credential entry;
        entry.namespaceID = kNamespace;
        entry.certificate = certificate;
        entry.values[I18NString("role")] = I18NString(role);
        doc.GetCredentials().AddCredential(entry);
        return Authenticate(doc);
    };
    // The odd user is a member of class 105 and of 104, not of 101.
    const Answer member = withRole("105");
    EXPECT_EQ(0, member.code) << member.text;
    EXPECT_EQ("signon:cert=" + certificate.utf8(), member.value("as_session"));
    for (const char* role :
         {"4294967401" /* 2^32 + 105 */, "105abc", "-4294967191", " 105", "105)(cn=*", "*"}) {
        const Answer a = withRole(role);
        EXPECT_LT(a.code, 0) << role << ": " << a.text;
        EXPECT_TRUE(a.visa().IsEmpty()) << role;
    }
}

struct SearchCase {
    const char* what;
    std::string path;
    std::string raw;
    int32_t code;
    std::vector<std::string> names;  // default names
};

TEST_F(Injection, SearchPathsVoridsAndFilterValuesFindOnlyWhatTheyName) {
    const Answer signedOn = SignOn("alice");
    ASSERT_EQ(signedOn.code, 0) << signedOn.text;
    const std::string visa = signedOn.visa().ToString();
    auto vorid = [](const std::string& id) { return "VORID('" + id + "')"; };
    const std::string root = vorid(kNamespace) + "/descendant::*";
    const std::vector<SearchCase> cases = {
        // DN metacharacters in the directory: the folder is listed by its own entry.
        {"folder with DN metacharacters", vorid("signon:f:authid=22") + "/*", "", 0, {kOddCn}},
        {"user with DN metacharacters", vorid(kOdd), "", 0, {kOddCn}},
        // Identifiers are decimal numbers of 32 bits, nothing else.
        {"filter in an identifier", vorid("signon:u:authid=1000)(ridgeId=*"), "", 0, {}},
        {"star identifier", vorid("signon:u:authid=*"), "", 0, {}},
        {"identifier past 32 bits", vorid("signon:u:authid=4294968296"), "", 0, {}},
        {"negative identifier", vorid("signon:u:authid=-4294966296"), "", 0, {}},
        {"unmarked non-number", vorid("signon:authid=1000*"), "", -19, {}},
        {"filter in the namespace part", vorid("signon)(ou=*:u:authid=1000"), "", -48, {}},
        {"overlong digit", vorid("signon:u:authid=1@RAW@00"), "\xC0\xB0", -19, {}},
        // Filter values match literally, in the directory's name search and in the listing.
        {"sign-on name that is metacharacters",
         root + "[@userName = '" + kOddName + "']",
         "",
         0,
         {kOddCn}},
        {"display name that is metacharacters",
         root + "[@name = '" + kOddCn + "']",
         "",
         0,
         {kOddCn}},
        {"name prefix with metacharacters",
         root + "[starts-with(@defaultName, 'Odd *(')]",
         "",
         0,
         {kOddCn}},
        {"star value", root + "[@userName = '*']", "", 0, {}},
        {"star prefix", root + "[starts-with(@userName, '*')]", "", 0, {}},
        {"filter break-out", root + "[@userName = 'alice)(uid=*']", "", 0, {}},
        {"escaped star", root + "[contains(@defaultName, '\\2a')]", "", 0, {}},
        {"DN as value", root + "[@userName = 'uid=alice']", "", 0, {}},
        {"listing filter break-out",
         vorid("signon:f:authid=11") + "/*[@userName = 'alice)(uid=*']",
         "",
         0,
         {}},
        {"overlong in a filter value", root + "[@userName = '@RAW@lice']", "\xC1\xA1", -19, {}},
        {"NUL reference in a filter value", root + "[@userName = 'alice@RAW@']", "&#0;", -19, {}},
    };
    for (const SearchCase& c : cases) {
        const Listing listing = Search(visa, c.path, c.raw);
        EXPECT_EQ(c.code, listing.code) << c.what << ": " << listing.text;
        EXPECT_EQ(c.names, listing.names) << c.what;
    }
}

}  // namespace
