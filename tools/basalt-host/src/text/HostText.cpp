#include "HostText.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <string_view>
#include <vector>

namespace basalt_host {
namespace {

Language g_language = Language::English;

// English sentence -> French sentence. Every sentence the host says through say() has its line.
const std::map<std::string_view, std::string_view>& french() {
    static const std::map<std::string_view, std::string_view> table = {
#include "HostTextFrench.inc"
    };
    return table;
}

std::string lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

}  // namespace

std::string localeFromEnvironment() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value == nullptr || *value == '\0') {
            continue;
        }
        std::string locale(value);
        locale = locale.substr(0, locale.find_first_of(".@"));  // fr_FR.UTF-8@euro -> fr_FR
        if (locale == "C" || locale == "POSIX" || locale.empty()) {
            return "en-us";
        }
        std::replace(locale.begin(), locale.end(), '_', '-');
        return lower(locale);
    }
    return "en-us";
}

Language languageOf(std::string_view locale) {
    std::string tag = lower(locale.substr(0, locale.find_first_of("-_")));
    return tag == "fr" ? Language::French : Language::English;
}

void setLanguage(Language language) {
    g_language = language;
}

Language language() {
    return g_language;
}

std::string say(std::string_view english, std::initializer_list<std::string> arguments) {
    std::string text(english);
    if (g_language == Language::French) {
        auto found = french().find(english);
        if (found != french().end()) {
            text = found->second;
        }
    }
    // One pass over the sentence, so that a marker inside an argument stays as it is.
    const std::vector<std::string> values(arguments);
    std::string out;
    for (std::size_t at = 0; at < text.size(); ++at) {
        std::size_t close = text[at] == '{' ? text.find('}', at) : std::string::npos;
        if (close != std::string::npos && close > at + 1 && close <= at + 3 &&
            text.find_first_not_of("0123456789", at + 1) == close) {
            std::size_t number = std::stoul(text.substr(at + 1, close - at - 1));
            if (number >= 1 && number <= values.size()) {
                out += values[number - 1];
                at = close;
                continue;
            }
        }
        out += text[at];
    }
    return out;
}

}  // namespace basalt_host
