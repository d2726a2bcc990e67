#include "HostSession.h"

#include <iostream>
#include <memory>
#include <sstream>

#include "HostAllocator.h"
#include "HostDocuments.h"
#include "HostError.h"
#include "HostText.h"
#include "ResponsePrinter.h"
#include "ResultMeaning.h"
#include "XmlTree.h"

namespace basalt_host {

HostSession::HostSession(const HostOptions& options)
    : m_options(options),
      m_additionalInfo(additionalInfoDocument(options.productLocale, options.contentLocale)),
      m_library(options.library) {
    m_initialized = accepted("BasaltInitialize", m_library.initialize(m_additionalInfo));
}

HostSession::~HostSession() {
    if (m_initialized) {
        finish();
    }
}

bool HostSession::finish() {
    m_initialized = false;
    bool ok = accepted("BasaltTerminate", m_library.terminate(m_additionalInfo));
    if (std::size_t left = releaseOutstandingBlocks()) {
        warn(
            say("the provider requested {1} block(s) with the alloc routine and never handed "
                "them back",
                {std::to_string(left)}));
    }
    return ok;
}

std::optional<std::vector<std::string>> HostSession::configureAll() {
    std::vector<std::string> responses;
    for (std::size_t i = 0; i < m_options.configs.size(); ++i) {
        const std::string entry = "BasaltConfigure of '" + m_options.configs[i] + "'";
        CallOutcome outcome = m_library.configure(m_options.configTexts[i], m_additionalInfo);
        if (!accepted(entry, outcome)) {
            return std::nullopt;
        }
        responses.push_back(responseOf(entry, outcome));
    }
    return responses;
}

bool HostSession::accepted(const std::string& entry, const CallOutcome& outcome) const {
    noteProblems(outcome);
    if (outcome.code < 0) {
        reportFailure(entry, outcome);
        return false;
    }
    return true;
}

const std::string& HostSession::responseOf(const std::string& entry, const CallOutcome& outcome) {
    if (!outcome.response) {
        throw HostError(say("{1} succeeded but returned no response document", {entry}));
    }
    return *outcome.response;
}

void HostSession::warn(const std::string& text) {
    std::cerr << "basalt-host: " << say("warning: {1}", {text}) << '\n';
}

void HostSession::noteProblems(const CallOutcome& outcome) {
    for (const std::string& problem : outcome.problems) {
        warn(problem);
    }
}

void HostSession::reportFailure(const std::string& entry, const CallOutcome& outcome) const {
    std::cerr << "basalt-host: "
              << say("{1} failed with result {2}", {entry, describeResult(outcome.code, entry)})
              << '\n';
    if (!outcome.exception) {
        std::cerr << "  " << say("(no exception document was returned)") << '\n';
        return;
    }
    if (m_options.raw) {
        std::cout << *outcome.exception << '\n';
    }
    try {
        std::unique_ptr<XmlElement> root = parseXml(*outcome.exception, "exception document");
        std::istringstream lines(describeException(*root));
        for (std::string text; std::getline(lines, text);) {
            std::cerr << "  " << text << '\n';
        }
    } catch (const HostError& error) {
        std::cerr << "  " << error.what() << "; as returned:\n" << *outcome.exception << '\n';
    }
}

}  // namespace basalt_host
