// ASA_Search3 and ASA_Search4: texts in the handle's encoding, the namespace's bounds and bad
// input. Wildcards and literal matching of filter syntax: the provider's search and injection
// tests.
#include <cstring>
#include <string>
#include <vector>

#include "ReadsTestSupport.h"

using namespace reads_test;

namespace {

using Found = std::vector<std::pair<std::string, AS_ObjectId>>;

Found search(AS_Handle h, int32_t type, const char* pattern, int32_t expect = AS_OK,
             int32_t attribute = AS_ATTR_DISPLAY_NAME) {
    uint32_t count = 99;
    char* names = reinterpret_cast<char*>(1);
    AS_ObjectId* ids = reinterpret_cast<AS_ObjectId*>(1);
    const int32_t rc = attribute == AS_ATTR_NAME
                           ? ASA_Search3(h, type, pattern, &count, &names, &ids)
                           : ASA_Search4(h, type, attribute, pattern, &count, &names, &ids);
    EXPECT_EQ(expect, rc) << pattern;
    Found out;
    for (uint32_t i = 0; i < count; ++i) {
        const char* record = names + i * AS_SEARCH_NAME_SIZE;
        size_t len = strnlen(record, AS_SEARCH_NAME_SIZE);
        EXPECT_LT(len, static_cast<size_t>(AS_SEARCH_NAME_SIZE));
        for (size_t j = len; j < AS_SEARCH_NAME_SIZE; ++j)
            EXPECT_EQ('\0', record[j]);
        out.emplace_back(std::string(record, len), ids[i]);
    }
    EXPECT_EQ(count == 0, names == nullptr && ids == nullptr);
    EXPECT_EQ(AS_OK, AS_Free(names));
    EXPECT_EQ(AS_OK, AS_Free(ids));
    return out;
}

}  // namespace

TEST_F(ReadsTest, SearchNonAsciiAndBadInput) {
    EXPECT_EQ((Found{{"\xC9l\xE8ves", kEleves}}), search(h, 8, "\xC9l*"));
    EXPECT_EQ((Found{{"Zo\xE9 & \xC6r\xF8", kZoe}}), search(h, 13, "zo\xC9*"));
    EXPECT_EQ((Found{{"deep", kDeepUser}}), search(h, 7, "Zo* \xDC*"));
    // Only this namespace: "alice" lives in another one.
    EXPECT_TRUE(search(h, 7, "*alice*").empty());
    search(h, 7, "", AS_ERR_INVALID_ARGUMENT);
    search(h, 7, nullptr, AS_ERR_INVALID_ARGUMENT);
    search(h, 3, "*", AS_ERR_INVALID_ARGUMENT);
    search(handleFor(nullptr), 7, "*", AS_ERR_NOT_AUTHENTICATED);
    uint32_t count = 0;
    char* names = nullptr;
    EXPECT_EQ(AS_ERR_INVALID_ARGUMENT, ASA_Search3(h, 7, "*", &count, &names, nullptr));
    EXPECT_EQ(nullptr, names);
}

TEST_F(ReadsUtf8Test, Utf8TextsPassUnchanged) {
    EXPECT_EQ((Found{{"deep", kDeepUser}}), search(h, 7, "zoË*"));
    EXPECT_EQ((Found{{"Élèves", kEleves}}), search(h, 8, "Élèves"));
    char text[AS_MAX_DESCRIPTION_SIZE];
    ASSERT_EQ(AS_OK, ASA_FindUserInfo(h, kDeepUser, nullptr, text, nullptr));
    EXPECT_STREQ("Łukasz", text);
    uint32_t size = 0;
    ASSERT_EQ(AS_OK, ASA_FindObjectAttributeSize(h, 9702, AS_OBJ_DATABASE_SIGNON, 0, &size));
    EXPECT_EQ(strlen("Ωmega"), size);
    ASSERT_EQ(AS_OK, ASA_FindUserDatabaseSignonInfo(h, 9702, text, size + 1));
    EXPECT_STREQ("Ωmega", text);
    search(h, 7, "\xC3(*", AS_ERR_INVALID_TEXT);
}
