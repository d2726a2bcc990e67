// Records of single objects, signons, lists and session reads on the "readstest" namespace,
// with texts in cp1252.
#include <cstring>

#include "ReadsTestSupport.h"

using namespace reads_test;

namespace {

// The name of an object as a session reads it: size first, then a buffer of size + 1.
std::string nameOf(AS_Handle h, int32_t type, AS_ObjectId id) {
    uint32_t size = 0;
    EXPECT_EQ(AS_OK, ASA_FindObjectAttributeSize(h, id, type, AS_ATTR_NAME, &size));
    std::string name(size + 1, '#');
    int32_t rc = type == AS_OBJ_USER          ? ASA_FindUserInfo(h, id, name.data(), 0, 0)
                 : type == AS_OBJ_USER_FOLDER ? ASA_FindUserFolderInfo(h, id, name.data(), 0, 0)
                                              : ASA_FindUserClassInfo(h, id, name.data(), 0, 0, 0);
    EXPECT_EQ(AS_OK, rc);
    EXPECT_EQ('\0', name.back()) << "the size asked first must fit the text exactly";
    return name.substr(0, size);
}

// A user's display name as a session reads it: size first, then a buffer of size + 1.
std::string displayNameOf(AS_Handle h, AS_ObjectId id) {
    uint32_t size = 0;
    EXPECT_EQ(AS_OK, ASA_FindObjectAttributeSize(h, id, AS_OBJ_USER, AS_ATTR_DISPLAY_NAME, &size));
    std::string name(size + 1, '#');
    EXPECT_EQ(AS_OK, ASA_FindUserDisplayName(h, id, name.data()));
    EXPECT_EQ('\0', name.back()) << "the size asked first must fit the text exactly";
    return name.substr(0, size);
}

}  // namespace

TEST_F(ReadsTest, NamesFitTheirSizesAndTravelInTheHandlesEncoding) {
    // The fields of a record: the provider's search tests. Here the sizes and the encoding.
    char text[AS_MAX_DESCRIPTION_SIZE];
    uint32_t size = 0;
    // A user is named by its sign-on name and displayed by its common name.
    EXPECT_EQ("reader", nameOf(h, AS_OBJ_USER, kReader));
    EXPECT_EQ("Reader One", displayNameOf(h, kReader));
    // Non-ASCII in cp1252 and LDAP-special characters, as stored.
    EXPECT_EQ(
        "Zo\xEB \xDCn\xEF"
        "c\xF8"
        "d\xE9",
        displayNameOf(h, kDeepUser));
    EXPECT_EQ("*)(uid=*", displayNameOf(h, kStar));
    // Folders and classes have one name: both attributes give it.
    ASSERT_EQ(AS_OK, ASA_FindObjectAttributeSize(h, kEleves, AS_OBJ_USER_CLASS,
                                                 AS_ATTR_DISPLAY_NAME, &size));
    EXPECT_EQ(nameOf(h, AS_OBJ_USER_CLASS, kEleves).size(), size);
    EXPECT_EQ("Zo\xE9 & \xC6r\xF8", nameOf(h, AS_OBJ_USER_FOLDER, kZoe));
    EXPECT_EQ("a,b=c+\"d\"\\e*(f)<g>;h", nameOf(h, AS_OBJ_USER_FOLDER, kSpecial));
    EXPECT_EQ("\xC9l\xE8ves", nameOf(h, AS_OBJ_USER_CLASS, kEleves));
    // A character cp1252 lacks becomes one substitute byte, never UTF-8.
    ASSERT_EQ(AS_OK, ASA_FindUserInfo(h, kDeepUser, nullptr, text, nullptr));
    EXPECT_EQ(6u, strlen(text));
    EXPECT_STREQ("ukasz", text + 1);
}

