// Records of single objects, signons and session reads on the "readstest" namespace. Texts are
// exchanged in the process default encoding, cp1252.
#include <cstring>

#include "ReadsTestSupport.h"

using namespace reads_test;

namespace {

uint32_t sizeOf(AS_Handle h, AS_ObjectId id, int32_t type, int32_t attr = AS_ATTR_NAME) {
    uint32_t size = 0;
    EXPECT_EQ(AS_OK, ASA_FindObjectAttributeSize(h, id, type, attr, &size));
    return size;
}

std::string userName(AS_Handle h, AS_ObjectId id) {
    std::string name(sizeOf(h, id, AS_OBJ_USER) + 1, '#');
    EXPECT_EQ(AS_OK, ASA_FindUserInfo(h, id, name.data(), nullptr, nullptr));
    EXPECT_EQ('\0', name.back()) << "the size asked first must fit the text exactly";
    name.pop_back();
    return name;
}

}  // namespace

TEST_F(ReadsTest, UserRecordsCarryEveryFieldAndSizesFitThem) {
    char f[8][AS_MAX_DESCRIPTION_SIZE];
    ASSERT_EQ(AS_OK, ASA_FindUserInfo4(h, kReader, f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7]));
    const char* expected[] = {"Reader One",
                              "Reads everything",
                              "reader@example.test",
                              "+33 1 23 45 67 89",
                              "fr-fr",
                              "de-de",
                              "Reader",
                              "One"};
    for (int i = 0; i < 8; ++i)
        EXPECT_STREQ(expected[i], f[i]);
    EXPECT_EQ(strlen("Reads everything"), sizeOf(h, kReader, AS_OBJ_USER, AS_ATTR_DESCRIPTION));
    AS_ObjectId folder = 0;
    ASSERT_EQ(AS_OK, ASA_FindUserInfo(h, kReader, nullptr, nullptr, &folder));
    EXPECT_EQ(kRootFolder, folder);
    // Non-ASCII in cp1252, and characters cp1252 lacks replaced, never passed on as UTF-8.
    EXPECT_EQ(
        "Zo\xEB \xDCn\xEF"
        "c\xF8"
        "d\xE9",
        userName(h, kDeepUser));
    char description[AS_MAX_DESCRIPTION_SIZE];
    ASSERT_EQ(AS_OK, ASA_FindUserInfo(h, kDeepUser, nullptr, description, nullptr));
    EXPECT_EQ(6u, strlen(description));
    EXPECT_STREQ("ukasz", description + 1);
    EXPECT_EQ("*)(uid=*", userName(h, kStar));
    EXPECT_EQ("back\\slash", userName(h, kBs));
}

TEST_F(ReadsTest, FolderAndClassRecords) {
    char name[AS_MAX_NAME_SIZE], description[AS_MAX_DESCRIPTION_SIZE];
    AS_ObjectId parent = 1;
    ASSERT_EQ(AS_OK, ASA_FindUserFolderInfo(h, kRootFolder, name, description, &parent));
    EXPECT_STREQ("readstest", name);
    EXPECT_EQ(0u, parent);
    ASSERT_EQ(AS_OK, ASA_FindUserFolderInfo(h, kZoe, name, description, &parent));
    EXPECT_STREQ("Zo\xE9 & \xC6r\xF8", name);
    EXPECT_EQ(kRootFolder, parent);
    ASSERT_EQ(AS_OK, ASA_FindUserFolderInfo(h, kSpecial, name, nullptr, nullptr));
    EXPECT_STREQ("a,b=c+\"d\"\\e*(f)<g>;h", name);
    EXPECT_EQ(strlen(name), sizeOf(h, kSpecial, AS_OBJ_USER_FOLDER));

    uint32_t children = 0;
    ASSERT_EQ(AS_OK, ASA_FindUserClassInfo(h, kStaff, name, description, &parent, &children));
    EXPECT_STREQ("Staff", name);
    EXPECT_STREQ("", description);
    EXPECT_EQ(kEveryone, parent);
    EXPECT_EQ(2u, children);
    EXPECT_EQ(0u, sizeOf(h, kStaff, AS_OBJ_USER_CLASS, AS_ATTR_DESCRIPTION));
    // By name: the directory's case rules, the encoding in force, and no wildcards.
    AS_ObjectId id = 0;
    ASSERT_EQ(AS_OK,
              ASA_FindUserClassInfoByName(h, "mANAGERS", &id, description, &parent, &children));
    EXPECT_EQ(kManagers, id);
    EXPECT_STREQ("Those who manage", description);
    EXPECT_EQ(kStaff, parent);
    EXPECT_EQ(0u, children);
    ASSERT_EQ(AS_OK,
              ASA_FindUserClassInfoByName(h, "\xC9l\xE8ves", &id, nullptr, nullptr, nullptr));
    EXPECT_EQ(kEleves, id);
    EXPECT_EQ(AS_ERR_OBJECT_NOT_FOUND, ASA_FindUserClassInfoByName(h, "*", &id, 0, 0, 0));
    EXPECT_EQ(AS_ERR_OBJECT_NOT_FOUND, ASA_FindUserClassInfoByName(h, "Staff)(cn=*", &id, 0, 0, 0));
    EXPECT_EQ(AS_ERR_INVALID_ARGUMENT, ASA_FindUserClassInfoByName(h, "", &id, 0, 0, 0));
}

