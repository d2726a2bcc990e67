// Messages: a catalogue entry (component + 32-bit number) with its parameters, and nested sets
// of them.
//
// A message is rendered by looking up its text in the message catalogue (PYXMessageCatalogue.h)
// for a locale and expanding it: "%1" .. "%9" stand for parameters 1 to 9 (empty when the
// message has fewer); "%%", "%{" and "%}" for '%', '{' and '}'; a part in braces, such as
// '{ "%1"}', is kept only when every parameter it names is given and not empty (for optional
// parameters). Parameters the text does not name are not shown. Text parameters are inserted as
// they are; integers in plain decimal (no grouping: they are codes and identifiers). A number
// the catalogue does not know renders as a visible fallback that keeps the component, the number
// and every parameter: "[VOR_AAA 0x5060AF61] -61; AS_Init".
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "I18NString.h"

class PYXMessageCatalogue;

// Severities of a message set (and so of a throwable).
enum PYXSeverity : int {
    kPYXSeverityFatal = 0,
    kPYXSeverityError = 1,
    kPYXSeverityWarning = 2,
    kPYXSeverityInformation = 3,
};

// The component of the platform's own messages (conversion failures, bad numbers, ...).
inline constexpr const char* kPYXComponent = "PYX";
// Numbers of the platform's own messages (texts in messages/PYX_<lang>.msg).
enum PYXCoreMessage : uint32_t {
    kPYXMsgText = 0x00010000,             // %1: a text given as it is (renders without a catalogue)
    kPYXMsgInvalidBytes = 0x00010001,     // %1 encoding, %2 byte offset
    kPYXMsgUnrepresentable = 0x00010002,  // %1 encoding, %2 code-unit position
    kPYXMsgUnknownEncoding = 0x00010003,  // %1 encoding name
    kPYXMsgNotANumber = 0x00010004,       // %1 the text
    kPYXMsgNumberRange = 0x00010005,      // %1 the text, %2 the type ("long", "unsigned long")
    kPYXMsgOutOfMemory = 0x00010006,      // no parameter
    kPYXMsgFileOpen = 0x00010007,         // %1 path, %2 system error text
    kPYXMsgFileRead = 0x00010008,         // %1 path, %2 system error text
    kPYXMsgStdException = 0x00010009,     // %1 exception type, %2 its what()
    kPYXMsgAssertion = 0x0001000A,        // %1 assertion text, %2 source, %3 line
    kPYXMsgFileNotOpen = 0x0001000B,      // %1 the operation
};

// One parameter: a text or an integer.
class PYXMessageParm {
public:
    PYXMessageParm() : m_value(I18NString()) {}
    PYXMessageParm(const I18NString& text) : m_value(text) {}  // NOLINT: parameters flow freely
    PYXMessageParm(const char* utf8) : m_value(I18NString(utf8)) {}              // NOLINT
    PYXMessageParm(const std::string& utf8) : m_value(I18NString(utf8)) {}       // NOLINT
    PYXMessageParm(const char16_t* units) : m_value(I18NString(units)) {}        // NOLINT
    PYXMessageParm(const std::u16string& units) : m_value(I18NString(units)) {}  // NOLINT
    PYXMessageParm(std::string_view utf8) : m_value(I18NString(utf8)) {}         // NOLINT
    template <typename T>
    requires(std::is_integral_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, char> &&
             !std::is_same_v<T, char16_t> && !std::is_same_v<T, char32_t>)
        PYXMessageParm(T number) {  // NOLINT
        if constexpr (std::is_signed_v<T>) {
            m_value = static_cast<int64_t>(number);
        } else {
            m_value = static_cast<uint64_t>(number);
        }
    }

    bool isText() const noexcept { return std::holds_alternative<I18NString>(m_value); }
    bool isInteger() const noexcept { return !isText(); }
    // The text, or the integer in decimal.
    I18NString toText() const;
    // The integer (0 for a text parameter; an unsigned value above INT64_MAX wraps).
    int64_t toInteger() const noexcept;

    friend bool operator==(const PYXMessageParm&, const PYXMessageParm&) = default;

private:
    std::variant<I18NString, int64_t, uint64_t> m_value;
};

