#include "PageTexts.h"

#include "HttpText.h"

#include <cctype>
#include <cstdlib>
#include <vector>

namespace basalt_host::serve {
namespace {

const PageTexts kEnglish{
    "en",
    "Sign on",
    "Sign on",
    "Namespace",
    "Next",
    "Signed on as",
    "Sign off",
    "You have signed off.",
    "Sign on again",
    "Directory",
    "Name",
    "Kind",
    "Properties",
    "Property",
    "Value",
    "Name contains",
    "Filter",
    "Previous page",
    "Next page",
    "objects",
    "No objects.",
    "Up",
    "The two new passwords are not the same.",
    "The form has expired or did not come from this page; please try again.",
    "The request failed.",
    "The request names its user more than once; it was refused.",
    "The request could not be read.",
    "There is no such page.",
    "This page does not take that kind of request.",
    "The request is too large.",
    "The address is too long.",
    "The request's headers are too large.",
    "The request asks for something this server does not do.",
    "The directory is not available at the moment.",
    "Try again",
    "Go to the directory",
    "The address holds a number that is not valid.",
    "Too many failed sign-on attempts. Please wait before trying again.",
    "Change password",
    "Your session has expired. Please sign on again.",
};

const PageTexts kFrench{
    "fr",
    "Connexion",
    "Se connecter",
    "Espace de noms",
    "Suivant",
    "Connecté en tant que",
    "Se déconnecter",
    "Vous êtes déconnecté.",
    "Se reconnecter",
    "Annuaire",
    "Nom",
    "Type",
    "Propriétés",
    "Propriété",
    "Valeur",
    "Le nom contient",
    "Filtrer",
    "Page précédente",
    "Page suivante",
    "objets",
    "Aucun objet.",
    "Remonter",
    "Les deux nouveaux mots de passe ne sont pas identiques.",
    "Le formulaire a expiré ou ne vient pas de cette page ; veuillez réessayer.",
    "La demande a échoué.",
    "La demande désigne son utilisateur plus d'une fois ; elle a été refusée.",
    "La demande n'a pas pu être lue.",
    "Cette page n'existe pas.",
    "Cette page n'accepte pas ce type de demande.",
    "La demande est trop volumineuse.",
    "L'adresse est trop longue.",
    "Les en-têtes de la demande sont trop volumineux.",
    "La demande porte sur une fonction que ce serveur n'offre pas.",
    "L'annuaire n'est pas disponible pour le moment.",
    "Réessayer",
    "Aller à l'annuaire",
    "L'adresse contient un nombre qui n'est pas valide.",
    "Trop de tentatives de connexion ont échoué. Veuillez patienter avant de réessayer.",
    "Changer le mot de passe",
    "Votre session a expiré. Veuillez vous reconnecter.",
};

// The quality of "q=0.8" style parameters in thousandths; 1000 when absent, -1 when unreadable.
int qualityOf(std::string_view parameters) {
    int quality = 1000;
    while (!parameters.empty()) {
        std::size_t semicolon = parameters.find(';');
        std::string_view parameter = trimmedWhiteSpace(parameters.substr(0, semicolon));
        parameters = semicolon == std::string_view::npos ? std::string_view()
                                                         : parameters.substr(semicolon + 1);
        if (parameter.size() < 2 || (parameter[0] != 'q' && parameter[0] != 'Q') ||
            parameter[1] != '=') {
            continue;
        }
        std::string_view number = parameter.substr(2);
        if (number.empty() || (number[0] != '0' && number[0] != '1')) {
            return -1;
        }
        int whole = number[0] - '0';
        int thousandths = 0;
        int digits = 0;
        if (number.size() > 1) {
            if (number[1] != '.') {
                return -1;
            }
            for (char c : number.substr(2)) {
                if (!std::isdigit(static_cast<unsigned char>(c)) || digits == 3) {
                    return -1;
                }
                thousandths = thousandths * 10 + (c - '0');
                ++digits;
            }
        }
        while (digits < 3) {
            thousandths *= 10;
            ++digits;
        }
        quality = whole * 1000 + thousandths;
        if (quality > 1000) {
            return -1;
        }
    }
    return quality;
}

bool isLanguageTag(std::string_view tag) {
    if (tag.empty() || tag.size() > 35 || tag.front() == '-' || tag.back() == '-') {
        return false;
    }
    for (char c : tag) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string productLocaleFrom(std::string_view acceptLanguage, const std::string& fallback) {
    std::string best;
    int bestQuality = 0;
    while (!acceptLanguage.empty()) {
        std::size_t comma = acceptLanguage.find(',');
        std::string_view range = trimmedWhiteSpace(acceptLanguage.substr(0, comma));
        acceptLanguage =
            comma == std::string_view::npos ? std::string_view() : acceptLanguage.substr(comma + 1);
        std::size_t semicolon = range.find(';');
        std::string_view tag = trimmedWhiteSpace(range.substr(0, semicolon));
        int quality =
            semicolon == std::string_view::npos ? 1000 : qualityOf(range.substr(semicolon + 1));
        if (!isLanguageTag(tag) || quality <= bestQuality) {
            continue;
        }
        best.clear();
        for (char c : tag) {
            best += c == '_' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        bestQuality = quality;
    }
    return best.empty() ? fallback : best;
}

const PageTexts& pageTexts(std::string_view productLocale) {
    if (productLocale == "fr" || productLocale.substr(0, 3) == "fr-") {
        return kFrench;
    }
    return kEnglish;
}

}  // namespace basalt_host::serve
