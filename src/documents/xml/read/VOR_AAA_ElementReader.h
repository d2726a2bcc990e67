// VOR_AAA_ElementReader: the shared driver of the document readers. A reader lists the elements
// it reads, one rule each, and the driver walks the document with them:
//
//     enum State { kOutside, kVisa, kObject, kMember };            // the document's shape
//     std::span<const Rule> VOR_AAA_VisaHandler::Rules() {
//         static const Rule kRules[] = {
//             {.parent = kOutside, .name = C::kVisa, .state = kVisa, .enter = ...},
//             {.parent = kVisa, .name = C::kObject, .state = kObject, .enter = ...},
//             {.parent = kObject, .name = C::kObject, .state = kMember, .leave = ...},
//         };
//         return kRules;
//     }
//
// An element is read when it is a direct child of the element that entered `parent` (kOutside:
// it is the document element), its local name equals `name` (null: any name; namespace
// prefixes are ignored) and `when` (if given) accepts it. The first matching rule wins. An
// element no rule matches is skipped with everything inside it.
//
// What a rule does:
//   when      decides from the reader's own state whether the rule applies (an element whose
//             meaning depends on what was read before it);
//   text      where the element's character data goes (null: nowhere); it is appended, so a
//             value split by the parser arrives whole. Text inside skipped children of the
//             element goes there too, unless `ownText`.
//   replace   entering the element first clears that text (the document's value replaces a
//             default); without it the text is appended to what the field held.
//   ownText   only the element's own character data goes to text.
//   enter     called with the element's local name and attributes when it opens;
//   leave     called when it closes (after an embedded reader has seen its end);
//   embedded  the reader of a document embedded at this element: it receives startDocument, the
//             element's own start, everything inside, the element's end and endDocument.
//
// The reader derives from VOR_AAA_ElementReader<Reader>, befriends it and provides
//   static std::span<const Rule> Rules();   // the table (a member, so that its lambdas may use
//                                           // the reader's private members)
//   void Reset();                           // per-document state, called by startDocument
//   Document& Target();                     // for Field<&Document::m_member> text targets
#pragma once

#include "I18NString.h"
#include "VOR_AAA_Const.h"
#include "VOR_AAA_DefaultHandlers.h"
#include "VOR_AAA_ParseDocument.h"

#include <span>
#include <vector>

template <class Reader>
struct VOR_AAA_ElementRule {
    int parent = 0;
    const XMLCh* name = nullptr;
    int state = 0;
    bool (*when)(Reader&, const XMLCh* localname) = nullptr;
    I18NString* (*text)(Reader&) = nullptr;
    bool replace = false;
    bool ownText = false;
    void (*enter)(Reader&, const XMLCh* localname, const xercesc::Attributes&) = nullptr;
    void (*leave)(Reader&) = nullptr;
    xercesc::ContentHandler* (*embedded)(Reader&) = nullptr;
};

template <class Reader>
class VOR_AAA_ElementReader : public virtual VOR_AAA_DefaultContentHandler {
public:
    using Rule = VOR_AAA_ElementRule<Reader>;
    static constexpr int kOutside = 0;

    void startDocument() override {
        m_open.clear();
        m_depth = 0;
        self().Reset();
    }

    void startElement(const XMLCh* const uri, const XMLCh* const localname,
                      const XMLCh* const qname, const xercesc::Attributes& attrs) override {
        if (xercesc::ContentHandler* inner = embedded()) {
            inner->startElement(uri, localname, qname, attrs);
        } else if (m_depth == childDepth()) {
            if (const Rule* rule = match(localname)) {
                m_open.push_back({rule, m_depth});
                if (rule->replace) {
                    if (I18NString* text = rule->text(self())) {
                        text->clear();
                    }
                }
                if (rule->enter != nullptr) {
                    rule->enter(self(), localname, attrs);
                }
                if (xercesc::ContentHandler* entered = embedded()) {
                    entered->startDocument();
                    entered->startElement(uri, localname, qname, attrs);
                }
            }
        }
        ++m_depth;
    }

    void characters(const XMLCh* const chars, const XMLSize_t length) override {
        if (xercesc::ContentHandler* inner = embedded()) {
            inner->characters(chars, length);
        } else if (!m_open.empty() && m_open.back().rule->text != nullptr) {
            const Open& open = m_open.back();
            if (open.rule->ownText && m_depth != open.depth + 1) {
                return;  // inside a skipped child
            }
            if (I18NString* text = open.rule->text(self())) {
                VOR_AAA_AppendText(*text, chars, length);
            }
        }
    }

    void endElement(const XMLCh* const uri, const XMLCh* const localname,
                    const XMLCh* const qname) override {
        --m_depth;
        xercesc::ContentHandler* inner = embedded();
        if (inner != nullptr) {
            inner->endElement(uri, localname, qname);
        }
        if (m_open.empty() || m_open.back().depth != m_depth) {
            return;
        }
        const Rule* closed = m_open.back().rule;
        if (inner != nullptr) {
            inner->endDocument();
        }
        m_open.pop_back();
        if (closed->leave != nullptr) {
            closed->leave(self());
        }
    }

protected:
    // A text rule's target that is a field of the document being read: Field<&Doc::m_name>.
    // The reader provides Target(), the document it fills.
    template <auto Member>
    static I18NString* Field(Reader& reader) {
        return &(reader.Target().*Member);
    }

private:
    struct Open {
        const Rule* rule;
        int depth;  // the depth of the element itself
    };

    Reader& self() { return static_cast<Reader&>(*this); }
    // The state of the innermost element read (kOutside before the document element).
    int state() const { return m_open.empty() ? kOutside : m_open.back().rule->state; }
    int childDepth() const { return m_open.empty() ? 0 : m_open.back().depth + 1; }

    xercesc::ContentHandler* embedded() {
        if (m_open.empty() || m_open.back().rule->embedded == nullptr) {
            return nullptr;
        }
        return m_open.back().rule->embedded(self());
    }

    const Rule* match(const XMLCh* localname) {
        const int parent = state();
        for (const Rule& rule : Reader::Rules()) {
            if (rule.parent == parent &&
                (rule.name == nullptr || VOR_AAA_Const::Equals(localname, rule.name)) &&
                (rule.when == nullptr || rule.when(self(), localname))) {
                return &rule;
            }
        }
        return nullptr;
    }

    std::vector<Open> m_open;
    int m_depth = 0;
};
