#include "audit/TraceIndication.h"

#include <PYXThrowable.h>

namespace {

// A value inside a CDATA section; a "]]>" in it is split across two sections so that the
// section cannot be ended early by the value.
void AppendCData(std::string& out, std::string_view value) {
    out += "<![CDATA[";
    std::size_t start = 0;
    for (std::size_t end = value.find("]]>"); end != std::string_view::npos;
         end = value.find("]]>", start)) {
        out.append(value.substr(start, end + 2 - start));
        out += "]]><![CDATA[";
        start = end + 2;
    }
    out.append(value.substr(start));
    out += "]]>";
}

}  // namespace

VOR_AAA_IPF_ProviderTraceIndication::VOR_AAA_IPF_ProviderTraceIndication(
    std::string_view functionName)
    : m_functionName(functionName), m_parameters("<parameters>") {}

void VOR_AAA_IPF_ProviderTraceIndication::AddParameter(std::string_view name,
                                                       std::string_view value) {
    PYX_ASSERT(m_parametersClosed == false);
    m_parameters += "<item name=\"";
    m_parameters.append(name);
    m_parameters += "\">";
    AppendCData(m_parameters, value);
    m_parameters += "</item>";
}

void VOR_AAA_IPF_ProviderTraceIndication::AddParameter(std::string_view name, int64_t value) {
    AddParameter(name, std::to_string(value));
}

void VOR_AAA_IPF_ProviderTraceIndication::CloseParameters() {
    if (!m_parametersClosed) {
        m_parameters += "</parameters>";
        m_parametersClosed = true;
    }
}

void VOR_AAA_IPF_ProviderTraceIndication::SetReturnValue(std::string_view value) {
    PYX_ASSERT(m_functionClosed == false);
    CloseParameters();
    m_returnValue.assign(value);
    m_hasReturnValue = true;
}

void VOR_AAA_IPF_ProviderTraceIndication::SetReturnValue(int64_t value) {
    SetReturnValue(std::to_string(value));
}

std::string VOR_AAA_IPF_ProviderTraceIndication::Finish() {
    CloseParameters();
    m_functionClosed = true;
    std::string text = "<function name=\"" + m_functionName + "\">" + m_parameters;
    if (m_hasReturnValue) {
        text += "<returnvalue>";
        AppendCData(text, m_returnValue);
        text += "</returnvalue>";
    }
    text += "</function>";
    return text;
}
