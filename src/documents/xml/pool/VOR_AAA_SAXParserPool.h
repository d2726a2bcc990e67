// VOR_AAA_SAXParserPool: the process pool of reusable Xerces-C SAX2 readers.
//
// Documents do not use the pool directly: they call VOR_AAA_ParseDocument (the parse recipe).
// The provider's initialise entry calls AcquireObjectModel() and its terminate entry
// ReleaseObjectModel(); the first creates the pool, the last destroys it.
//
// Direct use:
//     PooledReaderGuard guard(VOR_AAA_SAXParserPool::Get());
//     guard.Get()->GetReader()->setContentHandler(&handler);
//     guard.Get()->Parse(source);        // the guard gives the reader back or discards it
//
// Rules: the pool keeps at most 20 idle readers and hands out the most recently returned one
// first; a reader serves at most 100 parses; a reader whose parse threw, or that comes back
// unused, is discarded. The readers never load DTDs or external entities; each refuses, while
// it scans, a document with a DOCTYPE or deeper than the document bounds (BoundedSAX2XMLReader).
// Each reader allocates from memory of its own (ReaderMemory), whichever thread it serves.
#pragma once

#include "BoundedSAX2XMLReader.h"
#include "PYXThread.h"
#include "PYXXercesInit.h"
#include "ReaderMemory.h"

#include <xercesc/sax/InputSource.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/util/SecurityManager.hpp>

#include <deque>
#include <memory>

class VOR_AAA_SAXParserPool;

// One SAX2 reader and the number of parses it may still serve.
class PooledReader {
public:
    explicit PooledReader(unsigned useLimit);
    ~PooledReader();
    PooledReader(const PooledReader&) = delete;
    PooledReader& operator=(const PooledReader&) = delete;

    xercesc::SAX2XMLReader* GetReader() const { return m_xmlReader.get(); }
    unsigned GetRemainingUses() const { return m_remainingUses; }

    // Parses the source under the current document bounds. A parse that throws leaves no uses
    // (the reader is then discarded) and the exception passes on unchanged.
    void Parse(const xercesc::InputSource& source);

private:
    friend class VOR_AAA_SAXParserPool;
    PYXXercesInit m_xerces;  // first member: Xerces outlives the reader
    ReaderMemory m_memory;   // outlives the reader, which allocates from it
    xercesc::SecurityManager m_securityManager;
    std::unique_ptr<BoundedSAX2XMLReader> m_xmlReader;
    unsigned m_remainingUses;
};

class VOR_AAA_SAXParserPool {
public:
    static constexpr unsigned kDefaultMaxIdle = 20;
    static constexpr unsigned kDefaultUseLimit = 100;

    VOR_AAA_SAXParserPool(unsigned initialCount, unsigned maxIdle, unsigned useLimit);
    ~VOR_AAA_SAXParserPool();
    VOR_AAA_SAXParserPool(const VOR_AAA_SAXParserPool&) = delete;
    VOR_AAA_SAXParserPool& operator=(const VOR_AAA_SAXParserPool&) = delete;

    // The process pool, created on first call (1 reader, 20 idle at most, 100 uses each).
    static VOR_AAA_SAXParserPool& Get();
    // Destroys the process pool; a later Get creates a new one (ReleaseObjectModel calls it).
    static void Destroy();

    // The most recently returned idle reader, or a new one when none is idle.
    std::unique_ptr<PooledReader> Acquire();
    // Keeps the reader for reuse, or discards it (pool full, reader unused or worn out).
    void Release(std::unique_ptr<PooledReader> reader);
    // Discards every idle reader, stores the limits and creates initialCount readers.
    void Reset(unsigned initialCount, unsigned maxIdle, unsigned useLimit);

    unsigned GetIdleCount() const;
    unsigned GetMaxIdle() const;
    unsigned GetUseLimit() const;

private:
    std::unique_ptr<PooledReader> createReader() const;

    PYXXercesInit m_xerces;
    std::deque<std::unique_ptr<PooledReader>> m_idle;
    unsigned m_idleCount = 0;
    unsigned m_maxIdle = 0;
    unsigned m_useLimit = 0;
    mutable PYXThreadCriticalSection m_lock;
};

// Takes a reader from a pool for a scope and gives it back (or discards it) at the end.
class PooledReaderGuard {
public:
    explicit PooledReaderGuard(VOR_AAA_SAXParserPool& pool);
    ~PooledReaderGuard();
    PooledReaderGuard(const PooledReaderGuard&) = delete;
    PooledReaderGuard& operator=(const PooledReaderGuard&) = delete;

    PooledReader* Get() const { return m_reader.get(); }
    PooledReader* operator->() const { return m_reader.get(); }

private:
    VOR_AAA_SAXParserPool& m_pool;
    std::unique_ptr<PooledReader> m_reader;
};

// Process-wide use count of the document layer: the first acquire creates the reader pool, the
// last release destroys it. Each returns the new count. Called while no document is in use.
unsigned AcquireObjectModel();
unsigned ReleaseObjectModel();
