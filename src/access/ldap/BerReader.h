// The elements of a BER encoding read in place, one after the other, as liblber reads them
// (definite lengths only) but without its per-call work: the attribute lists of a page of
// entries are some thousands of elements.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace ridge::access {

class BerReader {
public:
    explicit BerReader(std::string_view bytes)
        : m_at(reinterpret_cast<const unsigned char*>(bytes.data())), m_end(m_at + bytes.size()) {}

    bool atEnd() const { return m_at == m_end; }

    // The content of the next element, whatever its tag, and the reader moves past it. Nullopt,
    // and the reader stays, when no whole element follows: a cut tag or length, an indefinite
    // or overlong length, or content running past the end.
    std::optional<std::string_view> next() {
        const unsigned char* p = m_at;
        if (p == m_end)
            return std::nullopt;
        // A tag number of 31 or more continues in the bytes that have their high bit set.
        if ((*p++ & 0x1f) == 0x1f) {
            size_t tagBytes = 1;
            do {
                if (p == m_end || ++tagBytes > sizeof(uint64_t))
                    return std::nullopt;
            } while ((*p++ & 0x80) != 0);
        }
        if (p == m_end)
            return std::nullopt;
        size_t length = *p++;
        if ((length & 0x80) != 0) {
            size_t lengthBytes = length & 0x7f;
            if (lengthBytes == 0 || lengthBytes > sizeof(size_t) ||
                static_cast<size_t>(m_end - p) < lengthBytes)
                return std::nullopt;
            length = 0;
            while (lengthBytes-- > 0)
                length = (length << 8) | *p++;
        }
        if (length > static_cast<size_t>(m_end - p))
            return std::nullopt;
        m_at = p + length;
        return std::string_view(reinterpret_cast<const char*>(p), length);
    }

private:
    const unsigned char* m_at;
    const unsigned char* m_end;
};

}  // namespace ridge::access
