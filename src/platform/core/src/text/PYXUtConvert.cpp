#include "PYXUtConvert.h"

#include <charconv>
#include <limits>

#include "CoreErrors.h"

namespace {

// Optional sign, then digits only; the value must lie in [min, max] ("-5" for an unsigned
// type is out of range, not junk).
enum class Parse { Ok, Junk, Range };

Parse parseDecimal(std::string_view text, int64_t min, int64_t max, int64_t& out) {
    if (text.empty()) {
        return Parse::Junk;
    }
    bool negative = false;
    if (text.front() == '+' || text.front() == '-') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return Parse::Junk;
    }
    uint64_t magnitude = 0;
    bool tooBig = false;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return Parse::Junk;
        }
        if (magnitude > (std::numeric_limits<uint64_t>::max() - 9) / 10) {
            tooBig = true;  // keep scanning: junk later in the text is still junk
        } else {
            magnitude = magnitude * 10 + static_cast<uint64_t>(c - '0');
        }
    }
    if (tooBig) {
        return Parse::Range;
    }
    if (negative) {
        if (magnitude > static_cast<uint64_t>(-min)) {
            return Parse::Range;
        }
        out = -static_cast<int64_t>(magnitude);
    } else {
        if (magnitude > static_cast<uint64_t>(max)) {
            return Parse::Range;
        }
        out = static_cast<int64_t>(magnitude);
    }
    return Parse::Ok;
}

[[noreturn]] void reportFailure(Parse failure, std::string_view text, const char* type,
                                const char* function) {
    const std::string shown(text);
    if (failure == Parse::Range) {
        PYX_CORE_RAISE(kPYXErrorConversion,
                       PYXMessage(kPYXComponent, kPYXMsgNumberRange) << shown << type,
                       "\"" + shown + "\" is out of range for " + type, function);
    }
    PYX_CORE_RAISE(kPYXErrorConversion, PYXMessage(kPYXComponent, kPYXMsgNotANumber) << shown,
                   "\"" + shown + "\" is not a decimal number", function);
}

constexpr int64_t kLongMin = std::numeric_limits<int32_t>::min();
constexpr int64_t kLongMax = std::numeric_limits<int32_t>::max();
constexpr int64_t kUlongMax = std::numeric_limits<uint32_t>::max();

}  // namespace

bool PYXUtConvert::tryLongCvt(std::string_view text, int32_t& out) noexcept {
    int64_t value = 0;
    if (parseDecimal(text, kLongMin, kLongMax, value) != Parse::Ok) {
        return false;
    }
    out = static_cast<int32_t>(value);
    return true;
}

int32_t PYXUtConvert::longCvt(std::string_view text) {
    int64_t value = 0;
    const Parse result = parseDecimal(text, kLongMin, kLongMax, value);
    if (result != Parse::Ok) {
        reportFailure(result, text, "long", "PYXUtConvert::longCvt");
    }
    return static_cast<int32_t>(value);
}

int32_t PYXUtConvert::longCvt(const char* text) {
    return longCvt(std::string_view(text == nullptr ? "" : text));
}

int32_t PYXUtConvert::longCvt(const I18NString& text) {
    // Non-ASCII text cannot be a number; its UTF-8 form fails as junk.
    return longCvt(std::string_view(text.utf8()));
}

bool PYXUtConvert::tryUlongCvt(std::string_view text, uint32_t& out) noexcept {
    int64_t value = 0;
    if (parseDecimal(text, 0, kUlongMax, value) != Parse::Ok) {
        return false;
    }
    out = static_cast<uint32_t>(value);
    return true;
}

uint32_t PYXUtConvert::ulongCvt(std::string_view text) {
    int64_t value = 0;
    const Parse result = parseDecimal(text, 0, kUlongMax, value);
    if (result != Parse::Ok) {
        reportFailure(result, text, "unsigned long", "PYXUtConvert::ulongCvt");
    }
    return static_cast<uint32_t>(value);
}

uint32_t PYXUtConvert::ulongCvt(const char* text) {
    return ulongCvt(std::string_view(text == nullptr ? "" : text));
}

uint32_t PYXUtConvert::ulongCvt(const I18NString& text) {
    return ulongCvt(std::string_view(text.utf8()));
}

std::string PYXUtConvert::longCvt(int64_t value) {
    return std::to_string(value);
}

std::string PYXUtConvert::ulongCvt(uint64_t value) {
    return std::to_string(value);
}
