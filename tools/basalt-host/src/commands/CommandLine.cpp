#include "CommandLine.h"

namespace basalt_host {

void addGeneralOptions(CLI::App& app, HostOptions& options) {
    app.add_option("-l,--library", options.library,
                   "the provider library to load (default: ../lib/libBasalt.so next to this "
                   "program; environment: BASALT_LIBRARY)")
        ->envname("BASALT_LIBRARY")
        ->default_str(options.library);
    app.add_option("--locale", options.locale,
                   "the language of the run: the host's own lines and the provider's messages "
                   "to the host's requests (en-us, fr, fr-ca, ...; default: LC_ALL, "
                   "LC_MESSAGES or LANG, else en-us); authenticate and query documents carry "
                   "their own");
    app.add_option("--content-locale", options.contentLocale,
                   "content locale of the host's own requests (default: the locale)");
    app.add_flag("--raw", options.raw,
                 "print response documents as returned instead of readably; status lines go "
                 "to stderr");
}

CLI::App* addCommand(CLI::App& app, const std::string& name, const std::string& description,
                     HostOptions& options) {
    CLI::App* command = app.add_subcommand(name, description);
    command
        ->add_option("-c,--config", options.configs,
                     "a namespace configuration document; repeat for several namespaces")
        ->required()
        ->allow_extra_args(false);  // one file per -c, so a following positional stays free
    addGeneralOptions(*command, options);
    return command;
}

}  // namespace basalt_host
