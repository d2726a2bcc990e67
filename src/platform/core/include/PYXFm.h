// Files and directories.
#pragma once

#include <cstdio>
#include <string>

#include "I18NString.h"

class PYXFmDir {
public:
    // An absolute, lexically normalised path ("." and ".." resolved, symbolic links kept).
    // A relative path is taken from the current directory; "~" is not expanded. Empty stays
    // empty.
    static std::string resolveEffectivePath(const std::string& path);
    static I18NString resolveEffectivePath(const I18NString& path);
    static std::string resolveEffectivePath(const char* path) {
        return resolveEffectivePath(std::string(path == nullptr ? "" : path));
    }
    // True when the path names an existing directory (after following links).
    static bool exists(const std::string& path);
    static bool exists(const I18NString& path);
    static bool exists(const char* path) {
        return exists(std::string(path == nullptr ? "" : path));
    }
    // Splits at the last '/': "a/b/c.txt" -> "a/b" and "c.txt"; "c.txt" -> "" and "c.txt";
    // "/c.txt" -> "/" and "c.txt"; "a/b/" -> "a/b" and "".
    static void splitPath(const std::string& path, std::string& directory, std::string& fileName);
    static void splitPath(const I18NString& path, I18NString& directory, I18NString& fileName);
};

// One open file; closed by close() or the destructor.
class PYXFmFile {
public:
    PYXFmFile() = default;
    ~PYXFmFile();
    PYXFmFile(const PYXFmFile&) = delete;
    PYXFmFile& operator=(const PYXFmFile&) = delete;
    PYXFmFile(PYXFmFile&& other) noexcept;
    PYXFmFile& operator=(PYXFmFile&& other) noexcept;

    // Opens a file for reading ("r"), writing ("w", truncates), appending ("a"); binary always.
    // Returns false (errno kept, lastError() set) when it cannot: the file is missing, is a
    // directory, or access is refused. An open file is closed first.
    bool open(const std::string& path, const char* mode = "r");
    bool open(const I18NString& path, const char* mode = "r");
    bool open(const char* path, const char* mode = "r") {
        return open(std::string(path == nullptr ? "" : path), mode);
    }
    void close() noexcept;
    bool isOpen() const noexcept { return m_file != nullptr; }
    const std::string& path() const noexcept { return m_path; }
    const std::string& lastError() const noexcept { return m_lastError; }

    // The rest of the file's bytes. Not open or a read error throws PYXException.
    std::string readAll();
    // Writes all bytes; failure throws PYXException.
    void write(const std::string& bytes);

    // Reads a whole file; missing or unreadable throws PYXException (kPYXErrorSystem,
    // message kPYXMsgFileOpen / kPYXMsgFileRead).
    static std::string readFile(const std::string& path);

private:
    std::FILE* m_file = nullptr;
    std::string m_path;
    std::string m_lastError;
};
