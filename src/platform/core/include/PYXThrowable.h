// Throwables: the platform's failure objects, and the macros that throw and pass them on.
//
//   PYXMessageSet <- PYXThrowable <- PYXException        (failures with code and messages)
//                                 <- PYXAssertError      (a failed PYX_ASSERT)
//                                 <- PYXOutOfMemoryError
//                                 <- PYXStdExceptionError (a std::exception turned into ours)
//
// Throwables do not derive from std::exception, so a "catch (const std::exception&)" meant to
// convert library failures never swallows one of ours. Catch them by (non-const) reference:
//
//     try { ... }
//     catch (PYXThrowable& e) { PYX_RETHROW(e); }          // adds this function's line
//
// A caller's exception class derives from PYXException and puts PYX_THROWABLE_CLASS(Name) in
// its body, which gives it clone(), raise() and className() of its own type:
//
//     class VOR_AAA_Exception : public PYXException {
//         PYX_THROWABLE_CLASS(VOR_AAA_Exception)
//     public:
//         explicit VOR_AAA_Exception(int32_t code) : PYXException(code), m_code(code) {}
//         ...
//     };
//     PYX_THROW(VOR_AAA_Exception(-19), "VOR_AAA_BiBusHeader::decryptValue");
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <new>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "PYXMessage.h"

// Error codes the platform itself uses.
enum PYXErrorCode : int32_t {
    kPYXErrorConversion = -19,  // bad input data: bytes, numbers, Base64 text
    kPYXErrorSystem = -1,       // a system call failed (files)
    kPYXErrorGeneral = -48,     // out of memory, assertion, wrapped std::exception
};

// One back-trace line: where a throwable was thrown or passed through.
struct PYXBackTraceEntry {
    std::string source;  // source name, e.g. "src/provider/BasaltNamespace.cpp"
    int line = 0;
    std::string function;  // function label
    // "source, line, function"
    std::string toString() const;
    friend bool operator==(const PYXBackTraceEntry&, const PYXBackTraceEntry&) = default;
};

class PYXThrowable : public PYXMessageSet {
public:
    PYXThrowable();
    PYXThrowable(int32_t errorCode, PYXSeverity severity, std::string text = {});
    ~PYXThrowable() override;
    PYXThrowable(const PYXThrowable&) = default;
    PYXThrowable& operator=(const PYXThrowable&) = default;
    PYXThrowable(PYXThrowable&&) = default;
    PYXThrowable& operator=(PYXThrowable&&) = default;

    int32_t getErrorCode() const noexcept { return m_errorCode; }
    void setErrorCode(int32_t code) noexcept { m_errorCode = code; }
    // What kind of failure this is for the caller ("vorAuthUnrecoverable"); empty when none.
    const std::string& getErrorCodeString() const noexcept { return m_errorCodeString; }
    void setErrorCodeString(std::string codeString) { m_errorCodeString = std::move(codeString); }

    // The throwable's own message (UTF-8). When no text was given it is the first message of
    // the set rendered in English, or the class name when the set is empty.
    std::string getText() const;
    void setText(std::string text) { m_text = std::move(text); }
    const char* what() const noexcept;

    // Back trace, oldest first: the throw site, then each function that passed it on.
    void addBackTrace(const char* source, int line, const char* function);
    const std::vector<PYXBackTraceEntry>& getBackTrace() const noexcept { return m_backTrace; }
    std::size_t getBackTraceCount() const noexcept { return m_backTrace.size(); }
    std::string getBackTraceLine(std::size_t index) const {
        return m_backTrace.at(index).toString();
    }

    // A heap copy of the dynamic type (delete it, or hand it to a std::unique_ptr). Out of
    // memory throws PYXOutOfMemoryError.
    virtual PYXThrowable* clone() const;
    // Throws a copy of the dynamic type after recording the site in its back trace.
    [[noreturn]] virtual void raise(const char* source, int line, const char* function) const;
    // The class's own name, e.g. "PYXException".
    virtual const char* className() const noexcept;

private:
    int32_t m_errorCode = 0;
    std::string m_errorCodeString;
    std::string m_text;
    std::vector<PYXBackTraceEntry> m_backTrace;
    mutable std::string m_whatCache;
};

// Heap copy for clone(): nothrow allocation, failure reported as the platform error.
template <typename T>
T* pyxCloneOf(const T& original);

// In a throwable class body: clone(), raise() and className() of that class.
#define PYX_THROWABLE_CLASS(ClassName)                                                           \
public:                                                                                          \
    ClassName* clone() const override {                                                          \
        return ::pyxCloneOf(*this);                                                              \
    }                                                                                            \
    [[noreturn]] void raise(const char* source, int line, const char* function) const override { \
        ClassName copy(*this);                                                                   \
        copy.addBackTrace(source, line, function);                                               \
        throw copy;                                                                              \
    }                                                                                            \
    const char* className() const noexcept override {                                            \
        return #ClassName;                                                                       \
    }                                                                                            \
                                                                                                 \
private:

