#include "PYXDocumentLimits.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "PYXHome.h"
#include "PYXSettingsFile.h"

namespace {

// A positive decimal number, or nothing.
std::optional<unsigned long long> positiveNumber(const std::string& text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    errno = 0;
    const unsigned long long value = std::strtoull(text.c_str(), nullptr, 10);
    if (errno != 0 || value == 0) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

PYXDocumentLimits PYXDocumentLimits::Read(const std::string& homeDirectory) {
    PYXDocumentLimits limits;
    for (const auto& [key, text] :
         PYXReadSettingsFile(std::filesystem::path(homeDirectory) / kFileName)) {
        const std::optional<unsigned long long> value = positiveNumber(text);
        if (!value) {
            continue;
        }
        if (key == "max_document_size") {
            limits.maxDocumentSize = static_cast<std::size_t>(*value);
        } else if (key == "max_element_depth" && *value <= 0xFFFFFFFFull) {
            limits.maxElementDepth = static_cast<unsigned>(*value);
        }
    }
    return limits;
}

namespace {

// The process's last read, for a thread's first parse: a host that starts a thread per request
// would otherwise read the file for every request.
PYXDocumentLimits processLimits(std::string_view key) {
    static std::mutex mutex;
    static std::optional<std::string> readFor;
    static PYXDocumentLimits limits;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (readFor && *readFor == key) {
            return limits;
        }
    }
    // Read without the lock: other threads' first parses need not wait for the file system.
    const PYXDocumentLimits read = PYXDocumentLimits::Read(PYXHomeDirectory());
    std::lock_guard<std::mutex> lock(mutex);
    limits = read;
    readFor = std::string(key);
    return read;
}

}  // namespace

PYXDocumentLimits PYXDocumentLimits::Current() {
    // Resolving the home directory touches the file system unless BASALT_HOME is set; the
    // environment value alone tells whether the home can have changed since the last read.
    // Each thread keeps its own last read, so that parses on different threads share no lock.
    thread_local std::optional<std::string> readFor;
    thread_local PYXDocumentLimits current;
    const char* environment = std::getenv("BASALT_HOME");
    const std::string_view key = environment != nullptr ? environment : "";
    if (!readFor || *readFor != key) {
        current = processLimits(key);
        readFor = std::string(key);
    }
    return current;
}

std::string PYXDocumentLimits::SizeRefusal(std::size_t length) const {
    return "the document is " + std::to_string(length) +
           " bytes long, more than the maximum document size of " +
           std::to_string(maxDocumentSize) + " bytes (max_document_size in " + kFileName + ")";
}

std::string PYXDocumentLimits::DepthRefusal() const {
    return "the document nests elements deeper than the maximum element depth of " +
           std::to_string(maxElementDepth) + " (max_element_depth in " + kFileName + ")";
}

std::string PYXDocumentLimits::DoctypeRefusal() {
    return "the document has a document type declaration (DOCTYPE), which is not accepted";
}
