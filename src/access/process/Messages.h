// Error texts per language. The language table (TLXNLSTAB) maps language tags to message-file
// codes ("fr-ca fr"); the message file of code xx is srvcmsgs_xx.msg beside the English one
// (SRVCMSGS). A message file holds "<status> <text>" lines ('#' comments, UTF-8), and
// "<status>:<reason> <text>" lines for the texts of particular causes of a status (a TLS failure
// "-16:untrusted", "-16:name", ...); "%1" in a text stands for the failure's detail.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace ridge::access {

// A message's key: the status and the cause ("" for the status's general text).
struct MessageKey {
    int32_t status = 0;
    std::string reason;
    auto operator<=>(const MessageKey&) const = default;
};
using MessageMap = std::map<MessageKey, std::string>;

// Message lines -> map; nullopt and *error when a line is malformed.
std::optional<MessageMap> parseMessageFile(std::string_view text, std::string* error);
// "<tag> <code>" lines -> map with lower-case tags.
std::map<std::string, std::string> parseLanguageTable(std::string_view text);

// Fills the detail into a message text: "%1" replaced, else appended as " (detail)".
std::string formatMessage(const std::string& text, const std::string& detail);

class MessageCatalog {
public:
    MessageCatalog(std::string languageTablePath, std::string englishFilePath);
    // The UTF-8 text of a status (and cause) in the language: the cause's text, else the
    // status's general text, each in the language and then in English; else a generic text.
    std::string text(const MessageKey& key, const std::string& detail, std::string_view language);
    // Message-file code for a language tag ("fr-FR" -> "fr"), "en" when unknown.
    std::string codeFor(std::string_view language);

private:
    const MessageMap& messages(const std::string& code);
    std::mutex m_mutex;
    std::string m_englishPath;
    std::map<std::string, std::string> m_languages;
    std::map<std::string, MessageMap> m_loaded;
};

}  // namespace ridge::access
