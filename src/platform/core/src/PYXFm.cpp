#include "PYXFm.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <sys/stat.h>

#include "CoreErrors.h"

std::string PYXFmDir::resolveEffectivePath(const std::string& path) {
    if (path.empty()) {
        return {};
    }
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    if (ec) {
        absolute = std::filesystem::path(path);
    }
    std::string result = absolute.lexically_normal().string();
    // "/a/b/" normalises to "/a/b/"; the directory itself is meant.
    while (result.size() > 1 && result.back() == '/') {
        result.pop_back();
    }
    return result;
}

I18NString PYXFmDir::resolveEffectivePath(const I18NString& path) {
    return I18NString(resolveEffectivePath(path.utf8()));
}

bool PYXFmDir::exists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_directory(path, ec);
}

bool PYXFmDir::exists(const I18NString& path) {
    return exists(path.utf8());
}

void PYXFmDir::splitPath(const std::string& path, std::string& directory, std::string& fileName) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        directory.clear();
        fileName = path;
        return;
    }
    // Copy first: the outputs may alias path.
    std::string dir = slash == 0 ? std::string("/") : path.substr(0, slash);
    std::string file = path.substr(slash + 1);
    directory = std::move(dir);
    fileName = std::move(file);
}

void PYXFmDir::splitPath(const I18NString& path, I18NString& directory, I18NString& fileName) {
    std::string dir;
    std::string file;
    splitPath(path.utf8(), dir, file);
    directory = I18NString(dir);
    fileName = I18NString(file);
}

PYXFmFile::~PYXFmFile() {
    close();
}

PYXFmFile::PYXFmFile(PYXFmFile&& other) noexcept
    : m_file(other.m_file),
      m_path(std::move(other.m_path)),
      m_lastError(std::move(other.m_lastError)) {
    other.m_file = nullptr;
}

PYXFmFile& PYXFmFile::operator=(PYXFmFile&& other) noexcept {
    if (this != &other) {
        close();
        m_file = other.m_file;
        m_path = std::move(other.m_path);
        m_lastError = std::move(other.m_lastError);
        other.m_file = nullptr;
    }
    return *this;
}

bool PYXFmFile::open(const std::string& path, const char* mode) {
    close();
    m_path = path;
    m_lastError.clear();
    std::string fullMode = (mode == nullptr || *mode == '\0') ? "r" : mode;
    if (fullMode.find('b') == std::string::npos) {
        fullMode.push_back('b');
    }
    std::FILE* file = std::fopen(path.c_str(), fullMode.c_str());
    if (file == nullptr) {
        m_lastError = std::strerror(errno);
        return false;
    }
    // fopen happily opens a directory for reading; a directory is not a file here.
    struct stat info {};
    if (fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) {
        std::fclose(file);
        errno = EISDIR;
        m_lastError = std::strerror(EISDIR);
        return false;
    }
    m_file = file;
    return true;
}

bool PYXFmFile::open(const I18NString& path, const char* mode) {
    return open(path.utf8(), mode);
}

void PYXFmFile::close() noexcept {
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
}

std::string PYXFmFile::readAll() {
    if (m_file == nullptr) {
        PYX_CORE_RAISE(kPYXErrorSystem,
                       PYXMessage(kPYXComponent, kPYXMsgFileNotOpen) << "PYXFmFile::readAll",
                       "PYXFmFile::readAll: no file is open", "PYXFmFile::readAll");
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, m_file);
        bytes.append(buffer, n);
        if (n < sizeof buffer) {
            break;
        }
    }
    if (std::ferror(m_file)) {
        const std::string reason = std::strerror(errno);
        PYX_CORE_RAISE(kPYXErrorSystem,
                       PYXMessage(kPYXComponent, kPYXMsgFileRead) << m_path << reason,
                       "Cannot read " + m_path + ": " + reason, "PYXFmFile::readAll");
    }
    return bytes;
}

void PYXFmFile::write(const std::string& bytes) {
    if (m_file == nullptr) {
        PYX_CORE_RAISE(kPYXErrorSystem,
                       PYXMessage(kPYXComponent, kPYXMsgFileNotOpen) << "PYXFmFile::write",
                       "PYXFmFile::write: no file is open", "PYXFmFile::write");
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size() ||
        std::fflush(m_file) != 0) {
        const std::string reason = std::strerror(errno);
        PYX_CORE_RAISE(kPYXErrorSystem,
                       PYXMessage(kPYXComponent, kPYXMsgFileRead) << m_path << reason,
                       "Cannot write " + m_path + ": " + reason, "PYXFmFile::write");
    }
}

std::string PYXFmFile::readFile(const std::string& path) {
    PYXFmFile file;
    if (!file.open(path, "r")) {
        PYX_CORE_RAISE(kPYXErrorSystem,
                       PYXMessage(kPYXComponent, kPYXMsgFileOpen) << path << file.lastError(),
                       "Cannot open " + path + ": " + file.lastError(), "PYXFmFile::readFile");
    }
    return file.readAll();
}
