#include "Signons.h"

#include <algorithm>
#include <charconv>

#include "ReadSupport.h"
#include "Status.h"

namespace ridge::access::reads {

namespace {

constexpr const char* kBasicIdAttr = schema::kBasicSignonId;
constexpr const char* kBasicTextAttr = schema::kSignonName;

const char* listAttribute(int32_t kind) {
    switch (kind) {
        case AS_OBJ_OS_SIGNON:
            return schema::kOSSignon;
        case AS_OBJ_DATABASE_SIGNON:
            return schema::kDatabaseSignon;
        default:
            fail(AS_ERR_INVALID_ARGUMENT, "signon type " + std::to_string(kind));
    }
}

std::optional<AS_ObjectId> canonicalId(std::string_view digits) {
    if (digits.empty() || digits.size() > 10 || digits.front() == '0')
        return std::nullopt;
    uint64_t n = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (ec != std::errc() || end != digits.data() + digits.size() || n > UINT32_MAX)
        return std::nullopt;
    return static_cast<AS_ObjectId>(n);
}

}  // namespace

bool isSignonType(int32_t objectType) {
    return objectType == AS_OBJ_BASIC_SIGNON || objectType == AS_OBJ_OS_SIGNON ||
           objectType == AS_OBJ_DATABASE_SIGNON;
}

std::optional<Signon> parseSignonValue(std::string_view value) {
    size_t colon = value.find(':');
    if (colon == std::string_view::npos || colon + 1 == value.size())
        return std::nullopt;
    auto id = canonicalId(value.substr(0, colon));
    if (!id)
        return std::nullopt;
    return Signon{*id, std::string(value.substr(colon + 1))};
}

std::vector<std::string> signonAttributes(int32_t kind) {
    if (kind == AS_OBJ_BASIC_SIGNON)
        return {kBasicIdAttr, kBasicTextAttr};
    return {listAttribute(kind)};
}

std::vector<Signon> signonsOf(const LdapEntry& user, int32_t kind) {
    std::vector<Signon> out;
    if (kind == AS_OBJ_BASIC_SIGNON) {
        auto id = canonicalId(user.value(kBasicIdAttr));
        std::string text(user.value(kBasicTextAttr));
        if (id && !text.empty())
            out.push_back({*id, std::move(text)});
        return out;
    }
    for (const auto& v : user.values(listAttribute(kind)))
        if (auto s = parseSignonValue(v))
            out.push_back(std::move(*s));
    std::stable_sort(out.begin(), out.end(),
                     [](const Signon& a, const Signon& b) { return a.id < b.id; });
    return out;
}

std::string signonText(Session& s, int32_t kind, AS_ObjectId id) {
    if (!isSignonType(kind))
        fail(AS_ERR_INVALID_ARGUMENT, "signon type " + std::to_string(kind));
    if (id == 0)
        fail(AS_ERR_OBJECT_NOT_FOUND, "signon 0");
    std::string idText = std::to_string(id);
    // List values are "<id>:<text>".
    const Filter match = kind == AS_OBJ_BASIC_SIGNON
                             ? Filter::equal(kBasicIdAttr, id)
                             : Filter::substrings(listAttribute(kind), {idText + ":", ""});
    const Filter filter = Filter::all({objectTypeFilter(AS_OBJ_USER), match});
    std::vector<Signon> found;
    for (const auto& user :
         searchAll(s.ldap(), s.namespaceDn(), Scope::Sub, filter, signonAttributes(kind)))
        for (auto& signon : signonsOf(user, kind))
            if (signon.id == id)
                found.push_back(std::move(signon));
    if (found.empty())
        fail(AS_ERR_OBJECT_NOT_FOUND, "signon " + idText);
    if (found.size() > 1)
        fail(AS_ERR_AMBIGUOUS, "signon " + idText);
    return found.front().text;
}

namespace {

int32_t signonCount(AS_Handle handle, int32_t kind, AS_ObjectId userId, uint32_t* count) {
    return withSignedOn(handle, [&](Session& s) {
        required(count, "count");
        auto user = requireUser(s, userId, signonAttributes(kind));
        *count = static_cast<uint32_t>(signonsOf(*user, kind).size());
    });
}

int32_t signonList(AS_Handle handle, int32_t kind, AS_ObjectId userId, uint32_t capacity,
                   AS_ObjectId* ids, uint32_t* count) {
    return withSignedOn(handle, [&](Session& s) {
        required(count, "count");
        auto user = requireUser(s, userId, signonAttributes(kind));
        std::vector<AS_ObjectId> list;
        for (const auto& signon : signonsOf(*user, kind))
            list.push_back(signon.id);
        writeIdList(list, capacity, ids, count);
    });
}

int32_t signonInfo(AS_Handle handle, int32_t kind, AS_ObjectId signonId, char* buffer,
                   uint32_t size) {
    return withSignedOn(handle, [&](Session& s) {
        required(buffer, "buffer");
        std::string text = callerText(s, signonText(s, kind, signonId), AS_MAX_FIELD_SIZE);
        if (text.size() + 1 > size)
            fail(AS_ERR_BUFFER_TOO_SMALL, "signon text needs " + std::to_string(text.size() + 1) +
                                              " bytes, buffer has " + std::to_string(size));
        std::copy(text.begin(), text.end(), buffer);
        buffer[text.size()] = '\0';
    });
}

}  // namespace

}  // namespace ridge::access::reads

