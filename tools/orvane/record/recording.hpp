// What the parts of thermo record share: the recording's state while it polls,
// and the steps before, during and after it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "commands/tool.hpp"
#include "library/camera_library.hpp"
#include "record/record_options.hpp"
#include "record/recorded_camera.hpp"
#include "render/chart_file.hpp"
#include "render/output.hpp"
#include "render/recording_file.hpp"
#include "render/svg_chart.hpp"

namespace orvane_cli {

class Progress;

// Everything a recording shares while it polls.
struct Recording {
    Output& out;
    const CameraLibrary& library;
    const RecordOptions& options;
    std::vector<RecordedCamera>& cameras;
    RecordingFile& csv;
    ChartData& chart;
    std::vector<std::string>& alarms;  // JSON objects
    std::size_t rows = 0;
};

// The cameras the options name: each address with its channel.
std::vector<RecordedCamera> CamerasOf(Output& out, const Tool& tool, const RecordOptions& options,
                                      int& status);
// The rows of a CSV appended to, for a chart of the whole file.
void ChartRowsOf(const std::string& csv, ChartData& chart);
// Opens the CSV (header only for a new or empty file) and the chart, before
// anything is recorded. kExitOk, or the failure's exit code after reporting it.
int OpenFiles(Output& out, const RecordOptions& options, RecordingFile& csv, ChartFile& chart,
              ChartData& data);

// Logs in to each camera (or takes the shell's login), records, and logs out
// of every camera it logged in to.
int RecordWithLogins(Recording& r, const Tool& tool, ChartFile& chartFile, CameraLibrary& library,
                     const std::string& password, bool& interrupted, bool& csvFailed);

// Rows of each new measurement the camera's latest view holds; false when the
// CSV cannot be written.
bool RecordRows(Recording& r, RecordedCamera& camera, Progress& progress);
// The channel's health for the live line and the summary, the camera's login
// when it is down.
std::string ChannelHealth(const RecordedCamera& camera);

std::string ChartTitle(const std::vector<RecordedCamera>& cameras, const std::vector<ChartSet>& sets);
ChartNotes NotesOf(const RecordOptions& options, const std::string& status);
// The final chart of what was recorded (and what the CSV held before).
int DrawChart(Output& out, const RecordOptions& options, const std::vector<RecordedCamera>& cameras,
              ChartData& data, ChartFile& chart, const std::string& status);
// The summary of each camera and rule, as lines and as the JSON "cameras".
void Summarise(Output& out, const std::vector<RecordedCamera>& cameras);

}  // namespace orvane_cli
