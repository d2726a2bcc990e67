// The DOM parser (configuration documents, runtime blobs, key documents) and the DOM printer:
// whatever parses is printed, and whatever is printed parses back and prints the same.
#include "FuzzTarget.h"
#include "PYXIDOM_Parser.h"
#include "VOR_AAA_PrintDOM.h"

#include <sstream>

BASALT_FUZZ_TARGET() {
    PYXIDOM_Parser parser;
    I18NString error;
    const auto document = parser.parse(reinterpret_cast<const char*>(data), size, error);
    if (!document) {
        return 0;
    }
    std::ostringstream first;
    PrintDOM(document.get(), first);
    const auto reparsed = parser.parse(first.str(), error);
    if (!reparsed) {
        basalt::fuzz::Violated("printed DOM does not parse back", first.str());
    }
    std::ostringstream second;
    PrintDOM(reparsed.get(), second);
    if (second.str() != first.str()) {
        basalt::fuzz::Violated("printed DOM prints differently after a round trip", first.str());
    }
    return 0;
}
