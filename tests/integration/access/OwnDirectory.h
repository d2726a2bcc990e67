// A directory of the test's own (scripts/directory), for tests that stop, restart, freeze or
// limit the server: started before the library is initialised, stopped after it terminates.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

#include "AccessTestSupport.h"

namespace access_test {

inline int run(const std::string& command) {
    return std::system(command.c_str());
}

class OwnDirectory : public DirectoryTest {
protected:
    void SetUp() override {
        std::string tmpl = (std::filesystem::temp_directory_path() / "ridge-own-XXXXXX").string();
        ASSERT_NE(nullptr, mkdtemp(tmpl.data()));
        work = tmpl;
        // One service password for every start, so that restarts keep the library's settings.
        ASSERT_EQ(0, run("head -c 12 /dev/urandom | od -An -tx1 | tr -d ' \\n' > " + work +
                         "/service.pw"));
        prepare();
        startDirectory("");
        ::setenv("RIDGE_TEST_ENV", (work + "/dir/env").c_str(), 1);
        beforeLibrary();
        DirectoryTest::SetUp();
    }
    void TearDown() override {
        DirectoryTest::TearDown();
        run(ACCESS_DIRECTORY_SCRIPT " stop " + work + "/dir");
        std::filesystem::remove_all(work);
    }
    virtual void prepare() {}
    virtual void beforeLibrary() {}
    virtual std::string startEnv() { return ""; }
    void startDirectory(const std::string& port) {
        // A provider home in the directory folder, as the shared fixture makes, for
        // DirectoryTest to copy.
        std::string vars = startEnv() + " RIDGE_SERVICE_PASSWORD_FILE=" + work +
                           "/service.pw RIDGE_HOME_SOURCE=" ACCESS_TEST_SOURCE_HOME;
        if (!port.empty())
            vars += " RIDGE_PORT=" + port;
        ASSERT_EQ(0, run(vars + " " ACCESS_DIRECTORY_SCRIPT " start " + work + "/dir " +
                         ACCESS_TEST_LDIF " >/dev/null"));
    }
    std::string work;
};

}  // namespace access_test
