#include "namespace/DirectoryDN.h"

#include <ldap.h>

#include <cctype>
#include <cstring>
#include <memory>
#include <string_view>

namespace {

struct ExplodedDNFree {
    void operator()(char** rdns) const { ldap_memvfree(reinterpret_cast<void**>(rdns)); }
};
using ExplodedDN = std::unique_ptr<char*, ExplodedDNFree>;

ExplodedDN Explode(const std::string& dn) {
    return ExplodedDN(ldap_explode_dn(dn.c_str(), 0));
}

struct RdnParts {
    std::string type;
    std::string value;
};

bool IsBlank(char c) {
    return c == ' ';
}

RdnParts SplitRdn(const char* rdn) {
    // An RDN longer than 255 bytes is compared on its first 255 bytes.
    const std::string_view copy(rdn, strnlen(rdn, 255));
    RdnParts parts;
    const std::size_t equals = copy.find('=');
    std::string_view left = copy.substr(0, equals);
    while (!left.empty() && IsBlank(left.front())) {
        left.remove_prefix(1);
    }
    parts.type.assign(left.substr(0, left.find(' ')));
    if (equals == std::string_view::npos) {
        return parts;
    }
    std::string_view right = copy.substr(equals + 1);
    while (!right.empty() && IsBlank(right.front())) {
        right.remove_prefix(1);
    }
    if (!right.empty() && right.front() == '"') {
        right.remove_prefix(1);
    }
    while (!right.empty() && IsBlank(right.back())) {
        right.remove_suffix(1);
    }
    if (!right.empty() && right.back() == '"') {
        right.remove_suffix(1);
    }
    parts.value.assign(right);
    return parts;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (std::tolower(ca) != std::tolower(cb)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool DirectoryDNsEqual(const std::string& dn, const std::string& otherDN) {
    const ExplodedDN left = Explode(dn);
    const ExplodedDN right = Explode(otherDN);
    if (!left || !right) {
        return false;
    }
    for (std::size_t i = 0;; ++i) {
        const char* a = left.get()[i];
        const char* b = right.get()[i];
        if (a == nullptr || b == nullptr) {
            return a == nullptr && b == nullptr;
        }
        const RdnParts pa = SplitRdn(a);
        const RdnParts pb = SplitRdn(b);
        if (pa.value.empty() || pb.value.empty()) {
            return false;
        }
        if (!EqualsIgnoreCase(pa.type, pb.type) || !EqualsIgnoreCase(pa.value, pb.value)) {
            return false;
        }
    }
}
