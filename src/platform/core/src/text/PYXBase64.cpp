#include "PYXBase64.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

bool isWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

bool isAlphabet(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '/';
}

}  // namespace

std::size_t PYXBase64EncodedSize(std::size_t length) {
    return (length + 2) / 3 * 4;
}

std::size_t PYXBase64DecodedMaxSize(std::size_t textLength) {
    return textLength / 4 * 3 + 3;
}

std::size_t PYXBase64Encode(const void* data, std::size_t length, char* out, int /*flags*/) {
    if (length == 0) {
        return 0;
    }
    const auto* in = static_cast<const unsigned char*>(data);
    auto* target = reinterpret_cast<unsigned char*>(out);
    // EVP_EncodeBlock writes a NUL after its output; encode all whole groups but the last in
    // place (each NUL is overwritten by the next group) and the last group into a scratch
    // buffer, so that exactly PYXBase64EncodedSize(length) characters land in out.
    const std::size_t groups = (length + 2) / 3;
    const std::size_t headBytes = (groups - 1) * 3;
    constexpr std::size_t kChunk = 3 * 1024 * 1024;  // EVP_EncodeBlock takes an int length
    std::size_t done = 0;
    while (done < headBytes) {
        const std::size_t n = std::min(kChunk, headBytes - done);
        EVP_EncodeBlock(target + done / 3 * 4, in + done, static_cast<int>(n));
        done += n;
    }
    unsigned char last[5];
    EVP_EncodeBlock(last, in + headBytes, static_cast<int>(length - headBytes));
    std::memcpy(target + headBytes / 3 * 4, last, 4);
    return groups * 4;
}

int PYXBase64Decode(const char* text, void* out, std::size_t* length) {
    if (text == nullptr) {
        return kPYXBase64NullArgument;
    }
    return PYXBase64Decode(text, std::strlen(text), out, length);
}

int PYXBase64Decode(const char* text, std::size_t textLength, void* out, std::size_t* length) {
    if (length == nullptr || (text == nullptr && textLength > 0)) {
        return kPYXBase64NullArgument;
    }
    // Drop white space and check the alphabet and the padding ourselves: EVP_DecodeBlock
    // accepts only leading/trailing blanks, and counts padding as zero bytes.
    std::string clean;
    clean.reserve(textLength);
    std::size_t padding = 0;
    for (std::size_t i = 0; i < textLength; ++i) {
        const char c = text[i];
        if (isWhiteSpace(c)) {
            continue;
        }
        if (c == '=') {
            ++padding;
        } else if (!isAlphabet(c)) {
            return kPYXBase64InvalidCharacter;
        } else if (padding > 0) {
            return kPYXBase64InvalidPadding;  // data after '='
        }
        clean.push_back(c);
    }
    if (clean.size() % 4 != 0) {
        return kPYXBase64InvalidLength;
    }
    if (padding > 2) {
        return kPYXBase64InvalidPadding;
    }
    const std::size_t decoded = clean.size() / 4 * 3 - padding;
    if (decoded > *length) {
        return kPYXBase64BufferTooSmall;
    }
    if (clean.empty()) {
        *length = 0;
        return kPYXBase64Ok;
    }
    if (out == nullptr) {
        return kPYXBase64NullArgument;
    }
    // EVP_DecodeBlock writes whole groups of 3; decode into scratch space of that size.
    std::string buffer(clean.size() / 4 * 3, '\0');
    auto* target = reinterpret_cast<unsigned char*>(buffer.data());
    const auto* source = reinterpret_cast<const unsigned char*>(clean.data());
    constexpr std::size_t kChunk = 4 * 1024 * 1024;
    for (std::size_t done = 0; done < clean.size();) {
        const std::size_t n = std::min(kChunk, clean.size() - done);
        if (EVP_DecodeBlock(target + done / 4 * 3, source + done, static_cast<int>(n)) < 0) {
            return kPYXBase64InvalidCharacter;
        }
        done += n;
    }
    std::memcpy(out, buffer.data(), decoded);
    *length = decoded;
    return kPYXBase64Ok;
}
