#include "Messages.h"

#include <AccessAPI.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <vector>

#include "TextFile.h"

namespace ridge::access {

namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    for (auto& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::replace(out.begin(), out.end(), '_', '-');
    return out;
}

}  // namespace

std::optional<MessageMap> parseMessageFile(std::string_view text, std::string* error) {
    MessageMap out;
    bool ok = true;
    forEachLine(text, [&](std::string_view line, int lineNo) {
        size_t sp = line.find_first_of(" \t");
        std::string_view key = line.substr(0, sp);
        size_t colon = key.find(':');
        std::string_view num = key.substr(0, colon);
        std::string_view reason =
            colon == std::string_view::npos ? std::string_view() : key.substr(colon + 1);
        int32_t code = 0;
        auto [end, ec] = std::from_chars(num.data(), num.data() + num.size(), code);
        bool reasonOk = colon == std::string_view::npos ||
                        (!reason.empty() && std::all_of(reason.begin(), reason.end(), [](char c) {
                            return (c >= 'a' && c <= 'z') || c == '-';
                        }));
        if (sp == std::string_view::npos || ec != std::errc() || end != num.data() + num.size() ||
            !reasonOk || trim(line.substr(sp)).empty()) {
            if (error)
                *error = "message line " + std::to_string(lineNo) + " malformed";
            ok = false;
            return false;
        }
        out[MessageKey{code, std::string(reason)}] = std::string(trim(line.substr(sp)));
        return true;
    });
    if (!ok)
        return std::nullopt;
    return out;
}

std::map<std::string, std::string> parseLanguageTable(std::string_view text) {
    std::map<std::string, std::string> out;
    forEachLine(text, [&](std::string_view line, int) {
        size_t sp = line.find_first_of(" \t");
        if (sp != std::string_view::npos) {
            auto code = trim(line.substr(sp));
            if (!code.empty())
                out[lower(line.substr(0, sp))] = std::string(code);
        }
        return true;
    });
    return out;
}

std::string formatMessage(const std::string& text, const std::string& detail) {
    size_t at = text.find("%1");
    if (at != std::string::npos)
        return text.substr(0, at) + detail + text.substr(at + 2);
    if (detail.empty())
        return text;
    return text + " (" + detail + ")";
}

MessageCatalog::MessageCatalog(std::string languageTablePath, std::string englishFilePath)
    : m_englishPath(std::move(englishFilePath)) {
    if (auto table = readFile(languageTablePath))
        m_languages = parseLanguageTable(*table);
}

std::string MessageCatalog::codeFor(std::string_view language) {
    std::string tag = lower(trim(language));
    auto it = m_languages.find(tag);
    if (it != m_languages.end())
        return it->second;
    size_t dash = tag.find('-');
    if (dash != std::string::npos) {
        it = m_languages.find(tag.substr(0, dash));
        if (it != m_languages.end())
            return it->second;
    }
    return "en";
}

const MessageMap& MessageCatalog::messages(const std::string& code) {
    auto it = m_loaded.find(code);
    if (it != m_loaded.end())
        return it->second;
    std::string path = m_englishPath;
    size_t at = path.rfind("_en.msg");
    if (code != "en" && at != std::string::npos)
        path = path.substr(0, at) + "_" + code + ".msg";
    MessageMap parsed;
    if (auto text = readFile(path)) {
        if (auto m = parseMessageFile(*text, nullptr))
            parsed = std::move(*m);
    }
    return m_loaded.emplace(code, std::move(parsed)).first->second;
}

std::string MessageCatalog::text(const MessageKey& key, const std::string& detail,
                                 std::string_view language) {
    std::lock_guard lock(m_mutex);
    std::string code = codeFor(language);
    std::vector<MessageKey> keys;
    if (!key.reason.empty())
        keys.push_back(key);
    keys.push_back(MessageKey{key.status, {}});
    for (const MessageKey& k : keys) {
        for (const std::string& c : {code, std::string("en")}) {
            const auto& m = messages(c);
            auto it = m.find(k);
            if (it != m.end())
                return formatMessage(it->second, detail);
        }
    }
    return formatMessage("Directory access error " + std::to_string(key.status), detail);
}

}  // namespace ridge::access
