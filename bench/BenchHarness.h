// What the document benchmarks share: the baseline (Xerces-C parsing the same bytes with a
// do-nothing handler), the parse and write loops, and a main that prints, after the run, each
// document's CPU time as a ratio to the baseline of the same case.
//
//     void BM_ParseX(benchmark::State& s, int which) { bench::Parse<X>(s, text(which)); }
//     BENCHMARK_CAPTURE(BM_ParseX, someCase, 0);
//     int main(int argc, char** argv) { return bench::RunWithRatios(argc, argv, {"someCase"}); }
//
// A case is the BENCHMARK_CAPTURE label: "BM_XercesBaseline/<case>" is its baseline and every
// "BM_Parse.../<case>" and "BM_Write.../<case>" run is compared with it.
#pragma once

#include "PYXXercesInit.h"
#include "VOR_AAA_SAXParserPool.h"

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
#include <vector>

namespace bench {

// The baseline: one reader with the same features as ours, a handler that does nothing.
inline void XercesBaseline(benchmark::State& state, const std::string& bytes) {
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
    for (auto _ : state) {
        MemBufInputSource source(reinterpret_cast<const XMLByte*>(bytes.data()), bytes.size(),
                                 "baseline", false);
        reader->parse(source);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}

template <typename Document>
void Parse(benchmark::State& state, const std::string& bytes) {
    for (auto _ : state) {
        Document doc;
        doc.Load(bytes.data(), bytes.size());
        benchmark::DoNotOptimize(doc);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}

// Writes the document read from bytes; prepare may set writing options on it first.
template <typename Document>
void Write(benchmark::State& state, const std::string& bytes,
           void (*prepare)(Document&) = nullptr) {
    Document doc;
    doc.Load(bytes.data(), bytes.size());
    if (prepare != nullptr) {
        prepare(doc);
    }
    for (auto _ : state) {
        std::string out;
        doc.Serialize(out);
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations());
}

// Keeps each run's CPU time per document so that the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    explicit RatioReporter(std::vector<std::string> cases) : m_cases(std::move(cases)) {}

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
        for (const std::string& name : m_cases) {
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
    std::vector<std::string> m_cases;
    std::map<std::string, double> m_nsPerItem;
};

// The whole main of a document benchmark: runs what the command line selects with the object
// model acquired, then prints the ratios of the given cases.
inline int RunWithRatios(int argc, char** argv, std::vector<std::string> cases) {
    AcquireObjectModel();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter(std::move(cases));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    ReleaseObjectModel();
    return 0;
}

}  // namespace bench
