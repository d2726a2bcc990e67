// Encryption of the offline cache's records under a key of the home, and the keyed digests that
// name them: a copy of the cache files shows neither who signed on nor anything a user read.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ridge::access {

class RecordCipher {
public:
    // key: 32 bytes.
    explicit RecordCipher(std::string key);
    ~RecordCipher();
    RecordCipher(const RecordCipher&) = delete;
    RecordCipher& operator=(const RecordCipher&) = delete;

    // AES-256-GCM of clear, bound to label (a record moved under another name does not open):
    // nonce, tag, cipher text.
    std::string seal(std::string_view label, std::string_view clear) const;
    // nullopt when sealed was damaged, made under another key or for another label.
    std::optional<std::string> open(std::string_view label, std::string_view sealed) const;
    // HMAC-SHA-256 of text under the key, in lowercase hex.
    std::string digest(std::string_view text) const;

private:
    std::string m_key;
};

}  // namespace ridge::access
