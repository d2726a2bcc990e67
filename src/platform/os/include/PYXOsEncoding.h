#pragma once

#include <string>
#include <string_view>

// The process's default narrow encoding, as an encoding name that I18NString (ICU) accepts.
// Used where the directory library cannot report the system encoding itself.

// Longest name the query returns; longer names are treated as unknown.
inline constexpr std::size_t kPYXOsEncodingMaxLength = 30;

// Name returned when the encoding cannot be told (no locale set, unknown code set, error).
inline constexpr const char* kPYXOsEncodingFallback = "cp1252";

// The default narrow encoding of the locale named by the environment (LC_ALL, LC_CTYPE, LANG),
// without changing the process's global locale. Never throws.
std::string PYXOsDefaultEncoding();

// The same for an explicit locale name ("" means the environment's). Never throws.
std::string PYXOsEncodingOfLocale(const char* localeName);

// Maps a code-set name as the C library reports it to a name ICU understands, or the fallback.
std::string PYXOsNormalizeCodeset(std::string_view codeset);
