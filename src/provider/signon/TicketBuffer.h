// A ticket buffer as the access library fills it: the given ticket (at most 254 characters)
// copied in.
#pragma once

#include <AccessAPI.h>
#include <I18NString.h>

#include <cstring>
#include <string>

struct TicketBuffer {
    char bytes[AS_TICKET_SIZE] = {};
    explicit TicketBuffer(const I18NString& ticket = {}) {
        const std::string text = ticket.utf8();
        std::strncpy(bytes, text.c_str(), 254);
    }
    I18NString Text() const {
        return I18NString(std::string(bytes, strnlen(bytes, sizeof(bytes))));
    }
};
