// A secret kept in memory only encrypted (AES-256-GCM under a key made at random for the
// process), so that a memory dump or a core file of the library does not show it in clear. The
// clear text exists only inside reveal()'s Clear, which wipes it when it goes.
#pragma once

#include <string>
#include <string_view>

namespace ridge::access {

class ProtectedSecret {
public:
    ProtectedSecret() = default;
    explicit ProtectedSecret(std::string_view clear);
    ~ProtectedSecret();
    ProtectedSecret(ProtectedSecret&& other) noexcept;
    ProtectedSecret& operator=(ProtectedSecret&& other) noexcept;
    ProtectedSecret(const ProtectedSecret&) = delete;
    ProtectedSecret& operator=(const ProtectedSecret&) = delete;

    bool empty() const { return m_sealed.empty(); }
    // Forgets the secret.
    void clear();

    // The clear text for the time of one use; wiped when destroyed.
    class Clear {
    public:
        explicit Clear(const ProtectedSecret& secret);
        ~Clear();
        Clear(const Clear&) = delete;
        Clear& operator=(const Clear&) = delete;
        const std::string& text() const { return m_text; }

    private:
        std::string m_text;
    };
    // Throws AccessError (-20) when the sealed text does not open (it was damaged).
    Clear reveal() const;

private:
    std::string m_sealed;  // nonce, tag, cipher text
};

// Overwrites the bytes of text so that the optimiser cannot drop it, then empties it.
void wipe(std::string& text);

// Wipes a password taken from the caller when the scope that uses it ends.
class WipeOnExit {
public:
    explicit WipeOnExit(std::string& text) : m_text(text) {}
    ~WipeOnExit() { wipe(m_text); }
    WipeOnExit(const WipeOnExit&) = delete;
    WipeOnExit& operator=(const WipeOnExit&) = delete;

private:
    std::string& m_text;
};

}  // namespace ridge::access
