#pragma once
// The language of one run of basalt-host. The host's own sentences (lead lines, meanings of
// result codes, the steps of `check`) are written in English in the code and looked up in the
// one table of HostText.cpp; the provider is asked for its messages in the same locale, so a run
// speaks one language throughout.

#include <initializer_list>
#include <string>
#include <string_view>

namespace basalt_host {

enum class Language { English, French };

// The locale of the run when none is given on the command line: LC_ALL, LC_MESSAGES or LANG
// ("fr_FR.UTF-8" gives "fr-fr"); "en-us" when none names a language ("C", "POSIX", unset).
std::string localeFromEnvironment();

// The host's language for a locale name ("fr", "fr-ca", "fr_FR"): French for French, English
// for anything else.
Language languageOf(std::string_view locale);

// Sets the language of the run (once, before any output).
void setLanguage(Language language);
Language language();

// The run's wording of an English sentence of the table; a sentence the table lacks is returned
// as it is. "{1}", "{2}", ... are replaced by the arguments in order.
std::string say(std::string_view english, std::initializer_list<std::string> arguments = {});

}  // namespace basalt_host
