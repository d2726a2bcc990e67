// Documents per second for the request documents: an authenticate document (bus header with
// variables, credentials and a visa) and a query response of 100 accounts, parsed and written,
// against Xerces-C parsing the same bytes with a do-nothing handler in the same run (the
// baseline). The ratios printed at the end are the cost of our readers and writers on top of
// the bare parser.
#include "BenchHarness.h"
#include "VOR_AAA_AuthDoc.h"
#include "VOR_AAA_QueryResponse.h"
#include "VOR_AAA_VORID.h"

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
    bench::XercesBaseline(state, text(which));
}
void BM_ParseAuthDoc(benchmark::State& state, int which) {
    bench::Parse<VOR_AAA_AuthDoc>(state, text(which));
}
void BM_WriteAuthDoc(benchmark::State& state, int which) {
    bench::Write<VOR_AAA_AuthDoc>(state, text(which));
}
void BM_ParseQueryResponse(benchmark::State& state, int which) {
    bench::Parse<VOR_AAA_QueryResponse>(state, text(which));
}
void BM_WriteQueryResponse(benchmark::State& state, int which) {
    bench::Write<VOR_AAA_QueryResponse>(state, text(which));
}

BENCHMARK_CAPTURE(BM_XercesBaseline, authenticateDocument, kAuthenticate);
BENCHMARK_CAPTURE(BM_ParseAuthDoc, authenticateDocument, kAuthenticate);
BENCHMARK_CAPTURE(BM_WriteAuthDoc, authenticateDocument, kAuthenticate);
BENCHMARK_CAPTURE(BM_XercesBaseline, queryResponse100, kQueryResponse);
BENCHMARK_CAPTURE(BM_ParseQueryResponse, queryResponse100, kQueryResponse);
BENCHMARK_CAPTURE(BM_WriteQueryResponse, queryResponse100, kQueryResponse);

}  // namespace

int main(int argc, char** argv) {
    return bench::RunWithRatios(argc, argv, {"authenticateDocument", "queryResponse100"});
}
