#include "PYXXercesInit.h"

#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLException.hpp>

#include "PYXThread.h"

#include "I18NString.h"
#include "PYXThrowable.h"

namespace {

PYXThreadCriticalSection& usersLock() {
    static PYXThreadCriticalSection lock;
    return lock;
}

int g_users = 0;

}  // namespace

PYXXercesInit::PYXXercesInit() {
    PYXThreadGuard guard(usersLock());
    if (g_users == 0) {
        try {
            xercesc::XMLPlatformUtils::Initialize();
        } catch (const xercesc::XMLException& error) {
            PYXException failure(
                kPYXSeverityFatal,
                I18NString("cannot initialise the XML parser: ") + I18NString(error.getMessage()));
            failure.setErrorCode(kPYXErrorGeneral);
            PYX_THROW(failure, "PYXXercesInit::PYXXercesInit");
        }
    }
    ++g_users;
}

PYXXercesInit::PYXXercesInit(const PYXXercesInit&) : PYXXercesInit() {}

PYXXercesInit::~PYXXercesInit() {
    PYXThreadGuard guard(usersLock());
    if (--g_users == 0) {
        xercesc::XMLPlatformUtils::Terminate();
    }
}

int PYXXercesInit::userCount() {
    PYXThreadGuard guard(usersLock());
    return g_users;
}
