#include "VOR_AAA_WriteEscapedText.h"

#include "I18NString.h"

#include <array>
#include <charconv>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The bytes that are not copied as they are: the five markup characters and the control bytes
// other than tab, line feed and carriage return.
constexpr std::array<bool, 256> kReplaced = [] {
    std::array<bool, 256> replaced{};
    for (int c = 0; c < 0x20; ++c) {
        replaced[c] = c != '\t' && c != '\n' && c != '\r';
    }
    for (unsigned char c : {'<', '>', '&', '\'', '"'}) {
        replaced[c] = true;
    }
    return replaced;
}();

// The position of the first byte at or after from that is replaced, or size. Sixteen bytes at a
// time where the processor has SSE2: the texts of a page are mostly plain.
size_t nextReplaced(std::string_view text, size_t from) {
    const size_t size = text.size();
    size_t i = from;
#if defined(__SSE2__)
    const __m128i space = _mm_set1_epi8(0x20);
    const __m128i specials[] = {_mm_set1_epi8('<'), _mm_set1_epi8('>'), _mm_set1_epi8('&'),
                                _mm_set1_epi8('\''), _mm_set1_epi8('"')};
    for (; i + 16 <= size; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
        // A byte below 0x20 (unsigned) is one whose maximum with 0x20 is not itself.
        __m128i hits =
            _mm_xor_si128(_mm_cmpeq_epi8(_mm_max_epu8(bytes, space), bytes), _mm_set1_epi8(-1));
        for (const __m128i& special : specials) {
            hits = _mm_or_si128(hits, _mm_cmpeq_epi8(bytes, special));
        }
        if (_mm_movemask_epi8(hits) == 0) {
            continue;
        }
        // Which one: tab, line feed and carriage return are hits here but pass.
        for (size_t j = i; j < i + 16; ++j) {
            if (kReplaced[static_cast<unsigned char>(text[j])]) {
                return j;
            }
        }
    }
#endif
    while (i < size && !kReplaced[static_cast<unsigned char>(text[i])]) {
        ++i;
    }
    return i;
}

std::string_view entityOf(unsigned char c) {
    switch (c) {
        case '<':
            return "&lt;";
        case '>':
            return "&gt;";
        case '&':
            return "&amp;";
        case '\'':
            return "&apos;";
        case '"':
            return "&quot;";
        default:
            return {};
    }
}

}  // namespace

void WriteEscapedText(std::string_view text, std::ostream& out) {
    const size_t size = text.size();
    size_t runStart = 0;
    for (size_t i = 0;; ++i) {
        // Most texts hold nothing to replace: find the end of the run first.
        i = nextReplaced(text, i);
        if (i > runStart) {
            WriteMarkup(text.substr(runStart, i - runStart), out);
        }
        if (i == size) {
            return;
        }
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const std::string_view entity = entityOf(c);
        if (!entity.empty()) {
            WriteMarkup(entity, out);
        } else {
            WriteMarkup("&amp;#", out);
            WriteCount(c, out);
            WriteMarkup(';', out);
        }
        runStart = i + 1;
    }
}

void WriteEscapedText(const I18NString& text, std::ostream& out) {
    // Short ASCII texts (most values of a document) are narrowed on the stack, without the
    // allocation of a UTF-8 copy.
    constexpr size_t kNarrowed = 256;
    const std::u16string& units = text.utf16();
    if (units.size() <= kNarrowed) {
        char narrow[kNarrowed];
        size_t i = 0;
        while (i < units.size() && units[i] < 0x80) {
            narrow[i] = static_cast<char>(units[i]);
            ++i;
        }
        if (i == units.size()) {
            WriteEscapedText(std::string_view(narrow, i), out);
            return;
        }
    }
    WriteEscapedText(std::string_view(text.utf8()), out);
}

void WriteCount(size_t count, std::ostream& out) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, count).ptr;
    WriteMarkup(std::string_view(digits, static_cast<size_t>(end - digits)), out);
}
