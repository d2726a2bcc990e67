// A secret (password, certificate) converted for the access library: the bytes are overwritten
// when it goes, so no copy of the clear text lingers in freed memory.
#pragma once

#include <string>

class SecretText {
public:
    explicit SecretText(std::string text) : m_text(std::move(text)) {}
    ~SecretText() { Wipe(m_text); }
    SecretText(const SecretText&) = delete;
    SecretText& operator=(const SecretText&) = delete;

    const char* c_str() const noexcept { return m_text.c_str(); }
    const std::string& str() const noexcept { return m_text; }

    // Overwrites the bytes in place (the compiler may not drop the stores).
    static void Wipe(std::string& text) noexcept {
        volatile char* bytes = text.data();
        for (std::size_t i = 0; i < text.size(); ++i) {
            bytes[i] = '\0';
        }
    }

private:
    std::string m_text;
};
