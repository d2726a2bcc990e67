// The one rule for the user class a sign-on asks for: an empty role, or "all", asks for none.
#pragma once

#include <I18NString.h>

inline constexpr const char* kAllUserClasses = "all";

// The class a logon passes on to its session: the role, or "all" when it names none.
inline I18NString UserClassOrAll(const I18NString& role) {
    return role.empty() ? I18NString(kAllUserClasses) : role;
}

// Whether the class passed on names one class (neither empty nor "all").
inline bool NamesUserClass(const I18NString& userClass) {
    return !userClass.empty() && userClass != I18NString(kAllUserClasses);
}
