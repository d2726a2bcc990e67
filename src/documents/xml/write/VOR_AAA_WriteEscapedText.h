// WriteEscapedText: the one escaping writer for character data in hand-written documents.
//
// Usage:  out << "<name>"; WriteEscapedText(value, out); out << "</name>";
//         WriteEscapedElement(name, value, out);   // the same, for a name taken from data
//
// The five markup characters become entities ("&lt;" "&gt;" "&amp;" "&apos;" "&quot;"); a
// control byte other than tab, line feed and carriage return becomes the visible text
// "&amp;#<decimal>;" (XML 1.0 cannot carry it, so it survives as text); every other byte is
// copied. An I18NString is written in its UTF-8 form.
#pragma once

#include "VOR_AAA_MarkupBuffer.h"

#include <ostream>
#include <string>
#include <string_view>
#include <typeinfo>

class I18NString;

void WriteEscapedText(std::string_view text, std::ostream& out);
void WriteEscapedText(const I18NString& text, std::ostream& out);
inline void WriteEscapedText(const std::string& text, std::ostream& out) {
    WriteEscapedText(std::string_view(text), out);
}
inline void WriteEscapedText(const char* text, std::ostream& out) {
    WriteEscapedText(std::string_view(text ? text : ""), out);
}

// Markup the writer composed itself (tags, attribute texts, numbers), appended straight to the
// stream's buffer: a query response writes some hundred pieces per object, and operator<< would
// format each of them. Into a VOR_AAA_MarkupBuffer (what Serialize writes into) the bytes are
// copied inline, without the stream buffer's virtual call.
inline void WriteMarkup(std::string_view markup, std::ostream& out) {
    std::streambuf* buffer = out.rdbuf();
    if (buffer != nullptr && typeid(*buffer) == typeid(VOR_AAA_MarkupBuffer)) {
        static_cast<VOR_AAA_MarkupBuffer*>(buffer)->Append(markup.data(), markup.size());
    } else {
        buffer->sputn(markup.data(), static_cast<std::streamsize>(markup.size()));
    }
}
inline void WriteMarkup(char c, std::ostream& out) {
    std::streambuf* buffer = out.rdbuf();
    if (buffer != nullptr && typeid(*buffer) == typeid(VOR_AAA_MarkupBuffer)) {
        static_cast<VOR_AAA_MarkupBuffer*>(buffer)->Append(c);
    } else {
        buffer->sputc(c);
    }
}
// An unsigned count in decimal, as markup.
void WriteCount(size_t count, std::ostream& out);

// <name>value</name>, the name escaped as well: for documents whose element names are data
// (credential and visa values).
template <typename Name, typename Value>
void WriteEscapedElement(const Name& name, const Value& value, std::ostream& out) {
    out << '<';
    WriteEscapedText(name, out);
    out << '>';
    WriteEscapedText(value, out);
    out << "</";
    WriteEscapedText(name, out);
    out << '>';
}
