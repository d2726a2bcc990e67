// What the reads of a search share: the failure they raise, the results that mean the object has
// vanished meanwhile, and the buffers the library's texts are read into.
#pragma once

#include <AccessAPI.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// A directory read that failed for another reason than a vanished object raises this code,
// reported from the query or from the listing.
inline constexpr int32_t kDirectoryReadFailure = -8;
inline constexpr const char* kQueryLabel = "BasaltSession::QueryObjectProperties";
inline constexpr const char* kListingLabel = "BasaltSession::retrieveObjectDescendantProperties";

inline bool RecordVanished(int32_t result) {
    return result == AS_ERR_USER_NOT_FOUND || result == AS_ERR_FOLDER_NOT_FOUND ||
           result == AS_ERR_OBJECT_NOT_FOUND;
}

// A text buffer for size bytes and the NUL: Fixed bytes in place, more on the heap. Starts as
// the empty text.
template <std::size_t Fixed>
class TextBuffer {
public:
    explicit TextBuffer(uint32_t size) {
        if (size >= Fixed) {
            m_large.assign(static_cast<std::size_t>(size) + 1, '\0');
        }
        Data()[0] = '\0';
    }
    char* Data() { return m_large.empty() ? m_fixed.data() : m_large.data(); }

private:
    std::array<char, Fixed> m_fixed;
    std::vector<char> m_large;
};
