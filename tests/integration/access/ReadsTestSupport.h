// Set-up of the directory-read tests: the "readstest" namespace (data/reads-tree.ldif) is loaded
// once into the fixture directory, and each test gets a handle signed on as "reader".
#pragma once

#include <AccessAPI.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AccessTestSupport.h"

namespace reads_test {

inline constexpr const char* kReadsNs = "readstest";

// Ids of data/reads-tree.ldif.
enum : AS_ObjectId {
    kRootFolder = 9001,
    kNorth = 9010,
    kZoe = 9013,
    kSpecial = 9014,
    kReader = 9100,
    kDeepUser = 9102,
    kStar = 9103,
    kAlpha = 9106,
    kAlphabet = 9107,
    kStaff = 9201,
    kManagers = 9202,
    kEmpty = 9203,
    kEleves = 9204,
};

class ReadsTest : public access_test::DirectoryTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // The encoding of the texts exchanged with the library in this fixture.
    virtual const char* encoding() const { return "cp1252"; }

    // A further handle of the process (closed in TearDown); signed on as user when given.
    AS_Handle handleFor(const char* user, const char* userClass = nullptr);
    // The result of a list call, asked first for the count.
    template <class ListCall>
    std::vector<AS_ObjectId> list(ListCall call) {
        uint32_t total = 0;
        EXPECT_EQ(AS_OK, call(0u, nullptr, &total));
        std::vector<AS_ObjectId> ids(total);
        uint32_t count = 0;
        EXPECT_EQ(AS_OK, call(total, ids.data(), &count));
        EXPECT_EQ(total, count);
        return ids;
    }

    AS_Handle h = 0;
    std::vector<AS_Handle> extra;
};

class ReadsUtf8Test : public ReadsTest {
protected:
    const char* encoding() const override { return "utf8"; }
};

}  // namespace reads_test
