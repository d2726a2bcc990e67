#include "LogAuditIndication.h"

LogAuditIndication::LogAuditIndication(const I18NString& component, int kind)
    : m_component(component), m_kind(kind) {}

LogAuditIndication::~LogAuditIndication() = default;
