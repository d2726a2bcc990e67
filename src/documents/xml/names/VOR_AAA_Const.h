// VOR_AAA_Const: the name table of the provider's XML schema.
//
// Usage:
//   const VOR_AAA_Const& names = VOR_AAA_Const::Get();
//   if (VOR_AAA_Const::Equals(localname, names.kAdditionalInfo)) ...   // SAX handlers (UTF-16)
//   out << VOR_AAA_Const::Text::kBusNamespaceURI;                       // writers (narrow)
//
// Every name exists twice, built at compile time from one list (VOR_AAA_ConstNames.def): as a
// UTF-16 constant (XMLCh, the parser's character type) and as a narrow constant in the nested
// struct Text. Nothing is transcoded at run time, so Get() cannot fail and needs no lock. To add
// a name, append a line to VOR_AAA_ConstNames.def.
#pragma once

#include <xercesc/util/XMLString.hpp>
#include <xercesc/util/XercesDefs.hpp>

#include <type_traits>

static_assert(std::is_same_v<XMLCh, char16_t>, "the name table needs Xerces built with char16_t");

class VOR_AAA_Const {
public:
    // The process table. Handlers keep the reference as their name table pointer.
    static const VOR_AAA_Const& Get();

    // Exact comparison of a parser name (local name, URI) with a table entry; null equals "".
    static bool Equals(const XMLCh* a, const XMLCh* b) { return xercesc::XMLString::equals(a, b); }

#define VOR_AAA_CONST(id, text) static constexpr XMLCh id[] = u"" text;
#include "VOR_AAA_ConstNames.def"
#undef VOR_AAA_CONST

    struct Text {
#define VOR_AAA_CONST(id, text) static constexpr char id[] = text;
#include "VOR_AAA_ConstNames.def"
#undef VOR_AAA_CONST
    };

private:
    VOR_AAA_Const() = default;
};