using namespace ridge::access::reads;

extern "C" {

AS_API int32_t ASA_FindUserBasicSignonCount(AS_Handle handle, AS_ObjectId userId, uint32_t* count) {
    return signonCount(handle, AS_OBJ_BASIC_SIGNON, userId, count);
}

AS_API int32_t ASA_FindUserBasicSignonList(AS_Handle handle, AS_ObjectId userId, uint32_t capacity,
                                           AS_ObjectId* ids, uint32_t* count) {
    return signonList(handle, AS_OBJ_BASIC_SIGNON, userId, capacity, ids, count);
}

AS_API int32_t ASA_FindUserBasicSignonInfo(AS_Handle handle, AS_ObjectId signonId, char* buffer,
                                           uint32_t size) {
    return signonInfo(handle, AS_OBJ_BASIC_SIGNON, signonId, buffer, size);
}

AS_API int32_t ASA_FindUserOSSignonCount(AS_Handle handle, AS_ObjectId userId, uint32_t* count) {
    return signonCount(handle, AS_OBJ_OS_SIGNON, userId, count);
}

AS_API int32_t ASA_FindUserOSSignonList(AS_Handle handle, AS_ObjectId userId, uint32_t capacity,
                                        AS_ObjectId* ids, uint32_t* count) {
    return signonList(handle, AS_OBJ_OS_SIGNON, userId, capacity, ids, count);
}

AS_API int32_t ASA_FindUserOSSignonInfo(AS_Handle handle, AS_ObjectId signonId, char* buffer,
                                        uint32_t size) {
    return signonInfo(handle, AS_OBJ_OS_SIGNON, signonId, buffer, size);
}

AS_API int32_t ASA_FindUserDatabaseSignonCount(AS_Handle handle, AS_ObjectId userId,
                                               uint32_t* count) {
    return signonCount(handle, AS_OBJ_DATABASE_SIGNON, userId, count);
}

AS_API int32_t ASA_FindUserDatabaseSignonList(AS_Handle handle, AS_ObjectId userId,
                                              uint32_t capacity, AS_ObjectId* ids,
                                              uint32_t* count) {
    return signonList(handle, AS_OBJ_DATABASE_SIGNON, userId, capacity, ids, count);
}

AS_API int32_t ASA_FindUserDatabaseSignonInfo(AS_Handle handle, AS_ObjectId signonId, char* buffer,
                                              uint32_t size) {
    return signonInfo(handle, AS_OBJ_DATABASE_SIGNON, signonId, buffer, size);
}

}  // extern "C"
