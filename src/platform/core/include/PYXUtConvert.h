// Decimal text <-> 32-bit integers. The platform's long and unsigned long are 32 bits, and so are
// the codes and directory identifiers these convert, so the range is checked against 32 bits.
//
// Text accepted: an optional '+' (or '-' for longCvt) followed by one or more ASCII digits,
// nothing else (no blanks, no "0x", no trailing text). Anything else is "junk"; a value outside
// the range is "overflow". The throwing forms raise PYXException(kPYXErrorConversion) with
// message kPYXMsgNotANumber / kPYXMsgNumberRange; the try forms return false and leave out
// unchanged.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "I18NString.h"

class PYXUtConvert {
public:
    static int32_t longCvt(std::string_view text);
    static int32_t longCvt(const char* text);
    static int32_t longCvt(const std::string& text) { return longCvt(std::string_view(text)); }
    static int32_t longCvt(const I18NString& text);
    static bool tryLongCvt(std::string_view text, int32_t& out) noexcept;

    static uint32_t ulongCvt(std::string_view text);
    static uint32_t ulongCvt(const char* text);
    static uint32_t ulongCvt(const std::string& text) { return ulongCvt(std::string_view(text)); }
    static uint32_t ulongCvt(const I18NString& text);
    static bool tryUlongCvt(std::string_view text, uint32_t& out) noexcept;

    // Number to decimal text.
    static std::string longCvt(int64_t value);
    static std::string ulongCvt(uint64_t value);
};
