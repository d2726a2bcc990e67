#include "VOR_AAA_Serializable.h"

#include "PYXThrowable.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <ostream>
#include <streambuf>

namespace {

// A stream buffer that appends to a string as it goes: no put area to grow and copy, and the
// text is moved out at the end rather than copied.
class StringAppendBuffer : public std::streambuf {
public:
    explicit StringAppendBuffer(std::string& text) : m_text(text) {}

protected:
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        m_text.append(s, static_cast<size_t>(n));
        return n;
    }
    int_type overflow(int_type c) override {
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            m_text.push_back(traits_type::to_char_type(c));
        }
        return traits_type::not_eof(c);
    }

private:
    std::string& m_text;
};

// The text of one Serialize call, written into a string that the thread keeps between calls:
// a query response of a hundred objects is some hundred kilobytes, and a fresh string would
// grow to it by a dozen reallocations and copies per response. A nested Serialize on the same
// thread (a document writing another through Serialize) gets a string of its own.
class ScratchText {
public:
    ScratchText() : m_text(acquire()), m_buffer(m_text), m_stream(&m_buffer) {}
    ~ScratchText() {
        if (&m_text == &kept()) {
            // A rare huge document does not pin its memory to the thread for good.
            if (m_text.capacity() > kKeptCapacity) {
                std::string().swap(m_text);
            }
            inUse() = false;
        }
    }
    ScratchText(const ScratchText&) = delete;
    ScratchText& operator=(const ScratchText&) = delete;

    std::ostream& Stream() { return m_stream; }
    const std::string& Text() const { return m_text; }

private:
    static constexpr size_t kKeptCapacity = size_t{4} << 20;

    static std::string& kept() {
        thread_local std::string text;
        return text;
    }
    static bool& inUse() {
        thread_local bool used = false;
        return used;
    }
    std::string& acquire() {
        if (inUse()) {
            return m_own;
        }
        inUse() = true;
        kept().clear();
        return kept();
    }

    std::string m_own;
    std::string& m_text;
    StringAppendBuffer m_buffer;
    std::ostream m_stream;
};

}  // namespace

void VOR_AAA_Serializable::Serialize(char** textOut, VOR_AAA_AllocRoutine allocRoutine) const {
    PYX_ASSERT(allocRoutine);
    PYX_ASSERT(textOut);
    *textOut = nullptr;
    ScratchText scratch;
    Write(scratch.Stream());
    const std::string& text = scratch.Text();
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
    std::string text;
    StringAppendBuffer buffer(text);
    std::ostream out(&buffer);
    Write(out);
    return text;
}
