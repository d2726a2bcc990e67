// Documents per second: parsing and writing the exception document and the additional
// information, against Xerces-C parsing the same bytes with a do-nothing handler (the
// baseline). After the run the ratios document/baseline are printed: the cost of our state
// machines, text collection and pooled readers on top of the bare parser.
#include "PYXXercesInit.h"
#include "VOR_AAA_AdditionalInfo.h"
#include "VOR_AAA_Exception.h"
#include "VOR_AAA_OMException.h"
#include "VOR_AAA_SAXParserPool.h"

#include <benchmark/benchmark.h>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>

namespace {

std::string exceptionText() {
    VOR_AAA_AuthUserRecoverableException_LogonAs prompt(VOR_AAA_Message(0x51744BBF), "ridge",
                                                        "Ridge directory", "bob", true);
    prompt.addMessage(VOR_AAA_Message(0x5066289F) << "BasaltAuthenticate");
    prompt.increaseNesting();
    prompt.addMessage(VOR_AAA_Message(0x65B15F15) << "the password is not correct <retry>");
    VOR_AAA_OMException doc(true);
    doc.SetFrom(prompt, "en-us");
    return doc.ToString();
}

std::string additionalInfoText() {
    VOR_AAA_AdditionalInfo info;
    info.SetProductLocale("fr-ca");
    info.SetHopCount("2");
    info.SetRequestContext("request-0123456789abcdef");
    info.SetSessionContext("session-0123456789abcdef");
    info.SetStepContext("step-7");
    info.GetAncestors().push_back({"namespace", "VORID(\"ridge\")", "Ridge directory"});
    return info.ToString();
}

const std::string& text(int which) {
    static const std::string exception = exceptionText();
    static const std::string additionalInfo = additionalInfoText();
    return which == 0 ? exception : additionalInfo;
}

// The baseline: one reader with the same features, a handler that does nothing.
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
    if constexpr (std::is_same_v<Document, VOR_AAA_OMException>) {
        doc.SetWriteNamespaces(true);
    }
    for (auto _ : state) {
        std::string out;
        doc.Serialize(out);
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_ParseException(benchmark::State& state, int which) {
    BM_Parse<VOR_AAA_OMException>(state, which);
}
void BM_WriteException(benchmark::State& state, int which) {
    BM_Write<VOR_AAA_OMException>(state, which);
}
void BM_ParseAdditionalInfo(benchmark::State& state, int which) {
    BM_Parse<VOR_AAA_AdditionalInfo>(state, which);
}
void BM_WriteAdditionalInfo(benchmark::State& state, int which) {
    BM_Write<VOR_AAA_AdditionalInfo>(state, which);
}

BENCHMARK_CAPTURE(BM_XercesBaseline, exception, 0);
BENCHMARK_CAPTURE(BM_ParseException, exception, 0);
BENCHMARK_CAPTURE(BM_WriteException, exception, 0);
BENCHMARK_CAPTURE(BM_XercesBaseline, additionalInfo, 1);
BENCHMARK_CAPTURE(BM_ParseAdditionalInfo, additionalInfo, 1);
BENCHMARK_CAPTURE(BM_WriteAdditionalInfo, additionalInfo, 1);

// Keeps each run's time per iteration so that the ratios can be printed at the end.
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
        for (const char* name : {"exception", "additionalInfo"}) {
            const std::string baseline = std::string("BM_XercesBaseline/") + name;
            auto base = m_nsPerItem.find(baseline);
            if (base == m_nsPerItem.end() || base->second <= 0) {
                continue;
            }
            for (const auto& [run, time] : m_nsPerItem) {
                if (run != baseline && run.size() > std::strlen(name) &&
                    run.compare(run.size() - std::strlen(name), std::string::npos, name) == 0 &&
                    (run.rfind("BM_Parse", 0) == 0 || run.rfind("BM_Write", 0) == 0)) {
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
