#pragma once
// The names people read for the directory's kinds of object and property names, in the
// gateway's languages; a name it does not know is shown as the directory gives it.

#include <string>
#include <string_view>

namespace basalt_host::serve {

// "account" -> "User" ("Utilisateur" in French), "namespaceFolder" -> "Folder", ...
std::string kindLabel(std::string_view objectClass, std::string_view lang);

// "defaultName" -> "Name", "businessPhone" -> "Business phone", ...
std::string propertyLabel(std::string_view property, std::string_view lang);

}  // namespace basalt_host::serve