TEST_F(ReadsTest, UserClassByNameUsesDirectoryCaseRulesAndNoWildcards) {
    AS_ObjectId id = 0, parent = 0;
    uint32_t children = 9;
    char description[AS_MAX_DESCRIPTION_SIZE];
    ASSERT_EQ(AS_OK,
              ASA_FindUserClassInfoByName(h, "mANAGERS", &id, description, &parent, &children));
    EXPECT_EQ(kManagers, id);
    EXPECT_STREQ("Those who manage", description);
    EXPECT_EQ(kStaff, parent);
    EXPECT_EQ(0u, children);
    EXPECT_EQ(AS_ERR_OBJECT_NOT_FOUND, ASA_FindUserClassInfoByName(h, "*", &id, 0, 0, 0));
    EXPECT_EQ(AS_ERR_OBJECT_NOT_FOUND, ASA_FindUserClassInfoByName(h, "Staff)(cn=*", &id, 0, 0, 0));
    EXPECT_EQ(AS_ERR_INVALID_ARGUMENT, ASA_FindUserClassInfoByName(h, "", &id, 0, 0, 0));
}

TEST_F(ReadsTest, MissingObjectsGiveTheVanishedCodesOfTheirType) {
    uint32_t size = 0;
    AS_ObjectId parent = 0;
    for (AS_ObjectId id : {0u, 4242u, static_cast<AS_ObjectId>(kNorth)}) {
        EXPECT_EQ(AS_ERR_USER_NOT_FOUND, ASA_FindUserInfo(h, id, 0, 0, 0)) << id;
        EXPECT_EQ(AS_ERR_USER_NOT_FOUND, ASA_FindObjectAttributeSize(h, id, AS_OBJ_USER, 0, &size));
        EXPECT_EQ(AS_ERR_USER_NOT_FOUND, ASA_FindUserUserFolder(h, id, &parent));
    }
    for (AS_ObjectId id : {4242u, static_cast<AS_ObjectId>(kReader)}) {
        EXPECT_EQ(AS_ERR_FOLDER_NOT_FOUND, ASA_FindUserFolderInfo(h, id, 0, 0, 0)) << id;
        EXPECT_EQ(AS_ERR_FOLDER_NOT_FOUND, ASA_FindUserFolderParent(h, id, &parent));
        EXPECT_EQ(AS_ERR_OBJECT_NOT_FOUND, ASA_FindUserClassInfo(h, id, 0, 0, 0, 0));
        EXPECT_EQ(AS_ERR_OBJECT_NOT_FOUND, ASA_FindObjectAttributeSize(h, id, 8, 1, &size));
    }
    // Reads stay in the handle's namespace. (An object deleted between two requests: the
    // provider's search tests and the round trips' aged folder.)
    AS_Handle scratch = handleFor(nullptr);
    ASSERT_EQ(AS_OK, signOn(scratch, "scratch", access_test::kPassword, 0, 0, 0, "readsscratch"));
    EXPECT_EQ(AS_ERR_USER_NOT_FOUND, ASA_FindUserInfo(scratch, kReader, 0, 0, 0));
}

TEST_F(ReadsTest, BadArgumentsAndHandlesGetStatusCodes) {
    uint32_t size = 0;
    EXPECT_EQ(AS_ERR_INVALID_ARGUMENT, ASA_FindObjectAttributeSize(h, kReader, 7, 0, nullptr));
    EXPECT_EQ(AS_ERR_INVALID_ARGUMENT, ASA_FindObjectAttributeSize(h, kReader, 6, 0, &size));
    EXPECT_EQ(AS_ERR_INVALID_ARGUMENT, ASA_FindObjectAttributeSize(h, 9500, 3, 1, &size));
    EXPECT_EQ(AS_ERR_INVALID_ARGUMENT, ASA_GetSessionPrivileges(h, nullptr));
    EXPECT_EQ(AS_ERR_INVALID_HANDLE, ASA_FindUserInfo(987654, kReader, 0, 0, 0));
    EXPECT_EQ(AS_ERR_NOT_AUTHENTICATED, ASA_FindUserInfo(handleFor(nullptr), kReader, 0, 0, 0));
    AS_Handle ended = handleFor("plain");
    ASSERT_EQ(AS_OK, AS_Terminate(ended));
    EXPECT_EQ(AS_ERR_INVALID_HANDLE, ASA_FindUserInfo(ended, kReader, 0, 0, 0));
}

