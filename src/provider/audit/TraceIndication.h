// The text of one traced directory-library call:
//   <function name="F"><parameters><item name="P"><![CDATA[v]]></item>...</parameters>
//   <returnvalue><![CDATA[r]]></returnvalue></function>
// written on one line. Numbers are decimal. Callers never add a password as a value; they add
// the mask text instead.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class VOR_AAA_IPF_ProviderTraceIndication {
public:
    explicit VOR_AAA_IPF_ProviderTraceIndication(std::string_view functionName);

    void AddParameter(std::string_view name, std::string_view value);
    void AddParameter(std::string_view name, int64_t value);
    void CloseParameters();
    void SetReturnValue(std::string_view value);
    void SetReturnValue(int64_t value);
    // Closes what is open and returns the whole text; later additions fail their assertions.
    std::string Finish();

private:
    std::string m_functionName;
    std::string m_parameters;
    bool m_parametersClosed = false;
    bool m_functionClosed = false;
    bool m_hasReturnValue = false;
    std::string m_returnValue;
};

// The text a trace shows in place of a password.
inline constexpr const char* kTracePasswordMask = "*****";
