#include "ReaderMemory.h"

#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>

#include <algorithm>
#include <bit>
#include <new>

namespace {

// Before each block: its size class, padded so that the block keeps the alignment of new.
constexpr std::size_t kHeader = __STDCPP_DEFAULT_NEW_ALIGNMENT__;
static_assert(kHeader >= sizeof(std::size_t));

std::size_t& classField(void* block) {
    return *reinterpret_cast<std::size_t*>(static_cast<char*>(block) - kHeader);
}

}  // namespace

ReaderMemory::~ReaderMemory() {
    for (FreeBlock* head : m_free) {
        while (head != nullptr) {
            FreeBlock* next = head->next;
            ::operator delete(reinterpret_cast<char*>(head) - kHeader);
            head = next;
        }
    }
}

std::size_t ReaderMemory::classOf(std::size_t size) {
    if (size <= kSmallLimit) {
        // Even an empty block holds the link that keeps it once freed.
        return std::max<std::size_t>(1, (size + kSmallStep - 1) / kSmallStep);
    }
    if (size > kLargeLimit) {
        return kUnkept;
    }
    // 1025..2048 -> the first large class, and so on by powers of two.
    return kSmallClasses + static_cast<std::size_t>(std::bit_width(size - 1)) - 11;
}

std::size_t ReaderMemory::classBytes(std::size_t sizeClass) {
    if (sizeClass < kSmallClasses) {
        return sizeClass * kSmallStep;
    }
    return std::size_t{1} << (sizeClass - kSmallClasses + 11);
}

void* ReaderMemory::allocate(XMLSize_t size) {
    const std::size_t sizeClass = classOf(size);
    if (sizeClass != kUnkept) {
        if (FreeBlock* block = m_free[sizeClass]) {
            m_free[sizeClass] = block->next;
            m_keptBytes -= classBytes(sizeClass);
            return block;
        }
    }
    const std::size_t bytes = sizeClass == kUnkept ? size : classBytes(sizeClass);
    void* raw = ::operator new(kHeader + bytes, std::nothrow);
    if (raw == nullptr) {
        throw xercesc::OutOfMemoryException();
    }
    void* block = static_cast<char*>(raw) + kHeader;
    classField(block) = sizeClass;
    return block;
}

void ReaderMemory::deallocate(void* p) {
    if (p == nullptr) {
        return;
    }
    const std::size_t sizeClass = classField(p);
    if (sizeClass == kUnkept || m_keptBytes + classBytes(sizeClass) > kMaxKeptBytes) {
        ::operator delete(static_cast<char*>(p) - kHeader);
        return;
    }
    auto* block = static_cast<FreeBlock*>(p);
    block->next = m_free[sizeClass];
    m_free[sizeClass] = block;
    m_keptBytes += classBytes(sizeClass);
}

xercesc::MemoryManager* ReaderMemory::getExceptionMemoryManager() {
    return xercesc::XMLPlatformUtils::fgMemoryManager;
}