TEST_F(ReadsTest, MissingObjectsGiveTheVanishedCodesOfTheirType) {
    uint32_t size = 0;
    AS_ObjectId parent = 0;
    for (AS_ObjectId id : {0u, 4242u, static_cast<AS_ObjectId>(kNorth)}) {
        EXPECT_EQ(AS_ERR_USER_NOT_FOUND, ASA_FindUserInfo(h, id, nullptr, nullptr, nullptr)) << id;
        EXPECT_EQ(AS_ERR_USER_NOT_FOUND, ASA_FindObjectAttributeSize(h, id, AS_OBJ_USER, 0, &size));
        EXPECT_EQ(AS_ERR_USER_NOT_FOUND, ASA_FindUserUserFolder(h, id, &parent));
    }
    for (AS_ObjectId id : {4242u, static_cast<AS_ObjectId>(kReader)}) {
        EXPECT_EQ(AS_ERR_FOLDER_NOT_FOUND, ASA_FindUserFolderInfo(h, id, 0, 0, 0)) << id;
        EXPECT_EQ(AS_ERR_FOLDER_NOT_FOUND, ASA_FindUserFolderParent(h, id, &parent));
        EXPECT_EQ(AS_ERR_OBJECT_NOT_FOUND, ASA_FindUserClassInfo(h, id, 0, 0, 0, 0));
        EXPECT_EQ(AS_ERR_OBJECT_NOT_FOUND,
                  ASA_FindObjectAttributeSize(h, id, AS_OBJ_USER_CLASS, 1, &size));
    }
    // Objects deleted between two reads, in a namespace of their own.
    AS_ObjectId me = 0;
    AS_Handle scratch = handleFor(nullptr);
    ASSERT_EQ(AS_OK, signOn(scratch, "scratch", access_test::kPassword, 0, &me, 0, "readsscratch"));
    const std::string dn = "cn=Vanishing,ou=readsscratch,@BASE_DN@";
    admin("ldapdelete", "", dn + "\n");
    ASSERT_EQ(0, admin("ldapadd", "",
                       "dn: " + dn +
                           "\nobjectClass: groupOfUniqueNames\n"
                           "objectClass: ridgeClass\ncn: Vanishing\nridgeId: 9990\n"
                           "uniqueMember: uid=scratch,ou=readsscratch,@BASE_DN@\n"));
    ASSERT_EQ(AS_OK, ASA_FindObjectAttributeSize(scratch, 9990, AS_OBJ_USER_CLASS, 0, &size));
    EXPECT_EQ(9u, size);
    EXPECT_EQ(std::vector<AS_ObjectId>{9990}, list([&](uint32_t n, AS_ObjectId* i, uint32_t* t) {
                  return ASA_FindUserUserClassList(scratch, me, n, i, t);
              }));
    ASSERT_EQ(0, admin("ldapdelete", "", dn + "\n"));
    EXPECT_EQ(AS_ERR_OBJECT_NOT_FOUND,
              ASA_FindObjectAttributeSize(scratch, 9990, AS_OBJ_USER_CLASS, 0, &size));
    EXPECT_EQ(AS_ERR_OBJECT_NOT_FOUND, ASA_FindUserClassInfo(scratch, 9990, 0, 0, 0, 0));
    EXPECT_EQ(AS_ERR_OBJECT_NOT_FOUND, ASA_FindUserList(scratch, 9990, 0, nullptr, &size));
    EXPECT_TRUE(list([&](uint32_t n, AS_ObjectId* i, uint32_t* t) {
                    return ASA_FindUserUserClassList(scratch, me, n, i, t);
                }).empty());
    // Reads stay in the handle's namespace.
    EXPECT_EQ(AS_ERR_USER_NOT_FOUND, ASA_FindUserInfo(scratch, kReader, 0, 0, 0));
}

