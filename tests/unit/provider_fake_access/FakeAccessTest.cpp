// Sign-on paths that a real directory cannot be made to take on demand, against a fake access
// library: this program defines the AS_* calls the provider makes, and the linker binds the
// provider's calls to them instead of libAccessAPI.so's. Each test sets what the fake answers
// and reads back the calls it received.
#include "ScratchHome.h"
#include "audit/CallTrace.h"
#include "namespace/BasaltNamespace.h"
#include "process/BasaltProvider.h"
#include "session/BasaltSession.h"

#include <AccessAPI.h>
#include <VOR_AAA_AdditionalInfo.h>
#include <VOR_AAA_Exception.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

namespace {

struct Fake {
    std::vector<std::string> calls;
    int32_t changeResult = 0;
    int32_t forceResult = 0;
    int32_t authenticateResult = 0;
    int32_t refreshResult = 0;
    std::string sessionError;
    std::vector<std::string> passwords;  // what the password calls received, in order
};
Fake g_fake;

// As the library does: a text that does not fit fills the buffer to its last byte (even inside a
// character) and is reported as too small.
int32_t CopyErrorText(char* buffer, int32_t size) {
    const std::string& text = g_fake.sessionError;
    const std::size_t fit = std::min(text.size(), static_cast<std::size_t>(size) - 1);
    std::memcpy(buffer, text.data(), fit);
    buffer[fit] = '\0';
    return fit < text.size() ? AS_ERR_BUFFER_TOO_SMALL : 0;
}

}  // namespace

extern "C" {
int32_t AS_TesselProcessInitialize2(const char*, const char* const*) {
    return 0;
}
int32_t AS_TesselProcessTerminate(const char*) {
    return 0;
}
int32_t AS_SetTemporaryRuntimeConfig(const char*, uint32_t) {
    return 0;
}
int32_t AS_SetSystemEncoding(const char*) {
    return 0;
}
int32_t AS_GetSystemEncoding(char* buffer) {
    std::strcpy(buffer, "utf8");
    return 0;
}
int32_t AS_Init(AS_Version, AS_Handle* handle, uint32_t) {
    static AS_Handle next = 1;
    *handle = next++;
    g_fake.calls.push_back("AS_Init");
    return 0;
}
int32_t AS_Terminate(AS_Handle) {
    g_fake.calls.push_back("AS_Terminate");
    return 0;
}
int32_t AS_GetRuntimeConfigSize(int32_t* size) {
    *size = 2;
    return 0;
}
int32_t AS_GetRuntimeConfig(char* buffer, int32_t, int32_t* used) {
    std::strcpy(buffer, "x");
    *used = 2;
    return 0;
}
int32_t AS_GetNamespaceProperties2(AS_Handle, const char*, ...) {
    return 0;
}
int32_t AS_ChangeExpiredBasicSignonPassword(AS_Handle, const char*, const char*, const char* oldPw,
                                            const char* newPw) {
    g_fake.calls.push_back("AS_ChangeExpiredBasicSignonPassword");
    g_fake.passwords.push_back(std::string(oldPw) + "->" + newPw);
    return g_fake.changeResult;
}
int32_t AS_ForceChangeBasicSignonPassword(AS_Handle, const char*, const char*, const char* oldPw,
                                          const char* newPw) {
    g_fake.calls.push_back("AS_ForceChangeBasicSignonPassword");
    g_fake.passwords.push_back(std::string(oldPw) + "->" + newPw);
    return g_fake.forceResult;
}
int32_t AS_GetSessionLastErrorMsgWithLang(AS_Handle, char* buffer, int32_t size, const char*) {
    g_fake.calls.push_back("AS_GetSessionLastErrorMsgWithLang");
    return CopyErrorText(buffer, size);
}
int32_t AS_GetLastServer(char* buffer, int32_t) {
    buffer[0] = '\0';
    return 0;
}
int32_t AS_GetLastErrorMsgWithLang(char* buffer, int32_t size, const char*) {
    return CopyErrorText(buffer, size);
}
int32_t AS_AuthenticateUser2(AS_Handle, const char*, const char*, const char*, const char*,
                             AS_ObjectId* id, char*) {
    g_fake.calls.push_back("AS_AuthenticateUser2");
    if (g_fake.authenticateResult == 0) {
        *id = 77;
    }
    return g_fake.authenticateResult;
}
int32_t AS_RefreshTicket(AS_Handle, const char*) {
    g_fake.calls.push_back("AS_RefreshTicket");
    return g_fake.refreshResult;
}
}

namespace {

// Message texts come from the catalogue of a private copy of the home directory.
::testing::Environment* const g_home =
    ::testing::AddGlobalTestEnvironment(new provider_test::ScratchHome);

class FakeAccess : public ::testing::Test {
protected:
    void SetUp() override {
        g_fake = Fake();
        BasaltNamespace::Settings s;
        s.identifier = "ns";
        s.displayName = "Namespace";
        s.host = "fake.example";
        s.port = 389;
        s.baseDN = "dc=fake";
        s.directoryNamespace = "fake";
        ns = std::make_unique<BasaltNamespace>(provider, s, VOR_AAA_AdditionalInfo());
        g_fake.calls.clear();
    }
    void TearDown() override {
        ns.reset();
        provider.Teardown();
    }

    // "ann" signed on by password through the fake library (authenticated unless the fake's
    // answer says otherwise).
    std::unique_ptr<BasaltSession> SignOnAnn() {
        const TraceScope trace(nullptr, VOR_AAA_AdditionalInfo());
        I18NString ticket;
        return BasaltSession::CreateFromCredential(trace, provider, *ns, "ann", "pw", "all",
                                                   "logon", ticket);
    }