TEST_F(ReadsTest, SignonsCountListSizeAndText) {
    // As a session reads them: count, list, then size and text of each.
    auto texts = [&](AS_ObjectId user, int32_t kind, auto countCall, auto listCall, auto infoCall) {
        uint32_t count = 99;
        EXPECT_EQ(AS_OK, countCall(h, user, &count));
        auto ids = list(
            [&](uint32_t c, AS_ObjectId* i, uint32_t* n) { return listCall(h, user, c, i, n); });
        EXPECT_EQ(count, ids.size());
        std::string out;
        for (AS_ObjectId id : ids) {
            uint32_t size = 0;
            EXPECT_EQ(AS_OK, ASA_FindObjectAttributeSize(h, id, kind, 0, &size));
            std::string text(size + 1, '#');
            EXPECT_EQ(AS_OK, infoCall(h, id, text.data(), size + 1));
            EXPECT_EQ(AS_ERR_BUFFER_TOO_SMALL, infoCall(h, id, text.data(), size));
            out += std::to_string(id) + "=" + text.c_str() + ";";
        }
        return out;
    };
    EXPECT_EQ("9500=reader;", texts(kReader, AS_OBJ_BASIC_SIGNON, ASA_FindUserBasicSignonCount,
                                    ASA_FindUserBasicSignonList, ASA_FindUserBasicSignonInfo));
    // Values without a canonical id are not signons.
    EXPECT_EQ("9600=CORP\\reader;9601=reader@CORP;",
              texts(kReader, AS_OBJ_OS_SIGNON, ASA_FindUserOSSignonCount, ASA_FindUserOSSignonList,
                    ASA_FindUserOSSignonInfo));
    EXPECT_EQ("9701=dbdeep;9702=\x1Amega;",
              texts(kDeepUser, AS_OBJ_DATABASE_SIGNON, ASA_FindUserDatabaseSignonCount,
                    ASA_FindUserDatabaseSignonList, ASA_FindUserDatabaseSignonInfo));
    char buf[AS_MAX_FIELD_SIZE];
    uint32_t size = 0;
    EXPECT_EQ(AS_ERR_OBJECT_NOT_FOUND, ASA_FindUserOSSignonInfo(h, 962, buf, sizeof buf));
    EXPECT_EQ(AS_ERR_OBJECT_NOT_FOUND, ASA_FindUserOSSignonInfo(h, 9700, buf, sizeof buf));
    EXPECT_EQ(AS_ERR_OBJECT_NOT_FOUND, ASA_FindObjectAttributeSize(h, 9600, 4, 0, &size));
    EXPECT_EQ(AS_ERR_USER_NOT_FOUND, ASA_FindUserOSSignonCount(h, kNorth, &size));
}

TEST_F(ReadsTest, ListsHonourTheCallersCapacity) {
    AS_ObjectId ids[3] = {0, 0, 77};
    uint32_t count = 0;
    EXPECT_EQ(AS_ERR_BUFFER_TOO_SMALL, ASA_FindUserFolderUsersList(h, kSpecial, 2, ids, &count));
    EXPECT_EQ(3u, count);
    EXPECT_EQ(kAlpha, ids[0]);
    EXPECT_EQ(kAlphabet, ids[1]);
    EXPECT_EQ(77u, ids[2]) << "nothing written past the capacity";
    EXPECT_EQ(AS_ERR_BUFFER_TOO_SMALL, ASA_FindUserList(h, kStaff, 0, ids, &count));
    EXPECT_EQ(AS_ERR_INVALID_ARGUMENT, ASA_FindUserList(h, kStaff, 3, nullptr, &count));
    EXPECT_EQ(AS_OK, ASA_FindUserList(h, kEmpty, 0, nullptr, &count));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(AS_ERR_OBJECT_NOT_FOUND, ASA_FindUserList(h, kReader, 3, ids, &count));
    EXPECT_EQ(AS_ERR_FOLDER_NOT_FOUND, ASA_FindUserFolderChildrenList(h, kStaff, 3, ids, &count));
    AS_ObjectId* block = nullptr;
    EXPECT_EQ(AS_ERR_OBJECT_NOT_FOUND, ASA_FindUserClassParent2(h, kNorth, &count, &block));
    EXPECT_EQ(nullptr, block);
}
