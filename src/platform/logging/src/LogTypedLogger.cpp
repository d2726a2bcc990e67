#include "LogTypedLogger.h"

#include <map>
#include <memory>

#include "LogRecord.h"
#include "LogSink.h"
#include "PYXThread.h"

using basalt::logging::LogSink;

namespace {

std::string utf8OrEmpty(const I18NString& text) {
    try {
        return text.utf8();
    } catch (...) {
        return {};
    }
}

}  // namespace

struct LogTypedLoggerRegistry {
    PYXThreadCriticalSection lock;
    std::map<std::string, std::unique_ptr<LogTypedLogger>> loggers;

    static LogTypedLoggerRegistry& instance() {
        static LogTypedLoggerRegistry registry;
        return registry;
    }

    LogTypedLogger* find(const std::string& name, const std::string& type) {
        PYXThreadGuard guard(lock);
        std::unique_ptr<LogTypedLogger>& slot = loggers[name];
        if (!slot) {
            slot.reset(new LogTypedLogger(name, type));
        }
        return slot.get();
    }
};

LogTypedLogger::LogTypedLogger(std::string name, std::string type)
    : m_name(std::move(name)), m_type(std::move(type)) {}

LogTypedLogger* LogTypedLogger::getInstance(const I18NString& name, const I18NString& type) {
    return LogTypedLoggerRegistry::instance().find(utf8OrEmpty(name), utf8OrEmpty(type));
}

bool LogTypedLogger::isEnabled(int level) const noexcept {
    return LogSink::instance().accepts(level);
}

void LogTypedLogger::log(const LogAuditIndication& indication) noexcept {
    try {
        if (!isEnabled(indication.getLevel())) {
            return;
        }
        LogSink::instance().write(
            basalt::logging::formatRecord(m_name, indication, std::chrono::system_clock::now()));
    } catch (...) {
        // A record that cannot be written is lost; the caller's work goes on.
    }
}

void LogTypedLogger::reloadConfiguration() noexcept {
    try {
        LogSink::instance().reload();
    } catch (...) {
        // Without a configuration the settings in force stay.
    }
}
