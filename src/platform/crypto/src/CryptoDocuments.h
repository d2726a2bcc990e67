#pragma once

#include <string>
#include <string_view>

namespace basalt::crypto {

// Reads the request documents of the service. Each throws CryptoError(VOR_CRYPTO_E_DOCUMENT)
// naming what is wrong.

// The <serviceID> of an <initializeDocument> or <terminateDocument> (rootName says which).
std::string readServiceId(const char* document, std::string_view rootName);

struct SetInfoRequest {
    std::string action;
    std::string dataLocation;
};

// The <action> and <dataLocation> of a <setInfoDocument>.
SetInfoRequest readSetInfo(const char* document);

// A result document reporting a failure: status code and message, XML-escaped.
std::string failureDocument(int code, std::string_view message);

}  // namespace basalt::crypto
