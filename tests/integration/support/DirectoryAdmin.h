// Runs an ldap-utils tool (ldapadd, ldapdelete, ldapmodify, ldapsearch) against the fixture's
// directory as its administrator, for tests that shape their own part of the directory.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "RidgeTestDirectory.h"

namespace ridge_test {

// tool with args as the identity bindDn (with password), fed the LDIF text (@BASE_DN@ filled
// in); scratch is a private folder for the input, the password file and the output. Returns the
// tool's exit status (-1 when it did not exit); *output (when given) receives what it printed.
inline int directoryTool(const RidgeTestDirectory& env, const std::filesystem::path& scratch,
                         const std::string& bindDn, const std::string& bindPassword,
                         const std::string& tool, const std::string& args,
                         const std::string& ldif = "", std::string* output = nullptr) {
    std::string text = ldif;
    for (std::size_t p; (p = text.find("@BASE_DN@")) != std::string::npos;) {
        text.replace(p, 9, env.baseDn());
    }
    const std::string input = (scratch / "tool.ldif").string();
    const std::string password = (scratch / "tool.pw").string();
    const std::string printed = (scratch / "tool.out").string();
    std::ofstream(input) << text;
    std::ofstream(password) << bindPassword;
    const std::string command = tool + " -x -H '" + env.url() + "' -D '" + bindDn + "' -y '" +
                                password + "' " + args + " < '" + input + "' >'" + printed +
                                "' 2>&1";
    const int status = std::system(command.c_str());
    std::remove(password.c_str());
    if (output) {
        std::ifstream in(printed);
        output->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The same as the directory's administrator.
inline int directoryAdmin(const RidgeTestDirectory& env, const std::filesystem::path& scratch,
                          const std::string& tool, const std::string& args,
                          const std::string& ldif = "") {
    return directoryTool(env, scratch, env.adminDn(), env.adminPassword(), tool, args, ldif);
}

}  // namespace ridge_test
