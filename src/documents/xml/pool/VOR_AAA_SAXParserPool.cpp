#include "VOR_AAA_SAXParserPool.h"

#include "PYXThrowable.h"

#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <atomic>
#include <mutex>

using namespace xercesc;

namespace {

// Internal entities may expand to at most this many in one document. Unreachable while a
// DOCTYPE is refused; kept so that no change there can reopen unbounded expansion.
constexpr XMLSize_t kEntityExpansionLimit = 1000;

std::mutex g_poolMutex;
VOR_AAA_SAXParserPool* g_pool = nullptr;
unsigned g_objectModelUsers = 0;

}  // namespace

PooledReader::PooledReader(unsigned useLimit) : m_remainingUses(useLimit) {
    // The factory's reader with the document bounds on top (BoundedSAX2XMLReader).
    m_xmlReader = std::make_unique<BoundedSAX2XMLReader>(&m_memory);
    PYX_ASSERT(m_xmlReader != 0);
    m_xmlReader->setFeature(XMLUni::fgXercesSchema, false);
    m_xmlReader->setFeature(XMLUni::fgSAX2CoreValidation, false);
    m_xmlReader->setFeature(XMLUni::fgSAX2CoreNameSpaces, true);
    m_xmlReader->setFeature(XMLUni::fgSAX2CoreNameSpacePrefixes, true);
    m_xmlReader->setFeature(XMLUni::fgXercesDisableDefaultEntityResolution, true);
    // Hardening beyond the five above: never fetch an external DTD, bound entity expansion.
    m_xmlReader->setFeature(XMLUni::fgXercesLoadExternalDTD, false);
    m_securityManager.setEntityExpansionLimit(kEntityExpansionLimit);
    m_xmlReader->setProperty(XMLUni::fgXercesSecurityManager, &m_securityManager);
}

PooledReader::~PooledReader() = default;

void PooledReader::Parse(const InputSource& source) {
    try {
        m_xmlReader->Begin(PYXDocumentLimits::Current());
        m_xmlReader->parse(source);
    } catch (...) {
        m_remainingUses = 0;
        throw;
    }
    if (m_remainingUses > 0) {
        --m_remainingUses;
    }
}

VOR_AAA_SAXParserPool::VOR_AAA_SAXParserPool(unsigned initialCount, unsigned maxIdle,
                                             unsigned useLimit) {
    Reset(initialCount, maxIdle, useLimit);
}

VOR_AAA_SAXParserPool::~VOR_AAA_SAXParserPool() {
    PYXThreadGuard guard(m_lock);
    m_idle.clear();
    m_idleCount = 0;
}

VOR_AAA_SAXParserPool& VOR_AAA_SAXParserPool::Get() {
    // The provider creates the pool before concurrent use; the lock only makes a first use from
    // two threads at once (tests, hosts that skip initialise) harmless.
    std::lock_guard<std::mutex> lock(g_poolMutex);
    if (g_pool == nullptr) {
        g_pool = new VOR_AAA_SAXParserPool(1, kDefaultMaxIdle, kDefaultUseLimit);
    }
    return *g_pool;
}

void VOR_AAA_SAXParserPool::Destroy() {
    VOR_AAA_SAXParserPool* pool = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_poolMutex);
        pool = g_pool;
        g_pool = nullptr;
    }
    delete pool;
}

std::unique_ptr<PooledReader> VOR_AAA_SAXParserPool::createReader() const {
    return std::make_unique<PooledReader>(m_useLimit);
}

std::unique_ptr<PooledReader> VOR_AAA_SAXParserPool::Acquire() {
    unsigned useLimit = 0;
    {
        PYXThreadGuard guard(m_lock);
        if (!m_idle.empty()) {
            std::unique_ptr<PooledReader> reader = std::move(m_idle.back());
            m_idle.pop_back();
            --m_idleCount;
            return reader;
        }
        useLimit = m_useLimit;
    }
    // Built outside the lock: building a reader takes longer than a parse, and the other
    // threads' requests would wait for it.
    return std::make_unique<PooledReader>(useLimit);
}

void VOR_AAA_SAXParserPool::Release(std::unique_ptr<PooledReader> reader) {
    std::unique_ptr<PooledReader> discard;
    {
        PYXThreadGuard guard(m_lock);
        if (m_idleCount >= m_maxIdle) {
            discard = std::move(reader);
        } else {
            PYX_ASSERT(reader);
            if (reader->m_remainingUses >= m_useLimit || reader->m_remainingUses == 0) {
                discard = std::move(reader);
            } else {
                m_idle.push_back(std::move(reader));
                ++m_idleCount;
            }
        }
    }
    // discard is destroyed here, outside the lock.
}

void VOR_AAA_SAXParserPool::Reset(unsigned initialCount, unsigned maxIdle, unsigned useLimit) {
    std::deque<std::unique_ptr<PooledReader>> discarded;
    PYXThreadGuard guard(m_lock);
    discarded.swap(m_idle);
    m_idleCount = 0;
    m_useLimit = useLimit;
    m_maxIdle = maxIdle;
    for (unsigned i = 0; i < initialCount; ++i) {
        m_idle.push_back(createReader());
        ++m_idleCount;
    }
}

unsigned VOR_AAA_SAXParserPool::GetIdleCount() const {
    PYXThreadGuard guard(m_lock);
    return m_idleCount;
}

unsigned VOR_AAA_SAXParserPool::GetMaxIdle() const {
    PYXThreadGuard guard(m_lock);
    return m_maxIdle;
}

unsigned VOR_AAA_SAXParserPool::GetUseLimit() const {
    PYXThreadGuard guard(m_lock);
    return m_useLimit;
}

PooledReaderGuard::PooledReaderGuard(VOR_AAA_SAXParserPool& pool)
    : m_pool(pool), m_reader(pool.Acquire()) {
    PYX_ASSERT(m_reader != nullptr);
}

PooledReaderGuard::~PooledReaderGuard() {
    if (m_reader == nullptr || m_reader->GetRemainingUses() == 0) {
        return;  // m_reader is destroyed without taking the pool's lock
    }
    try {
        m_pool.Release(std::move(m_reader));
    } catch (...) {
        // A destructor must not throw; the reader is simply not pooled.
    }
}

unsigned AcquireObjectModel() {
    if (g_objectModelUsers++ == 0) {
        VOR_AAA_SAXParserPool::Get();
    }
    return g_objectModelUsers;
}

unsigned ReleaseObjectModel() {
    if (g_objectModelUsers == 0) {
        return 0;
    }
    if (g_objectModelUsers-- == 1) {
        VOR_AAA_SAXParserPool::Destroy();
    }
    return g_objectModelUsers;
}
