#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "TempDirectory.h"
#include "VOR_Crypto_Interface.h"

namespace {

const char* const kInitialize =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><initializeDocument>\n\t"
    "<serviceID>VOR_AAA_EncryptionManager</serviceID>\n</initializeDocument>";
const char* const kSetInfo =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><setInfoDocument><action>"
    "CSKEncrypt</action><dataLocation>memory</dataLocation></setInfoDocument>";
const char* const kTerminate =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><terminateDocument><serviceID>"
    "VOR_AAA_EncryptionManager</serviceID></terminateDocument>";
const char* const kService = "VOR_AAA_EncryptionManager";

std::string takeText(char* buffer) {
    std::string text = buffer != nullptr ? buffer : "";
    EXPECT_EQ(VOR_CryptoFree(buffer, 0), VOR_CRYPTO_OK);
    return text;
}

std::string details(VOR_CryptoHandle handle) {
    char* text = nullptr;
    int result = VOR_CryptoGetLastErrorDetails(handle, 0, &text);
    if (result < 0) {
        return "<none>";
    }
    EXPECT_EQ(static_cast<std::size_t>(result), std::strlen(text));
    return takeText(text);
}

// The call sequence of one user of the service, undone at the end of the scope.
class Session {
public:
    Session() {
        char* result = nullptr;
        EXPECT_EQ(VOR_CryptoInitialize(kInitialize, 0, &result), VOR_CRYPTO_OK) << takeText(result);
        EXPECT_EQ(result, nullptr);
        int opened = VOR_PersistentInitialize2(&handle, kService, 0, &result);
        EXPECT_EQ(opened, VOR_CRYPTO_OK) << takeText(result) << details(0);
        if (opened == VOR_CRYPTO_OK) {
            EXPECT_NE(handle, 0u);
            EXPECT_EQ(VOR_SetInfo(handle, kSetInfo, &result), VOR_CRYPTO_OK) << takeText(result);
        }
    }
    ~Session() {
        char* result = nullptr;
        EXPECT_EQ(VOR_CryptoTerminate(kTerminate, 0, &result), VOR_CRYPTO_OK) << takeText(result);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    VOR_CryptoHandle handle = 0;
};

std::string protect(VOR_CryptoHandle handle, const std::string& clear) {
    unsigned char* out = nullptr;
    size_t length = 0;
    int result = VOR_ProtectData(handle, clear.data(), clear.size(), &out, &length, 0);
    EXPECT_GE(result, 0) << details(handle);
    std::string sealed(reinterpret_cast<const char*>(out), length);
    VOR_CryptoFree(out, 0);
    return sealed;
}

// The clear text, or nothing with the failure code in *code.
bool unprotect(VOR_CryptoHandle handle, const std::string& sealed, std::string& clear,
               int* code = nullptr) {
    unsigned char* out = nullptr;
    size_t length = 0;
    int result = VOR_UnprotectData(handle, sealed.data(), sealed.size(), &out, &length, 0);
    if (code != nullptr) {
        *code = result;
    }
    if (result < 0) {
        EXPECT_EQ(out, nullptr);
        return false;
    }
    EXPECT_EQ(out[length], 0) << "clear data is NUL-terminated";
    clear.assign(reinterpret_cast<const char*>(out), length);
    VOR_CryptoFree(out, 0);
    return true;
}

class CryptoTest : public ::testing::Test {
protected:
    TempDirectory home;
    ScopedEnv homeEnv{"BASALT_HOME", home.str()};
};

}  // namespace

// Any byte, a NUL inside included, comes back; the text of the encryption manager's values:
// tests/unit/documents.
TEST_F(CryptoTest, RoundTripKeepsEveryByteAndUsesFreshNonces) {
    Session session;
    for (const std::string& value :
         {std::string("nul\0inside\xFF\x01", 12), std::string(), std::string(5000, 'x')}) {
        std::string sealed = protect(session.handle, value);
        EXPECT_EQ(sealed.size(), value.size() + 29);
        EXPECT_EQ(sealed.find(value.empty() ? "\x01\x02\x03" : value), std::string::npos);
        std::string clear;
        ASSERT_TRUE(unprotect(session.handle, sealed, clear)) << details(session.handle);
        EXPECT_EQ(clear, value);
    }
    EXPECT_NE(protect(session.handle, "same"), protect(session.handle, "same"));
}

TEST_F(CryptoTest, AnyChangedByteFailsToUnprotect) {
    Session session;
    const std::string sealed = protect(session.handle, "the value to keep");
    for (std::size_t i = 0; i < sealed.size(); ++i) {
        std::string altered = sealed;
        altered[i] = static_cast<char>(altered[i] ^ 0x01);
        std::string clear;
        int code = 0;
        EXPECT_FALSE(unprotect(session.handle, altered, clear, &code)) << "byte " << i;
        EXPECT_EQ(code, VOR_CRYPTO_E_TAMPERED) << "byte " << i;
    }
    std::string clear;
    int code = 0;
    EXPECT_FALSE(unprotect(session.handle, sealed + "x", clear, &code));
    EXPECT_FALSE(unprotect(session.handle, "short", clear, &code));
    EXPECT_EQ(code, VOR_CRYPTO_E_TAMPERED);
    EXPECT_NE(details(session.handle).find("too short"), std::string::npos);
}

// Two users in one process share the key: tests/unit/documents (EncryptionManagerTest). A new
// home gets a key of its own, in one file with no temporary left beside it.
TEST_F(CryptoTest, EachHomeHasItsOwnKey) {
    std::string sealedInThisHome;
    {
        Session first;
        sealedInThisHome = protect(first.handle, "shared");
    }
    TempDirectory otherHome;
    ScopedEnv otherEnv("BASALT_HOME", otherHome.str());
    Session other;
    std::string clear;
    int code = 0;
    EXPECT_FALSE(unprotect(other.handle, sealedInThisHome, clear, &code));
    EXPECT_EQ(code, VOR_CRYPTO_E_TAMPERED);
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(otherHome.path() / "keys")) {
        files.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(files, std::vector<std::string>{"protect.key"});
}

// Opens the service where no key can be had: the open must fail with VOR_CRYPTO_E_KEY and a
// result document; the error details it left.
std::string keyRefusalDetails() {
    char* result = nullptr;
    EXPECT_EQ(VOR_CryptoInitialize(kInitialize, 0, &result), VOR_CRYPTO_OK);
    VOR_CryptoHandle handle = 0;
    EXPECT_EQ(VOR_PersistentInitialize2(&handle, kService, 0, &result), VOR_CRYPTO_E_KEY);
    EXPECT_EQ(handle, 0u);
    EXPECT_NE(takeText(result).find("<status>-5</status>"), std::string::npos);
    std::string text = details(0);
    EXPECT_EQ(VOR_CryptoTerminate(kTerminate, 0, &result), VOR_CRYPTO_OK);
    return text;
}

TEST_F(CryptoTest, KeyFolderAndFileAreOwnerOnly) {
    const mode_t previous = umask(0);  // permissive umask: modes must still be tight
    { Session session; }
    umask(previous);
    const auto folder = home.path() / "keys";
    const auto file = folder / "protect.key";
    EXPECT_EQ(std::filesystem::status(folder).permissions(), std::filesystem::perms::owner_all);
    EXPECT_EQ(static_cast<unsigned>(std::filesystem::status(file).permissions()), 0600u);
    EXPECT_EQ(std::filesystem::file_size(file), 32u);

    // A key file others can read is not used, nor a key folder others can enter.
    chmod(file.c_str(), 0644);
    EXPECT_NE(keyRefusalDetails().find("open to other users (mode 0644)"), std::string::npos);
    chmod(file.c_str(), 0600);
    chmod(folder.c_str(), 0750);
    EXPECT_NE(keyRefusalDetails().find("key folder"), std::string::npos);
}

TEST_F(CryptoTest, CallsOutOfOrderOrWithBadDocumentsAreRefused) {
    char* result = nullptr;
    VOR_CryptoHandle handle = 0;
    EXPECT_EQ(VOR_PersistentInitialize2(&handle, "NeverInitialised", 0, &result),
              VOR_CRYPTO_E_NOT_INITIALIZED);
    EXPECT_NE(takeText(result).find("not initialised"), std::string::npos);
    EXPECT_EQ(VOR_CryptoInitialize("<initializeDocument><serviceID>x", 0, &result),
              VOR_CRYPTO_E_DOCUMENT);
    EXPECT_NE(takeText(result).find("not well-formed"), std::string::npos);
    EXPECT_EQ(VOR_CryptoInitialize(nullptr, 0, &result), VOR_CRYPTO_E_DOCUMENT);
    VOR_CryptoFree(result, 0);

    Session session;
    EXPECT_EQ(VOR_SetInfo(session.handle,
                          "<setInfoDocument><action>CSKSign</action><dataLocation>memory"
                          "</dataLocation></setInfoDocument>",
                          &result),
              VOR_CRYPTO_E_UNSUPPORTED);
    VOR_CryptoFree(result, 0);
    EXPECT_NE(details(session.handle).find("CSKSign"), std::string::npos);
    unsigned char* out = nullptr;
    size_t length = 0;
    EXPECT_EQ(VOR_ProtectData(session.handle, nullptr, 3, &out, &length, 0), VOR_CRYPTO_E_ARGUMENT);
    EXPECT_EQ(VOR_ProtectData(session.handle + 1000, "x", 1, &out, &length, 0),
              VOR_CRYPTO_E_HANDLE);
}

TEST_F(CryptoTest, HandlesLiveUntilTheLastUserTerminates) {
    auto session = std::make_unique<Session>();
    VOR_CryptoHandle handle = 0;
    {
        Session inner;
        handle = inner.handle;
    }
    // One user remains: the inner handle still works.
    std::string sealed = protect(handle, "value");
    session.reset();
    unsigned char* out = nullptr;
    size_t length = 0;
    EXPECT_EQ(VOR_UnprotectData(handle, sealed.data(), sealed.size(), &out, &length, 0),
              VOR_CRYPTO_E_HANDLE);

    // Buffers: only the library's own are accepted back.
    char foreign[8];
    EXPECT_EQ(VOR_CryptoFree(foreign, 0), VOR_CRYPTO_E_ARGUMENT);
    EXPECT_EQ(VOR_CryptoFree(nullptr, 0), VOR_CRYPTO_OK);
}
