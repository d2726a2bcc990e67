// Runs an ldap-utils tool (ldapadd, ldapdelete, ldapmodify, ldapsearch) against the fixture's
// directory as its administrator, for tests that shape their own part of the directory.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "RidgeTestDirectory.h"

namespace ridge_test {

// tool with args, fed the LDIF text (@BASE_DN@ filled in); scratch is a private folder for the
// input and the password file. Returns the tool's exit status (-1 when it did not exit).
inline int directoryAdmin(const RidgeTestDirectory& env, const std::filesystem::path& scratch,
                          const std::string& tool, const std::string& args,
                          const std::string& ldif = "") {
    std::string text = ldif;
    for (std::size_t p; (p = text.find("@BASE_DN@")) != std::string::npos;) {
        text.replace(p, 9, env.baseDn());
    }
    const std::string input = (scratch / "admin.ldif").string();
    const std::string password = (scratch / "admin.pw").string();
    std::ofstream(input) << text;
    std::ofstream(password) << env.adminPassword();
    const std::string command = tool + " -x -H '" + env.url() + "' -D '" + env.adminDn() +
                                "' -y '" + password + "' " + args + " < '" + input +
                                "' >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    std::remove(password.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace ridge_test
