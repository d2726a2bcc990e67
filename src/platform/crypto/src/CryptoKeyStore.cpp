#include "CryptoKeyStore.h"

#include <fcntl.h>
#include <openssl/crypto.h>
#include <openssl/rand.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include "PYXThread.h"

#include "CryptoError.h"
#include "VOR_Crypto_Interface.h"

namespace basalt::crypto {
namespace {

constexpr mode_t kFolderMode = 0700;
constexpr mode_t kFileMode = 0600;

[[noreturn]] void fail(const std::string& what) {
    throw CryptoError(VOR_CRYPTO_E_KEY, what);
}

[[noreturn]] void failErrno(const std::string& what, const std::filesystem::path& path) {
    fail(what + " " + path.string() + ": " + std::strerror(errno));
}

std::string octal(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

// Closes a descriptor when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }

private:
    int m_fd;
};

void ensureFolder(const std::filesystem::path& folder) {
    if (::mkdir(folder.c_str(), kFolderMode) == 0) {
        // mkdir honours the umask; the folder must end up exactly owner-only.
        if (::chmod(folder.c_str(), kFolderMode) != 0) {
            failErrno("cannot set the mode of the key folder", folder);
        }
    } else if (errno != EEXIST) {
        failErrno("cannot create the key folder", folder);
    }
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) {
        failErrno("cannot inspect the key folder", folder);
    }
    if (!S_ISDIR(info.st_mode)) {
        fail("the key folder " + folder.string() + " is not a directory");
    }
    if ((info.st_mode & 077) != 0) {
        fail("the key folder " + folder.string() + " is open to other users (mode " +
             octal(info.st_mode) + ")");
    }
}

void writeAll(int fd, const unsigned char* data, std::size_t size,
              const std::filesystem::path& path) {
    while (size > 0) {
        ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            failErrno("cannot write the key file", path);
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

// Writes a fresh key to a private temporary file and links it into place. link() never
// replaces an existing file, so when another process got there first its key stays and ours is
// thrown away.
void createKeyFile(const std::filesystem::path& folder, const std::filesystem::path& file) {
    std::string pattern = (folder / ".protect.key.XXXXXX").string();
    FileDescriptor fd(::mkstemp(pattern.data()));
    if (!fd.valid()) {
        failErrno("cannot create a temporary key file in", folder);
    }
    std::filesystem::path temporary(pattern);
    struct RemoveTemporary {
        const std::filesystem::path& path;
        ~RemoveTemporary() { ::unlink(path.c_str()); }
    } removeTemporary{temporary};

    ProtectionKey fresh;
    if (RAND_bytes(fresh.bytes.data(), static_cast<int>(fresh.bytes.size())) != 1) {
        fail("the random generator could not produce a key");
    }
    if (::fchmod(fd.get(), kFileMode) != 0) {
        failErrno("cannot set the mode of", temporary);
    }
    writeAll(fd.get(), fresh.bytes.data(), fresh.bytes.size(), temporary);
    if (::fsync(fd.get()) != 0) {
        failErrno("cannot flush", temporary);
    }
    if (::link(temporary.c_str(), file.c_str()) != 0 && errno != EEXIST) {
        failErrno("cannot install the key file", file);
    }
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid()) {
        ::fsync(dir.get());  // best effort: the key survives a crash right after creation
    }
}

std::shared_ptr<ProtectionKey> readKeyFile(const std::filesystem::path& file) {
    FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.valid()) {
        failErrno("cannot open the key file", file);
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        failErrno("cannot inspect the key file", file);
    }
    if (!S_ISREG(info.st_mode)) {
        fail("the key file " + file.string() + " is not a regular file");
    }
    if ((info.st_mode & 077) != 0) {
        fail("the key file " + file.string() + " is open to other users (mode " +
             octal(info.st_mode) + ")");
    }
    if (info.st_size != static_cast<off_t>(kKeySize)) {
        fail("the key file " + file.string() + " holds " + std::to_string(info.st_size) +
             " bytes instead of " + std::to_string(kKeySize));
    }
    auto key = std::make_shared<ProtectionKey>();
    std::size_t done = 0;
    while (done < kKeySize) {
        ssize_t got = ::read(fd.get(), key->bytes.data() + done, kKeySize - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            failErrno("cannot read the key file", file);
        }
        done += static_cast<std::size_t>(got);
    }
    return key;
}

}  // namespace

ProtectionKey::~ProtectionKey() {
    OPENSSL_cleanse(bytes.data(), bytes.size());
}

std::filesystem::path keyFolderOf(const std::filesystem::path& home) {
    return home / "keys";
}

std::filesystem::path keyFileOf(const std::filesystem::path& home) {
    return keyFolderOf(home) / "protect.key";
}

std::shared_ptr<const ProtectionKey> loadProtectionKey(const std::filesystem::path& home) {
    static PYXThreadCriticalSection lock;
    static std::map<std::string, std::weak_ptr<const ProtectionKey>> inUse;

    PYXThreadGuard guard(lock);
    const std::filesystem::path file = keyFileOf(home);
    if (auto shared = inUse[file.string()].lock()) {
        return shared;
    }
    struct stat info {};
    if (::stat(home.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        fail("the home directory " + home.string() + " does not exist");
    }
    const std::filesystem::path folder = keyFolderOf(home);
    ensureFolder(folder);
    if (::access(file.c_str(), F_OK) != 0) {
        if (errno != ENOENT) {
            failErrno("cannot reach the key file", file);
        }
        createKeyFile(folder, file);
    }
    std::shared_ptr<const ProtectionKey> key = readKeyFile(file);
    inUse[file.string()] = key;
    return key;
}

}  // namespace basalt::crypto
