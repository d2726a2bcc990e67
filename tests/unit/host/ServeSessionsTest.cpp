// Browser sessions, their form-protection tokens, and the cookies the gateway sets.
#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
#include <vector>

#include "HttpCookies.h"
#include "WebSessions.h"

namespace basalt_host::serve {
namespace {

using namespace std::chrono_literals;
using Clock = SessionStore::Clock;

TEST(FormTokens, TokensAreLongAndDistinctAndOnlyTheExactOneIsAccepted) {
    std::set<std::string> seen;
    for (int i = 0; i < 100; ++i) {
        std::string token = randomToken();
        EXPECT_EQ(token.size(), 64u);
        EXPECT_EQ(token.find_first_not_of("0123456789abcdef"), std::string::npos);
        seen.insert(token);
    }
    EXPECT_EQ(seen.size(), 100u);

    const std::string token = *seen.begin();
    std::string flipped = token;
    flipped.back() = flipped.back() == 'a' ? 'b' : 'a';
    EXPECT_TRUE(tokensEqual(token, token));
    for (const std::string& other : {token.substr(0, 63), token + "0", flipped}) {
        EXPECT_FALSE(tokensEqual(token, other)) << other;
    }
    EXPECT_FALSE(tokensEqual("", ""));  // a session without a token accepts nothing
}

// Session fixation: an identifier the store did not make is never adopted, and sign-on renews
// both the identifier and the form token.
TEST(SessionStore, OnlyItsOwnIdentifiersAreFoundAndRenewingForgetsTheOldOne) {
    SessionStore store(30min, 10);
    SessionStore::Found found = store.findOrCreate("");
    EXPECT_TRUE(found.created);
    EXPECT_EQ(store.findOrCreate(found.id).slot, found.slot);

    SessionStore::Found planted = store.findOrCreate("attacker-chosen");
    EXPECT_TRUE(planted.created);
    EXPECT_NE(planted.id, "attacker-chosen");
    EXPECT_NE(planted.slot->session.csrfToken, found.slot->session.csrfToken);

    const std::string oldToken = found.slot->session.csrfToken;
    const std::string renewed = store.renew(found.id, *found.slot);
    EXPECT_NE(renewed, found.id);
    EXPECT_NE(found.slot->session.csrfToken, oldToken);
    EXPECT_EQ(store.findOrCreate(renewed).slot, found.slot);
    EXPECT_TRUE(store.findOrCreate(found.id).created);
}

// Idle sessions end when the browser comes back and in the sweep, without waiting for it; each
// signed-on one hands its visa back once so that the gateway ends it in the provider.
TEST(SessionStore, IdleSessionsEndAndTheirVisasAreHandedBackForEnding) {
    SessionStore store(30min, 10);
    const Clock::time_point start = Clock::now();
    SessionStore::Found returning = store.findOrCreate("", start);
    returning.slot->session.namespaceId = "ridge";
    returning.slot->session.visa = "<visa back/>";
    SessionStore::Found anonymous = store.findOrCreate("", start);
    SessionStore::Found idle = store.findOrCreate("", start);
    idle.slot->session.namespaceId = "ridge";
    idle.slot->session.visa = "<visa idle/>";
    const std::string idleId = store.renew(idle.id, *idle.slot);

    // Used within the limit: still alive, and its clock restarts.
    EXPECT_FALSE(store.findOrCreate(returning.id, start + 29min).created);
    store.removeIdle(start + 31min);
    auto abandoned = store.takeAbandonedVisas();
    ASSERT_EQ(abandoned.size(), 1u);
    EXPECT_EQ(abandoned[0], std::make_pair(std::string("ridge"), std::string("<visa idle/>")));
    EXPECT_TRUE(store.findOrCreate(idleId, start + 32min).created);
    EXPECT_FALSE(store.findOrCreate(returning.id, start + 58min).created);

    EXPECT_TRUE(store.findOrCreate(returning.id, start + 89min).created);
    EXPECT_TRUE(store.findOrCreate(anonymous.id, start + 89min).created);
    abandoned = store.takeAbandonedVisas();
    ASSERT_EQ(abandoned.size(), 1u);  // only the signed-on one has something to end
    EXPECT_EQ(abandoned[0].second, "<visa back/>");
    EXPECT_TRUE(store.takeAbandonedVisas().empty());
}

TEST(SessionStore, AnonymousSessionsMakeRoomAmongThemselvesOnly) {
    SessionStore store(30min, 2);
    const Clock::time_point start = Clock::now();
    SessionStore::Found first = store.findOrCreate("", start);
    first.slot->session.visa = "<visa a/>";
    const std::string signedOn = store.renew(first.id, *first.slot);
    SessionStore::Found b = store.findOrCreate("", start + 1s);

    // A flood of anonymous requests: each pushes out the oldest anonymous session, never the
    // signed-on one, however long it has waited.
    for (int i = 0; i < 50; ++i) {
        store.findOrCreate("", start + 4s + std::chrono::seconds(i));
    }
    EXPECT_EQ(store.size(), 3u);
    EXPECT_EQ(store.signedOnCount(), 1u);
    EXPECT_FALSE(store.findOrCreate(signedOn, start + 60s).created);
    EXPECT_TRUE(store.findOrCreate(b.id, start + 60s).created);
    EXPECT_TRUE(store.takeAbandonedVisas().empty());  // the ones dropped held no visa

    // The one that makes room is the one used longest ago, not the one made first: a browser
    // that keeps coming back keeps its session through the flood.
    SessionStore::Found returning = store.findOrCreate("", start + 60s);
    for (int i = 0; i < 50; ++i) {
        EXPECT_FALSE(
            store.findOrCreate(returning.id, start + 61s + std::chrono::seconds(i)).created);
        store.findOrCreate("", start + 61s + std::chrono::seconds(i));
    }
    EXPECT_FALSE(store.findOrCreate(returning.id, start + 120s).created);
    EXPECT_EQ(store.size(), 3u);

    // Signed off or renewed, a session leaves the anonymous ones' count: two new anonymous
    // sessions then fit beside the signed-on ones.
    const std::string second = store.renew(returning.id, *returning.slot);
    EXPECT_EQ(store.signedOnCount(), 2u);
    store.remove(signedOn);
    EXPECT_EQ(store.signedOnCount(), 1u);
    SessionStore::Found c = store.findOrCreate("", start + 121s);
    SessionStore::Found d = store.findOrCreate("", start + 122s);
    EXPECT_FALSE(store.findOrCreate(c.id, start + 123s).created);
    EXPECT_FALSE(store.findOrCreate(second, start + 123s).created);
    EXPECT_EQ(store.size(), 3u);
    EXPECT_FALSE(store.findOrCreate(d.id, start + 124s).created);
}

// One account signing on again and again keeps at most its limit of sessions: the oldest
// ends (its visa handed back for ending), other accounts keep theirs, and a session signed
// off frees its place.
TEST(SessionStore, AnAccountKeepsAtMostItsLimitOfSessions) {
    SessionStore store(30min, 100, 2);
    auto signOn = [&](const std::string& account, const std::string& visa) {
        SessionStore::Found found = store.findOrCreate("");
        found.slot->session.namespaceId = "ridge";
        found.slot->session.visa = visa;
        return store.renew(found.id, *found.slot, account);
    };
    const std::string first = signOn("ridge/7", "<visa 1/>");
    const std::string other = signOn("ridge/8", "<visa other/>");
    const std::string second = signOn("ridge/7", "<visa 2/>");
    EXPECT_TRUE(store.takeAbandonedVisas().empty());
    const std::string third = signOn("ridge/7", "<visa 3/>");
    auto ended = store.takeAbandonedVisas();
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].second, "<visa 1/>");
    EXPECT_TRUE(store.findOrCreate(first).created);
    for (const std::string& kept : {other, second, third}) {
        EXPECT_FALSE(store.findOrCreate(kept).created);
    }
    EXPECT_EQ(store.signedOnCount(), 3u);

