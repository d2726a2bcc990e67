#include "session/SessionBase.h"

SessionBase::SessionBase(const I18NString& identifier) : m_identifier(identifier) {}

SessionBase::~SessionBase() = default;

bool SessionBase::Matches(const I18NString& identifier) const {
    return identifier == m_identifier;
}

void SessionBase::UpdateFrom(SessionBase& /*other*/) {}
