// Parents, children, members and classes: walked over the whole "readstest" tree, every
// relation must agree with its inverse and every count with its list.
#include <algorithm>
#include <map>
#include <set>

#include "ReadsTestSupport.h"

using namespace reads_test;

TEST_F(ReadsTest, FolderTreeAgreesInBothDirections) {
    std::map<AS_ObjectId, AS_ObjectId> folderParent, userFolder;
    std::vector<AS_ObjectId> pending = {kRootFolder};
    while (!pending.empty()) {
        AS_ObjectId f = pending.back();
        pending.pop_back();
        for (AS_ObjectId c : list([&](uint32_t n, AS_ObjectId*i, uint32_t*t) {
                 return ASA_FindUserFolderChildrenList(h, f, n, i, t);
             })) {
            folderParent[c] = f;
            pending.push_back(c);
            AS_ObjectId parent = 0, infoParent = 0;
            EXPECT_EQ(AS_OK, ASA_FindUserFolderParent(h, c, &parent));
            EXPECT_EQ(AS_OK, ASA_FindUserFolderInfo(h, c, nullptr, nullptr, &infoParent));
            EXPECT_EQ(f, parent);
            EXPECT_EQ(f, infoParent);
        }
        for (AS_ObjectId u : list([&](uint32_t n, AS_ObjectId*i, uint32_t*t) {
                 return ASA_FindUserFolderUsersList(h, f, n, i, t);
             })) {
            userFolder[u] = f;
            AS_ObjectId folder = 0;
            EXPECT_EQ(AS_OK, ASA_FindUserUserFolder(h, u, &folder));
            EXPECT_EQ(f, folder);
        }
    }
    EXPECT_EQ((std::map<AS_ObjectId, AS_ObjectId>{{kNorth, kRootFolder},
                                                  {kInner, kNorth},
                                                  {kDeep, kInner},
                                                  {kZoe, kRootFolder},
                                                  {kSpecial, kRootFolder}}),
              folderParent);
    EXPECT_EQ((std::map<AS_ObjectId, AS_ObjectId>{{kReader, kRootFolder},
                                                  {kPlain, kNorth},
                                                  {kDeepUser, kDeep},
                                                  {kStar, kInner},
                                                  {kParen, kNorth},
                                                  {kBs, kZoe},
                                                  {kAlpha, kSpecial},
                                                  {kAlphabet, kSpecial},
                                                  {kBetaAlpha, kSpecial}}),
              userFolder);
    AS_ObjectId parent = 1;
    ASSERT_EQ(AS_OK, ASA_FindUserFolderParent(h, kRootFolder, &parent));
    EXPECT_EQ(0u, parent);
}

TEST_F(ReadsTest, ClassTreeAndMembershipAgreeInBothDirections) {
    std::map<AS_ObjectId, std::vector<AS_ObjectId>> path = {{kEveryone, {}}};  // nearest first
    std::set<std::pair<AS_ObjectId, AS_ObjectId>> byClass;                     // (class, user)
    std::vector<AS_ObjectId> pending = {kEveryone};
    while (!pending.empty()) {
        AS_ObjectId c = pending.back();
        pending.pop_back();
        auto children = list([&](uint32_t n, AS_ObjectId* i, uint32_t* t) {
            return ASA_FindUserClassChildrenList3(h, c, n, i, t);
        });
        uint32_t count = 99, infoCount = 99;
        EXPECT_EQ(AS_OK, ASA_FindUserClassChildrenCount3(h, c, &count));
        EXPECT_EQ(AS_OK, ASA_FindUserClassInfo(h, c, nullptr, nullptr, nullptr, &infoCount));
        EXPECT_EQ(children.size(), count);
        EXPECT_EQ(children.size(), infoCount);
        for (AS_ObjectId child : children) {
            AS_ObjectId parent = 0;
            EXPECT_EQ(AS_OK, ASA_FindUserClassParent(h, child, &parent));
            EXPECT_EQ(c, parent);
            path[child] = {c};
            path[child].insert(path[child].end(), path[c].begin(), path[c].end());
            pending.push_back(child);
        }
        auto members = list([&](uint32_t n, AS_ObjectId* i, uint32_t* t) {
            return ASA_FindUserList(h, c, n, i, t);
        });
        EXPECT_EQ(AS_OK, ASA_FindUserCount(h, c, &count));
        EXPECT_EQ(members.size(), count);
        for (AS_ObjectId u : members)
            byClass.emplace(c, u);
    }
    EXPECT_EQ(5u, path.size());
    for (const auto& [c, ancestors] : path) {
        uint32_t count = 99;
        AS_ObjectId* block = reinterpret_cast<AS_ObjectId*>(1);
        ASSERT_EQ(AS_OK, ASA_FindUserClassParent2(h, c, &count, &block));
        EXPECT_EQ(ancestors, std::vector<AS_ObjectId>(block, block + count)) << c;
        EXPECT_EQ(ancestors.empty(), block == nullptr);
        EXPECT_EQ(AS_OK, AS_Free(block));
    }
    // Users outside the namespace, gone, or the namespace entry itself are not members.
    std::set<std::pair<AS_ObjectId, AS_ObjectId>> byUser;
    for (AS_ObjectId u : {kReader, kPlain, kDeepUser, kStar, kParen, kBs, kAlpha}) {
        auto classes = list([&](uint32_t n, AS_ObjectId* i, uint32_t* t) {
            return ASA_FindUserUserClassList(h, u, n, i, t);
        });
        uint32_t count = 99;
        EXPECT_EQ(AS_OK, ASA_FindUserUserClassCount(h, u, &count));
        EXPECT_EQ(classes.size(), count);
        for (AS_ObjectId c : classes)
            byUser.emplace(c, u);
    }
    EXPECT_EQ(byClass, byUser);
    EXPECT_EQ((std::set<std::pair<AS_ObjectId, AS_ObjectId>>{{kEveryone, kReader},
                                                             {kEveryone, kPlain},
                                                             {kStaff, kReader},
                                                             {kStaff, kDeepUser},
                                                             {kStaff, kStar},
                                                             {kManagers, kReader},
                                                             {kEleves, kPlain}}),
              byClass);
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
    EXPECT_EQ(AS_ERR_INVALID_ARGUMENT, ASA_FindUserList(h, kStaff, 3, ids, nullptr));
    EXPECT_EQ(AS_OK, ASA_FindUserList(h, kEmpty, 0, nullptr, &count));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(AS_ERR_OBJECT_NOT_FOUND, ASA_FindUserList(h, kReader, 3, ids, &count));
    EXPECT_EQ(AS_ERR_FOLDER_NOT_FOUND, ASA_FindUserFolderChildrenList(h, kStaff, 3, ids, &count));
    AS_ObjectId* block = nullptr;
    EXPECT_EQ(AS_ERR_OBJECT_NOT_FOUND, ASA_FindUserClassParent2(h, kNorth, &count, &block));
    EXPECT_EQ(nullptr, block);
}
