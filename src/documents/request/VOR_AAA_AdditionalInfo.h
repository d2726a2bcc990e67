// VOR_AAA_AdditionalInfo: the request context that comes with every entry call (logger name,
// product and content locales, tracking contexts, ancestors). Also embedded in the bus header.
//
//     VOR_AAA_AdditionalInfo info;          // defaults: "Audit.RTUsage", "en-us", ...
//     info.Load(text, strlen(text));        // elements the text omits keep their defaults
//     doc.SetFrom(e, info.GetProductLocale());
//
// A document that embeds it forwards the events of its "additionalInfo" element to a
// VOR_AAA_AdditionalInfoHandler bound to the embedded object: startDocument, then the
// startElement of "additionalInfo" itself, ..., endDocument after its end.
#pragma once

#include "I18NString.h"
#include "VOR_AAA_Const.h"
#include "VOR_AAA_ElementReader.h"
#include "VOR_AAA_Serializable.h"

#include <span>
#include <vector>

struct VOR_AAA_Ancestor {
    I18NString objectClass;
    I18NString searchPath;  // as a reader sees it: VORID delimiters unescaped
    I18NString title;
    friend bool operator==(const VOR_AAA_Ancestor&, const VOR_AAA_Ancestor&) = default;
};
using VOR_AAA_Ancestors = std::vector<VOR_AAA_Ancestor>;

class VOR_AAA_AdditionalInfo : public VOR_AAA_Serializable {
public:
    VOR_AAA_AdditionalInfo();

    void Write(std::ostream& out) const override;
    // Document name "additionalInfo".
    void Load(const char* text, size_t length) override;

    const I18NString& GetProductLocale() const { return m_productLocale; }
    void SetProductLocale(const I18NString& v) { m_productLocale = v; }
    const I18NString& GetContentLocale() const { return m_contentLocale; }
    void SetContentLocale(const I18NString& v) { m_contentLocale = v; }
    const I18NString& GetSessionContext() const { return m_sessionContext; }
    void SetSessionContext(const I18NString& v) { m_sessionContext = v; }
    const I18NString& GetRequestContext() const { return m_requestContext; }
    void SetRequestContext(const I18NString& v) { m_requestContext = v; }
    const I18NString& GetStepContext() const { return m_stepContext; }
    void SetStepContext(const I18NString& v) { m_stepContext = v; }
    const I18NString& GetHopCount() const { return m_hopCount; }
    void SetHopCount(const I18NString& v) { m_hopCount = v; }
    const I18NString& GetTypedLogger() const { return m_typedLogger; }
    void SetTypedLogger(const I18NString& v) { m_typedLogger = v; }
    const VOR_AAA_Ancestors& GetAncestors() const { return m_ancestors; }
    VOR_AAA_Ancestors& GetAncestors() { return m_ancestors; }

private:
    friend class VOR_AAA_AdditionalInfoHandler;

    const VOR_AAA_Const* m_names;
    I18NString m_productLocale;
    I18NString m_contentLocale;
    I18NString m_sessionContext;
    I18NString m_requestContext;
    I18NString m_stepContext;
    I18NString m_hopCount;
    I18NString m_typedLogger;
    VOR_AAA_Ancestors m_ancestors;
};

class VOR_AAA_AdditionalInfoHandler : public VOR_AAA_ElementReader<VOR_AAA_AdditionalInfoHandler> {
public:
    VOR_AAA_AdditionalInfoHandler() = default;
    explicit VOR_AAA_AdditionalInfoHandler(VOR_AAA_AdditionalInfo& target) : m_target(&target) {}
    void SetTarget(VOR_AAA_AdditionalInfo* target) { m_target = target; }

private:
    friend class VOR_AAA_ElementReader<VOR_AAA_AdditionalInfoHandler>;
    static std::span<const Rule> Rules();
    void Reset() { m_ancestorsReplaced = false; }
    VOR_AAA_AdditionalInfo& Target() { return *m_target; }
    void addAncestor();

    VOR_AAA_AdditionalInfo* m_target = nullptr;
    bool m_ancestorsReplaced = false;
    VOR_AAA_Ancestor m_ancestor;
};
