#include "VOR_AAA_Namespace.h"

void VOR_AAA_Namespace::WriteClassProperties(std::ostream& out, bool withSchema) const {
    m_capabilities.Write(out, "capabilities", withSchema);
    m_conformanceProperties.Write(out, "comformanceProperties", withSchema);
}

bool VOR_AAA_Namespace::GetFilterValues(const std::string& name,
                                        std::vector<std::string>& values) const {
    const VOR_AAA_Type_StringArrayProp* array =
        name == "capabilities" ? &m_capabilities
        : (name == "conformanceProperties" || name == "comformanceProperties")
            ? &m_conformanceProperties
            : nullptr;
    if (array != nullptr) {
        if (!array->IsSet()) {
            return false;
        }
        values.insert(values.end(), array->Get().begin(), array->Get().end());
        return true;
    }
    return VOR_AAA_BaseClass::GetFilterValues(name, values);
}
