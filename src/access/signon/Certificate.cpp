#include "Certificate.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <charconv>
#include <cstring>
#include <ctime>
#include <vector>

#include "Api.h"
#include "Clock.h"
#include "Directory.h"
#include "Process.h"

namespace ridge::access {

namespace {

constexpr std::string_view kMagic = "RC1";

std::string mac(std::string_view payload, const std::string& key) {
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    if (!HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()),
              reinterpret_cast<const unsigned char*>(payload.data()), payload.size(), out, &len))
        fail(AS_ERR_INTERNAL, "HMAC failed");
    return std::string(reinterpret_cast<char*>(out), len);
}

template <class T>
bool number(std::string_view text, T& out) {
    if (text.empty() || (text.size() > 1 && text[0] == '0'))
        return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::string base64Encode(std::string_view bytes) {
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                            reinterpret_cast<const unsigned char*>(bytes.data()),
                            static_cast<int>(bytes.size()));
    out.resize(static_cast<size_t>(n));
    return out;
}

std::optional<std::string> base64Decode(std::string_view text) {
    if (text.empty() || text.size() % 4 != 0)
        return std::nullopt;
    std::string out(text.size() / 4 * 3, '\0');
    int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                            reinterpret_cast<const unsigned char*>(text.data()),
                            static_cast<int>(text.size()));
    if (n < 0)
        return std::nullopt;
    size_t pad = 0;
    if (text.back() == '=')
        ++pad;
    if (text.size() > 1 && text[text.size() - 2] == '=')
        ++pad;
    out.resize(static_cast<size_t>(n) - pad);
    // Only the canonical encoding is accepted, so no two texts carry the same certificate.
    if (base64Encode(out) != text)
        return std::nullopt;
    return out;
}

std::string makeCertificate(const CertificateClaims& c, const std::string& key) {
    std::string payload = std::string(kMagic) + "\n" + c.namespaceName + "\n" +
                          std::to_string(c.userId) + "\n" + std::to_string(c.userClassId) + "\n" +
                          std::to_string(c.expiry);
    return base64Encode(payload) + "." + base64Encode(mac(payload, key));
}

std::optional<CertificateClaims> verifyCertificate(std::string_view text, const std::string& key,
                                                   int64_t now) {
    size_t dot = text.find('.');
    if (dot == std::string_view::npos)
        return std::nullopt;
    auto payload = base64Decode(text.substr(0, dot));
    auto signature = base64Decode(text.substr(dot + 1));
    if (!payload || !signature)
        return std::nullopt;
    std::string expected = mac(*payload, key);
    if (signature->size() != expected.size() ||
        CRYPTO_memcmp(signature->data(), expected.data(), expected.size()) != 0)
        return std::nullopt;
    std::vector<std::string_view> parts;
    std::string_view rest = *payload;
    for (size_t nl; (nl = rest.find('\n')) != std::string_view::npos; rest = rest.substr(nl + 1))
        parts.push_back(rest.substr(0, nl));
    parts.push_back(rest);
    CertificateClaims c;
    if (parts.size() != 5 || parts[0] != kMagic || parts[1].empty() ||
        !number(parts[2], c.userId) || c.userId == 0 || !number(parts[3], c.userClassId) ||
        !number(parts[4], c.expiry))
        return std::nullopt;
    c.namespaceName = std::string(parts[1]);
    if (now >= c.expiry)
        return std::nullopt;
    return c;
}

}  // namespace ridge::access

using namespace ridge::access;

extern "C" AS_API int32_t AS_GetCertificate(AS_Handle handle, char* certificate) {
    return withHandle(handle, [&](Session& s) {
        if (!certificate)
            fail(AS_ERR_INVALID_ARGUMENT, "certificate");
        s.requireAuthenticated();
        CertificateClaims c;
        c.namespaceName = s.namespaceName();
        c.userId = s.userId();
        c.userClassId = s.userClassId().value_or(0);
        c.expiry = wallClockNow() + Process::instance().settings().certificateLifetime;
        std::string text = makeCertificate(c, Process::instance().certificateKey());
        if (text.size() >= AS_CERTIFICATE_SIZE)
            fail(AS_ERR_BUFFER_TOO_SMALL, "certificate");
        std::memcpy(certificate, text.c_str(), text.size() + 1);
        return AS_OK;
    });
}

extern "C" AS_API int32_t AS_ValidateCertificate(AS_Handle handle, const char* certificate,
                                                 const char* namespaceName, int32_t hasUserClass,
                                                 AS_ObjectId* userClassId, AS_ObjectId* userId) {
    return withHandle(handle, [&](Session& s) {
        if (!certificate || !userClassId || !userId)
            fail(AS_ERR_INVALID_ARGUMENT, "certificate, userClassId, userId");
        std::string ns = s.inText(namespaceName, "namespace");
        s.signOut();
        auto claims =
            verifyCertificate(certificate, Process::instance().certificateKey(), wallClockNow());
        if (!claims || claims->namespaceName != ns)
            fail(AS_ERR_INVALID_CERTIFICATE);
        std::string nsDn = s.requireNamespace(ns);
        const auto userFetched = ReadCache::Clock::now();
        auto user = userById(s, nsDn, claims->userId);
        if (!user)
            fail(AS_ERR_INVALID_CERTIFICATE, "user no longer exists");
        requireUsable(*user, true);
        AS_ObjectId cls = claims->userClassId;
        if (hasUserClass) {
            if (*userClassId == 0)
                fail(AS_ERR_USER_CLASS_NOT_ALLOWED, "user class 0");
            if (cls != 0 && *userClassId != cls)
                fail(AS_ERR_USER_CLASS_NOT_ALLOWED, "not the certificate's user class");
            cls = *userClassId;
        }
        if (cls != 0)
            requireMembership(s, nsDn, cls, user->dn);
        std::optional<AS_ObjectId> chosen;
        if (cls != 0)
            chosen = cls;
        s.signIn(nullptr, ns, claims->userId, *user, userFetched, chosen);
        *userClassId = cls;
        *userId = claims->userId;
        return AS_OK;
    });
}
