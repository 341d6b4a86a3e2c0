// Before a recording: the cameras the options name and the files it writes.
#include <cstdlib>
#include <fstream>
#include <set>

#include "commands/argument_checks.hpp"
#include "commands/exit_codes.hpp"
#include "library/text_encoding.hpp"
#include "record/recording.hpp"

namespace orvane_cli {

std::vector<RecordedCamera> CamerasOf(Output& out, const Tool& tool, const RecordOptions& options,
                                      int& status) {
    // Each address is checked before any other use, so that no message shows bytes the check refuses.
    const auto refused = [&](const char* option, const std::vector<std::string>& given) {
        for (const std::string& address : given) {
            const std::string problem = CameraAddressProblem(option, address);
            if (!problem.empty()) {
                status = out.Error(kExitUsage, problem);
                return true;
            }
        }
        return false;
    };
    if (refused("address", options.addressWords) || refused("--address", options.addresses)) return {};
    std::vector<std::string> addresses = options.addressWords;
    addresses.insert(addresses.end(), options.addresses.begin(), options.addresses.end());
    const char* fromEnvironment = std::getenv("ORVANE_ADDRESS");
    if (addresses.empty() && fromEnvironment != nullptr && *fromEnvironment != '\0') {
        addresses = {fromEnvironment};
        // A session records its own camera, whatever the environment says.
        if (tool.shared == nullptr && refused("ORVANE_ADDRESS", addresses)) return {};
    }
    if (tool.shared != nullptr) {
        // A session records its own camera: address words may name it (once
        // per channel, as on the command line), no other.
        for (const std::string& word : options.addressWords) {
            const std::string problem = tool.shared->AddressProblem(word);
            if (!problem.empty()) {
                status = out.Error(kExitUsage, problem);
                return {};
            }
        }
        if (options.addressWords.empty()) addresses = {tool.shared->address};
    }
    std::vector<RecordedCamera> cameras;
    if (addresses.empty()) {
        status =
            out.Error(kExitUsage, "no camera address: give --address (or ORVANE_ADDRESS), once per camera");
        return cameras;
    }
    const auto& channels = options.channels;
    if (channels.size() > 1 && channels.size() != addresses.size()) {
        status = out.Error(kExitUsage, "give --channel once for all cameras or once per camera (" +
                                           std::to_string(addresses.size()) + " cameras, " +
                                           std::to_string(channels.size()) + " channels)");
        return {};
    }
    for (const int32_t rule : options.rules) {
        if (rule < 0 || rule > 255) {
            status = out.Error(kExitUsage, "--rule " + std::to_string(rule) + " is not a rule ID (0 to 255)");
            return {};
        }
    }
    std::set<std::pair<std::string, int32_t>> seen;
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        const int32_t channel = channels.empty() ? 1 : channels.size() == 1 ? channels[0] : channels[i];
        if (!seen.emplace(addresses[i], channel).second) {
            status = out.Error(kExitUsage,
                               addresses[i] + " channel " + std::to_string(channel) + " is named twice");
            return {};
        }
        RecordedCamera camera;
        camera.address = addresses[i];
        camera.channel = channel;
        cameras.push_back(std::move(camera));
    }
    return cameras;
}

// The rows of a CSV appended to, for a chart of the whole file.
void ChartRowsOf(const std::string& csv, ChartData& chart) {
    std::ifstream in(csv, std::ios::binary);
    std::string line;
    std::getline(in, line);  // the header
    CsvRecord record;
    while (std::getline(in, line)) {
        if (!ParseCsvRow(line, record)) continue;
        chart.Of(RuleLabel(record.camera, record.channel, record.measurement), record.measurement.IsPoint())
            .measurements.push_back(record.measurement);
    }
}

// Opens the CSV (header only for a new or empty file) and the chart, before
// anything is recorded. kExitOk, or the failure's exit code after reporting it.
int OpenFiles(Output& out, const RecordOptions& options, RecordingFile& csv, ChartFile& chart,
              ChartData& data) {
    std::string error;
    if (!options.csv.empty()) {
        if (!csv.Open(options.csv, options.policy(), error)) return out.Error(kExitFailed, error);
        if (csv.hadContent() && csv.firstLine() != kCsvHeader) {
            csv.Close();
            return out.Error(kExitFailed,
                             options.csv + " has other columns than " + kCsvHeader + "; not appending to it");
        }
        if (csv.hadContent() && !options.plot.empty()) ChartRowsOf(options.csv, data);
        if (!csv.hadContent() && !csv.Write(std::string(kCsvHeader) + "\n")) {
            return out.Error(kExitFailed, "writing " + options.csv + " failed");
        }
    }
    // A chart cannot be appended to: --append, like --force, lets it be replaced.
    const ExistingFile chartPolicy =
        options.policy() == ExistingFile::kRefuse ? ExistingFile::kRefuse : ExistingFile::kOverwrite;
    if (!options.plot.empty() && !chart.Open(options.plot, chartPolicy, error)) {
        csv.Discard();
        return out.Error(kExitFailed, error);
    }
    return kExitOk;
}

}  // namespace orvane_cli
