#include "CacheCommand.h"

#include "CommandFrame.h"
#include "CommandLine.h"
#include "HostError.h"
#include "HostOptions.h"
#include "HostSession.h"
#include "HostText.h"
#include "ProviderLibrary.h"

#include <AccessAPI.h>
#include <CLI/CLI.hpp>

#include <cstdint>
#include <ctime>
#include <iostream>
#include <sstream>
#include <string>

namespace basalt_host {

namespace {

using ListCall = int32_t (*)(char**);
using ForgetCall = int32_t (*)(const char*, int32_t*);
using PurgeCall = int32_t (*)(int32_t*);
using FreeCall = int32_t (*)(char*);
using ErrorCall = int32_t (*)(char*, int32_t, const char*);

template <class Call>
Call accessCall(HostSession& session, const char* name) {
    auto* call = reinterpret_cast<Call>(session.library().symbol(name));
    if (call == nullptr) {
        throw HostError(say("the directory access library offers no {1}", {name}));
    }
    return call;
}

int refused(HostSession& session, int32_t result) {
    char text[1024] = "";
    if (auto* error = accessCall<ErrorCall>(session, "AS_GetLastErrorMsgWithLang")) {
        error(text, sizeof text, "en-us");
    }
    std::cerr << "basalt-host: "
              << say("the offline cache refused ({1}): {2}", {std::to_string(result), text})
              << '\n';
    return kExitProviderFailure;
}

std::string utcTime(std::time_t t) {
    char text[32] = "";
    std::tm utc{};
    if (gmtime_r(&t, &utc) != nullptr) {
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%SZ", &utc);
    }
    return text;
}

// The library's lines ("signon TAB display name TAB namespace DN TAB written TAB failures",
// "! problem") as a table.
void printListing(const std::string& listing) {
    std::istringstream lines(listing);
    int users = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("! ", 0) == 0) {
            std::cout << say("problem: {1}", {line.substr(2)}) << '\n';
            continue;
        }
        std::istringstream fields(line);
        std::string signon, display, ns, written, failures;
        std::getline(fields, signon, '\t');
        std::getline(fields, display, '\t');
        std::getline(fields, ns, '\t');
        std::getline(fields, written, '\t');
        std::getline(fields, failures, '\t');
        std::cout << signon << "\t" << display << "\t" << ns << "\t"
                  << utcTime(static_cast<std::time_t>(std::stoll(written))) << "\t"
                  << say("{1} wrong password(s) offline", {failures}) << '\n';
        ++users;
    }
    std::cout << say("{1} user(s) in the offline cache", {std::to_string(users)}) << '\n';
}

}  // namespace

CLI::App* addCacheCommand(CLI::App& app, HostOptions& options, CacheOptions& cache) {
    CLI::App* command = addCommand(
        app, "cache",
        "the offline sign-on cache of the provider's home: list the users kept, forget one, or "
        "purge all (access.conf offline_days turns it on)",
        options);
    command->add_option("action", cache.action, "list, forget or purge")
        ->required()
        ->check(CLI::IsMember({"list", "forget", "purge"}));
    command->add_option("user", cache.user, "forget: the sign-on name of the user to forget");
    return command;
}

int commandCache(const HostOptions& options, const CacheOptions& cache) {
    if (cache.action == "forget" && cache.user.empty()) {
        throw HostError(say("cache forget needs the sign-on name of the user"));
    }
    return runConfiguredCommand(options, [&](HostSession& session) {
        int32_t removed = 0;
        if (cache.action == "list") {
            char* listing = nullptr;
            const int32_t result = accessCall<ListCall>(session, "AS_ListOfflineCache")(&listing);
            if (result != AS_OK) {
                return refused(session, result);
            }
            const std::string text = listing != nullptr ? listing : "";
            accessCall<FreeCall>(session, "AS_FreeResult")(listing);
            printListing(text);
            return static_cast<int>(kExitSuccess);
        }
        const int32_t result =
            cache.action == "forget"
                ? accessCall<ForgetCall>(session, "AS_ForgetOfflineUser")(cache.user.c_str(),
                                                                          &removed)
                : accessCall<PurgeCall>(session, "AS_PurgeOfflineCache")(&removed);
        if (result != AS_OK) {
            return refused(session, result);
        }
        std::cout << say("{1} record(s) removed from the offline cache", {std::to_string(removed)})
                  << '\n';
        return static_cast<int>(kExitSuccess);
    });
}

}  // namespace basalt_host
