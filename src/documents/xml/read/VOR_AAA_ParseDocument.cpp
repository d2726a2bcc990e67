#include "VOR_AAA_ParseDocument.h"

#include "I18NString.h"
#include "PYXThrowable.h"
#include "VOR_AAA_DefaultHandlers.h"
#include "VOR_AAA_SAXParserPool.h"

#include "PYXDocumentLimits.h"

#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>

#include <iterator>
#include <memory>
#include <new>

using namespace xercesc;

namespace {

// Leaves no handler pointer behind in a reader that goes back to the pool.
struct HandlerBinding {
    SAX2XMLReader* reader;
    HandlerBinding(SAX2XMLReader* r, ContentHandler* content, ErrorHandler* errors) : reader(r) {
        reader->setContentHandler(content);
        reader->setErrorHandler(errors);
    }
    ~HandlerBinding() {
        reader->setContentHandler(nullptr);
        reader->setErrorHandler(nullptr);
    }
};

// Whatever the text, a reader answers -19, never an allocation failure of its own.
void outOfMemory(VOR_AAA_DefaultErrorHandler& errorHandler) {
    errorHandler.fatalError(
        SAXParseException(u"out of memory while reading the document", nullptr, nullptr, 0, 0));
}

}  // namespace

void VOR_AAA_ParseDocument(ContentHandler& handler, const char* documentName, const char* text,
                           size_t length) {
    VOR_AAA_DefaultErrorHandler errorHandler(documentName);
    const size_t size = text ? length : 0;
    // The pool first: it brings up the parser's platform, without which not even the refusal
    // below can be built (a document read before the host's first Initialize).
    VOR_AAA_SAXParserPool& pool = VOR_AAA_SAXParserPool::Get();
    if (const PYXDocumentLimits limits = PYXDocumentLimits::Current(); !limits.SizeAllowed(size)) {
        // Refused before a reader is taken: no byte of it is scanned.
        errorHandler.fatalError(SAXParseException(
            I18NString(limits.SizeRefusal(size).c_str()).data(), nullptr, nullptr, 0, 0));
    }
    PooledReaderGuard saxParser(pool);
    // The document name is ASCII: widened here, not through the parser's local-code-page
    // transcoder. The text is read in place (the stream would otherwise copy it first).
    char16_t bufferId[64] = {};
    for (size_t i = 0; documentName && documentName[i] != '\0' && i + 1 < std::size(bufferId);
         ++i) {
        bufferId[i] = static_cast<unsigned char>(documentName[i]);
    }
    MemBufInputSource source(reinterpret_cast<const XMLByte*>(text ? text : ""), size, bufferId,
                             false, XMLPlatformUtils::fgMemoryManager);
    source.setCopyBufToStream(false);
    PYX_ASSERT(saxParser.Get() != 0);
    HandlerBinding binding(saxParser->GetReader(), &handler, &errorHandler);
    try {
        saxParser->Parse(source);
    } catch (const std::bad_alloc&) {
        outOfMemory(errorHandler);
    } catch (const OutOfMemoryException&) {
        outOfMemory(errorHandler);
    }
}

void VOR_AAA_AppendText(I18NString& target, const XMLCh* chars, XMLSize_t length) {
    target.append(chars, length);
}

int32_t VOR_AAA_LeadingInt(const I18NString& text) {
    size_t i = 0;
    const size_t n = text.length();
    while (i < n && (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\n' || text[i] == u'\r')) {
        ++i;
    }
    bool negative = false;
    if (i < n && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    int64_t value = 0;
    for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i] - u'0');
        if (value > INT32_MAX) {
            value = static_cast<int64_t>(INT32_MAX) + 1;  // saturate, sign applied below
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > INT32_MAX) {
        value = INT32_MAX;
    }
    return static_cast<int32_t>(value);
}
