// The VORID decoder and the reader-side unescaping of VORID delimiters.
#include "FuzzTarget.h"
#include "PYXThrowable.h"
#include "VOR_AAA_VORID.h"

BASALT_FUZZ_TARGET() {
    const std::string text(basalt::fuzz::Bytes(data, size));
    const VOR_AAA_VORID::Decoded plain = VOR_AAA_VORID::Decode(text);
    const VOR_AAA_VORID::Decoded probed = VOR_AAA_VORID::Decode(
        text, [](VOR_AAA_VORID::ObjectKind, uint32_t number) { return number % 3 == 0; });
    if (plain.kind != VOR_AAA_VORID::eUnknown && plain.kind != VOR_AAA_VORID::eNamespace) {
        // A decoded object composes back to an identifier that decodes to the same object.
        const std::string again =
            VOR_AAA_VORID::Compose(plain.namespacePart, plain.kind, plain.number);
        const VOR_AAA_VORID::Decoded redecoded = VOR_AAA_VORID::Decode(again);
        if (redecoded.kind != plain.kind || redecoded.number != plain.number) {
            basalt::fuzz::Violated("Compose(Decode(x)) decodes differently", text);
        }
    }
    (void)probed;
    VOR_AAA_VORID::UnescapeDelimiters(text);
    return 0;
}
