// ReaderMemory: the memory of one pooled SAX reader. Blocks the reader frees are kept, by size,
// for its next parse instead of going back to the process allocator.
//
// Why: a pooled reader serves one request thread after another. With the process allocator,
// each parse frees what an earlier parse allocated, often in another thread's arena, and such a
// free takes that arena's lock while its own thread allocates there. With two threads searching,
// those frees were most of what one thread cost the other. Kept blocks never leave the reader.
//
// Not shared: a reader is used by one thread at a time (it is out of the pool while in use), and
// so is its memory. It must outlive the reader. Exceptions are allocated from the process's
// manager, since they outlive the parse that throws them.
#pragma once

#include <xercesc/framework/MemoryManager.hpp>

#include <array>
#include <cstddef>

class ReaderMemory final : public xercesc::MemoryManager {
public:
    // Blocks kept for reuse in all, at most: a reader that once read a very large document
    // does not keep its memory until it retires.
    static constexpr std::size_t kMaxKeptBytes = 4 * 1024 * 1024;

    ReaderMemory() = default;
    ~ReaderMemory() override;
    ReaderMemory(const ReaderMemory&) = delete;
    ReaderMemory& operator=(const ReaderMemory&) = delete;

    void* allocate(XMLSize_t size) override;
    void deallocate(void* p) override;
    xercesc::MemoryManager* getExceptionMemoryManager() override;

    std::size_t KeptBytes() const { return m_keptBytes; }

private:
    struct FreeBlock {
        FreeBlock* next;
    };
    // Small sizes in steps of 16 bytes, larger ones in powers of two up to 1 MiB; a larger block
    // is not kept.
    static constexpr std::size_t kSmallStep = 16;
    static constexpr std::size_t kSmallLimit = 1024;
    static constexpr std::size_t kLargeLimit = 1024 * 1024;
    static constexpr std::size_t kSmallClasses = kSmallLimit / kSmallStep + 1;
    static constexpr std::size_t kClasses = kSmallClasses + 10;  // 2 KiB ... 1 MiB
    static constexpr std::size_t kUnkept = kClasses;

    static std::size_t classOf(std::size_t size);
    static std::size_t classBytes(std::size_t sizeClass);

    std::array<FreeBlock*, kClasses> m_free{};
    std::size_t m_keptBytes = 0;
};
