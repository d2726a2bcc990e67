// Documents per second: parsing and writing the exception document and the additional
// information, against Xerces-C parsing the same bytes with a do-nothing handler (the
// baseline). After the run the ratios document/baseline are printed: the cost of our state
// machines, text collection and pooled readers on top of the bare parser.
#include "BenchHarness.h"
#include "VOR_AAA_AdditionalInfo.h"
#include "VOR_AAA_Exception.h"
#include "VOR_AAA_OMException.h"

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

void BM_XercesBaseline(benchmark::State& state, int which) {
    bench::XercesBaseline(state, text(which));
}
void BM_ParseException(benchmark::State& state, int which) {
    bench::Parse<VOR_AAA_OMException>(state, text(which));
}
void BM_WriteException(benchmark::State& state, int which) {
    bench::Write<VOR_AAA_OMException>(
        state, text(which), [](VOR_AAA_OMException& doc) { doc.SetWriteNamespaces(true); });
}
void BM_ParseAdditionalInfo(benchmark::State& state, int which) {
    bench::Parse<VOR_AAA_AdditionalInfo>(state, text(which));
}
void BM_WriteAdditionalInfo(benchmark::State& state, int which) {
    bench::Write<VOR_AAA_AdditionalInfo>(state, text(which));
}

BENCHMARK_CAPTURE(BM_XercesBaseline, exception, 0);
BENCHMARK_CAPTURE(BM_ParseException, exception, 0);
BENCHMARK_CAPTURE(BM_WriteException, exception, 0);
BENCHMARK_CAPTURE(BM_XercesBaseline, additionalInfo, 1);
BENCHMARK_CAPTURE(BM_ParseAdditionalInfo, additionalInfo, 1);
BENCHMARK_CAPTURE(BM_WriteAdditionalInfo, additionalInfo, 1);

}  // namespace

int main(int argc, char** argv) {
    return bench::RunWithRatios(argc, argv, {"exception", "additionalInfo"});
}
