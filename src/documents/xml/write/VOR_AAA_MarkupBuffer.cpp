#include "VOR_AAA_MarkupBuffer.h"

#include <algorithm>

void VOR_AAA_MarkupBuffer::Release() {
    m_block.reset();
    m_capacity = 0;
    setp(nullptr, nullptr);
}

VOR_AAA_MarkupBuffer::int_type VOR_AAA_MarkupBuffer::overflow(int_type c) {
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        Append(traits_type::to_char_type(c));
    }
    return traits_type::not_eof(c);
}

std::streamsize VOR_AAA_MarkupBuffer::xsputn(const char* bytes, std::streamsize count) {
    if (count > 0) {
        Append(bytes, static_cast<size_t>(count));
    }
    return count;
}

void VOR_AAA_MarkupBuffer::grow(const char* bytes, size_t count) {
    const size_t used = static_cast<size_t>(pptr() - pbase());
    const size_t capacity = std::max({used + count, 2 * m_capacity, size_t{4096}});
    auto block = std::make_unique_for_overwrite<char[]>(capacity);
    if (used != 0) {
        std::memcpy(block.get(), pbase(), used);
    }
    // The bytes may lie in the old block: copy them before it goes.
    std::memcpy(block.get() + used, bytes, count);
    m_block = std::move(block);
    m_capacity = capacity;
    setp(m_block.get(), m_block.get() + m_capacity);
    advance(used + count);
}
