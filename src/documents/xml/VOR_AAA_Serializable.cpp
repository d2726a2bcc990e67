#include "VOR_AAA_Serializable.h"

#include "PYXThrowable.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>

void VOR_AAA_Serializable::Serialize(char** textOut, VOR_AAA_AllocRoutine allocRoutine) const {
    PYX_ASSERT(allocRoutine);
    PYX_ASSERT(textOut);
    *textOut = nullptr;
    std::string text = ToString();
    // The text ends at its first NUL, as the framework reads it.
    const size_t n = ::strnlen(text.c_str(), text.size());
    if (n == 0) {
        return;
    }
    void* buffer = allocRoutine(static_cast<uint32_t>(n + 1));
    if (buffer == nullptr) {
        PYX_THROW(PYXOutOfMemoryError(), "VOR_AAA_Serializable::Serialize");
    }
    std::memcpy(buffer, text.c_str(), n + 1);
    *textOut = static_cast<char*>(buffer);
}

void VOR_AAA_Serializable::Serialize(std::string& textOut) const {
    char* buffer = nullptr;
    Serialize(&buffer, [](uint32_t size) { return std::malloc(size); });
    std::unique_ptr<char, decltype(&std::free)> owned(buffer, &std::free);
    textOut = buffer != nullptr ? std::string(buffer) : std::string();
}

std::string VOR_AAA_Serializable::ToString() const {
    std::ostringstream out;
    Write(out);
    return std::move(out).str();
}