    store.remove(second);
    signOn("ridge/7", "<visa 4/>");
    EXPECT_TRUE(store.takeAbandonedVisas().empty());
    EXPECT_FALSE(store.findOrCreate(third).created);
}

TEST(Cookies, ProviderCookiesGetTheirAttributesAndNoneOfTheirOwn) {
    EXPECT_EQ(setCookieHeader({"AS_TICKET", "t1", "/app", "3600", "example.test", "TRUE"}),
              "AS_TICKET=t1; Path=/app; Domain=example.test; Max-Age=3600; Secure; HttpOnly; "
              "SameSite=Lax");
    EXPECT_EQ(setCookieHeader({"AS_TICKET", "t1", "/", "-1", "", ""}),
              "AS_TICKET=t1; Path=/; Max-Age=0; Expires=Thu, 01 Jan 1970 00:00:00 GMT; HttpOnly; "
              "SameSite=Lax");
    // Fields that would add attributes, or headers, of their own.
    for (const SetCookieVar& cookie :
         std::vector<SetCookieVar>{{"AS_TICKET", "t; Domain=evil.test", "/", "0", "", ""},
                                   {"AS_TICKET", "t\r\nSet-Cookie: x=y", "/", "0", "", ""},
                                   {"AS_TICKET", "t", "/; SameSite=None", "0", "", ""},
                                   {"AS_TICKET", "t", "/", "0", "a.test; Secure", ""},
                                   {"AS_TICKET", "t", "/", "1; Domain=x", "", ""},
                                   {"AS=TICKET", "t", "/", "0", "", ""}}) {
        EXPECT_FALSE(setCookieHeader(cookie)) << cookie.name << "=" << cookie.value;
    }
    // The gateway's own cookie, deleted at sign-off, Secure when the gateway is told so.
    EXPECT_EQ(sessionCookieHeader("basalt_session", "", true),
              "basalt_session=; Path=/; Max-Age=0; Expires=Thu, 01 Jan 1970 00:00:00 GMT; Secure; "
              "HttpOnly; SameSite=Lax");
}

}  // namespace
}  // namespace basalt_host::serve
