#include "VOR_AAA_VORID.h"

#include "PYXUtConvert.h"
#include "VOR_AAA_Exception.h"
#include "VOR_AAA_Messages.h"

#include <charconv>

namespace VOR_AAA_VORID {

using namespace VOR_AAA_Messages;

namespace {

// The identifier inside VORID("...") (or vorid("...")), else the text itself.
std::string unwrap(const std::string& identifier) {
    for (const char* word : {"VORID(\"", "vorid(\""}) {
        size_t at = identifier.find(word);
        if (at != std::string::npos) {
            size_t begin = at + kOpenerLength;
            size_t end = identifier.find('"', begin);
            return identifier.substr(begin,
                                     end == std::string::npos ? std::string::npos : end - begin);
        }
    }
    return identifier;
}

}  // namespace

Decoded Decode(const std::string& identifier, const DirectoryProbe& probe) {
    Decoded result;
    const std::string text = unwrap(identifier);
    const size_t colon = text.find(':');
    result.namespacePart = text.substr(0, colon);
    if (text.find('=') != std::string::npos && colon != std::string::npos) {
        result.objectPart = text.substr(colon + 1);
    }
    const size_t authid = text.find("authid");
    if (result.objectPart.find("authid") != std::string::npos) {
        size_t equals = result.objectPart.find('=', result.objectPart.find("authid"));
        if (equals == std::string::npos) {
            result.objectPart.clear();
        } else {
            size_t end = result.objectPart.find(':', equals + 1);
            result.objectPart = result.objectPart.substr(
                equals + 1, end == std::string::npos ? std::string::npos : end - equals - 1);
        }
    }
    if (result.objectPart.empty()) {
        result.kind = text == result.namespacePart ? eNamespace : eUnknown;
        return result;
    }
    const std::string marked = text.substr(0, authid);
    const bool haveNumber = PYXUtConvert::tryUlongCvt(result.objectPart, result.number);
    if (marked.find(":u:") != std::string::npos) {
        result.kind = eAccount;
    } else if (marked.find(":f:") != std::string::npos) {
        result.kind = eNamespaceFolder;
    } else if (marked.find(":r:") != std::string::npos) {
        result.kind = eRole;
    } else if (probe && haveNumber) {
        for (ObjectKind kind : {eAccount, eNamespaceFolder, eRole}) {
            if (probe(kind, result.number)) {
                result.kind = kind;
                break;
            }
        }
    }
    if (!haveNumber) {
        result.number = 0;
    }
    return result;
}

Decoded Resolve(const std::string& pathText, const std::string& identifier,
                const std::string& namespaceID, const DirectoryProbe& probe) {
    Decoded decoded = Decode(identifier, probe);
    if (decoded.namespacePart != namespaceID) {
        PYX_THROW(VOR_AAA_Exception(-48, VOR_AAA_Message(kMsgQueryNotAnswered) << pathText),
                  "VOR_AAA_VORID::Resolve");
    }
    if (decoded.kind == eUnknown) {
        PYX_THROW(VOR_AAA_Exception(-19, VOR_AAA_Message(kMsgQueryNotAnswered) << pathText),
                  "VOR_AAA_VORID::Resolve");
    }
    return decoded;
}

std::string Compose(const std::string& namespaceID, ObjectKind kind, uint32_t number) {
    std::string id;
    // Room for the marker, "authid=" and ten digits: one allocation.
    id.reserve(namespaceID.size() + 20);
    id = namespaceID;
    if (!id.empty() && id.back() == ':') {
        id.pop_back();
    }
    if (kind == eNamespace) {
        return id;
    }
    switch (kind) {
        case eAccount:
            id += ":u:";
            break;
        case eNamespaceFolder:
            id += ":f:";
            break;
        case eRole:
            id += ":r:";
            break;
        default:
            id += ':';
            break;
    }
    id += "authid=";
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    id.append(digits, end);
    return id;
}

std::string Wrap(const std::string& identifier) {
    std::string wrapped;
    wrapped.reserve(kOpenerDouble.size() + identifier.size() + kCloserDouble.size());
    wrapped += kOpenerDouble;
    wrapped += identifier;
    wrapped += kCloserDouble;
    return wrapped;
}

}  // namespace VOR_AAA_VORID
