#include "PYXThrowable.h"

#include <cstring>
#include <typeinfo>

#include "CoreErrors.h"

std::string PYXBackTraceEntry::toString() const {
    return source + ", " + std::to_string(line) + ", " + function;
}

PYXThrowable::PYXThrowable() = default;

PYXThrowable::PYXThrowable(int32_t errorCode, PYXSeverity severity, std::string text)
    : PYXMessageSet(severity), m_errorCode(errorCode), m_text(std::move(text)) {}

PYXThrowable::~PYXThrowable() = default;

std::string PYXThrowable::getText() const {
    if (!m_text.empty()) {
        return m_text;
    }
    if (getMessageCount() > 0) {
        return getMessageN(0).render("en").utf8();
    }
    return className();
}

const char* PYXThrowable::what() const noexcept {
    try {
        m_whatCache = getText();
        return m_whatCache.c_str();
    } catch (...) {
        return className();
    }
}

void PYXThrowable::addBackTrace(const char* source, int line, const char* function) {
    m_backTrace.push_back(PYXBackTraceEntry{source == nullptr ? "" : source, line,
                                            function == nullptr ? "" : function});
}

PYXThrowable* PYXThrowable::clone() const {
    return pyxCloneOf(*this);
}

void PYXThrowable::raise(const char* source, int line, const char* function) const {
    PYXThrowable copy(*this);
    copy.addBackTrace(source, line, function);
    throw copy;
}

const char* PYXThrowable::className() const noexcept {
    return "PYXThrowable";
}

PYXException::PYXException(int32_t errorCode) : PYXThrowable(errorCode, kPYXSeverityError) {}

PYXException::PYXException(PYXSeverity severity, const I18NString& text)
    : PYXThrowable(0, severity, text.utf8()) {
    addMessage(PYXMessage(kPYXComponent, kPYXMsgText) << text);
}

PYXException::PYXException(int32_t errorCode, const PYXMessage& message)
    : PYXThrowable(errorCode, kPYXSeverityError) {
    addMessage(message);
}

PYXAssertError::PYXAssertError(std::string assertion, std::string source, int line)
    : PYXThrowable(kPYXErrorGeneral, kPYXSeverityFatal, assertion),
      m_assertion(std::move(assertion)),
      m_source(std::move(source)),
      m_line(line) {
    addMessage(PYXMessage(kPYXComponent, kPYXMsgAssertion) << m_assertion << m_source << m_line);
}

PYXOutOfMemoryError::PYXOutOfMemoryError()
    : PYXThrowable(kPYXErrorGeneral, kPYXSeverityFatal, "Out of memory") {
    addMessage(PYXMessage(kPYXComponent, kPYXMsgOutOfMemory));
}

PYXStdExceptionError::PYXStdExceptionError(const std::exception& original)
    : PYXThrowable(kPYXErrorGeneral, kPYXSeverityError),
      m_type(typeid(original).name()),
      m_what(original.what() == nullptr ? "" : original.what()) {
    setText(m_type + ": " + m_what);
    addMessage(PYXMessage(kPYXComponent, kPYXMsgStdException) << m_type << m_what);
}

const char* pyxSourceName(const char* file) noexcept {
    if (file == nullptr) {
        return "";
    }
    static constexpr const char root[] = BASALT_SOURCE_ROOT "/";
    constexpr std::size_t rootLength = sizeof root - 1;
    if (std::strncmp(file, root, rootLength) == 0) {
        return file + rootLength;
    }
    // A relative name (ccache's base-directory rewriting hands the compiler paths relative to
    // the build folder, which lies inside the source tree) climbs to the root first.
    while (std::strncmp(file, "../", 3) == 0) {
        file += 3;
    }
    return file;
}

void pyxAssertFailed(const char* assertion, const char* source, int line, const char* function) {
    const char* name = pyxSourceName(source);
    PYXAssertError error(assertion, name, line);
    error.addBackTrace(name, line, function);
    throw error;
}

void pyxRaiseCoreError(int32_t code, const PYXMessage& message, std::string text,
                       const char* source, int line, const char* function) {
    PYXException error(code, message);
    error.setText(std::move(text));
    pyxThrow(std::move(error), source, line, function);
}
