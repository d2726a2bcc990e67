// The access library's handling of what a directory server answers. A fake server on a loopback
// port answers each request of a sign-on (service bind, user search, user bind, ticket write)
// with the next piece of the input, as raw bytes on the wire; then the handle reads a folder
// listing and records asked for ahead. Pieces are separated by the four bytes "\n--\n"; when none
// is left the server closes the connection, so no run waits for a timeout. Whatever arrives, the
// library must answer with result codes: no crash, no leak, no hang. Seeds are recorded from a real
// slapd: with BASALT_LDAP_FUZZ_PORT set the handle talks to that port instead
// (tests/fuzz/record_ldap_seeds.py there relays to the server and writes what it answered, in this
// target's format).
#include "FuzzTarget.h"

#include <AccessAPI.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr AS_Version kVersion{0, AS_VERSION_WORD2, AS_VERSION_WORD3, AS_VERSION_WORD4};
constexpr const char* kApp = "LDAP result fuzzing";
constexpr std::string_view kSeparator = "\n--\n";

std::vector<std::string> Pieces(std::string_view input) {
    std::vector<std::string> pieces;
    for (;;) {
        const size_t at = input.find(kSeparator);
        pieces.emplace_back(input.substr(0, at));
        if (at == std::string_view::npos) {
            return pieces;
        }
        input.remove_prefix(at + kSeparator.size());
    }
}

// Waits at most `milliseconds` for the descriptor to become readable.
bool Readable(int fd, int milliseconds) {
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, milliseconds) > 0;
}

// The listening socket, made once for the process.
class FakeServer {
public:
    FakeServer() {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_listener < 0 ||
            ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(m_listener, 8) != 0 ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            basalt::fuzz::Violated("the fake directory server cannot listen", {});
        }
        m_port = ntohs(address.sin_port);
    }
    int Port() const { return m_port; }

    // Serves every connection the client makes until `done`: each request read gets the next
    // piece; a connection is closed when the pieces run out or the client goes quiet.
    void Serve(const std::vector<std::string>& pieces, const std::atomic<bool>& done) const {
        size_t next = 0;
        while (!done.load()) {
            if (!Readable(m_listener, 10)) {
                continue;
            }
            const int connection = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection < 0) {
                continue;
            }
            char request[4096];
            while (next < pieces.size() && Readable(connection, 100) &&
                   ::read(connection, request, sizeof request) > 0) {
                const std::string& piece = pieces[next++];
                if (!piece.empty() &&
                    ::send(connection, piece.data(), piece.size(), MSG_NOSIGNAL) < 0) {
                    break;
                }
            }
            ::close(connection);
        }
    }

private:
    int m_listener = -1;
    int m_port = 0;
};

// The library's process set-up, once: a private home holding the data home's message files
// and an access.conf whose service identity binds with a password the fake server never checks.
void InitializeOnce() {
    static const bool done = [] {
        const std::filesystem::path home = std::filesystem::temp_directory_path() /
                                           ("basalt-ldap-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(home);
        for (const char* file :
             {"ridge_tlxlang.tab", "srvcmsgs_en.msg", "access.conf", "access-service.pw"}) {
            std::filesystem::copy_file(std::filesystem::path(BASALT_DATA_HOME) / file, home / file,
                                       std::filesystem::copy_options::overwrite_existing);
        }
        const std::string h = "TALVEX_HOME=" + home.string();
        const std::string t = "TLXNLSTAB=" + (home / "ridge_tlxlang.tab").string();
        const std::string m = "SRVCMSGS=" + (home / "srvcmsgs_en.msg").string();
        const char* settings[] = {h.c_str(), t.c_str(), m.c_str(), nullptr};
        if (AS_TesselProcessInitialize2(kApp, settings) != AS_OK ||
            AS_SetSystemEncoding("utf8") != AS_OK) {
            basalt::fuzz::Violated("the access library does not start", {});
        }
        return true;
    }();
    (void)done;
}

}  // namespace

BASALT_FUZZ_TARGET() {
    InitializeOnce();
    static const FakeServer server;
    const std::vector<std::string> pieces = Pieces(basalt::fuzz::Bytes(data, size));

    const std::string config =
        "<TESSEL_CONFIGURATION_6.7.0><GENERATION>1</GENERATION><STORAGE_TYPE>2</STORAGE_TYPE>"
        "<DEFAULT_NAMESPACE>ridgetest</DEFAULT_NAMESPACE><SSL_CERT_DB></SSL_CERT_DB>"
        "<SSL_ENABLED>false</SSL_ENABLED><LDAP><HOST>127.0.0.1</HOST><PORT>" +
        (std::getenv("BASALT_LDAP_FUZZ_PORT") != nullptr ? std::getenv("BASALT_LDAP_FUZZ_PORT")
                                                         : std::to_string(server.Port())) +
        "</PORT><BASE_DN>dc=ridge,dc=test</BASE_DN><TIMEOUT>2</TIMEOUT></LDAP>"
        "</TESSEL_CONFIGURATION_6.7.0>";
    if (AS_SetTemporaryRuntimeConfig(config.c_str(), static_cast<uint32_t>(config.size())) !=
        AS_OK) {
        basalt::fuzz::Violated("the fuzzer's own runtime configuration is refused", {});
    }

    std::atomic<bool> done{false};
    std::thread serving([&] { server.Serve(pieces, done); });
    AS_Handle handle = 0;
    if (AS_Init(kVersion, &handle, AS_INIT_FLAGS) == AS_OK) {
        AS_ObjectId user = 0;
        char ticket[AS_TICKET_SIZE] = "";
        AS_AuthenticateUser2(handle, "ridgetest", "alice", "Secret#2024", nullptr, &user, ticket);
        AS_ObjectId folder = 0;
        if (ASA_FindUserUserFolder(handle, user, &folder) == AS_OK) {
            AS_ObjectId children[16];
            uint32_t count = 0;
            ASA_FindUserFolderUsersList(handle, folder, 16, children, &count);
            // Records asked for ahead, whose answers the reads take entry by entry.
            const AS_ObjectId ahead[] = {77, 78, 79};
            if (ASA_PrefetchObjects(handle, AS_OBJ_USER, 3, ahead) == AS_OK) {
                for (AS_ObjectId id : ahead) {
                    ASA_FindUserInfo(handle, id, nullptr, nullptr, nullptr);
                }
            }
        }
        AS_Terminate(handle);
    }
    done = true;
    serving.join();
    return 0;
}
