#pragma once

// Helpers shared by the DOM wrapper sources; not installed.

#include <xercesc/dom/DOM.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>

#include <string>

#include "I18NString.h"
#include "PYXThrowable.h"

namespace basalt::idom {

// Texts cross to Xerces as UTF-16 (XMLCh is char16_t); the pointer lives as long as the text.
inline const XMLCh* xml(const I18NString& text) {
    return text.data();
}
inline I18NString text(const XMLCh* units) {
    return units != nullptr ? I18NString(units) : I18NString();
}

[[noreturn]] void throwDomFailure(const char* operation, const I18NString& reason);

// Runs a DOM call and turns the parser's exceptions into PYXException.
template <typename Call>
auto domCall(const char* operation, Call&& call) -> decltype(call()) {
    try {
        return call();
    } catch (const xercesc::DOMException& error) {
        throwDomFailure(operation, text(error.getMessage()) + " (DOM code " +
                                       std::to_string(error.code).c_str() + ")");
    } catch (const xercesc::OutOfMemoryException&) {
        PYX_THROW(PYXOutOfMemoryError(), operation);
    } catch (const xercesc::XMLException& error) {
        throwDomFailure(operation, text(error.getMessage()));
    }
}

// A required node argument; throws when it is null.
template <typename T>
T* required(T* node, const char* operation) {
    if (node == nullptr) {
        throwDomFailure(operation, "a node argument is null");
    }
    return node;
}

}  // namespace basalt::idom
