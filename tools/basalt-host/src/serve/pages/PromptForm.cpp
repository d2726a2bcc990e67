#include "PromptForm.h"

#include <algorithm>

#include "Html.h"

namespace basalt_host::serve {
namespace {

std::string hiddenInput(const std::string& name, const std::string& value) {
    return "<input type=\"hidden\" name=\"" + htmlEscape(name) + "\" value=\"" + htmlEscape(value) +
           "\">";
}

std::string label(const DisplayObject& field, const std::string& id) {
    return "<label for=\"" + id + "\">" + htmlEscape(field.caption) + "</label>";
}

std::string selectHtml(const DisplayObject& field, const std::string& id, bool multiple) {
    std::string html = "<select id=\"" + id + "\" name=\"" + htmlEscape(field.name) + "\"" +
                       (multiple ? " multiple" : "") + ">";
    for (const PromptOption& option : field.options) {
        html += "<option value=\"" + htmlEscape(option.id) + "\"" +
                (option.isDefault ? " selected" : "") + ">" +
                htmlEscape(option.value.empty() ? option.id : option.value) + "</option>";
    }
    return html + "</select>";
}

// One display object; focus goes to the first field a person types into.
std::string fieldHtml(const DisplayObject& field, std::size_t index, bool& focusGiven) {
    const std::string id = "field" + std::to_string(index);
    auto input = [&](const char* type, const std::string& value, const char* autocomplete) {
        std::string html = "<input type=\"" + std::string(type) + "\" id=\"" + id + "\" name=\"" +
                           htmlEscape(field.name) + "\" value=\"" + htmlEscape(value) +
                           "\" autocomplete=\"" + autocomplete + "\"";
        if (!focusGiven && value.empty()) {
            html += " autofocus";
            focusGiven = true;
        }
        return html + ">";
    };
    std::string control;
    if (field.type == "hidden") {
        return hiddenInput(field.name, field.value);
    } else if (field.type == "display") {
        control = "<span id=\"" + id + "\">" + htmlEscape(field.value) + "</span>";
        return "<div class=\"field\"><span class=\"label\">" + htmlEscape(field.caption) +
               "</span>" + control + "</div>";
    } else if (field.type == "text") {
        control = input("text", field.value, "username");
    } else if (field.type == "textnoecho") {
        control = input("password", "", "current-password");
    } else if (field.type == "verifytextnoecho") {
        control = input("password", "", "new-password");
    } else if (field.type == "singleselect" || field.type == "multiselect") {
        control = selectHtml(field, id, field.type == "multiselect");
    } else {
        // A kind this gateway does not know: shown as text so nothing the provider asks is lost.
        control = input("text", field.value, "off");
    }
    return "<div class=\"field\">" + label(field, id) + control + "</div>";
}

}  // namespace

std::string messagesHtml(const std::vector<ProviderMessage>& messages) {
    if (messages.empty()) {
        return "";
    }
    std::string html = "<ul class=\"messages\" role=\"alert\">";
    for (const ProviderMessage& message : messages) {
        html += message.level > 0 ? "<li class=\"nested\">" : "<li>";
        html += htmlEscape(message.text) + "</li>";
    }
    return html + "</ul>";
}

std::string noticeHtml(const std::string& text) {
    return "<p class=\"messages\" role=\"alert\">" + htmlEscape(text) + "</p>";
}

std::string promptHtml(const ProviderException& prompt, const PromptContext& context) {
    std::string html;
    for (const std::string& caption : prompt.captions) {
        html += "<p class=\"caption\">" + htmlEscape(caption) + "</p>";
    }
    // What a caption says already is not said again as a message (a wrong password once).
    std::vector<ProviderMessage> messages;
    for (const ProviderMessage& message : prompt.messages) {
        bool said = std::any_of(
            prompt.captions.begin(), prompt.captions.end(), [&](const std::string& caption) {
                return !message.text.empty() && caption.find(message.text) != std::string::npos;
            });
        if (!said) {
            messages.push_back(message);
        }
    }
    html += messagesHtml(messages);
    html += "<form class=\"prompt\" method=\"post\" action=\"" + htmlEscape(context.target) +
            "\">" + hiddenInput(kCsrfField, context.csrfToken);
    bool focusGiven = false;
    bool changesPassword = false;
    for (std::size_t i = 0; i < prompt.fields.size(); ++i) {
        html += fieldHtml(prompt.fields[i], i, focusGiven);
        changesPassword = changesPassword || prompt.fields[i].type == "verifytextnoecho";
    }
    // The button says what it does: a form that asks for a new password changes it.
    html += "<button type=\"submit\">" +
            htmlEscape(changesPassword ? context.texts->changePassword : context.texts->signOn) +
            "</button></form>";
    return html;
}

std::string buttonFormHtml(const std::string& target, const std::string& csrfToken,
                           const std::string& label) {
    return "<form method=\"post\" action=\"" + htmlEscape(target) + "\">" +
           hiddenInput(kCsrfField, csrfToken) + "<button type=\"submit\">" + htmlEscape(label) +
           "</button></form>";
}

}  // namespace basalt_host::serve
