#pragma once
// HTML for what the provider asks and says: its messages, and a prompt as a form built only
// from the captions and display objects it returned.

#include <string>
#include <vector>

#include "PageTexts.h"
#include "ProviderAnswers.h"

namespace basalt_host::serve {

// The name of the hidden field that carries a session's form token.
inline constexpr const char* kCsrfField = "basalt_csrf";

// The provider's messages as a list, nested ones indented; nothing when there are none.
std::string messagesHtml(const std::vector<ProviderMessage>& messages);

// A notice of the gateway's own (an error it found in what the browser sent).
std::string noticeHtml(const std::string& text);

struct PromptContext {
    std::string target;     // where the form posts
    std::string csrfToken;  // the session's form token
    const PageTexts* texts = nullptr;
};

// The captions, the messages and a form with one control per display object, in order:
// hidden and display objects as hidden inputs and shown values, text as a text input,
// textnoecho and verifytextnoecho as password inputs (never pre-filled), single and multiple
// selections as lists. The form carries the form token.
std::string promptHtml(const ProviderException& prompt, const PromptContext& context);

// A form that only posts the form token to target with one button (sign off).
std::string buttonFormHtml(const std::string& target, const std::string& csrfToken,
                           const std::string& label);

}  // namespace basalt_host::serve
