// orvane serve: the command line of the service (serve/serve.hpp).
#include <memory>
#include <string>

#include "commands/exit_codes.hpp"
#include "commands/tool.hpp"
#include "serve/serve.hpp"

namespace orvane_cli {

void AddServeCommand(CLI::App& app, Tool& tool) {
    auto* command = app.add_subcommand(
        "serve", "Watch cameras around the clock and serve their thermometry to Prometheus over HTTP");
    auto options = std::make_shared<serve::ServeOptions>();
    command
        ->add_option("--config", options->configFile,
                     "TOML file of the cameras ([[camera]] tables) and of these options by their long names, "
                     "which the command line's win over; read again on SIGHUP (on Windows, when it changes)")
        ->type_name("FILE");
    command->add_option("-a,--address", options->addresses, "Camera address; repeat it for several cameras")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    AddLoginOptions(*command, tool.connection, false);
    command->footer(kServeHelp);
    command
        ->add_option("-c,--channel", options->channels,
                     "Channel to subscribe on every camera without channels of its own (1); repeat it for "
                     "several")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    command
        ->add_option("--listen,--web.listen-address", options->listen,
                     "HOST:PORT to serve HTTP on (port 0: a free one)")
        ->capture_default_str();
    command->add_option(
        "--web.config.file", options->webConfigFile,
        "YAML file of TLS (tls_server_config) and users with bcrypt hashes (basic_auth_users) "
        "for the HTTP server, read again when it changes; Linux builds only");
    command->add_option("--interval", options->intervalText, "How often to poll every camera")
        ->check(DurationValidator())
        ->capture_default_str();
    command
        ->add_option("--wrong-password-retry", options->wrongPasswordPauseText,
                     "How long a camera that refused the user name or password waits before the next login "
                     "(cameras lock accounts); a changed --password-file is tried at once")
        ->check(DurationValidator())
        ->capture_default_str();
    // One argument per occurrence, so that the limits are checked one by one.
    command
        ->add_option("--alarm-above", options->alarms.above,
                     "Mark a rule's max (or a point's reading) above C °C as an alarm, and export the limit "
                     "for the alert rules (45); CAMERA=C, CAMERA/RULE=C or CAMERA/CHANNEL/RULE=C for one "
                     "camera, rule or channel's rule, C none for no limit; repeat it, the narrowest wins")
        ->type_name("[CAMERA[/[CHANNEL/]RULE]=]C")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->allow_extra_args(false);
    command
        ->add_option("--alarm-below", options->alarms.below,
                     "Mark a rule's min (or a point's reading) below C °C as an alarm, and export the limit; "
                     "the same forms as --alarm-above (no limit unless given)")
        ->type_name("[CAMERA[/[CHANNEL/]RULE]=]C")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->allow_extra_args(false);
    command
        ->add_option(
            "--log.format", options->logFormatText,
            "How the log writes its lines: human (as a person reads them), logfmt or json (each with "
            "its time, level, message, camera and channel)")
        ->check(CLI::IsMember({"human", "logfmt", "json"}))
        ->capture_default_str();
    command
        ->add_option("--log.level", options->logLevelText,
                     "The least level logged: debug, info (the default), warn or error")
        ->check(CLI::IsMember({"debug", "info", "warn", "error"}));
    command
        ->add_option("--log.file", options->logFile,
                     "Write the log to FILE, rotated at 10 MiB with 5 old files kept (FILE.1 to FILE.5), "
                     "instead of standard error; a Windows service's default is "
                     "%ProgramData%\\Orvane\\NAME.log")
        ->type_name("FILE");
    command->callback([&tool, options, command] {
        // What the command line gave wins over the --config file.
        for (const CLI::Option* option : command->get_options()) {
            if (option->count() == 0) continue;
            for (const std::string& name : option->get_lnames()) options->given.insert(name);
        }
        tool.run = [&tool, options](Output& out) { return serve::Serve(out, tool, *options); };
    });
}

}  // namespace orvane_cli
