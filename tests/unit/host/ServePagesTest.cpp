// HTML built from the provider's prompts and directory answers: every text escaped, the controls
// no browser test reaches (selections, display objects, a password the provider sends back), and
// the authenticate answer's reader. The page wording and layout, and listings read from real
// answers, are the browser tests' work.
#include <gtest/gtest.h>

#include <string>

#include "AccessLog.h"
#include "DirectoryPages.h"
#include "HostError.h"
#include "Html.h"
#include "PageTexts.h"
#include "PromptForm.h"
#include "ProviderAnswers.h"
#include "XmlTree.h"

namespace basalt_host::serve {
namespace {

PromptContext context() {
    return {"/logon", "tok123", &pageTexts("en-us")};
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
    for (const char* markup : {"<script", "<img", "<b>", "<i>", "\" onmouseover"}) {
        EXPECT_EQ(html.find(markup), std::string::npos) << markup << " in " << html;
    }
    EXPECT_NE(html.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
    EXPECT_NE(html.find("user &lt;b&gt;x&lt;/b&gt; &amp; co"), std::string::npos);
    EXPECT_NE(html.find("value=\"a&quot;&gt;&lt;img src=x&gt;\""), std::string::npos);
    std::string off = buttonFormHtml("/logoff", "t\"k", "Sign <off>");
    EXPECT_NE(off.find("value=\"t&quot;k\""), std::string::npos);
    EXPECT_NE(off.find("Sign &lt;off&gt;</button>"), std::string::npos);
}

TEST(PromptRendering, DisplayObjectsSelectionsAndPasswordsBecomeTheirControls) {
    ProviderException prompt;
    prompt.fields = {
        {"display", "VORNamespaceDisplayName", "Namespace:", "Ridge test", {}},
        {"textnoecho", "VOROldPassword", "Old password:", "must-not-show", {}},
        {"singleselect",
         "VORRole",
         "Role:",
         "",
         {{"r1", "Readers", false}, {"r2", "Writers", true}}},
        {"multiselect", "VORGroups", "Groups:", "", {{"g1", "", false}}},
    };
    std::string html = promptHtml(prompt, context());
    // A display object is shown, not submitted.
    EXPECT_NE(html.find(">Ridge test</span>"), std::string::npos);
    EXPECT_EQ(html.find("name=\"VORNamespaceDisplayName\""), std::string::npos);
    // A password is never written back into the page, whatever the provider sends.
    EXPECT_EQ(html.find("must-not-show"), std::string::npos);
    EXPECT_NE(html.find("type=\"password\""), std::string::npos);
    EXPECT_NE(html.find("<option value=\"r2\" selected>Writers</option>"), std::string::npos);
    EXPECT_NE(html.find("<option value=\"r1\">Readers</option>"), std::string::npos);
    EXPECT_NE(html.find("name=\"VORGroups\" multiple>"), std::string::npos);
    EXPECT_NE(html.find(">g1</option>"), std::string::npos);  // no label: its id is shown
}

TEST(AccessLog, OneJsonLineWithEveryStringEscaped) {
    AccessRecord record{"::1", "GET", "/a\"b\\c\x01\x7f",
                        404,   321,   std::chrono::microseconds(12345)};
    // 2026-01-02T03:04:05Z, twice: the second line reuses the second's text.
    const auto at = std::chrono::system_clock::from_time_t(1767323045);
    const std::string expected =
        "{\"time\":\"2026-01-02T03:04:05Z\",\"client\":\"::1\",\"method\":\"GET\",\"path\":"
        "\"/a\\\"b\\\\c\\u0001\\u007f\",\"status\":404,\"bytes\":321,\"ms\":12.345}\n";
    EXPECT_EQ(accessLogLine(record, at), expected);
    EXPECT_EQ(accessLogLine(record, at), expected);
    // The next second is written as such; under a microsecond is 0.000.
    record.took = std::chrono::nanoseconds(400);
    const std::string later = accessLogLine(record, at + std::chrono::seconds(1));
    EXPECT_NE(later.find("03:04:06Z"), std::string::npos) << later;
    EXPECT_NE(later.find("\"ms\":0.000}"), std::string::npos) << later;
}

TEST(PageLanguage, AcceptLanguagePicksTheBestQualityTag) {
    EXPECT_EQ(productLocaleFrom("en;q=0.5, de-CH;q=0.9", "en-us"), "de-ch");
    // Wildcards, refusals, malformed qualities and odd tags are passed over.
    EXPECT_EQ(productLocaleFrom("*, fr;q=0, de;q=2, it;q=abc, <x>, es;q=0.1", "en-us"), "es");
    EXPECT_EQ(productLocaleFrom("", "en-us"), "en-us");
}

TEST(ProviderAnswers, AnAuthenticateResponseYieldsVisaUserCookiesAndPrompt) {
    XercesSession xerces;
    const std::string response =
        "<authenticateResponse xmlns=\"urn:aaa\" xmlns:b=\"urn:b\">"
        "<visa namespaceID='ridge' xmlns:b=\"urn:v\"><object id=\"v1\" class=\"visa\">"
        "<object id=\"ridge:u:authid=1000\" class=\"user\"/><object id=\"r\" class=\"role\"/>"
        "</object><providerSpecificData><as_session>7</as_session></providerSpecificData></visa>"
        "<exception><errorCodeString>vorAuthUserRecoverable</errorCodeString>"
        "<promptInfo><captions><item>Please sign on.</item></captions>"
        "<displayObjects><item><type>singleselect</type><name>VORRole</name>"
        "<caption>Role</caption><promptOptions><item><id>a</id><value>A</value>"
        "<default>true</default></item><item><id>b</id><value>B</value><default>false"
        "</default></item></promptOptions></item></displayObjects></promptInfo></exception>"
        "<bus:hdrSession xmlns:bus=\"urn:bus\"><setCookieVars><item><name>AS_TICKET</name>"
        "<value>abc</value><path>/</path><maxAge>0</maxAge><domain></domain><secure>false"
        "</secure></item></setCookieVars></bus:hdrSession></authenticateResponse>";
    AuthenticateAnswer answer = readAuthenticateResponse(-36, response);
    EXPECT_EQ(answer.userId, "ridge:u:authid=1000");
    // Copied as written, with the declarations in scope that it does not make itself.
    EXPECT_EQ(
        answer.visa.rfind("<visa xmlns=\"urn:aaa\" namespaceID='ridge' xmlns:b=\"urn:v\">", 0), 0u)
        << answer.visa;
    EXPECT_NE(answer.visa.find("<as_session>7</as_session>"), std::string::npos);
    ASSERT_EQ(answer.setCookies.size(), 1u);
    EXPECT_EQ(answer.setCookies[0].maxAge, "0");
    ASSERT_TRUE(answer.exception);
    const ProviderException& failure = *answer.exception;
    ASSERT_EQ(failure.fields.size(), 1u);
    ASSERT_EQ(failure.fields[0].options.size(), 2u);
    EXPECT_TRUE(failure.fields[0].options[0].isDefault);
    EXPECT_FALSE(failure.fields[0].options[1].isDefault);

    // The user is the one the holder (the visa's first object) holds, none further in.
    EXPECT_EQ(readAuthenticateResponse(
                  0,
                  "<authenticateResponse><visa><object class='visa'><object id='u1' "
                  "class='user'/></object><providerSpecificData><object id='u2' class='user'/>"
                  "</providerSpecificData><object><object id='u3' class='user'/></object>"
                  "</visa></authenticateResponse>")
                  .userId,
              "u1");

    EXPECT_THROW(readAuthenticateResponse(0, "<authenticateResponse><visa>"), HostError);
    ProviderException unreadable = readExceptionText("not <xml");
    ASSERT_EQ(unreadable.messages.size(), 1u);
    EXPECT_EQ(unreadable.messages[0].text, "not <xml");
}

ObjectRow row(const std::string& objectClass, const std::string& name, const std::string& path) {
    return {objectClass, path, {{"defaultName", name}, {"searchPath", path}}};
}

TEST(DirectoryPages, TheNameFilterBecomesAQuotedContainsPredicate) {
    EXPECT_EQ(childrenPath("VORID(\"ns\")", ""), "VORID(\"ns\")/*");
    EXPECT_EQ(childrenPath("VORID(\"ns\")", "O'Brien"),
              "VORID(\"ns\")/*[contains(@defaultName, 'O''Brien')]");
}

TEST(DirectoryPages, ListingsAndPropertiesEscapeNamesAndEncodeLinks) {
    ListingView view;
    view.folderPath = "VORID(\"ns:f:authid=30\")";
    view.folderName = "Crowd & <Co>";
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
    EXPECT_NE(html.find("href=\"/browse?folder=VORID%28%22ns%3Af%3Aauthid%3D31%22%29\">Sub</a>"),
              std::string::npos);
    EXPECT_NE(html.find("href=\"/object?path=VORID%28%22ns%3Au%3Aauthid%3D7%22%29&amp;from="),
              std::string::npos);
    // Paging keeps the filter, encoded in the link and escaped in the form.
    EXPECT_NE(html.find("&amp;skip=50&amp;filter=a%26b\">Next page</a>"), std::string::npos);
    EXPECT_NE(html.find("name=\"filter\" value=\"a&amp;b\""), std::string::npos);

    ObjectRow object = row("account", "Odd \"x\"", "VORID(\"ns:u:authid=7\")");
    object.properties.emplace_back("mail", "<a@b>");
    html = propertiesHtml(object, "VORID(\"ns\")", pageTexts("en"));
    EXPECT_NE(html.find("<h1>Odd &quot;x&quot;</h1>"), std::string::npos);
    EXPECT_NE(html.find("<td>&lt;a@b&gt;</td>"), std::string::npos);
}

}  // namespace
}  // namespace basalt_host::serve
