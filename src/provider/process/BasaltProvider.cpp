#include "process/BasaltProvider.h"

#include "common/ProviderErrors.h"

#include <AccessAPI.h>
#include <PYXHome.h>
#include <PYXThrowable.h>

BasaltProvider::BasaltProvider() {
    const std::string home = PYXHomeDirectory();
    const std::string talvexHome = "TALVEX_HOME=" + home;
    const std::string languageTable = "TLXNLSTAB=" + home + "/ridge_tlxlang.tab";
    const std::string messages = "SRVCMSGS=" + home + "/srvcmsgs_en.msg";
    const char* const settings[] = {talvexHome.c_str(), languageTable.c_str(), messages.c_str(),
                                    nullptr};
    const int32_t result = AS_TesselProcessInitialize2(kDirectoryApplicationName, settings);
    if (result != 0) {
        PYX_THROW(ProviderError(kVOR_AAA_DirectoryProcessFailure,
                                {LibraryCallMessage(result, "AS_TesselProcessInitialize")}),
                  "BasaltProvider::BasaltProvider");
    }
    m_unicode = true;
    m_unicodeDecided = false;
}

BasaltProvider::~BasaltProvider() {
    Teardown();
}

int32_t BasaltProvider::Teardown(std::unique_ptr<PYXThrowable>* namespaceFailure) {
    if (m_tornDown) {
        return 0;
    }
    m_tornDown = true;
    // Namespaces end their own directory use (handles, sessions) before the process does.
    while (std::shared_ptr<NamespaceBase> ns = TakeFirstNamespace()) {
        try {
            ns->Close();
        } catch (PYXThrowable& failure) {
            if (namespaceFailure != nullptr && !*namespaceFailure) {
                namespaceFailure->reset(failure.clone());
            }
        } catch (...) {
            // Nothing else is thrown by closing; the remaining namespaces are closed anyway.
        }
    }
    return AS_TesselProcessTerminate(kDirectoryApplicationName);
}

int32_t BasaltProvider::SwitchRuntimeConfiguration(const std::string& text) {
    PYXThreadGuard guard(m_runtimeConfigLock);
    if (text == m_currentRuntimeConfig) {
        return 0;
    }
    const int32_t result =
        AS_SetTemporaryRuntimeConfig(text.c_str(), static_cast<uint32_t>(text.size()));
    if (result == 0) {
        m_currentRuntimeConfig = text;
    }
    return result;
}

int32_t BasaltProvider::WithRuntimeConfiguration(const std::string& text,
                                                 const std::function<void()>& openHandle) {
    PYXThreadGuard guard(m_runtimeConfigLock);
    if (!text.empty()) {
        const int32_t result = SwitchRuntimeConfiguration(text);
        if (result != 0) {
            return result;
        }
    }
    openHandle();
    return 0;
}

bool BasaltProvider::GetUnicode() const {
    std::lock_guard<std::mutex> lock(m_unicodeLock);
    return m_unicode;
}

bool BasaltProvider::IsUnicodeDecided() const {
    std::lock_guard<std::mutex> lock(m_unicodeLock);
    return m_unicodeDecided;
}

bool BasaltProvider::DecideUnicode(bool value) {
    std::lock_guard<std::mutex> lock(m_unicodeLock);
    if (m_unicodeDecided) {
        return false;
    }
    m_unicode = value;
    m_unicodeDecided = true;
    return true;
}

void BasaltProvider::MarkUnicodeDecided() {
    std::lock_guard<std::mutex> lock(m_unicodeLock);
    m_unicodeDecided = true;
}

void BasaltProvider::SetUnicodeIfUndecided(bool value) {
    std::lock_guard<std::mutex> lock(m_unicodeLock);
    if (!m_unicodeDecided) {
        m_unicode = value;
    }
}
