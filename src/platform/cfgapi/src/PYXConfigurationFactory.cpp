#include "PYXConfigurationFactory.h"

#include <filesystem>
#include <string>

#include "PYXHome.h"

namespace {

std::string withoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

class HomeConfiguration final : public IPYXConfiguration {
public:
    I18NString getLocation(const I18NString& name) const override {
        std::filesystem::path home(PYXHomeDirectory());
        std::filesystem::path wanted(name.utf8());
        std::filesystem::path location = wanted.is_absolute() ? wanted : home / wanted;
        return I18NString(withoutTrailingSlash(location.lexically_normal().string()));
    }
};

}  // namespace

IPYXConfiguration* PYXConfigurationFactory::getInstance() {
    static HomeConfiguration configuration;
    return &configuration;
}
