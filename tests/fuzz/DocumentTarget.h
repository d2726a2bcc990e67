// A fuzz target for one provider document reader: Load the bytes; a document that loaded is
// written out again (its writer must cope with whatever the reader accepted).
#pragma once

#include "FuzzTarget.h"
#include "PYXThrowable.h"

#include <sstream>

namespace basalt::fuzz {

template <class Document>
void LoadAndWrite(const uint8_t* data, size_t size) {
    Document document;
    try {
        document.Load(reinterpret_cast<const char*>(data), size);
    } catch (const PYXThrowable&) {
        // A refused document: VOR_AAA_Exception -19, or an assertion some readers make on
        // content (the query response's schema information); the entries turn both into a
        // result code. Anything else escaping is a finding.
        return;
    }
    std::ostringstream out;
    try {
        document.Write(out);
    } catch (PYXAssertError&) {
        // Writing a search path whose VORID opener has no closer is the caller's error and is
        // asserted; the readers take such text as it comes and the entries report the assertion
        // as a result code, so it is not a crash.
    }
}

}  // namespace basalt::fuzz
