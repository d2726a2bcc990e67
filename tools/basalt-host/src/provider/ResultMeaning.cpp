#include "ResultMeaning.h"

#include "HostText.h"
#include "VOR_AAA_Interface.h"

namespace basalt_host {
namespace {

enum class Entry { Initialize, Terminate, Configure, SetVersion, Authenticate, Search, Other };

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

Entry entryOf(std::string_view label) {
    // Longer names first: "BasaltAuthenticateXml" starts with "BasaltAuthenticate".
    if (startsWith(label, "BasaltInitialize")) {
        return Entry::Initialize;
    }
    if (startsWith(label, "BasaltTerminate")) {
        return Entry::Terminate;
    }
    if (startsWith(label, "BasaltConfigure")) {
        return Entry::Configure;
    }
    if (startsWith(label, "BasaltSetNamespaceVersion")) {
        return Entry::SetVersion;
    }
    if (startsWith(label, "BasaltAuthenticate")) {
        return Entry::Authenticate;
    }
    if (startsWith(label, "BasaltSearch")) {
        return Entry::Search;
    }
    return Entry::Other;
}

std::string directoryFailure(Entry entry) {
    switch (entry) {
        case Entry::Configure:
            return say(
                "the directory access library failed: at process set-up (home directory, "
                "access.conf, message files) or in a call made while the namespace was built "
                "(the details name the call and its status)");
        case Entry::Initialize:
        case Entry::Terminate:
            return say(
                "the directory access library's process set-up or teardown failed (home "
                "directory, access.conf, message files)");
        default:
            return say(
                "a directory access library call failed (the details name the call and its "
                "status)");
    }
}

}  // namespace

std::string resultMeaning(int32_t code, std::string_view label) {
    const Entry entry = entryOf(label);
    switch (code) {
        case kVOR_AAA_Success:
            return say("success");
        case kVOR_AAA_DirectoryProcessFailure:
            return directoryFailure(entry);
        case kVOR_AAA_UnknownInterface:
            return say("unknown interface number");
        case kVOR_AAA_InvalidArgument:
            if (entry == Entry::Initialize) {
                return say("a required argument is null");
            }
            if (entry == Entry::Configure) {
                return say("the configuration lists two instances with the same name");
            }
            return say("invalid argument");
        case kVOR_AAA_NoProvider:
            if (entry == Entry::Configure) {
                return say("the provider could not be created or built no namespace");
            }
            return say("the provider could not be created");
        case kVOR_AAA_NotInitialized:
            return say("the provider has not been initialised");
        case -32:
            if (entry == Entry::Authenticate) {
                return say("the runtime blob of the credentials is not readable XML");
            }
            return "";
        case kVOR_AAA_MissingParameter:
            return say("a mandatory configuration parameter is missing");
        case kVOR_AAA_AuthUserRecoverable:
            return say("more information is needed from the user");
        case kVOR_AAA_AuthSystemRecoverable:
            return say("a challenge must be answered");
        case kVOR_AAA_AuthUnrecoverable:
            if (entry == Entry::SetVersion) {
                return say("no configured namespace has this identifier");
            }
            return say("authentication failed and cannot be retried as it is");
        case kVOR_AAA_GeneralFailure:
            return say("general failure");
        case kVOR_AAA_NamespaceClaimed:
            return say("a namespace claimed the request sent to the generic namespace");
        default:
            return "";
    }
}

std::string describeResult(int32_t code, std::string_view entry) {
    std::string meaning = resultMeaning(code, entry);
    return std::to_string(code) + (meaning.empty() ? "" : " (" + meaning + ")");
}

}  // namespace basalt_host