TEST_F(ReadsTest, BadArgumentsAndHandlesGetStatusCodes) {
    uint32_t size = 0;
    EXPECT_EQ(AS_ERR_INVALID_ARGUMENT, ASA_FindObjectAttributeSize(h, kReader, 7, 0, nullptr));
    EXPECT_EQ(AS_ERR_INVALID_ARGUMENT, ASA_FindObjectAttributeSize(h, kReader, 6, 0, &size));
    EXPECT_EQ(AS_ERR_INVALID_ARGUMENT, ASA_FindObjectAttributeSize(h, kReader, 7, 2, &size));
    EXPECT_EQ(AS_ERR_INVALID_ARGUMENT, ASA_FindObjectAttributeSize(h, 9500, 3, 1, &size));
    EXPECT_EQ(AS_ERR_INVALID_ARGUMENT, ASA_FindUserFolderParent(h, kNorth, nullptr));
    EXPECT_EQ(AS_ERR_INVALID_ARGUMENT, ASA_GetSessionPrivileges(h, nullptr));
    EXPECT_EQ(AS_ERR_INVALID_HANDLE, ASA_FindUserInfo(987654, kReader, 0, 0, 0));
    AS_Handle unsigned_ = handleFor(nullptr);
    EXPECT_EQ(AS_ERR_NOT_AUTHENTICATED, ASA_FindUserInfo(unsigned_, kReader, 0, 0, 0));
    AS_Handle ended = handleFor("plain");
    ASSERT_EQ(AS_OK, AS_Terminate(ended));
    EXPECT_EQ(AS_ERR_INVALID_HANDLE, ASA_FindUserInfo(ended, kReader, 0, 0, 0));
}

