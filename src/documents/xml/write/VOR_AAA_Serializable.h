// VOR_AAA_Serializable: the interface of every provider document.
//
// A document class implements Write (append its XML text to a stream, no white space between
// elements, values through WriteEscapedText) and Load (parse exactly length bytes with the
// parse recipe of VOR_AAA_ParseDocument.h). Callers hand documents to the framework with
// Serialize, which allocates exactly length + 1 bytes with the framework's alloc routine:
//
//     char* text = nullptr;
//     document.Serialize(&text, allocRoutine);   // text stays null when nothing was written
//
// A document that embeds another holds it by value and calls its Write from its own.
#pragma once

#include "VOR_AAA_Interface.h"

#include <cstddef>
#include <ostream>
#include <string>

class VOR_AAA_Serializable {
public:
    virtual ~VOR_AAA_Serializable() = default;

    virtual void Write(std::ostream& out) const = 0;
    virtual void Load(const char* text, size_t length) = 0;

    // Writes the document into a buffer from allocRoutine (text, NUL, nothing else) and stores
    // it in *textOut; ownership passes to the caller. Nothing written: *textOut = null and the
    // routine is not called. A null buffer throws PYXOutOfMemoryError.
    void Serialize(char** textOut, VOR_AAA_AllocRoutine allocRoutine) const;
    // The same text as a string.
    void Serialize(std::string& textOut) const;

    // Convenience: the text Write produces.
    std::string ToString() const;
};
