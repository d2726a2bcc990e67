// Base64 (RFC 4648 standard alphabet, '=' padding), on OpenSSL's EVP_EncodeBlock and
// EVP_DecodeBlock.
#pragma once

#include <cstddef>
#include <cstdint>

// Result codes of PYXBase64Decode.
enum PYXBase64Result : int {
    kPYXBase64Ok = 0,
    kPYXBase64InvalidCharacter = 1,  // a byte outside the alphabet (white space aside)
    kPYXBase64InvalidLength = 2,     // not a multiple of 4 characters after white space
    kPYXBase64InvalidPadding = 3,    // '=' other than one or two at the very end
    kPYXBase64BufferTooSmall = 4,    // *length is less than the decoded size
    kPYXBase64NullArgument = 5,
};

// Characters the encoding of length bytes takes: 4 * ceil(length / 3). No terminator counted.
std::size_t PYXBase64EncodedSize(std::size_t length);
// Largest number of bytes a text of textLength characters can decode to.
std::size_t PYXBase64DecodedMaxSize(std::size_t textLength);

// Encodes length bytes into out, which must hold PYXBase64EncodedSize(length) characters.
// Writes exactly that many characters and no terminator (allocate one more and put the NUL
// yourself if you need one). No line breaks. flags must be 0 (reserved). Returns the number
// of characters written.
std::size_t PYXBase64Encode(const void* data, std::size_t length, char* out, int flags = 0);

// Decodes the NUL-terminated text into out. On entry *length is the capacity of out, on
// success it is the number of bytes decoded. White space (blanks, tabs, line breaks)
// anywhere in the text is ignored; padding is required (length a multiple of 4). The empty
// text decodes to 0 bytes. Returns kPYXBase64Ok (0) or a non-zero PYXBase64Result; on failure
// *length and out are unspecified.
int PYXBase64Decode(const char* text, void* out, std::size_t* length);
// The same with an explicit text length (the text need not be NUL-terminated).
int PYXBase64Decode(const char* text, std::size_t textLength, void* out, std::size_t* length);
