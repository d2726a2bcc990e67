// VOR_AAA_MarkupBuffer: the stream buffer documents are written into.
//
// Usage:  VOR_AAA_MarkupBuffer buffer;
//         std::ostream out(&buffer);
//         document.Write(out);
//         std::string_view text = buffer.Text();
//
// The text is written into one growing block (doubling), never through a string's append, and
// WriteMarkup (VOR_AAA_WriteEscapedText.h) copies straight into it without a virtual call: a
// query response of a hundred objects is some ten thousand pieces. Clear() empties the text and
// keeps the block, so a kept buffer serves document after document.
#pragma once

#include <climits>
#include <cstddef>
#include <cstring>
#include <memory>
#include <streambuf>
#include <string_view>

class VOR_AAA_MarkupBuffer final : public std::streambuf {
public:
    VOR_AAA_MarkupBuffer() = default;
    VOR_AAA_MarkupBuffer(const VOR_AAA_MarkupBuffer&) = delete;
    VOR_AAA_MarkupBuffer& operator=(const VOR_AAA_MarkupBuffer&) = delete;

    void Append(const char* bytes, size_t count) {
        if (static_cast<size_t>(epptr() - pptr()) >= count) {
            if (count != 0) {
                std::memcpy(pptr(), bytes, count);
                advance(count);
            }
        } else {
            grow(bytes, count);
        }
    }
    void Append(char c) {
        if (pptr() != epptr()) {
            *pptr() = c;
            pbump(1);
        } else {
            grow(&c, 1);
        }
    }

    std::string_view Text() const { return {pbase(), static_cast<size_t>(pptr() - pbase())}; }
    size_t Capacity() const { return m_capacity; }
    // Empties the text; the block stays for the next document.
    void Clear() { setp(m_block.get(), m_block.get() + m_capacity); }
    // Empties the text and gives the block back.
    void Release();

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* bytes, std::streamsize count) override;

private:
    // pbump takes an int; a text past 2 GiB is still counted right.
    void advance(size_t count) {
        while (count > static_cast<size_t>(INT_MAX)) {
            pbump(INT_MAX);
            count -= static_cast<size_t>(INT_MAX);
        }
        pbump(static_cast<int>(count));
    }
    // Moves the text into a block large enough for count more bytes, then appends them.
    void grow(const char* bytes, size_t count);

    std::unique_ptr<char[]> m_block;
    size_t m_capacity = 0;
};