TEST_F(ReadsTest, SignonsCountListSizeAndText) {
    // The sequence a session uses: count, list, size of each, then the text.
    auto texts = [&](AS_ObjectId user, int32_t kind, auto countCall, auto listCall, auto infoCall) {
        uint32_t count = 99;
        EXPECT_EQ(AS_OK, countCall(h, user, &count));
        auto ids = list(
            [&](uint32_t c, AS_ObjectId* i, uint32_t* n) { return listCall(h, user, c, i, n); });
        EXPECT_EQ(count, ids.size());
        std::vector<std::pair<AS_ObjectId, std::string>> out;
        for (AS_ObjectId id : ids) {
            std::string text(sizeOf(h, id, kind) + 1, '#');
            EXPECT_EQ(AS_OK, infoCall(h, id, text.data(), static_cast<uint32_t>(text.size())));
            EXPECT_EQ(AS_ERR_BUFFER_TOO_SMALL,
                      infoCall(h, id, text.data(), static_cast<uint32_t>(text.size() - 1)));
            out.emplace_back(id, text.substr(0, text.size() - 1));
        }
        return out;
    };
    using V = std::vector<std::pair<AS_ObjectId, std::string>>;
    EXPECT_EQ((V{{9500, "reader"}}),
              texts(kReader, AS_OBJ_BASIC_SIGNON, ASA_FindUserBasicSignonCount,
                    ASA_FindUserBasicSignonList, ASA_FindUserBasicSignonInfo));
    // Values without a canonical id are not signons.
    EXPECT_EQ((V{{9600, "CORP\\reader"}, {9601, "reader@CORP"}}),
              texts(kReader, AS_OBJ_OS_SIGNON, ASA_FindUserOSSignonCount, ASA_FindUserOSSignonList,
                    ASA_FindUserOSSignonInfo));
    auto db = texts(kDeepUser, AS_OBJ_DATABASE_SIGNON, ASA_FindUserDatabaseSignonCount,
                    ASA_FindUserDatabaseSignonList, ASA_FindUserDatabaseSignonInfo);
    ASSERT_EQ(2u, db.size());
    EXPECT_EQ((std::pair<AS_ObjectId, std::string>{9701, "dbdeep"}), db[0]);
    EXPECT_EQ(9702u, db[1].first);
    EXPECT_EQ(5u, db[1].second.size()) << "one substitute for a character cp1252 lacks";
    EXPECT_TRUE(texts(kDeepUser, AS_OBJ_BASIC_SIGNON, ASA_FindUserBasicSignonCount,
                      ASA_FindUserBasicSignonList, ASA_FindUserBasicSignonInfo)
                    .empty());
    char buf[AS_MAX_FIELD_SIZE];
    uint32_t size = 0;
    EXPECT_EQ(AS_ERR_OBJECT_NOT_FOUND, ASA_FindUserOSSignonInfo(h, 962, buf, sizeof buf));
    EXPECT_EQ(AS_ERR_OBJECT_NOT_FOUND, ASA_FindUserOSSignonInfo(h, 9700, buf, sizeof buf));
    EXPECT_EQ(AS_ERR_OBJECT_NOT_FOUND, ASA_FindObjectAttributeSize(h, 9600, 4, 0, &size));
    EXPECT_EQ(AS_ERR_USER_NOT_FOUND, ASA_FindUserOSSignonCount(h, kNorth, &size));
}

TEST_F(ReadsTest, SessionPrivilegesClassesAndNamespaceRoots) {
    uint32_t privileges = 0;
    ASSERT_EQ(AS_OK, ASA_GetSessionPrivileges(h, &privileges));
    EXPECT_EQ(AS_PRIV_AUTHENTICATED | AS_PRIV_BROWSE_ALL_CLASSES, privileges);
    ASSERT_EQ(AS_OK, ASA_GetSessionPrivileges(handleFor("plain"), &privileges));
    EXPECT_EQ(AS_PRIV_AUTHENTICATED, privileges);
    AS_ObjectId root = 0;
    ASSERT_EQ(AS_OK, ASA_FindNamespaceRootUserFolder(h, &root));
    EXPECT_EQ(kRootFolder, root);
    ASSERT_EQ(AS_OK, ASA_FindNamespaceRootUserClass(h, &root));
    EXPECT_EQ(kEveryone, root);

    // Without a class every class of the user is in force; with one, only that one.
    auto classes = [&](AS_Handle x) {
        uint32_t count = 0;
        EXPECT_EQ(AS_OK, ASA_GetSessionUserClassList(x, 0, nullptr, nullptr, &count));
        std::vector<AS_ObjectId> ids(count);
        std::vector<uint32_t> flags(count, 7);
        EXPECT_EQ(AS_OK, ASA_GetSessionUserClassList(x, count, ids.data(), flags.data(), &count));
        std::vector<std::pair<AS_ObjectId, uint32_t>> out;
        for (size_t i = 0; i < ids.size(); ++i)
            out.emplace_back(ids[i], flags[i]);
        return out;
    };
    using V = std::vector<std::pair<AS_ObjectId, uint32_t>>;
    EXPECT_EQ((V{{kEveryone, 1}, {kStaff, 1}, {kManagers, 1}}), classes(h));
    EXPECT_EQ((V{{kEveryone, 0}, {kStaff, 0}, {kManagers, 1}}),
              classes(handleFor("reader", "Managers")));
}
