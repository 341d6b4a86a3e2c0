// The thermo commands' options: thermo rules (commands/thermo_rules.cpp) and
// thermo record (record/).
#include <memory>

#include "commands/thermo_rules.hpp"
#include "commands/tool.hpp"
#include "record/record.hpp"

namespace orvane_cli {

void AddThermoCommands(CLI::App& app, Tool& tool) {
    auto* thermo = app.add_subcommand("thermo", "Thermometry");
    thermo->require_subcommand(1);
    auto* rules = thermo->add_subcommand(
        "rules", "List the measurement rules a camera sends, with their newest readings");
    auto rulesOptions = std::make_shared<RulesOptions>();
    AddConnectionOptions(*rules, tool);
    AddAddressPositional(*rules, tool);
    rules->add_option("-c,--channel", rulesOptions->channel, "Channel")->capture_default_str();
    rules->add_option("--for", rulesOptions->forText, "How long to listen for measurements")
        ->check(DurationValidator())
        ->capture_default_str();
    rules->callback([&tool, rulesOptions] {
        tool.run = [&tool, rulesOptions](Output& out) { return ListRules(out, tool, *rulesOptions); };
    });

    auto* record = thermo->add_subcommand(
        "record", "Record the thermometry of one or more cameras into a CSV file and/or a chart");
    auto options = std::make_shared<RecordOptions>();
    // (ORVANE_ADDRESS is read only when no address is given either way.)
    record->add_option("address", options->addressWords, "Camera addresses, as words (same as --address)");
    if (tool.shared == nullptr) {
        record
            ->add_option("-a,--address", options->addresses,
                         "Camera address (or ORVANE_ADDRESS); repeat it for several cameras")
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
        AddLoginOptions(*record, tool.connection);
    }
    record
        ->add_option("-c,--channel", options->channels,
                     "Channel (1): once for all cameras, or once per camera")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    record
        ->add_option("-d,--duration", options->durationText,
                     "How long to record (10m, 90s, 1h, ...); 0 or none: until Ctrl+C")
        ->check(DurationValidator(true));
    record->add_option("--rule", options->rules, "Record only this measurement rule; repeat it for several")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    record->add_option("--csv", options->csv, "CSV file to write (one row per measurement of a rule)");
    record->add_option("--plot", options->plot, "SVG chart, redrawn as the recording goes");
    auto* force = record->add_flag("--force", options->force, "Write over an existing CSV file and chart");
    record
        ->add_flag(
            "--append", options->append,
            "Add rows to an existing CSV file (header only for a new one); the chart shows the whole file")
        ->excludes(force);
    options->alarmAboveOption = record->add_option(
        "--alarm-above", options->alarmAbove,
        "Print an alarm when a rule's max (a point's reading) rises above this many °C (exit 5)");
    options->alarmBelowOption = record->add_option(
        "--alarm-below", options->alarmBelow,
        "Print an alarm when a rule's min (a point's reading) falls below this many °C (exit 5)");
    record->add_option("--interval", options->intervalText, "How often to poll for a new measurement")
        ->check(DurationValidator())
        ->capture_default_str();
    record->callback([&tool, options] {
        tool.run = [&tool, options](Output& out) { return Record(out, tool, *options); };
    });
}

}  // namespace orvane_cli
