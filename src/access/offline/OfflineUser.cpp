#include "OfflineUser.h"

#include <nlohmann/json.hpp>

#include <algorithm>

#include "LdapNames.h"
#include "Session.h"

namespace ridge::access {

namespace {

using Json = nlohmann::json;

Json entryJson(const LdapEntry& e) {
    Json attributes = Json::array();
    for (size_t i = 0; i < e.attributes.size(); ++i) {
        Json values = Json::array();
        for (std::string_view v : e.attributes.valuesAt(i))
            values.push_back(std::string(v));
        attributes.push_back({std::string(e.attributes.nameAt(i)), std::move(values)});
    }
    return {{"dn", e.dn}, {"attributes", std::move(attributes)}};
}

LdapEntry entryFrom(const Json& j) {
    LdapEntry e;
    e.dn = j.at("dn").get<std::string>();
    for (const auto& a : j.at("attributes")) {
        std::vector<std::string> values = a.at(1).get<std::vector<std::string>>();
        std::vector<std::string_view> views(values.begin(), values.end());
        e.attributes.add(a.at(0).get<std::string>(), views);
    }
    return e;
}

const std::vector<LdapEntry>* listOf(const OfflineUser& u, int32_t objectType) {
    if (objectType == AS_OBJ_USER_CLASS)
        return &u.classes;
    if (objectType == AS_OBJ_USER_FOLDER)
        return &u.folders;
    return nullptr;
}

}  // namespace

const LdapEntry* OfflineUser::byId(int32_t objectType, AS_ObjectId id) const {
    if (objectType == AS_OBJ_USER)
        return Session::idOf(user) == id ? &user : nullptr;
    if (const auto* list = listOf(*this, objectType))
        for (const auto& e : *list)
            if (Session::idOf(e) == id)
                return &e;
    return nullptr;
}

const LdapEntry* OfflineUser::byDn(int32_t objectType, const std::string& dn) const {
    const auto key = normalizeDn(dn);
    const auto same = [&](const LdapEntry& e) { return key && normalizeDn(e.dn) == key; };
    if (objectType == AS_OBJ_USER)
        return same(user) ? &user : nullptr;
    if (const auto* list = listOf(*this, objectType))
        for (const auto& e : *list)
            if (same(e))
                return &e;
    return nullptr;
}

std::vector<AS_ObjectId> OfflineUser::classIds() const {
    std::vector<AS_ObjectId> ids;
    for (const auto& c : classes)
        if (AS_ObjectId id = Session::idOf(c))
            ids.push_back(id);
    std::sort(ids.begin(), ids.end());
    return ids;
}

std::string toText(const OfflineUser& u) {
    Json classes = Json::array(), folders = Json::array();
    for (const auto& c : u.classes)
        classes.push_back(entryJson(c));
    for (const auto& f : u.folders)
        folders.push_back(entryJson(f));
    Json j = {{"namespace", u.namespaceDn},   {"signon", u.signon},
              {"verifier", u.verifier},       {"written", u.written},
              {"failures", u.failures},       {"lastFailure", u.lastFailure},
              {"usedOffline", u.usedOffline}, {"user", entryJson(u.user)},
              {"classes", classes},           {"folders", folders}};
    return j.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::optional<OfflineUser> offlineUserFromText(const std::string& text) {
    try {
        const Json j = Json::parse(text);
        OfflineUser u;
        u.namespaceDn = j.at("namespace").get<std::string>();
        u.signon = j.at("signon").get<std::string>();
        u.verifier = j.at("verifier").get<std::string>();
        u.written = j.at("written").get<std::time_t>();
        u.failures = j.at("failures").get<int>();
        u.lastFailure = j.at("lastFailure").get<std::time_t>();
        u.usedOffline = j.value("usedOffline", false);
        u.user = entryFrom(j.at("user"));
        for (const auto& c : j.at("classes"))
            u.classes.push_back(entryFrom(c));
        for (const auto& f : j.at("folders"))
            u.folders.push_back(entryFrom(f));
        return u;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace ridge::access
