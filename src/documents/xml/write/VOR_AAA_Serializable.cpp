#include "VOR_AAA_Serializable.h"

#include "PYXThrowable.h"
#include "VOR_AAA_MarkupBuffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <ostream>
#include <vector>

namespace {

// Markup buffers between documents: a query response of some hundred kilobytes then does not
// grow a fresh block by a dozen reallocations, copies and page faults each time. They are kept
// for the process, not per thread: a host that starts a thread per request would otherwise pay
// that growth on every request. A thread gets back the buffer it used last when it is idle, so
// that a long-lived thread keeps writing into memory its own core has cached.
class KeptBuffers {
public:
    static KeptBuffers& Process() {
        static KeptBuffers buffers;
        return buffers;
    }

    std::unique_ptr<VOR_AAA_MarkupBuffer> Take() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_idle.empty()) {
                auto chosen = std::find_if(m_idle.begin(), m_idle.end(),
                                           [](const auto& idle) { return idle.get() == t_last; });
                if (chosen == m_idle.end()) {
                    chosen = m_idle.end() - 1;
                }
                std::unique_ptr<VOR_AAA_MarkupBuffer> buffer = std::move(*chosen);
                m_idle.erase(chosen);
                buffer->Clear();
                return buffer;
            }
        }
        return std::make_unique<VOR_AAA_MarkupBuffer>();
    }

    void Give(std::unique_ptr<VOR_AAA_MarkupBuffer> buffer) {
        // A rare huge document does not pin its memory for good.
        if (buffer->Capacity() > kMaxKeptCapacity) {
            return;
        }
        t_last = buffer.get();
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_idle.size() < kMaxIdle) {
            m_idle.push_back(std::move(buffer));
        }
    }

private:
    static constexpr size_t kMaxKeptCapacity = size_t{4} << 20;
    static constexpr size_t kMaxIdle = 8;
    // Only compared with the idle buffers, never followed.
    static thread_local const VOR_AAA_MarkupBuffer* t_last;

    std::mutex m_mutex;
    std::vector<std::unique_ptr<VOR_AAA_MarkupBuffer>> m_idle;
};

thread_local const VOR_AAA_MarkupBuffer* KeptBuffers::t_last = nullptr;

// The buffer one document is written into, taken from the kept ones for the document's time.
class ScratchText {
public:
    ScratchText() : m_buffer(KeptBuffers::Process().Take()), m_stream(m_buffer.get()) {}
    ~ScratchText() {
        try {
            KeptBuffers::Process().Give(std::move(m_buffer));
        } catch (...) {
            // Not kept then; a destructor must not throw.
        }
    }
    ScratchText(const ScratchText&) = delete;
    ScratchText& operator=(const ScratchText&) = delete;

    std::ostream& Stream() { return m_stream; }
    // The text up to its first NUL, as the framework reads it.
    std::string_view Text() const {
        const std::string_view text = m_buffer->Text();
        if (text.empty()) {
            return {};  // an empty buffer may hold no storage at all (strnlen takes no null)
        }
        return text.substr(0, ::strnlen(text.data(), text.size()));
    }

private:
    std::unique_ptr<VOR_AAA_MarkupBuffer> m_buffer;
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
