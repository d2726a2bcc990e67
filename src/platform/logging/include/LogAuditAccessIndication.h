#pragma once

#include "LogAuditIndication.h"

// An audit record about access to a service, with an outcome ("Success", "Warning", ...).
class LogAuditAccessIndication : public LogAuditIndication {
public:
    using LogAuditIndication::LogAuditIndication;

    void setStatus(const I18NString& status) { m_status = status; }
};
