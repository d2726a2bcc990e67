// The provider object: the generic registry plus the directory library's process lifecycle,
// the switch of the library's process-wide temporary runtime configuration and the
// provider-wide Unicode setting.
#pragma once

#include "process/ProviderBase.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class PYXThrowable;

inline constexpr const char* kDirectoryApplicationName = "Basalt Provider";

class BasaltProvider : public ProviderBase {
public:
    // Initialises the directory library for the process; a failure throws code -1.
    BasaltProvider();
    // Tears down what Teardown has not (failures are not reported from here).
    ~BasaltProvider() override;

    // Closes and removes every namespace and terminates the directory library for the process,
    // all of it even when a step fails. Returns the library's
    // termination result (0 success); the first namespace failure, if any, goes to
    // namespaceFailure. Runs once.
    int32_t Teardown(std::unique_ptr<PYXThrowable>* namespaceFailure = nullptr);

    // Installs the text as the library's temporary runtime configuration unless it is the one
    // installed last. Returns 0 or the library's error code (the current text then stays).
    int32_t SwitchRuntimeConfiguration(const std::string& text);

    // Switches to the text and runs openHandle while still holding the runtime-configuration
    // lock, so that the handle it opens is opened with this configuration and no other thread's
    // switch can come in between. An empty text switches nothing. Returns the switch result;
    // openHandle runs only when it is 0. Exceptions of openHandle pass through.
    int32_t WithRuntimeConfiguration(const std::string& text,
                                     const std::function<void()>& openHandle);

    // ---- Unicode setting (whether namespaces exchange text with the library as UTF-8) ----
    bool GetUnicode() const;
    bool IsUnicodeDecided() const;
    // Whether the first namespace has settled the Unicode setting (handles may be opened).
    bool AreRidgeNamespacesUnicodeInitialized() const { return IsUnicodeDecided(); }
    // Sets the value and marks it decided; false and no change when already decided.
    bool DecideUnicode(bool value);
    // Marks the current value decided.
    void MarkUnicodeDecided();
    // Sets the value only while undecided.
    void SetUnicodeIfUndecided(bool value);

private:
    PYXThreadCriticalSection m_runtimeConfigLock;
    std::string m_currentRuntimeConfig;
    mutable std::mutex m_unicodeLock;
    bool m_unicode = true;
    bool m_unicodeDecided = false;
    bool m_tornDown = false;
};
