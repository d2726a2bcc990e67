#include "DirectoryLabels.h"

namespace basalt_host::serve {
namespace {

struct Label {
    const char* name;
    const char* english;
    const char* french;
};

constexpr Label kKinds[] = {
    {"namespace", "Namespace", "Espace de noms"},
    {"namespaceFolder", "Folder", "Dossier"},
    {"account", "User", "Utilisateur"},
    {"group", "Group", "Groupe"},
    {"role", "Role", "Rôle"},
    {"distributionList", "Distribution list", "Liste de diffusion"},
};

constexpr Label kProperties[] = {
    {"defaultName", "Name", "Nom"},
    {"name", "Name", "Nom"},
    {"objectClass", "Kind", "Type"},
    {"searchPath", "Search path", "Chemin de recherche"},
    {"ancestors", "Location", "Emplacement"},
    {"defaultDescription", "Description", "Description"},
    {"description", "Description", "Description"},
    {"hasChildren", "Has children", "A des enfants"},
    {"userName", "Sign-on name", "Nom de connexion"},
    {"givenName", "Given name", "Prénom"},
    {"surname", "Surname", "Nom de famille"},
    {"email", "Email", "Courriel"},
    {"businessPhone", "Business phone", "Téléphone professionnel"},
    {"homePhone", "Home phone", "Téléphone personnel"},
    {"mobilePhone", "Mobile phone", "Téléphone mobile"},
    {"pagerPhone", "Pager", "Récepteur d'appel"},
    {"faxPhone", "Fax", "Télécopie"},
    {"postalAddress", "Postal address", "Adresse postale"},
    {"productLocale", "Product language", "Langue du produit"},
    {"contentLocale", "Content language", "Langue du contenu"},
    {"members", "Members", "Membres"},
};

template <std::size_t N>
std::string find(const Label (&labels)[N], std::string_view name, std::string_view lang) {
    for (const Label& label : labels) {
        if (name == label.name) {
            return lang == "fr" ? label.french : label.english;
        }
    }
    return std::string(name);
}

}  // namespace

std::string kindLabel(std::string_view objectClass, std::string_view lang) {
    return find(kKinds, objectClass, lang);
}

std::string propertyLabel(std::string_view property, std::string_view lang) {
    return find(kProperties, property, lang);
}

}  // namespace basalt_host::serve