// Parameters in the order they were appended.
class PYXMessageComponents {
public:
    PYXMessageComponents() = default;
    PYXMessageComponents(std::initializer_list<PYXMessageParm> parms) : m_parms(parms) {}

    PYXMessageComponents& add(const PYXMessageParm& parm);
    PYXMessageComponents& operator<<(const PYXMessageParm& parm) { return add(parm); }

    std::size_t getCount() const noexcept { return m_parms.size(); }
    const PYXMessageParm& getParm(std::size_t index) const { return m_parms.at(index); }
    const std::vector<PYXMessageParm>& parms() const noexcept { return m_parms; }

    friend bool operator==(const PYXMessageComponents&, const PYXMessageComponents&) = default;

private:
    std::vector<PYXMessageParm> m_parms;
};

// One catalogue entry with its parameters. A value type; subclasses such as a component's own
// message class only fix the component and add no state.
class PYXMessage {
public:
    PYXMessage(const char* component, uint32_t number);
    PYXMessage(const char* component, uint32_t number, PYXMessageComponents parms);

    // Appends a parameter (in order: the first is %1).
    PYXMessage& addParm(const PYXMessageParm& parm);
    PYXMessage& operator<<(const PYXMessageParm& parm) { return addParm(parm); }

    const std::string& getComponent() const noexcept { return m_component; }
    uint32_t getNumber() const noexcept { return m_number; }
    const PYXMessageComponents& getComponents() const noexcept { return m_parms; }

    // The text in the locale ("fr-ca", "en-us", ...; null or "" means English), from the
    // process-wide catalogue (loaded from the home directory on first use) or the one given.
    I18NString render(const char* locale) const;
    I18NString render(const char* locale, const PYXMessageCatalogue& catalogue) const;
    // The fallback form, "[COMPONENT 0xXXXXXXXX] p1; p2; ...", also used for unknown numbers.
    I18NString renderFallback() const;

    friend bool operator==(const PYXMessage&, const PYXMessage&) = default;

private:
    std::string m_component;
    uint32_t m_number;
    PYXMessageComponents m_parms;
};

// Messages, each with a nesting level (0 = top), in the order they were added, plus a severity.
// New messages go in at the current nesting level, which increaseNesting() raises.
class PYXMessageSet {
public:
    PYXMessageSet() = default;
    explicit PYXMessageSet(PYXSeverity severity) : m_severity(severity) {}
    virtual ~PYXMessageSet() = default;
    PYXMessageSet(const PYXMessageSet&) = default;
    PYXMessageSet& operator=(const PYXMessageSet&) = default;
    PYXMessageSet(PYXMessageSet&&) = default;
    PYXMessageSet& operator=(PYXMessageSet&&) = default;

    // Adds at the current nesting level / at the level given.
    void addMessage(const PYXMessage& message);
    void addMessage(const PYXMessage& message, int nestingLevel);
    // Messages added from now on go levels deeper (default one).
    void increaseNesting(int levels = 1);
    // Back to a shallower level (not below 0).
    void decreaseNesting(int levels = 1);
    int getNestingLevel() const noexcept { return m_currentLevel; }
    void setNestingLevel(int level);

    // Appends copies of every message of from, in order, each at its own level plus this set's
    // current nesting level. from is not changed (it may be this set).
    void transferMessages(const PYXMessageSet& from);

    std::size_t getMessageCount() const noexcept { return m_entries.size(); }
    // Index from 0; out of range throws std::out_of_range.
    const PYXMessage& getMessageN(std::size_t index) const;
    int getMessageNestingLevelN(std::size_t index) const;
    I18NString renderMessageN(std::size_t index, const char* locale) const;
    void clearMessages() noexcept;

    PYXSeverity getSeverity() const noexcept { return m_severity; }
    void setSeverity(PYXSeverity severity) noexcept { m_severity = severity; }

private:
    struct Entry {
        PYXMessage message;
        int nestingLevel;
    };
    std::vector<Entry> m_entries;
    int m_currentLevel = 0;
    PYXSeverity m_severity = kPYXSeverityError;
};