    BasaltProvider provider;
    std::unique_ptr<BasaltNamespace> ns;
};

// A change the library refuses with -37 (user not found) is forced, and only the forced result
// counts; other refusals are not forced and raise by their code.
TEST_F(FakeAccess, AnExpiredPasswordChangeIsForcedOnlyAfterMinus37) {
    g_fake.changeResult = AS_ERR_USER_NOT_FOUND;
    ns->ChangeExpiredPassword("ann", "old", "new", "logonAs");
    EXPECT_EQ(g_fake.calls,
              (std::vector<std::string>{"AS_Init", "AS_ChangeExpiredBasicSignonPassword",
                                        "AS_ForceChangeBasicSignonPassword", "AS_Terminate"}));
    EXPECT_EQ(g_fake.passwords, (std::vector<std::string>{"old->new", "old->new"}));
    g_fake.forceResult = AS_ERR_BAD_CREDENTIALS;
    EXPECT_THROW(ns->ChangeExpiredPassword("ann", "old", "new", "logonAs"),
                 VOR_AAA_AuthUserRecoverableException_ChangePassword2);

    g_fake = Fake();
    g_fake.changeResult = AS_ERR_SERVER;
    EXPECT_THROW(ns->ChangeExpiredPassword("ann", "old", "new", "logonAs"),
                 VOR_AAA_AuthUnrecoverableException);
    g_fake.changeResult = AS_ERR_INTERNAL;
    EXPECT_THROW(ns->ChangeExpiredPassword("ann", "old", "new", "logonAs"),
                 VOR_AAA_AuthUserRecoverableException_LogonAs);
    EXPECT_EQ(
        std::count(g_fake.calls.begin(), g_fake.calls.end(), "AS_ForceChangeBasicSignonPassword"),
        0);
}

// The library's text of a refused change belongs to the temporary handle: it is read before the
// handle goes, enlarging the buffer as the library asks. 347 bytes whose two-byte characters
// start at odd offsets (a 255-byte buffer is cut at 253) arrive whole; past three enlargements
// (2040 bytes) the text stays cut, and the character the last byte cut into is dropped rather
// than sent on half.
TEST_F(FakeAccess, TheRefusedChangesTextIsReadWholeUpToItsBound) {
    const std::string policy = "The new password does not meet the password policy of ns1";
    std::string shortText = policy + ": ";
    std::string longText = policy + "0: ";
    for (int i = 0; i < 144; ++i) {
        shortText += "\xC3\xA9";  // é
    }
    for (int i = 0; i < 2000; ++i) {
        longText += "\xC3\xA9";  // at even offsets: the 2039th byte is the first half of one
    }
    ASSERT_EQ(shortText.size(), 347u);
    const std::tuple<std::string, std::string, long> cases[] = {
        {"The new password is too short.", "The new password is too short.", 1},
        {shortText, shortText, 2},
        {longText, longText.substr(0, 2038), 4}};
    for (const auto& [text, arrives, reads] : cases) {
        SCOPED_TRACE(text.size());
        g_fake.calls.clear();
        g_fake.changeResult = AS_ERR_PASSWORD_QUALITY;
        g_fake.sessionError = text;
        try {
            ns->ChangeExpiredPassword("ann", "old", "new", "logonAs");
            ADD_FAILURE() << "a refused change raised nothing";
        } catch (VOR_AAA_AuthUserRecoverableException_ChangePassword2& e) {
            EXPECT_EQ(e.getMessageN(0).getComponents().getParm(0).toText().utf8(), arrives);
        }
        EXPECT_EQ(g_fake.calls.front(), "AS_Init");
        EXPECT_EQ(g_fake.calls.back(), "AS_Terminate");
        EXPECT_EQ(std::count(g_fake.calls.begin(), g_fake.calls.end(),
                             "AS_GetSessionLastErrorMsgWithLang"),
                  reads);
    }
}

TEST_F(FakeAccess, ACredentialLogonTheLibraryAnswersWithMinus147GoesOnUnauthenticated) {
    g_fake.authenticateResult = -147;
    auto session = SignOnAnn();
    ASSERT_TRUE(session);
    EXPECT_FALSE(session->IsHandleAuthenticated());
    EXPECT_EQ(session->GetUserId(), 0u);
    EXPECT_EQ(session->GetIdentifier(), I18NString("ns:user=0"));
    // Nothing is called on a handle that is not signed on.
    I18NString certificate = "unchanged";
    session->GetCertificate(certificate);
    EXPECT_EQ(certificate, I18NString("unchanged"));
}

TEST_F(FakeAccess, TicketRefreshFailuresRaiseOnlyWhenAsked) {
    auto session = SignOnAnn();
    ASSERT_TRUE(session->IsHandleAuthenticated());
    const std::pair<int32_t, const char*> rows[] = {
        {AS_ERR_TICKET_EXPIRED, "The ticket has expired."},
        {AS_ERR_UNKNOWN_TICKET, "The ticket is not known."},
        {AS_ERR_TICKET_NOT_REFRESHABLE, "The ticket cannot be refreshed."},
        {AS_ERR_SERVER, "A library call failed: -61, AS_RefreshTicket."}};
    for (const auto& [code, text] : rows) {
        g_fake.refreshResult = code;
        EXPECT_EQ(session->RefreshTicket("t", false), code);
        try {
            session->RefreshTicket("t", true);
            FAIL() << code;
        } catch (VOR_AAA_AuthUnrecoverableException& e) {
            ASSERT_EQ(e.getMessageCount(), 3u);
            EXPECT_EQ(e.getMessageNestingLevelN(2), 2);
            EXPECT_EQ(e.renderMessageN(2, "en"), I18NString(text)) << code;
        }
    }
}

}  // namespace
