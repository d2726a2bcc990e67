// Documents per second for the request documents: an authenticate document (bus header with
// variables, credentials and a visa) and a query response of 100 accounts, parsed and written,
// against Xerces-C parsing the same bytes with a do-nothing handler in the same run (the
// baseline). The ratios printed at the end are the cost of our readers and writers on top of
// the bare parser.
#include "PYXXercesInit.h"
#include "VOR_AAA_AuthDoc.h"
#include "VOR_AAA_QueryResponse.h"
#include "VOR_AAA_SAXParserPool.h"
#include "VOR_AAA_VORID.h"

#include <benchmark/benchmark.h>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

enum Which { kAuthenticate = 0, kQueryResponse = 1 };

std::string authenticateText() {
    VOR_AAA_AuthDoc doc;
    doc.SetPassportID("passport-0123456789");
    doc.SetAction(VOR_AAA_BiBusHeader::kActionLogon);
    doc.GetAdditionalInfo().SetProductLocale("fr-ca");
    doc.GetAdditionalInfo().SetRequestContext("request-0123456789abcdef");
    doc.GetFormFieldVars().push_back({"VORNamespace", "ridge", ""});
    doc.GetFormFieldVars().push_back({"VORUsername", "ann.smith", ""});
    doc.GetFormFieldVars().push_back({"VORPassword", "secret & <more>", ""});
    doc.GetFormFieldVars().push_back({"h_VOR_action", "logon", ""});
    doc.GetEnvironmentVars().push_back({"REMOTE_ADDR", "127.0.0.1"});
    doc.GetEnvironmentVars().push_back({"HTTP_USER_AGENT", "Mozilla/5.0 (X11; Linux x86_64)"});
    doc.GetCookieVars().push_back({"AS_TICKET", "ticket-0123456789abcdef0123456789abcdef"});
    VOR_AAA_CredentialsDoc::Credential entry;
    entry.namespaceID = "ridge";
    entry.username = "ann.smith";
    entry.password = "secret";
    entry.hasPassword = true;
    doc.GetCredentials().AddCredential(entry);
    auto visa = std::make_unique<VOR_AAA_Visa>();
    visa->SetNamespaceID("ridge");
    visa->SetUserID(VOR_AAA_VORID::Compose("ridge", VOR_AAA_VORID::eAccount, 42));
    visa->AddRole(VOR_AAA_VORID::Compose("ridge", VOR_AAA_VORID::eRole, 7));
    visa->SetValue("as_session", "17");
    visa->SetValue("ticket", "ticket-0123456789abcdef0123456789abcdef");
    doc.SetVisa(std::move(visa));
    return doc.ToString();
}

std::string queryResponseText() {
    VOR_AAA_QueryResponse response;
    for (uint32_t id = 1; id <= 100; ++id) {
        const std::string name = "user" + std::to_string(id);
        auto account = std::make_unique<VOR_AAA_Account>();
        account->SetObjectClass();
        account->HasChildren().Set(false);
        account->SearchPath().Set(
            VOR_AAA_VORID::Wrap(VOR_AAA_VORID::Compose("ridge", VOR_AAA_VORID::eAccount, id)),
            true);
        account->DefaultName().Set(name);
        account->Name().Add("en-us", name);
        account->StringProperty("userName").Set(name);
        account->StringProperty("email").Set(name + "@example.org");
        account->StringProperty("surname").Set("Smith & Sons");
        account->ContentLocale().Set("en-us");
        account->Ancestors().Add({"namespace", "VORID(\"ridge\")", "Ridge directory"});
        response.AddObject(std::move(account));
    }
    return response.ToString();
}

const std::string& text(int which) {
    static const std::string authenticate = authenticateText();
    static const std::string queryResponse = queryResponseText();
    return which == kAuthenticate ? authenticate : queryResponse;
}

