#include "PYXHome.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

std::string withoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

// <dir of the module holding this function>/../share/basalt/home, when it exists.
std::string installedHome() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&installedHome), &info) == 0 || info.dli_fname == nullptr) {
        return {};
    }
    std::error_code ec;
    std::filesystem::path module = std::filesystem::weakly_canonical(info.dli_fname, ec);
    if (ec) {
        return {};
    }
    std::filesystem::path home = module.parent_path().parent_path() / "share" / "basalt" / "home";
    if (std::filesystem::is_directory(home, ec)) {
        return home.lexically_normal().string();
    }
    return {};
}

}  // namespace

std::string PYXHomeDirectory() {
    const char* fromEnvironment = std::getenv("BASALT_HOME");
    if (fromEnvironment != nullptr && *fromEnvironment != '\0') {
        return withoutTrailingSlash(fromEnvironment);
    }
    std::string installed = installedHome();
    if (!installed.empty()) {
        return withoutTrailingSlash(installed);
    }
    return withoutTrailingSlash(BASALT_SOURCE_HOME);
}

std::string PYXMessagesDirectory() {
    return PYXHomeDirectory() + "/messages";
}
