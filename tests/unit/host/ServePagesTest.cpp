// HTML built from the provider's prompts and messages: every text escaped, every display
// object kind rendered as the framework's pages do.
#include <gtest/gtest.h>

#include <string>

#include "DirectoryPages.h"
#include "HostError.h"
#include "Html.h"
#include "PageTexts.h"
#include "PromptForm.h"
#include "ProviderAnswers.h"
#include "XmlTree.h"

namespace basalt_host::serve {
namespace {

std::size_t count(const std::string& text, const std::string& piece) {
    std::size_t n = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos;
         at = text.find(piece, at + piece.size())) {
        ++n;
    }
    return n;
}

PromptContext context() {
    return {"/logon", "tok123", &pageTexts("en-us")};
}

TEST(HtmlEscape, EscapesEveryMarkupCharacterAndKeepsTheRest) {
    EXPECT_EQ(htmlEscape("<a href=\"x\" title='y'>&amp;</a>"),
              "&lt;a href=&quot;x&quot; title=&apos;y&apos;&gt;&amp;amp;&lt;/a&gt;");
    EXPECT_EQ(htmlEscape("Chloé Dupré"), "Chloé Dupré");
    EXPECT_EQ(urlEncode("VORID(\"ns:f:authid=10\")/* a&b"),
              "VORID%28%22ns%3Af%3Aauthid%3D10%22%29%2F%2A%20a%26b");
}

TEST(PromptRendering, HostileTextsFromTheProviderStayText) {
    ProviderException prompt;
    prompt.captions = {"<script>alert(1)</script>"};
    prompt.messages = {{0, "user <b>x</b> & co"}};
    prompt.fields = {
        {"text", "VORUsername\"><script>", "Name\" onmouseover=\"x", "a\"><img src=x>", {}},
        {"display", "VORNamespaceDisplayName", "<i>ns</i>", "<script>bad()</script>", {}},
        {"hidden", "h\"x", "", "v'><script>", {}}};
    std::string html = promptHtml(prompt, context());
    EXPECT_EQ(html.find("<script"), std::string::npos) << html;
    EXPECT_EQ(html.find("<img"), std::string::npos) << html;
    EXPECT_EQ(html.find("<b>"), std::string::npos) << html;
    EXPECT_EQ(html.find("<i>"), std::string::npos) << html;
    EXPECT_EQ(html.find("\" onmouseover"), std::string::npos) << html;
    EXPECT_NE(html.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
    EXPECT_NE(html.find("user &lt;b&gt;x&lt;/b&gt; &amp; co"), std::string::npos);
    EXPECT_NE(html.find("value=\"a&quot;&gt;&lt;img src=x&gt;\""), std::string::npos);
}

TEST(PromptRendering, EachDisplayObjectKindBecomesItsControl) {
    ProviderException prompt;
    prompt.fields = {
        {"hidden", "VORNamespace", "", "ridge", {}},
        {"display", "VORNamespaceDisplayName", "Namespace:", "Ridge test", {}},
        {"text", "VORUsername", "User ID:", "alice", {}},
        {"textnoecho", "VOROldPassword", "Old password:", "must-not-show", {}},
        {"verifytextnoecho", "VORNewPassword", "New password:", "", {}},
        {"verifytextnoecho", "VORNewPassword", "Confirm:", "", {}},
        {"singleselect",
         "VORRole",
         "Role:",
         "",
         {{"r1", "Readers", false}, {"r2", "Writers", true}}},
        {"multiselect", "VORGroups", "Groups:", "", {{"g1", "", false}}},
    };
    std::string html = promptHtml(prompt, context());

    EXPECT_NE(html.find("<input type=\"hidden\" name=\"VORNamespace\" value=\"ridge\">"),
              std::string::npos);
    // A display object is shown, not submitted.
    EXPECT_NE(html.find(">Ridge test</span>"), std::string::npos);
    EXPECT_EQ(html.find("name=\"VORNamespaceDisplayName\""), std::string::npos);
    EXPECT_NE(html.find("type=\"text\" id=\"field2\" name=\"VORUsername\" value=\"alice\""),
              std::string::npos);
    EXPECT_NE(html.find("<label for=\"field2\">User ID:</label>"), std::string::npos);
    // Passwords are never written back into the page.
    EXPECT_EQ(html.find("must-not-show"), std::string::npos);
    EXPECT_EQ(count(html, "type=\"password\""), 3u);
    EXPECT_EQ(count(html, "name=\"VORNewPassword\""), 2u);
    EXPECT_EQ(count(html, "autocomplete=\"new-password\""), 2u);
    EXPECT_NE(html.find("<option value=\"r2\" selected>Writers</option>"), std::string::npos);
    EXPECT_NE(html.find("<option value=\"r1\">Readers</option>"), std::string::npos);
    EXPECT_NE(html.find("name=\"VORGroups\" multiple>"), std::string::npos);
    EXPECT_NE(html.find(">g1</option>"), std::string::npos);  // no label: its id is shown
    // Focus goes to the first field a person still has to type into (the user ID is filled
    // in already, as after a wrong password), once.
    EXPECT_EQ(count(html, " autofocus"), 1u);
    EXPECT_GT(html.find(" autofocus"), html.find("name=\"VOROldPassword\""));
    EXPECT_LT(html.find(" autofocus"), html.find("name=\"VORNewPassword\""));
    // A form that asks for a new password says so on its button.
    EXPECT_NE(html.find(">Change password</button>"), std::string::npos);
}

TEST(PromptRendering, AFailureTheCaptionSaysIsNotRepeatedAsAMessage) {
    ProviderException prompt;
    prompt.captions = {"The user ID or password is not valid. Please type them again."};
    prompt.messages = {{0, "You could not be signed on."},
                       {1, "The user ID or password is not valid."}};
    prompt.fields = {{"textnoecho", "VORPassword", "Password:", "", {}}};
    std::string html = promptHtml(prompt, context());
    EXPECT_EQ(count(html, "is not valid"), 1u);
    EXPECT_EQ(count(html, "You could not be signed on."), 1u);
}

TEST(PromptRendering, TheFormCarriesTheSessionTokenAndPostsToTheGateway) {
    ProviderException prompt;
    prompt.fields = {{"textnoecho", "VORPassword", "Password:", "", {}}};
    std::string html = promptHtml(prompt, context());
    EXPECT_NE(html.find("<form class=\"prompt\" method=\"post\" action=\"/logon\">"),
              std::string::npos);
    EXPECT_NE(html.find("<input type=\"hidden\" name=\"basalt_csrf\" value=\"tok123\">"),
              std::string::npos);
    std::string off = buttonFormHtml("/logoff", "t\"k", "Sign <off>");
    EXPECT_NE(off.find("value=\"t&quot;k\""), std::string::npos);
    EXPECT_NE(off.find("Sign &lt;off&gt;</button>"), std::string::npos);
}

TEST(PromptRendering, NestedMessagesAreMarkedAndAnEmptyListWritesNothing) {
    EXPECT_EQ(messagesHtml({}), "");
    std::string html = messagesHtml({{0, "Failed."}, {1, "Because."}});
    EXPECT_NE(html.find("<li>Failed.</li><li class=\"nested\">Because.</li>"), std::string::npos);
}

TEST(PageLanguage, AcceptLanguagePicksTheBestQualityTag) {
    EXPECT_EQ(productLocaleFrom("fr-FR,fr;q=0.9,en;q=0.8", "en-us"), "fr-fr");
    EXPECT_EQ(productLocaleFrom("en;q=0.5, de-CH;q=0.9", "en-us"), "de-ch");
    EXPECT_EQ(productLocaleFrom("da, en-gb;q=0.8", "en-us"), "da");
    EXPECT_EQ(productLocaleFrom("en;q=0.7,fr;q=0.7", "x"), "en");  // a tie keeps the first
    // Wildcards, refusals, malformed qualities and odd tags are passed over.
    EXPECT_EQ(productLocaleFrom("*, fr;q=0, de;q=2, it;q=abc, <x>, es;q=0.1", "en-us"), "es");
    EXPECT_EQ(productLocaleFrom("", "en-us"), "en-us");
    EXPECT_EQ(productLocaleFrom("fr_CA", "en-us"), "fr-ca");
    EXPECT_STREQ(pageTexts("fr-ca").lang, "fr");
    EXPECT_STREQ(pageTexts("fr").lang, "fr");
    EXPECT_STREQ(pageTexts("fro").lang, "en");
    EXPECT_STREQ(pageTexts("de-de").lang, "en");
}

TEST(ProviderAnswers, AnAuthenticateResponseYieldsVisaUserCookiesAndPrompt) {
    XercesSession xerces;
    const std::string response =
        "<authenticateResponse xmlns=\"urn:aaa\" xmlns:b=\"urn:b\">"
        "<visa namespaceID='ridge' xmlns:b=\"urn:v\"><object id=\"v1\" class=\"visa\">"
        "<object id=\"ridge:u:authid=1000\" class=\"user\"/><object id=\"r\" class=\"role\"/>"
        "</object><providerSpecificData><as_session>7</as_session></providerSpecificData></visa>"
        "<exception><errorCodeString>vorAuthUserRecoverable</errorCodeString>"
        "<messages><item><messageString>Bad</messageString></item>"
        "<item><nestingLevel>2</nestingLevel><messageString>Worse</messageString></item>"
        "</messages><promptInfo><captions><item>Please sign on.</item></captions>"
        "<displayObjects><item><type>singleselect</type><name>VORRole</name>"
        "<caption>Role</caption><promptOptions><item><id>a</id><value>A</value>"
        "<default>true</default></item><item><id>b</id><value>B</value><default>false"
        "</default></item></promptOptions></item></displayObjects></promptInfo></exception>"
        "<bus:hdrSession xmlns:bus=\"urn:bus\"><setCookieVars><item><name>AS_TICKET</name>"
        "<value>abc</value><path>/</path><maxAge>0</maxAge><domain></domain><secure>false"
        "</secure></item></setCookieVars></bus:hdrSession></authenticateResponse>";
    AuthenticateAnswer answer = readAuthenticateResponse(-36, response);
    EXPECT_EQ(answer.code, -36);
    EXPECT_EQ(answer.userId, "ridge:u:authid=1000");
    // Copied as written, with the declarations in scope that it does not make itself.
    EXPECT_EQ(
        answer.visa.rfind("<visa xmlns=\"urn:aaa\" namespaceID='ridge' xmlns:b=\"urn:v\">", 0), 0u)
        << answer.visa;
    EXPECT_NE(answer.visa.find("<as_session>7</as_session>"), std::string::npos);
    ASSERT_EQ(answer.setCookies.size(), 1u);
    EXPECT_EQ(answer.setCookies[0].value, "abc");
    EXPECT_EQ(answer.setCookies[0].maxAge, "0");
    ASSERT_TRUE(answer.exception);
    const ProviderException& failure = *answer.exception;
    EXPECT_EQ(failure.captions, std::vector<std::string>{"Please sign on."});
    ASSERT_EQ(failure.messages.size(), 2u);
    EXPECT_EQ(failure.messages[1].level, 2);
    ASSERT_EQ(failure.fields.size(), 1u);
    ASSERT_EQ(failure.fields[0].options.size(), 2u);
    EXPECT_TRUE(failure.fields[0].options[0].isDefault);
    EXPECT_FALSE(failure.fields[0].options[1].isDefault);

    EXPECT_THROW(readAuthenticateResponse(0, "<authenticateResponse><visa>"), HostError);
    ProviderException unreadable = readExceptionText("not <xml");
    ASSERT_EQ(unreadable.messages.size(), 1u);
    EXPECT_EQ(unreadable.messages[0].text, "not <xml");
}

TEST(ProviderAnswers, ASearchResponseYieldsRowsAndTheFirstObjectsAncestors) {
    SearchAnswer answer = readSearchResponse(
        "<cm:queryResponse xmlns:cm=\"urn:aaa\" xmlns:xsi=\"urn:xsi\"><queryResult>"
        "<item xsi:type=\"cm:namespaceFolder\" searchPath=\"VORID(&quot;f2&quot;)\">"
        "<schemaInfo><x/></schemaInfo><defaultName><value>\xC3\x89quipe</value></defaultName>"
        "<ancestors><value><item><title>Top</title><objectClass>namespace</objectClass>"
        "<searchPath>VORID(\"ns\")</searchPath></item><item><title>A &amp; B</title>"
        "<objectClass>namespaceFolder</objectClass><searchPath>p2</searchPath></item>"
        "</value></ancestors></item><item xsi:type=\"cm:account\" searchPath=\"u7\">"
        "<ancestors><value><item><title>Other</title><objectClass>namespace</objectClass>"
        "<searchPath>o</searchPath></item></value></ancestors></item></queryResult>"
        "</cm:queryResponse>");
    ASSERT_EQ(answer.rows.size(), 2u);
    EXPECT_EQ(answer.rows[0].objectClass, "namespaceFolder");
    EXPECT_EQ(answer.rows[0].searchPath, "VORID(\"f2\")");
    EXPECT_EQ(answer.rows[0].value("defaultName"), "\xC3\x89quipe");
    EXPECT_EQ(answer.rows[0].value("schemaInfo"), "");
    EXPECT_EQ(answer.rows[0].value("ancestors"), "Top [VORID(\"ns\")] > A & B [p2]");
    using Ancestors = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(answer.ancestors, (Ancestors{{"Top", "VORID(\"ns\")"}, {"A & B", "p2"}}));
    EXPECT_TRUE(readSearchResponse("<queryResponse/>").rows.empty());
    EXPECT_THROW(readSearchResponse("<queryResponse><queryResult></queryResponse>"), HostError);
}

ObjectRow row(const std::string& objectClass, const std::string& name, const std::string& path) {
    return {objectClass, path, {{"defaultName", name}, {"searchPath", path}}};
}

TEST(DirectoryPages, TheNameFilterBecomesAQuotedContainsPredicate) {
    EXPECT_EQ(childrenPath("VORID(\"ns\")", ""), "VORID(\"ns\")/*");
    EXPECT_EQ(childrenPath("VORID(\"ns\")", "O'Brien"),
              "VORID(\"ns\")/*[contains(@defaultName, 'O''Brien')]");
}

TEST(DirectoryPages, AListingLinksContainersToListingsAndAccountsToProperties) {
    ListingView view;
    view.folderPath = "VORID(\"ns:f:authid=30\")";
    view.folderName = "Crowd & <Co>";
    view.ancestors = {{"Ridge", "VORID(\"ns\")"}};
    view.rows = {row("namespaceFolder", "Sub", "VORID(\"ns:f:authid=31\")"),
                 row("account", "<script>alert('x')</script>", "VORID(\"ns:u:authid=7\")")};
    view.skip = 25;
    view.pageSize = 25;
    view.more = true;
    view.filter = "a&b";
    std::string html = listingHtml(view, pageTexts("en"));

    EXPECT_EQ(html.find("<script"), std::string::npos) << html;
    EXPECT_NE(html.find("&lt;script&gt;alert(&apos;x&apos;)&lt;/script&gt;</a>"),
              std::string::npos);
    EXPECT_NE(html.find("<h1>Crowd &amp; &lt;Co&gt;</h1>"), std::string::npos);
    EXPECT_NE(html.find("href=\"/browse?folder=VORID%28%22ns%22%29\">Ridge</a>"),
              std::string::npos);
    EXPECT_NE(html.find("href=\"/browse?folder=VORID%28%22ns%3Af%3Aauthid%3D31%22%29\">Sub</a>"),
              std::string::npos);
    EXPECT_NE(html.find("href=\"/object?path=VORID%28%22ns%3Au%3Aauthid%3D7%22%29&amp;from="),
              std::string::npos);
    // Paging keeps the folder and the filter; the range counts from one.
    EXPECT_NE(html.find("rel=\"prev\" href=\"/browse?folder=VORID%28%22ns%3Af%3Aauthid%3D30%22%29"
                        "&amp;filter=a%26b\""),
              std::string::npos)
        << html;
    EXPECT_NE(html.find("&amp;skip=50&amp;filter=a%26b\">Next page</a>"), std::string::npos);
    EXPECT_NE(html.find("objects 26&ndash;27"), std::string::npos);
    EXPECT_NE(html.find("name=\"filter\" value=\"a&amp;b\""), std::string::npos);

    view.skip = 0;
    view.more = false;
    view.rows.clear();
    html = listingHtml(view, pageTexts("fr-fr"));
    EXPECT_EQ(html.find("rel=\"prev\""), std::string::npos);
    EXPECT_EQ(html.find("rel=\"next\""), std::string::npos);
    EXPECT_NE(html.find("Aucun objet."), std::string::npos);
}

TEST(DirectoryPages, PropertiesAreEscapedInATable) {
    ObjectRow object = row("account", "Odd \"x\"", "VORID(\"ns:u:authid=7\")");
    object.properties.emplace_back("mail", "<a@b>");
    std::string html = propertiesHtml(object, "VORID(\"ns\")", pageTexts("en"));
    EXPECT_NE(html.find("<h1>Odd &quot;x&quot;</h1>"), std::string::npos);
    EXPECT_NE(html.find("<tr><th scope=\"row\">mail</th><td>&lt;a@b&gt;</td></tr>"),
              std::string::npos);
    EXPECT_NE(html.find(">Up</a>"), std::string::npos);
}

}  // namespace
}  // namespace basalt_host::serve
