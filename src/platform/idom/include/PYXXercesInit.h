#pragma once

// One user of the Xerces-C platform. XMLPlatformUtils::Initialize and Terminate are neither
// thread-safe nor safe to pair by hand when several components of one process use Xerces, so
// every user (DOM documents and parsers, the SAX reader pool, name tables) holds one of these
// for as long as it keeps Xerces objects: the first user initialises, the last one terminates.
// Construction throws PYXException when Xerces cannot be initialised.
class PYXXercesInit {
public:
    PYXXercesInit();
    ~PYXXercesInit();
    PYXXercesInit(const PYXXercesInit&);
    PYXXercesInit& operator=(const PYXXercesInit&) { return *this; }

    // Number of users now (for diagnostics and tests).
    static int userCount();
};
