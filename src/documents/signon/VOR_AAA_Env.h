// VOR_AAA_Env: a compact, Base64-wrapped list of environment entries that the authentication
// session hands to the framework and later receives back.
//
//     VOR_AAA_Env env;
//     env.Add("REMOTE_USER=bob");        // an entry is written as its name
//     std::string text = env.Encode();   // Base64 of "Type=1 , REMOTE_USER=bob"
//
//     VOR_AAA_Env back;
//     back.Decode(text);                 // IsValid(); entries {"REMOTE_USER" -> "bob"}
//
// Encode writes the names only, in name order; Decode splits each piece at its first "=" into
// name and value. In a value "\=" and "\," stand for "=" and ","; a piece without "=" becomes a
// name with an empty value. Text that is not Base64, or lacks the "Type=1" header, decodes to
// IsValid() false and no entries.
#pragma once

#include <map>
#include <string>

class VOR_AAA_Env {
public:
    static constexpr int kVersion = 1;

    // Enters a name (UTF-8) with an empty value; an existing name keeps its value.
    void Add(const std::string& name) { m_entries.emplace(name, std::string()); }
    std::string Encode() const;
    bool Decode(const std::string& text);

    bool IsValid() const { return m_valid; }
    // Name -> value, in name order (UTF-8 bytes).
    const std::map<std::string, std::string>& GetEntries() const { return m_entries; }

private:
    std::map<std::string, std::string> m_entries;
    bool m_valid = false;
};
