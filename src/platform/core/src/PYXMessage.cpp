#include "PYXMessage.h"

#include <cstdio>
#include <stdexcept>

#include "PYXMessageCatalogue.h"

namespace {

// Expands a catalogue text: %1..%9 are the parameters (empty when not given), "%%", "%{" and
// "%}" stand for '%', '{' and '}', and a part in braces is kept only when every parameter it
// names is given and not empty.
I18NString substitute(const std::string& text, const PYXMessageComponents& parms) {
    std::string result;  // UTF-8 while expanding
    std::string group;   // the pending optional part
    bool inGroup = false;
    bool groupComplete = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::string& out = inGroup ? group : result;
        const char c = text[i];
        if (c == '%' && i + 1 < text.size()) {
            const char next = text[i + 1];
            if (next == '%' || next == '{' || next == '}') {
                out.push_back(next);
                ++i;
                continue;
            }
            if (next >= '1' && next <= '9') {
                const std::size_t index = static_cast<std::size_t>(next - '1');
                std::string value;
                if (index < parms.getCount()) {
                    value = parms.getParm(index).toText().utf8();
                }
                if (value.empty()) {
                    groupComplete = false;
                }
                out.append(value);
                ++i;
                continue;
            }
        }
        if (c == '{' && !inGroup) {
            inGroup = true;
            groupComplete = true;
            group.clear();
            continue;
        }
        if (c == '}' && inGroup) {
            if (groupComplete) {
                result.append(group);
            }
            inGroup = false;
            continue;
        }
        out.push_back(c);
    }
    if (inGroup) {  // an unclosed brace: keep what followed it as plain text
        result.push_back('{');
        result.append(group);
    }
    return I18NString(result);
}

}  // namespace

I18NString PYXMessageParm::toText() const {
    if (const auto* text = std::get_if<I18NString>(&m_value)) {
        return *text;
    }
    if (const auto* number = std::get_if<int64_t>(&m_value)) {
        return I18NString(std::to_string(*number));
    }
    return I18NString(std::to_string(std::get<uint64_t>(m_value)));
}

int64_t PYXMessageParm::toInteger() const noexcept {
    if (const auto* number = std::get_if<int64_t>(&m_value)) {
        return *number;
    }
    if (const auto* number = std::get_if<uint64_t>(&m_value)) {
        return static_cast<int64_t>(*number);
    }
    return 0;
}

PYXMessageComponents& PYXMessageComponents::add(const PYXMessageParm& parm) {
    m_parms.push_back(parm);
    return *this;
}

PYXMessage::PYXMessage(const char* component, uint32_t number)
    : m_component(component == nullptr ? "" : component), m_number(number) {}

PYXMessage::PYXMessage(const char* component, uint32_t number, PYXMessageComponents parms)
    : m_component(component == nullptr ? "" : component),
      m_number(number),
      m_parms(std::move(parms)) {}

PYXMessage& PYXMessage::addParm(const PYXMessageParm& parm) {
    m_parms.add(parm);
    return *this;
}

I18NString PYXMessage::render(const char* locale) const {
    return render(locale, PYXMessageCatalogue::instance());
}

I18NString PYXMessage::render(const char* locale, const PYXMessageCatalogue& catalogue) const {
    if (m_component == kPYXComponent && m_number == kPYXMsgText) {
        return m_parms.getCount() > 0 ? m_parms.getParm(0).toText() : I18NString();
    }
    const std::string* text = catalogue.lookup(m_component, m_number, locale ? locale : "");
    if (text == nullptr) {
        return renderFallback();
    }
    return substitute(*text, m_parms);
}

I18NString PYXMessage::renderFallback() const {
    char number[16];
    std::snprintf(number, sizeof number, "0x%08X", static_cast<unsigned>(m_number));
    I18NString result(std::string("[") + m_component + " " + number + "]");
    for (std::size_t i = 0; i < m_parms.getCount(); ++i) {
        result.append(I18NString(i == 0 ? " " : "; "));
        result.append(m_parms.getParm(i).toText());
    }
    return result;
}

void PYXMessageSet::addMessage(const PYXMessage& message) {
    m_entries.push_back(Entry{message, m_currentLevel});
}

void PYXMessageSet::addMessage(const PYXMessage& message, int nestingLevel) {
    m_entries.push_back(Entry{message, nestingLevel < 0 ? 0 : nestingLevel});
}

void PYXMessageSet::increaseNesting(int levels) {
    setNestingLevel(m_currentLevel + levels);
}

void PYXMessageSet::decreaseNesting(int levels) {
    setNestingLevel(m_currentLevel - levels);
}

void PYXMessageSet::setNestingLevel(int level) {
    m_currentLevel = level < 0 ? 0 : level;
}

void PYXMessageSet::transferMessages(const PYXMessageSet& from) {
    // Copy first: from may be this set.
    std::vector<Entry> copies = from.m_entries;
    for (Entry& entry : copies) {
        entry.nestingLevel += m_currentLevel;
        m_entries.push_back(std::move(entry));
    }
}

const PYXMessage& PYXMessageSet::getMessageN(std::size_t index) const {
    return m_entries.at(index).message;
}

int PYXMessageSet::getMessageNestingLevelN(std::size_t index) const {
    return m_entries.at(index).nestingLevel;
}

I18NString PYXMessageSet::renderMessageN(std::size_t index, const char* locale) const {
    return m_entries.at(index).message.render(locale);
}

void PYXMessageSet::clearMessages() noexcept {
    m_entries.clear();
    m_currentLevel = 0;
}
