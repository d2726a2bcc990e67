#pragma once

#include "I18NString.h"

// One audit record to hand to LogTypedLogger::log: what happened (component, kind, operation,
// data), how important it is (level: a lower number is more verbose, 10000 trace, 50000
// warning) and which request it belongs to (session, request, sub-request and step
// identifiers). Every text defaults to empty; the level defaults to kLevelTrace.
class LogAuditIndication {
public:
    static constexpr int kLevelTrace = 10000;
    static constexpr int kLevelWarning = 50000;

    LogAuditIndication(const I18NString& component, int kind);
    virtual ~LogAuditIndication();
    LogAuditIndication(const LogAuditIndication&) = default;
    LogAuditIndication& operator=(const LogAuditIndication&) = default;

    void setOperation(const I18NString& operation) { m_operation = operation; }
    void setLogData(const I18NString& data) { m_data = data; }
    void setSessionID(const I18NString& id) { m_sessionID = id; }
    void setRequestID(const I18NString& id) { m_requestID = id; }
    void setSubRequestID(const I18NString& id) { m_subRequestID = id; }
    void setStepID(const I18NString& id) { m_stepID = id; }
    void setLevel(int level) { m_level = level; }

    const I18NString& getComponent() const { return m_component; }
    int getKind() const { return m_kind; }
    const I18NString& getOperation() const { return m_operation; }
    const I18NString& getLogData() const { return m_data; }
    const I18NString& getSessionID() const { return m_sessionID; }
    const I18NString& getRequestID() const { return m_requestID; }
    const I18NString& getSubRequestID() const { return m_subRequestID; }
    const I18NString& getStepID() const { return m_stepID; }
    int getLevel() const { return m_level; }
    // Empty unless the record is an access record (LogAuditAccessIndication).
    const I18NString& getStatus() const { return m_status; }

protected:
    I18NString m_status;

private:
    I18NString m_component;
    int m_kind;
    I18NString m_operation;
    I18NString m_data;
    I18NString m_sessionID;
    I18NString m_requestID;
    I18NString m_subRequestID;
    I18NString m_stepID;
    int m_level = kLevelTrace;
};