// A failure: error code, severity, messages. PYXException(code) has severity error and no
// text; PYXException(severity, text) has code 0 and the text as its own message, which is also
// its first message (so it renders wherever messages are shown).
class PYXException : public PYXThrowable {
    PYX_THROWABLE_CLASS(PYXException)
public:
    explicit PYXException(int32_t errorCode);
    PYXException(PYXSeverity severity, const I18NString& text);
    // Code plus a first message.
    PYXException(int32_t errorCode, const PYXMessage& message);
};

// A failed PYX_ASSERT: text "PYX_ASSERT(expr);", severity fatal, code kPYXErrorGeneral.
class PYXAssertError : public PYXThrowable {
    PYX_THROWABLE_CLASS(PYXAssertError)
public:
    PYXAssertError(std::string assertion, std::string source, int line);
    const std::string& getAssertion() const noexcept { return m_assertion; }
    const std::string& getSource() const noexcept { return m_source; }
    int getLine() const noexcept { return m_line; }

private:
    std::string m_assertion;
    std::string m_source;
    int m_line;
};

// Memory could not be obtained. Copying it allocates only small strings.
class PYXOutOfMemoryError : public PYXThrowable {
    PYX_THROWABLE_CLASS(PYXOutOfMemoryError)
public:
    PYXOutOfMemoryError();
};

// A std::exception caught and turned into a platform throwable; keeps its type and what().
class PYXStdExceptionError : public PYXThrowable {
    PYX_THROWABLE_CLASS(PYXStdExceptionError)
public:
    explicit PYXStdExceptionError(const std::exception& original);
    const std::string& getOriginalType() const noexcept { return m_type; }
    const std::string& getOriginalWhat() const noexcept { return m_what; }

private:
    std::string m_type;
    std::string m_what;
};

template <typename T>
T* pyxCloneOf(const T& original) {
    T* copy = new (std::nothrow) T(original);
    if (copy == nullptr) {
        throw PYXOutOfMemoryError();
    }
    return copy;
}

// The source name recorded for __FILE__: the path below the source tree's root
// ("src/provider/BasaltSession.cpp"), or the path as given when it lies elsewhere.
const char* pyxSourceName(const char* file) noexcept;

// Throws a copy of the throwable (its static type) with the site in its back trace.
template <typename T>
requires std::is_base_of_v<PYXThrowable, std::decay_t<T>>
[[noreturn]] void pyxThrow(T&& throwable, const char* source, int line, const char* function) {
    std::decay_t<T> copy(std::forward<T>(throwable));
    copy.addBackTrace(pyxSourceName(source), line, function);
    throw copy;
}

[[noreturn]] void pyxAssertFailed(const char* assertion, const char* source, int line,
                                  const char* function);

#define PYX_DETAIL_SELECT3(a, b, c, ...) c
// PYX_THROW(throwable) or PYX_THROW(throwable, "function label"): throws, naming the site
// (source, line, and the label or the enclosing function's name). Put a throwable built with
// commas in parentheses or build it first: PYX_THROW(ex) where ex is a local is fine.
#define PYX_THROW(...) \
    PYX_DETAIL_SELECT3(__VA_ARGS__, PYX_DETAIL_THROW2, PYX_DETAIL_THROW1, unused)(__VA_ARGS__)
#define PYX_DETAIL_THROW1(ex) ::pyxThrow((ex), __FILE__, __LINE__, __func__)
#define PYX_DETAIL_THROW2(ex, label) ::pyxThrow((ex), __FILE__, __LINE__, (label))

// Inside "catch (PYXThrowable& e)": PYX_RETHROW(e) or PYX_RETHROW(e, "label") adds this
// function's back-trace line and rethrows the same object (dynamic type kept).
#define PYX_RETHROW(...) \
    PYX_DETAIL_SELECT3(__VA_ARGS__, PYX_DETAIL_RETHROW2, PYX_DETAIL_RETHROW1, unused)(__VA_ARGS__)
#define PYX_DETAIL_RETHROW1(e)                                           \
    do {                                                                 \
        (e).addBackTrace(::pyxSourceName(__FILE__), __LINE__, __func__); \
        throw;                                                           \
    } while (0)
#define PYX_DETAIL_RETHROW2(e, label)                                   \
    do {                                                                \
        (e).addBackTrace(::pyxSourceName(__FILE__), __LINE__, (label)); \
        throw;                                                          \
    } while (0)

// After a try block: passes platform throwables on (PYX_RETHROW), turns std::bad_alloc into
// PYXOutOfMemoryError and any other std::exception into PYXStdExceptionError, all with label.
#define PYX_CATCH_AND_RETHROW(label)                          \
    catch (PYXThrowable & pyxCaught) {                        \
        PYX_RETHROW(pyxCaught, label);                        \
    }                                                         \
    catch (const std::bad_alloc&) {                           \
        PYX_THROW(PYXOutOfMemoryError(), label);              \
    }                                                         \
    catch (const std::exception& pyxStdCaught) {              \
        PYX_THROW(PYXStdExceptionError(pyxStdCaught), label); \
    }

// Always-on assertion: throws PYXAssertError("PYX_ASSERT(expr);") naming the site.
#define PYX_ASSERT(expr)                                                               \
    do {                                                                               \
        if (!(expr)) {                                                                 \
            ::pyxAssertFailed("PYX_ASSERT(" #expr ");", __FILE__, __LINE__, __func__); \
        }                                                                              \
    } while (0)
