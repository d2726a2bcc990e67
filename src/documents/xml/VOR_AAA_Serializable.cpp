#include "VOR_AAA_Serializable.h"

#include "PYXThrowable.h"
#include "VOR_AAA_MarkupBuffer.h"

#include <cstdlib>
#include <cstring>
#include <ostream>

namespace {

// The buffer one document is written into: the one its thread keeps between documents, so that
// a query response of some hundred kilobytes does not grow a fresh block by a dozen
// reallocations and copies each time. A document written while the thread's buffer is in use (a
// document serializing another from its Write) gets a buffer of its own.
class ScratchText {
public:
    ScratchText() : m_buffer(acquire()), m_stream(&m_buffer) {}
    ~ScratchText() {
        if (&m_buffer == &kept()) {
            // A rare huge document does not pin its memory to the thread for good.
            if (m_buffer.Capacity() > kKeptCapacity) {
                m_buffer.Release();
            }
            inUse() = false;
        }
    }
    ScratchText(const ScratchText&) = delete;
    ScratchText& operator=(const ScratchText&) = delete;

    std::ostream& Stream() { return m_stream; }
    // The text up to its first NUL, as the framework reads it.
    std::string_view Text() const {
        const std::string_view text = m_buffer.Text();
        if (text.empty()) {
            return {};  // an empty buffer may hold no storage at all (strnlen takes no null)
        }
        return text.substr(0, ::strnlen(text.data(), text.size()));
    }

private:
    static constexpr size_t kKeptCapacity = size_t{4} << 20;

    static VOR_AAA_MarkupBuffer& kept() {
        thread_local VOR_AAA_MarkupBuffer buffer;
        return buffer;
    }
    static bool& inUse() {
        thread_local bool used = false;
        return used;
    }
    VOR_AAA_MarkupBuffer& acquire() {
        if (inUse()) {
            return m_own;
        }
        inUse() = true;
        kept().Clear();
        return kept();
    }

    VOR_AAA_MarkupBuffer m_own;
    VOR_AAA_MarkupBuffer& m_buffer;
    std::ostream m_stream;
};

}  // namespace

void VOR_AAA_Serializable::Serialize(char** textOut, VOR_AAA_AllocRoutine allocRoutine) const {
    PYX_ASSERT(allocRoutine);
    PYX_ASSERT(textOut);
    *textOut = nullptr;
    ScratchText scratch;
    Write(scratch.Stream());
    const std::string_view text = scratch.Text();
    if (text.empty()) {
        return;
    }
    void* buffer = allocRoutine(static_cast<uint32_t>(text.size() + 1));
    if (buffer == nullptr) {
        PYX_THROW(PYXOutOfMemoryError(), "VOR_AAA_Serializable::Serialize");
    }
    std::memcpy(buffer, text.data(), text.size());
    static_cast<char*>(buffer)[text.size()] = '\0';
    *textOut = static_cast<char*>(buffer);
}

void VOR_AAA_Serializable::Serialize(std::string& textOut) const {
    ScratchText scratch;
    Write(scratch.Stream());
    textOut.assign(scratch.Text());
}

std::string VOR_AAA_Serializable::ToString() const {
    VOR_AAA_MarkupBuffer buffer;
    std::ostream out(&buffer);
    Write(out);
    return std::string(buffer.Text());
}
