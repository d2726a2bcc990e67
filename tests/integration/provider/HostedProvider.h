// The fixture of the tests that load the provider as a host does (HostCalls.h).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "HostCalls.h"
#include "RidgeTestDirectory.h"

namespace host_calls {

// A test of the provider as a host loads it: Load gives it a private copy of the directory's
// home (BASALT_HOME), Start initialises it and configures a namespace; TearDown ends it.
class HostedProvider : public ::testing::Test {
protected:
    void Load(const std::string& homePrefix) {
        home = env.copyTestHome(homePrefix);
        setenv("BASALT_HOME", home.c_str(), 1);
        xerces = std::make_unique<basalt_host::XercesSession>();
        lib = std::make_unique<ProviderLibrary>(BASALT_LIBRARY_PATH);
    }
    void Start(const std::string& configuration) {
        ASSERT_EQ(0, lib->initialize(AdditionalInfo()).code);
        const auto configured = lib->configure(configuration, AdditionalInfo());
        ASSERT_EQ(0, configured.code) << configured.exception.value_or("");
    }
    void TearDown() override {
        if (lib) {
            lib->terminate(AdditionalInfo());
        }
        lib.reset();
        xerces.reset();
        if (!home.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(home, ignored);
        }
    }
    static std::string AdditionalInfo() {
        return basalt_host::additionalInfoDocument("en-us", "en-us");
    }

    ridge_test::RidgeTestDirectory env;
    std::string home;
    std::unique_ptr<basalt_host::XercesSession> xerces;
    std::unique_ptr<ProviderLibrary> lib;
};

}  // namespace host_calls
