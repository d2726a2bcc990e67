// Runs an ldap-utils tool (ldapadd, ldapdelete, ldapmodify, ldapsearch) against the fixture's
// directory as its administrator, for tests that shape their own part of the directory, and
// loads a test's part once per fixture run.
#pragma once

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
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

// Adds entries (LDIF, @BASE_DN@ filled in) to the fixture's directory once per fixture run: test
// programs run in parallel, so the first one adds them under the lock file lockName in the
// fixture's folder and the others find sentinelDn (an entry added last). makeLdif is called only
// when the entries are missing; entries an interrupted run added are kept. True when the
// sentinel exists afterwards.
inline bool loadOnce(const RidgeTestDirectory& env, const std::filesystem::path& scratch,
                     const std::string& lockName, const std::string& sentinelDn,
                     const std::function<std::string()>& makeLdif) {
    const std::string lockPath = env.directoryDir() + "/" + lockName;
    const int lock = ::open(lockPath.c_str(), O_CREAT | O_RDWR, 0600);
    if (lock < 0) {
        return false;
    }
    flock(lock, LOCK_EX);
    const std::string sentinel = "-s base -b '" + sentinelDn + "'";
    if (directoryAdmin(env, scratch, "ldapsearch", sentinel) != 0) {
        directoryAdmin(env, scratch, "ldapadd", "-c", makeLdif());
    }
    const bool loaded = directoryAdmin(env, scratch, "ldapsearch", sentinel) == 0;
    ::close(lock);
    return loaded;
}

// The same for the entries of an LDIF file.
inline bool loadTreeOnce(const RidgeTestDirectory& env, const std::filesystem::path& scratch,
                         const std::string& ldifPath, const std::string& sentinelDn) {
    return loadOnce(env, scratch, std::filesystem::path(ldifPath).filename().string() + ".lock",
                    sentinelDn, [&ldifPath] {
                        std::ifstream in(ldifPath);
                        return std::string{std::istreambuf_iterator<char>(in),
                                           std::istreambuf_iterator<char>()};
                    });
}

}  // namespace ridge_test
