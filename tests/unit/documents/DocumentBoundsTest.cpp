// The bounds every pooled reader applies, whatever the document: no DOCTYPE, a maximum size and
// a maximum element depth (documents.conf of the home directory), each refused with -19 and a
// message naming the bound; refusals come where the scanner reaches the offending part, so the
// handler sees nothing past it.
#include "ExpectFailure.h"
#include "PYXDocumentLimits.h"
#include "VOR_AAA_AdditionalInfo.h"
#include "VOR_AAA_AuthDoc.h"
#include "VOR_AAA_DefaultHandlers.h"
#include "VOR_AAA_OMException.h"
#include "VOR_AAA_ParseDocument.h"
#include "VOR_AAA_SAXParserPool.h"
#include "VOR_AAA_Visa.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace {

using namespace documents_test;

// A home directory holding only documents.conf, BASALT_HOME for the scope.
class BoundsHome {
public:
    explicit BoundsHome(const std::string& conf) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "basalt-bounds-XXXXXX").string();
        m_path = ::mkdtemp(pattern.data());
        std::ofstream(m_path / PYXDocumentLimits::kFileName) << conf;
        if (const char* old = std::getenv("BASALT_HOME")) {
            m_old = old;
        }
        ::setenv("BASALT_HOME", m_path.c_str(), 1);
    }
    ~BoundsHome() {
        if (m_old.empty()) {
            ::unsetenv("BASALT_HOME");
        } else {
            ::setenv("BASALT_HOME", m_old.c_str(), 1);
        }
        std::filesystem::remove_all(m_path);
    }

private:
    std::filesystem::path m_path;
    std::string m_old;
};

// Counts the elements a parse delivered before it ended.
class CountingHandler : public virtual VOR_AAA_DefaultContentHandler {
public:
    void startElement(const XMLCh* const, const XMLCh* const, const XMLCh* const,
                      const xercesc::Attributes&) override {
        ++elements;
    }
    long elements = 0;
};

// The refusal's reason (innermost message), after checking it is the document layer's -19.
std::string Refusal(const std::function<void()>& load, const char* documentName) {
    const auto e =
        ExpectFailure(-19, {kMsgDocumentNotParsed, kMsgPublicIdentifier, kMsgDetail}, load);
    if (!e) {
        return {};
    }
    EXPECT_EQ(Parameter(*e, 0), I18NString(documentName));
    return Parameter(*e, 2).utf8();
}

std::string Nested(const std::string& root, int depth) {
    std::string text = "<" + root + ">";
    for (int i = 1; i < depth; ++i)
        text += "<e>";
    for (int i = 1; i < depth; ++i)
        text += "</e>";
    return text + "</" + root + ">";
}

template <class Document>
std::function<void()> Loading(const std::string& text) {
    return [text] {
        Document document;
        document.Load(text.data(), text.size());
    };
}

}  // namespace

// One large internal entity referenced many times makes a small document huge: a DOCTYPE is
// refused where it starts, before its internal subset is read (the malformed declaration after
// the entity would otherwise be the error) and before any element.
TEST(DocumentBounds, ADoctypeIsRefusedByEveryReaderBeforeItsSubset) {
    std::string expansion = "<!DOCTYPE additionalInfo [<!ENTITY big \"" + std::string(4000, 'x') +
                            "\"><!BOGUS>]><additionalInfo><productLocale>";
    for (int i = 0; i < 1000; ++i)
        expansion += "&big;";
    expansion += "</productLocale></additionalInfo>";

    EXPECT_NE(Refusal(Loading<VOR_AAA_AdditionalInfo>(expansion), "additionalInfo").find("DOCTYPE"),
              std::string::npos);
    const std::string doctype = "<!DOCTYPE x [<!ENTITY e \"v\">]>";
    for (const auto& [load, name] : std::vector<std::pair<std::function<void()>, const char*>>{
             {Loading<VOR_AAA_AuthDoc>(doctype + "<authenticateDocument/>"),
              "authenticateDocument"},
             {Loading<VOR_AAA_Visa>(doctype + "<visa/>"), "visa"},
             {Loading<VOR_AAA_OMException>("<?xml version=\"1.0\"?>\n<!DOCTYPE exception>"
                                           "<exception/>"),
              "exception"}}) {
        EXPECT_NE(Refusal(load, name).find("DOCTYPE"), std::string::npos) << name;
    }

    CountingHandler handler;
    EXPECT_THROW(VOR_AAA_ParseDocument(handler, "counted", expansion.data(), expansion.size()),
                 VOR_AAA_Exception);
    EXPECT_EQ(handler.elements, 0);
}

// Depth: the scanner's namespace lookup walks the open elements for every element, so a deep
// document costs time by the square of its depth. The bound stops the scan at the first element
// too deep: the handler has seen exactly the allowed levels.
TEST(DocumentBounds, DepthIsRefusedWhereTheFirstElementTooDeepStarts) {
    BoundsHome home("max_element_depth = 8\n");
    Loading<VOR_AAA_AdditionalInfo>(Nested("additionalInfo", 8))();
    const std::string reason =
        Refusal(Loading<VOR_AAA_AdditionalInfo>(Nested("additionalInfo", 9)), "additionalInfo");
    EXPECT_NE(reason.find("max_element_depth"), std::string::npos) << reason;
    EXPECT_NE(reason.find(" 8 "), std::string::npos) << reason;
    std::string deep = "<r xmlns='urn:r'>";
    for (int i = 0; i < 100000; ++i)
        deep += "<a:e xmlns:a='urn:a'>";
    CountingHandler handler;
    Refusal([&] { VOR_AAA_ParseDocument(handler, "deep", deep.data(), deep.size()); }, "deep");
    EXPECT_EQ(handler.elements, 8);

    // The reader that refused is discarded; the next parse works.
    Loading<VOR_AAA_AdditionalInfo>(Nested("additionalInfo", 3))();
}

TEST(DocumentBounds, SizeIsRefusedBeforeAnyByteIsScanned) {
    BoundsHome home("max_document_size = 1000\n");
    const std::string fits = "<additionalInfo>" + std::string(1000 - 33, ' ') + "</additionalInfo>";
    ASSERT_EQ(fits.size(), 1000u);
    Loading<VOR_AAA_AdditionalInfo>(fits)();
    const std::string over = fits + " ";
    const std::string reason = Refusal(Loading<VOR_AAA_AdditionalInfo>(over), "additionalInfo");
    EXPECT_NE(reason.find("1001 bytes"), std::string::npos) << reason;
    EXPECT_NE(reason.find("max_document_size"), std::string::npos) << reason;

    CountingHandler handler;
    EXPECT_THROW(VOR_AAA_ParseDocument(handler, "counted", over.data(), over.size()),
                 VOR_AAA_Exception);
    EXPECT_EQ(handler.elements, 0);
}

// The defaults take the largest legitimate documents: a query response page of thousands of
// objects and the nesting of the deepest document.
TEST(DocumentBounds, DefaultsFitLargeLegitimateDocuments) {
    BoundsHome home("# defaults\n");
    std::string big = "<additionalInfo>";
    while (big.size() < 8 * 1024 * 1024) {
        big += "<typedLogger>" + std::string(200, 'v') + "</typedLogger>";
    }
    big += "</additionalInfo>";
    Loading<VOR_AAA_AdditionalInfo>(big)();
    Loading<VOR_AAA_AdditionalInfo>(Nested("additionalInfo", 64))();
}
