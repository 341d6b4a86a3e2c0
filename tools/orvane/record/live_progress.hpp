#pragma once

#include <optional>
#include <string>
#include <vector>

#include "clock/duration.hpp"
#include "platform/terminal.hpp"
#include "record/recorded_camera.hpp"
#include "render/output.hpp"

namespace orvane_cli {

// The live view: on a terminal one line per camera and rule (and one per camera
// that has sent nothing yet) under a line with the time, redrawn in place;
// plain lines otherwise.
class Progress {
public:
    Progress(const Output& out, std::optional<Milliseconds> duration, bool labelled)
        : out_(out),
          duration_(duration),
          labelled_(labelled),
          terminal_(!out.json() && out.level() != OutputLevel::kQuiet && platform::StdoutIsTerminal()) {}

    // A new measurement of one of the camera's rules (plain lines only).
    void Measured(const RecordedCamera& camera, const Measurement& m) {
        if (terminal_) return;
        out_.Line((labelled_ ? camera.Label() + "  " : "") + IsoDateTime(m.date, m.time) + "  rule " +
                  std::to_string(m.rule) + " " + RuleTypeName(m.type) + "  " + Readings(m));
    }
    // The camera's health after a poll (plain lines say when its kind changes).
    void Health(RecordedCamera& camera, const std::string& health) {
        camera.health = health;
        if (!terminal_ && Kind(health) != Kind(camera.lastHealth)) {
            out_.Line((labelled_ ? camera.Label() + "  " : "") + "subscription: " + health);
        }
        camera.lastHealth = health;
    }
    // Redraws the terminal's lines after a round of polls.
    void Draw(Milliseconds elapsed, const std::vector<RecordedCamera>& cameras, std::size_t rows) {
        if (!terminal_) return;
        std::vector<std::string> lines{"[" + ClockText(elapsed) +
                                       (duration_ ? " / " + ClockText(*duration_) : " (Ctrl+C ends it)") +
                                       "] " + std::to_string(rows) + " rows"};
        for (const RecordedCamera& camera : cameras) {
            const int64_t missed = camera.missed;
            const std::string tail =
                (missed != 0 ? "  (" + std::to_string(missed) + " missed)" : "") + "  " + camera.health;
            if (camera.rules.empty()) lines.push_back("  " + camera.Label() + "  no measurement yet" + tail);
            for (const auto& [id, rule] : camera.rules) {
                const Measurement& m = *rule.newest;
                // A reading the camera no longer sends says how old it is.
                const std::string age =
                    rule.current || !camera.view.secondsSinceData
                        ? ""
                        : "  stale, " + std::to_string(static_cast<int64_t>(*camera.view.secondsSinceData)) +
                              " s old";
                lines.push_back("  " + RuleLabel(camera.address, camera.channel, m) + "  " + Readings(m) +
                                "  " + ClockOfDay(SecondsSince2000(m.date, m.time)) + age + tail);
            }
        }
        platform::RewriteLines(drawn_, lines);
        drawn_ = lines.size();
    }
    // Before any other line, so that it does not land on the live lines.
    void Break() {
        if (drawn_ != 0) platform::WriteText(stdout, "\n");
        drawn_ = 0;
    }

private:
    // The health without its numbers: plain lines say when it changes, not
    // every second that the silence grows.
    static std::string Kind(const std::string& health) {
        return health.substr(0, health.find_first_of("0123456789"));
    }

    const Output& out_;
    std::optional<Milliseconds> duration_;
    bool labelled_;
    bool terminal_;
    std::size_t drawn_ = 0;
};

}  // namespace orvane_cli
