#include "HostSession.h"

#include <iostream>
#include <memory>
#include <sstream>

#include "HostAllocator.h"
#include "HostDocuments.h"
#include "HostError.h"
#include "ResponsePrinter.h"
#include "XmlTree.h"

namespace basalt_host {

HostSession::HostSession(const HostOptions& options)
    : m_options(options),
      m_additionalInfo(additionalInfoDocument(options.productLocale, options.contentLocale)),
      m_library(options.library) {
    CallOutcome outcome = m_library.initialize(m_additionalInfo);
    noteProblems(outcome);
    if (outcome.code < 0) {
        reportFailure("BasaltInitialize", outcome);
        return;
    }
    m_initialized = true;
}

HostSession::~HostSession() {
    if (m_initialized) {
        finish();
    }
}

bool HostSession::finish() {
    m_initialized = false;
    CallOutcome outcome = m_library.terminate(m_additionalInfo);
    noteProblems(outcome);
    bool ok = outcome.code >= 0;
    if (!ok) {
        reportFailure("BasaltTerminate", outcome);
    }
    if (std::size_t left = releaseOutstandingBlocks()) {
        warn("the provider requested " + std::to_string(left) +
             " block(s) with the alloc routine and never handed them back");
    }
    return ok;
}

std::optional<std::vector<std::string>> HostSession::configureAll() {
    std::vector<std::string> responses;
    for (std::size_t i = 0; i < m_options.configs.size(); ++i) {
        const std::string& path = m_options.configs[i];
        CallOutcome outcome = m_library.configure(m_options.configTexts[i], m_additionalInfo);
        noteProblems(outcome);
        if (outcome.code < 0) {
            reportFailure("BasaltConfigure of '" + path + "'", outcome);
            return std::nullopt;
        }
        if (!outcome.response) {
            throw HostError("BasaltConfigure of '" + path +
                            "' succeeded but returned no response document");
        }
        responses.push_back(std::move(*outcome.response));
    }
    return responses;
}

void HostSession::warn(const std::string& text) {
    std::cerr << "basalt-host: warning: " << text << '\n';
}

void HostSession::noteProblems(const CallOutcome& outcome) {
    for (const std::string& problem : outcome.problems) {
        warn(problem);
    }
}

void HostSession::reportFailure(const std::string& entry, const CallOutcome& outcome) const {
    std::cerr << "basalt-host: " << entry << " failed with result " << describeResult(outcome.code)
              << '\n';
    if (!outcome.exception) {
        std::cerr << "  (no exception document was returned)\n";
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
