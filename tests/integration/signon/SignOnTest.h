// Sign-on through the provider's tables against the fixture's directory: a fixture that loads
// libBasalt.so, initialises it with a private home, configures the namespace "signon" (the
// directory namespace "ridgetest") and sends authenticate documents built with the object
// model's own classes; answers are read back with the object model's namespace-aware readers.
#pragma once

#include "DirectoryAdmin.h"
#include "ProviderTablesTest.h"

#include <EnvironmentDocuments.h>

#include <VOR_AAA_AuthDoc.h>
#include <VOR_AAA_AuthResponse.h>
#include <VOR_AAA_Env.h>
#include <VOR_AAA_Visa.h>

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace signon_test {

using namespace provider_test;

inline constexpr const char* kNamespace = "signon";
inline constexpr const char* kPassword = "Secret#2024";

// What one call of BasaltAuthenticateXml gave.
struct Answer {
    int32_t code = 0;
    std::string text;
    VOR_AAA_AuthResponse response;

    const VOR_AAA_Visa& visa() const { return response.GetVisa(); }
    std::string value(const char* name) const {
        I18NString v;
        return visa().GetValue(name, v) ? v.utf8() : std::string();
    }
    // The message texts of the exception, in order.
    std::vector<std::string> messages() const {
        std::vector<std::string> texts;
        for (const auto& m : response.GetException().GetMessages()) {
            texts.push_back(m.text.utf8());
        }
        return texts;
    }
    bool hasMessage(const std::string& text) const {
        for (const std::string& m : messages()) {
            if (m == text) {
                return true;
            }
        }
        return false;
    }
    // The value of a form-field variable of the response ("VORUsername").
    std::string formField(const char* name) const {
        for (const auto& f : response.GetFormFieldVars()) {
            if (f.name == I18NString(name)) {
                return f.value.utf8();
            }
        }
        return "<none>";
    }
    std::vector<std::string> displayObjectNames() const {
        std::vector<std::string> names;
        for (const auto& d : response.GetException().GetDisplayObjects()) {
            names.push_back(d.name.utf8());
        }
        return names;
    }
};

// An authenticate document for the namespace with an action.
inline VOR_AAA_AuthDoc Request(const char* action, const std::string& ns = kNamespace) {
    VOR_AAA_AuthDoc doc;
    for (int code = VOR_AAA_BiBusHeader::kActionValidate;
         code <= VOR_AAA_BiBusHeader::kActionClonePassport; ++code) {
        if (std::string(VOR_AAA_BiBusHeader::ActionText(code)) == action) {
            doc.SetAction(code);
        }
    }
    doc.GetFormFieldVars().push_back({"VORNamespace", I18NString(ns), ""});
    return doc;
}

inline void FormField(VOR_AAA_AuthDoc& doc, const char* name, const std::string& value) {
    doc.GetFormFieldVars().push_back({name, I18NString(value), ""});
}

inline VOR_AAA_AuthDoc Logon(const std::string& user, const std::string& password) {
    VOR_AAA_AuthDoc doc = Request("logon");
    FormField(doc, "VORUsername", user);
    FormField(doc, "VORPassword", password);
    return doc;
}

// A logon from the trusted web environment before the provider asked for anything: the
// header's REMOTE_USER, no security blob.
inline VOR_AAA_AuthDoc RemoteUserOnly(const std::string& remoteUser) {
    VOR_AAA_AuthDoc doc = Request("logon");
    doc.GetEnvironmentVars().push_back({"REMOTE_USER", I18NString(remoteUser)});
    return doc;
}

// The same logon as a framework completes it (the web gateway's own environment document): the
// security blob's environment document names the user.
inline VOR_AAA_AuthDoc TrustedLogon(const std::string& remoteUser,
                                    const std::string& environmentUser) {
    VOR_AAA_AuthDoc doc = RemoteUserOnly(remoteUser);
    doc.SetSecurityBlob(
        I18NString(basalt_host::environmentDocument({{"REMOTE_USER", environmentUser}})));
    return doc;
}
inline VOR_AAA_AuthDoc TrustedLogon(const std::string& remoteUser) {
    return TrustedLogon(remoteUser, remoteUser);
}

// A request that carries a visa (logoff, credentials).
inline VOR_AAA_AuthDoc WithVisa(const char* action, const VOR_AAA_Visa& visa) {
    VOR_AAA_AuthDoc doc = Request(action);
    doc.SetVisa(std::make_unique<VOR_AAA_Visa>(visa));
    return doc;
}

class SignOnTest : public ProviderTablesTest {
protected:
    void SetUp() override {
        ProviderTablesTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        ConfigureNamespace();
    }

    // Initialises the provider and configures the namespace (again).
    void StartProvider() {
        ASSERT_EQ(lib.Initialize(), 0);
        ConfigureNamespace();
    }
    void ConfigureNamespace() {
        std::string response, exception;
        ASSERT_EQ(lib.Configure(Configuration(kNamespace), response, exception), 0) << exception;
    }
    void RestartProvider() {
        ASSERT_EQ(lib.Terminate(), 0);
        StartProvider();
    }

    // Restarts the provider with every record, traces included, written to the file name in the
    // private home; its path.
    std::string RestartWithLog(const std::string& name) {
        const std::string log = home->Path() + "/" + name;
        setenv("BASALT_LOG_FILE", log.c_str(), 1);
        setenv("BASALT_LOG_LEVEL", "10000", 1);
        RestartProvider();
        return log;
    }
    // Terminates the provider and logs no more; what it wrote to log.
    std::string TerminateAndReadLog(const std::string& log) {
        EXPECT_EQ(lib.Terminate(), 0);
        unsetenv("BASALT_LOG_FILE");
        unsetenv("BASALT_LOG_LEVEL");
        std::ifstream in(log);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    std::string Configuration(const std::string& id, const std::string& connection = "",
                              const std::string& timeout = "5") {
        return NamespaceConfiguration(id, connection.empty() ? env.hostPort() : connection,
                                      env.baseDn(), "ridgetest", "", timeout);
    }

    Answer Authenticate(const VOR_AAA_AuthDoc& doc) {
        Answer answer;
        const std::string text = doc.ToString();
        char* response = nullptr;
        answer.code = lib.text.AuthenticateXml(text.c_str(), &response);
        answer.text = Take(response);
        // The reader is namespace-aware: an undeclared prefix fails here.
        answer.response.Load(answer.text.data(), answer.text.size());
        return answer;
    }

    Answer SignOn(const std::string& user, const std::string& password = kPassword) {
        return Authenticate(Logon(user, password));
    }

    // Runs an ldap-utils tool as the directory administrator on the LDIF (@BASE_DN@ filled in).
    int Admin(const std::string& tool, const std::string& args, const std::string& ldif) {
        return ridge_test::directoryAdmin(env, home->Path(), tool, args, ldif);
    }

    // Sets a user's password as the administrator would (below ou=Engineering, as MakeUser).
    // The policy's password history has one-second timestamps: two changes within a second
    // collide there, so each waits a second.
    void SetPassword(const std::string& uid, const std::string& password) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1100));
        ASSERT_EQ(0, Admin("ldapmodify", "-e relax",
                           "dn: uid=" + uid +
                               ",ou=Engineering,ou=ridgetest,@BASE_DN@\n"
                               "changetype: modify\nreplace: userPassword\nuserPassword: " +
                               password + "\n"));
    }

    // A user made afresh for this run (deleted first when an earlier run left it). The relax
    // control lets the administrator set password-policy state such as pwdChangedTime.
    void MakeUser(const std::string& uid, int id, const std::string& extra = "") {
        const std::string dn = "uid=" + uid + ",ou=Engineering,ou=ridgetest,@BASE_DN@";
        Admin("ldapdelete", "", dn + "\n");
        ASSERT_EQ(0,
                  Admin("ldapadd", "-e relax",
                        "dn: " + dn +
                            "\nobjectClass: inetOrgPerson\nobjectClass: ridgeUser\nuid: " + uid +
                            "\ncn: " + uid + "\nsn: " + uid + "\nridgeId: " + std::to_string(id) +
                            "\nridgeBasicSignonId: " + std::to_string(id + 4000) +
                            "\nuserPassword: " + kPassword + "\n" + extra));
    }
};

}  // namespace signon_test