void BM_XercesBaseline(benchmark::State& state, int which) {
    PYXXercesInit xerces;
    using namespace xercesc;
    std::unique_ptr<SAX2XMLReader> reader(XMLReaderFactory::createXMLReader());
    reader->setFeature(XMLUni::fgXercesSchema, false);
    reader->setFeature(XMLUni::fgSAX2CoreValidation, false);
    reader->setFeature(XMLUni::fgSAX2CoreNameSpaces, true);
    reader->setFeature(XMLUni::fgSAX2CoreNameSpacePrefixes, true);
    reader->setFeature(XMLUni::fgXercesDisableDefaultEntityResolution, true);
    DefaultHandler nothing;
    reader->setContentHandler(&nothing);
    reader->setErrorHandler(&nothing);
    const std::string& bytes = text(which);
    for (auto _ : state) {
        MemBufInputSource source(reinterpret_cast<const XMLByte*>(bytes.data()), bytes.size(),
                                 "baseline", false);
        reader->parse(source);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}

template <typename Document>
void BM_Parse(benchmark::State& state, int which) {
    const std::string& bytes = text(which);
    for (auto _ : state) {
        Document doc;
        doc.Load(bytes.data(), bytes.size());
        benchmark::DoNotOptimize(doc);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}

template <typename Document>
void BM_Write(benchmark::State& state, int which) {
    const std::string& bytes = text(which);
    Document doc;
    doc.Load(bytes.data(), bytes.size());
    for (auto _ : state) {
        std::string out;
        doc.Serialize(out);
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_ParseAuthDoc(benchmark::State& state, int which) {
    BM_Parse<VOR_AAA_AuthDoc>(state, which);
}
void BM_WriteAuthDoc(benchmark::State& state, int which) {
    BM_Write<VOR_AAA_AuthDoc>(state, which);
}
void BM_ParseQueryResponse(benchmark::State& state, int which) {
    BM_Parse<VOR_AAA_QueryResponse>(state, which);
}
void BM_WriteQueryResponse(benchmark::State& state, int which) {
    BM_Write<VOR_AAA_QueryResponse>(state, which);
}

BENCHMARK_CAPTURE(BM_XercesBaseline, authenticateDocument, kAuthenticate);
BENCHMARK_CAPTURE(BM_ParseAuthDoc, authenticateDocument, kAuthenticate);
BENCHMARK_CAPTURE(BM_WriteAuthDoc, authenticateDocument, kAuthenticate);
BENCHMARK_CAPTURE(BM_XercesBaseline, queryResponse100, kQueryResponse);
BENCHMARK_CAPTURE(BM_ParseQueryResponse, queryResponse100, kQueryResponse);
BENCHMARK_CAPTURE(BM_WriteQueryResponse, queryResponse100, kQueryResponse);

// Keeps each run's CPU time per document so that the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
                // CPU time: the machine is shared, wall time would measure the neighbours.
                m_nsPerItem[run.benchmark_name()] = run.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintRatios() const {
        std::printf(
            "\nRatio to the Xerces-C baseline parse (CPU time per document, lower is better):\n");
        for (const std::string name : {"authenticateDocument", "queryResponse100"}) {
            auto base = m_nsPerItem.find("BM_XercesBaseline/" + name);
            if (base == m_nsPerItem.end() || base->second <= 0) {
                continue;
            }
            for (const auto& [run, time] : m_nsPerItem) {
                const bool ours = run.rfind("BM_Parse", 0) == 0 || run.rfind("BM_Write", 0) == 0;
                if (ours && run.size() > name.size() &&
                    run.compare(run.size() - name.size(), std::string::npos, name) == 0) {
                    std::printf("  %-48s %6.2fx  (%.0f docs/s, baseline %.0f docs/s)\n",
                                run.c_str(), time / base->second, 1e9 / time, 1e9 / base->second);
                }
            }
        }
    }

private:
    std::map<std::string, double> m_nsPerItem;
};

}  // namespace

int main(int argc, char** argv) {
    AcquireObjectModel();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    ReleaseObjectModel();
    return 0;
}
