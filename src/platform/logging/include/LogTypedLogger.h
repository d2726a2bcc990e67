#pragma once

#include <string>

#include "I18NString.h"
#include "LogAuditIndication.h"

// A named audit logger. Records are written as JSON lines (one object per line: time, logger,
// level, component, kind, operation, status, sessionID, requestID, subRequestID, stepID, data)
// to the destination of the logging configuration, when their level is at or above its
// threshold.
//
// Configuration: the file "logging.conf" in the home directory, lines "key = value", '#'
// starts a comment:
//   destination = stderr | <file>     a relative file is below the home directory
//   level = <number> | off            the threshold (default 50000: warnings)
// The environment overrides it: BASALT_LOG_FILE (a file, or "stderr") and BASALT_LOG_LEVEL.
// It is read on first use, again when the file changes (looked at no more than once a second)
// and whenever reloadConfiguration() is called.
//
// All members are thread-safe; every record is one whole line, never interleaved with another.
// Logging never throws and never reports a failure to the caller (an unwritable destination
// loses the records and is retried a few seconds later).
class LogTypedLogger {
public:
    // The logger of that name, made on first request (the type given then is kept). Never null;
    // it lives until the process ends.
    static LogTypedLogger* getInstance(const I18NString& name, const I18NString& type);

    // True when a record of that level would be written.
    bool isEnabled(int level) const noexcept;
    void log(const LogAuditIndication& indication) noexcept;

    const std::string& getName() const { return m_name; }
    const std::string& getType() const { return m_type; }

    // Reads the configuration and the environment again; the next record goes where they say.
    static void reloadConfiguration() noexcept;

    LogTypedLogger(const LogTypedLogger&) = delete;
    LogTypedLogger& operator=(const LogTypedLogger&) = delete;

private:
    LogTypedLogger(std::string name, std::string type);
    friend struct LogTypedLoggerRegistry;

    std::string m_name;
    std::string m_type;
};
