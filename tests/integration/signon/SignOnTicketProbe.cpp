// A second process for the sign-on tests: loads libBasalt.so, configures the namespace given
// and signs on with the AS_TICKET cookie alone; prints the result code and exits 0.
//   signon_ticket_probe <library> <configuration file> <namespace id> <ticket>
#include <VOR_AAA_AuthDoc.h>
#include <VOR_AAA_Interface.h>

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

void* Allocate(uint32_t size) {
    return std::malloc(size);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s library configuration namespace ticket\n", argv[0]);
        return 2;
    }
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    auto getInterface =
        library != nullptr
            ? reinterpret_cast<VOR_AAA_GetInterfaceFn>(dlsym(library, VOR_AAA_GET_INTERFACE_SYMBOL))
            : nullptr;
    if (getInterface == nullptr) {
        std::fprintf(stderr, "cannot load %s\n", argv[1]);
        return 2;
    }
    VOR_AAA_LifecycleTable life{};
    VOR_AAA_DocumentTextTable text{};
    getInterface(kVOR_AAA_LifecycleInterface, &life);
    getInterface(kVOR_AAA_DocumentTextInterface, &text);
    char* exception = nullptr;
    char* response = nullptr;
    if (life.Initialize(Allocate, nullptr, &exception) != 0) {
        return 2;
    }
    std::ifstream file(argv[2]);
    std::stringstream configuration;
    configuration << file.rdbuf();
    if (life.Configure(configuration.str().c_str(), nullptr, &response, &exception) != 0) {
        std::fprintf(stderr, "configure failed: %s\n", exception != nullptr ? exception : "");
        return 2;
    }
    std::free(response);
    response = nullptr;
    VOR_AAA_AuthDoc request;
    request.SetAction(VOR_AAA_BiBusHeader::kActionLogon);
    request.GetFormFieldVars().push_back({"VORNamespace", I18NString(argv[3]), ""});
    request.GetFormFieldVars().push_back({"VORCheckGateway", "true", ""});
    request.GetCookieVars().push_back({"AS_TICKET", I18NString(argv[4])});
    const std::string document = request.ToString();
    const int32_t result = text.AuthenticateXml(document.c_str(), &response);
    std::printf("%d\n", result);
    std::free(response);
    life.Terminate(nullptr, &exception);
    std::free(exception);
    return 0;
}
