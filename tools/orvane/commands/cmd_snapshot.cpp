// orvane snapshot: a JPEG picture from a channel into a file.
#include <filesystem>
#include <memory>

#include "commands/exit_codes.hpp"
#include "commands/tool.hpp"
#include "render/recording_file.hpp"

namespace orvane_cli {
namespace {

struct SnapshotOptions {
    std::string file;
    int32_t channel = 1;
    bool force = false;
};

int Snapshot(Output& out, const Tool& tool, const SnapshotOptions& options) {
    // As a recording's files: refused before the login, and never silently replaced.
    std::string error;
    const ExistingFile policy = options.force ? ExistingFile::kOverwrite : ExistingFile::kRefuse;
    if (!RecordingFile::Permitted(options.file, policy, error)) {
        return out.Error(kExitFailed, options.file + " exists; give --force to write over it");
    }
    if (!RecordingFile::Writable(options.file, error)) return out.Error(kExitFailed, error);
    return WithLogin(out, tool, [&](CameraLibrary& library, int32_t userId) {
        out.Text("file", options.file);
        if (library.api().CamCapture(userId, options.channel, options.file.c_str(), 0) != 1) {
            return out.Fail(kExitFailed, "snapshot into " + options.file + " failed", library.LastFailure());
        }
        std::error_code error;
        const auto bytes = std::filesystem::file_size(options.file, error);
        if (!error) out.Integer("bytes", static_cast<int64_t>(bytes));
        out.Line("Snapshot written to " + options.file +
                 (error ? "" : " (" + std::to_string(bytes) + " bytes)"));
        return static_cast<int>(kExitOk);
    });
}

}  // namespace

void AddSnapshotCommand(CLI::App& app, Tool& tool) {
    auto* snapshot = app.add_subcommand("snapshot", "Save a JPEG snapshot of a channel");
    auto options = std::make_shared<SnapshotOptions>();
    AddConnectionOptions(*snapshot, tool);
    AddLeadingAddress(*snapshot, tool);
    snapshot->add_option("file", options->file, "JPEG file to write")->required();
    snapshot->add_option("-c,--channel", options->channel, "Channel")->capture_default_str();
    snapshot->add_flag("--force", options->force, "Write over an existing file");
    snapshot->callback([&tool, options] {
        tool.run = [&tool, options](Output& out) { return Snapshot(out, tool, *options); };
    });
}

}  // namespace orvane_cli
