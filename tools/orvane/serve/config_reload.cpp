#include "serve/config_reload.hpp"

#include <chrono>

#include "watch/fleet_watch.hpp"

namespace orvane_cli::serve {

ConfigReload::ConfigReload(ServiceSetup setup, const ServeOptions& commandLine, const Connection& connection,
                           WatchSettings& settings, PasswordSource& servicePassword, bool passwordKnown,
                           CameraRoster& roster, StateStore& store, ServiceLog& log)
    : setup_(std::move(setup)),
      commandLine_(commandLine),
      connection_(connection),
      settings_(settings),
      servicePassword_(servicePassword),
      passwordKnown_(passwordKnown),
      roster_(roster),
      store_(store),
      log_(log),
      requests_(commandLine.configFile),
      lastSuccess_(FleetWatch::UnixNow()) {
    store_.SetConfigStatus({true, lastSuccess_});
}

void ConfigReload::OnRequest() {
    if (requests_.Take()) Reload();
}

std::string ConfigReload::Problem(const ServiceSetup& next) {
    const std::string& file = next.connection.passwordFile;
    std::string password;
    const bool newFile = !file.empty() && file != setup_.connection.passwordFile;
    if (newFile && !ReadPasswordFile(file, password)) return "cannot read the password file " + file;
    return CameraRoster::Problem(next.cameras, passwordKnown_ || newFile);
}

void ConfigReload::Refused(const std::string& problem) {
    log_.Write({LogLevel::kError, "reading " + commandLine_.configFile + " again failed: " + problem +
                                      "; the configuration in use stays"});
    store_.SetConfigStatus({false, lastSuccess_});
}

bool ConfigReload::Reload() {
    const std::string& path = commandLine_.configFile;
    log_.Line("reading " + path + " again");
    const auto [file, readProblem] = ReadConfigFile(path);
    if (!file) {
        Refused(readProblem);
        return false;
    }
    auto [next, problem] = MakeSetup(commandLine_, connection_, &*file);
    if (next) problem = Problem(*next);
    if (!problem.empty()) {
        Refused(problem);
        return false;
    }

    const ServeOptions& was = setup_.options;
    const ServeOptions& is = next->options;
    for (const auto& [name, changed] :
         {std::pair{"listen", was.listen != is.listen},
          std::pair{"log.format", was.logFormatText != is.logFormatText},
          std::pair{"log.level", was.logLevelText != is.logLevelText},
          std::pair{"web.config.file", was.webConfigFile != is.webConfigFile}}) {
        if (changed)
            log_.Write({LogLevel::kWarn, path + ": " + name + " changed: takes effect at the next start"});
    }
    const std::string& passwordFile = next->connection.passwordFile;
    if (!passwordFile.empty() && passwordFile != setup_.connection.passwordFile &&
        servicePassword_.UseFile(passwordFile))
        passwordKnown_ = true;
    const Milliseconds interval = *ParseDuration(is.intervalText);
    settings_.interval.store(interval, std::memory_order_relaxed);
    settings_.wrongPasswordPause.store(*ParseDuration(is.wrongPasswordPauseText), std::memory_order_relaxed);
    store_.SetSettings(std::make_shared<const AlarmLimits>(next->alarms),
                       std::chrono::duration<double>(interval).count());
    const CameraRoster::Changes changes = roster_.Apply(next->cameras, path);

    // What cannot change stays as it was, so that the next reload compares with what is in use.
    next->options.listen = was.listen;
    next->options.logFormatText = was.logFormatText;
    next->options.logLevelText = was.logLevelText;
    next->options.webConfigFile = was.webConfigFile;
    if (passwordFile.empty()) next->connection.passwordFile = setup_.connection.passwordFile;
    setup_ = std::move(*next);
    lastSuccess_ = FleetWatch::UnixNow();
    store_.SetConfigStatus({true, lastSuccess_});
    log_.Line("read " + path + " again: " + std::to_string(setup_.cameras.size()) + " cameras; " +
              std::to_string(changes.added) + " added, " + std::to_string(changes.removed) + " removed, " +
              std::to_string(changes.restarted) + " restarted");
    return true;
}

}  // namespace orvane_cli::serve
