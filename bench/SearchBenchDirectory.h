// The directory the search benchmark runs on, generated on the fly (never committed) and loaded
// with slapadd through scripts/directory: a namespace "bench" whose root folder holds
//   - "Staff": 100 users (the first-page case), "Pages": 1,000 users (the next-page case);
//   - "Region0".."Region9", each with "Office0".."Office9", each with UsersPerOffice() users, so
//     that the namespace holds BigUsers() users in nested folders;
//   - a class tree "Everyone" > "Team0".."Team9" > "Squad0".."Squad4" with a few members each;
//   - the readers the benchmark signs on as (privilege 8: they may browse every class).
#pragma once

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

namespace search_bench {

inline constexpr const char* kNamespace = "bench";
inline constexpr const char* kPassword = "Bench#2024";
inline constexpr uint32_t kStaffFolder = 20;
inline constexpr uint32_t kPagesFolder = 21;
inline constexpr int kStaffUsers = 100;
inline constexpr int kPagesUsers = 1000;
inline constexpr int kRegions = 10;
inline constexpr int kOffices = 10;
// 1,000 users per office (100,000 in all) unless BASALT_BENCH_USERS_PER_OFFICE says otherwise
// (a quicker run for a look at the small cases).
inline int UsersPerOffice() {
    const char* text = std::getenv("BASALT_BENCH_USERS_PER_OFFICE");
    const int n = text != nullptr ? std::atoi(text) : 0;
    return n > 0 ? n : 1000;
}
inline int BigUsers() {
    return kRegions * kOffices * UsersPerOffice();
}
inline constexpr int kReaders = 2;

inline void WriteUser(std::ofstream& out, const std::string& parent, const std::string& uid,
                      uint32_t id, bool withPassword) {
    out << "dn: uid=" << uid << "," << parent
        << "\nobjectClass: inetOrgPerson\nobjectClass: ridgeUser\nuid: " << uid << "\ncn: " << uid
        << " Person\nsn: Person\ngivenName: " << uid << "\nmail: " << uid
        << "@example.test\ntelephoneNumber: +1 555 " << id << "\nridgeId: " << id
        << "\ndescription: Member of staff " << id << "\n";
    if (withPassword) {
        out << "ridgeBasicSignonId: " << id + 5000000
            << "\nridgePrivileges: 8\nuserPassword: " << kPassword << "\n";
    }
    out << "\n";
}

// Writes the LDIF (with the @BASE_DN@ marker scripts/directory fills in) to path.
inline void WriteDirectory(const std::string& path) {
    std::ofstream out(path);
    const std::string ns = "ou=bench,@BASE_DN@";
    out << "dn: " << ns
        << "\nobjectClass: organizationalUnit\nobjectClass: ridgeNamespace\n"
           "objectClass: ridgeFolder\nou: bench\nridgeId: 1\nridgeAuthModes: basic\n"
           "ridgeProductLocale: en-us\nridgeContentLocale: en-us\n\n"
        << "dn: ou=tickets," << ns << "\nobjectClass: organizationalUnit\nou: tickets\n\n";
    for (int r = 0; r < kReaders; ++r) {
        WriteUser(out, ns, "reader" + std::to_string(r), 10 + r, true);
    }
    const std::pair<const char*, std::pair<uint32_t, int>> flat[] = {
        {"Staff", {kStaffFolder, kStaffUsers}}, {"Pages", {kPagesFolder, kPagesUsers}}};
    uint32_t nextUser = 1000;
    for (const auto& [name, folder] : flat) {
        const std::string dn = std::string("ou=") + name + "," + ns;
        out << "dn: " << dn
            << "\nobjectClass: organizationalUnit\nobjectClass: ridgeFolder\nou: " << name
            << "\nridgeId: " << folder.first << "\n\n";
        for (int i = 0; i < folder.second; ++i) {
            WriteUser(out, dn, std::string(name) + std::to_string(i), nextUser++, false);
        }
    }
    uint32_t nextFolder = 100;
    nextUser = 100000;
    for (int r = 0; r < kRegions; ++r) {
        const std::string region = "ou=Region" + std::to_string(r) + "," + ns;
        out << "dn: " << region
            << "\nobjectClass: organizationalUnit\nobjectClass: ridgeFolder\nou: Region" << r
            << "\nridgeId: " << nextFolder++ << "\n\n";
        for (int o = 0; o < kOffices; ++o) {
            const std::string office = "ou=Office" + std::to_string(o) + "," + region;
            out << "dn: " << office
                << "\nobjectClass: organizationalUnit\nobjectClass: ridgeFolder\nou: Office" << o
                << "\nridgeId: " << nextFolder++ << "\n\n";
            for (int u = 0; u < UsersPerOffice(); ++u) {
                WriteUser(out, office, "u" + std::to_string(nextUser), nextUser, false);
                ++nextUser;
            }
        }
    }
    const std::string everyone = "cn=Everyone," + ns;
    out << "dn: " << everyone
        << "\nobjectClass: groupOfUniqueNames\nobjectClass: ridgeClass\ncn: Everyone\n"
           "ridgeId: 50\nuniqueMember: uid=reader0,"
        << ns << "\nuniqueMember: uid=reader1," << ns << "\n\n";
    uint32_t nextClass = 60;
    for (int t = 0; t < 10; ++t) {
        const std::string team = "cn=Team" + std::to_string(t) + "," + everyone;
        out << "dn: " << team
            << "\nobjectClass: groupOfUniqueNames\nobjectClass: ridgeClass\ncn: Team" << t
            << "\nridgeId: " << nextClass++ << "\nuniqueMember: uid=Staff" << t << ",ou=Staff,"
            << ns << "\n\n";
        for (int s = 0; s < 5; ++s) {
            out << "dn: cn=Squad" << t << "-" << s << "," << team
                << "\nobjectClass: groupOfUniqueNames\nobjectClass: ridgeClass\ncn: Squad" << t
                << "-" << s << "\nridgeId: " << nextClass++ << "\nuniqueMember: uid=Staff"
                << t * 5 + s << ",ou=Staff," << ns << "\n\n";
        }
    }
}

}  // namespace search_bench
