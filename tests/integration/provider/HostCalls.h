// The provider driven as a host drives it, for the tests that put it under load or under faults:
// sign-on, search and logoff documents written by the host library, answers read back with its
// XML reader. Every call goes through the tables VOR_AAA_GetInterface fills, and every returned
// text through the host's counted alloc and free (basalt_host::HostAllocator).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "AuthenticateDocuments.h"
#include "HostDocuments.h"
#include "ObjectTable.h"
#include "ProviderLibrary.h"
#include "QueryDocuments.h"
#include "XmlTree.h"

namespace host_calls {

using basalt_host::ProviderLibrary;

// A namespace configuration document (display name "<id> display" unless given); extra holds
// further parameter elements as they stand.
inline std::string Configuration(const std::string& id, const std::string& connection,
                                 const std::string& baseDn, const std::string& directoryNamespace,
                                 const std::string& timeout = "10", const std::string& display = "",
                                 const std::string& extra = "") {
    auto parameter = [](const std::string& name, const std::string& value) {
        return "<parameter name=\"" + name + "\"><value>" + basalt_host::xmlEscape(value) +
               "</value></parameter>";
    };
    return "<instance name=\"" +
           basalt_host::xmlEscape(display.empty() ? id + " display" : display) +
           "\" class=\"ridge\">" + parameter("id", id) + parameter("connection", connection) +
           parameter("baseDN", baseDn) + parameter("namespace", directoryNamespace) +
           parameter("timeOut", timeout) + extra + "</instance>";
}

// What an authenticate call gave: the result, the response text and, when it was readable, its
// element tree; problems lists breaches of the allocation contract.
struct SignOnReply {
    int32_t code = 0;
    std::string text;
    std::unique_ptr<basalt_host::XmlElement> root;
    std::vector<std::string> problems;

    // The visa element written out again ("" when the response holds none).
    std::string Visa() const {
        const basalt_host::XmlElement* visa = root ? root->find("visa") : nullptr;
        return visa != nullptr ? basalt_host::serializeXml(*visa) : std::string();
    }
    // A provider value of the visa ("as_session", "ticket", ...); "" when absent.
    std::string VisaValue(const char* name) const {
        const basalt_host::XmlElement* visa = root ? root->find("visa") : nullptr;
        const basalt_host::XmlElement* data = visa ? visa->find("providerSpecificData") : nullptr;
        const basalt_host::XmlElement* value = data ? data->child(name) : nullptr;
        return value != nullptr ? value->text : std::string();
    }
};

inline SignOnReply Authenticate(ProviderLibrary& lib, const basalt_host::AuthenticateRequest& r) {
    basalt_host::CallOutcome outcome = lib.authenticateXml(basalt_host::authenticateDocument(r));
    SignOnReply reply;
    reply.code = outcome.code;
    reply.text = outcome.response.value_or("");
    reply.problems = std::move(outcome.problems);
    if (!reply.text.empty()) {
        try {
            reply.root = basalt_host::parseXml(reply.text, "authenticate response");
        } catch (const std::exception& error) {
            reply.problems.push_back(error.what());
        }
    }
    return reply;
}

inline SignOnReply Logon(ProviderLibrary& lib, const std::string& ns, const std::string& user,
                         const std::string& password) {
    basalt_host::AuthenticateRequest request;
    request.action = "logon";
    request.formFields = {{"VORNamespace", ns}, {"VORUsername", user}, {"VORPassword", password}};
    return Authenticate(lib, request);
}

inline SignOnReply TicketLogon(ProviderLibrary& lib, const std::string& ns,
                               const std::string& ticket) {
    basalt_host::AuthenticateRequest request;
    request.action = "logon";
    request.formFields = {{"VORNamespace", ns}, {"VORCheckGateway", "true"}};
    request.cookies = {{"AS_TICKET", ticket}};
    return Authenticate(lib, request);
}

inline SignOnReply Logoff(ProviderLibrary& lib, const std::string& ns, const std::string& visa) {
    basalt_host::AuthenticateRequest request;
    request.action = "logoff";
    request.formFields = {{"VORNamespace", ns}};
    request.visa = visa;
    return Authenticate(lib, request);
}

struct SearchReply {
    int32_t code = 0;
    std::string response;
    std::string exception;
    std::vector<basalt_host::ObjectRow> rows;
    std::vector<std::string> problems;

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& row : rows) {
            names.push_back(row.value("defaultName"));
        }
        return names;
    }
};

// Sends a query document as it stands; the answer with its rows read back.
inline SearchReply SendQuery(ProviderLibrary& lib, const std::string& visa,
                             const std::string& queryDocument) {
    basalt_host::CallOutcome outcome = lib.searchXml(visa, queryDocument);
    SearchReply reply;
    reply.code = outcome.code;
    reply.response = outcome.response.value_or("");
    reply.exception = outcome.exception.value_or("");
    reply.problems = std::move(outcome.problems);
    if (reply.code == 0 && !reply.response.empty()) {
        try {
            reply.rows =
                basalt_host::responseRows(*basalt_host::parseXml(reply.response, "response"));
        } catch (const std::exception& error) {
            reply.problems.push_back(error.what());
        }
    }
    return reply;
}

inline SearchReply Search(ProviderLibrary& lib, const std::string& visa, const std::string& path,
                          const std::vector<std::string>& properties = {"defaultName"},
                          int skip = 0, int max = 0) {
    basalt_host::QuerySpec query;
    query.searchPath = path;
    query.properties = properties;
    query.skip = skip;
    query.max = max;
    return SendQuery(lib, visa, basalt_host::queryDocument(query));
}

inline std::string Vorid(const std::string& identifier) {
    return "VORID('" + identifier + "')";
}

}  // namespace host_calls
