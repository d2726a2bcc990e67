#pragma once

#include <stdexcept>
#include <string>

namespace basalt::crypto {

// A failure inside the service: the negative VOR_CRYPTO_E_* code and a text for the details.
class CryptoError : public std::runtime_error {
public:
    CryptoError(int code, const std::string& what) : std::runtime_error(what), m_code(code) {}
    int code() const { return m_code; }

private:
    int m_code;
};

}  // namespace basalt::crypto
