// What a command reports: readable lines as it goes, or with --json one JSON
// object at the end holding the same facts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orvane_cli {

struct LibraryFailure;

// "error N: <English> (<library's text>)", the one form of a failure's cause.
std::string FailureLine(const LibraryFailure& failure);

// How much readable text a command prints: --quiet only what must be seen
// (alarms, warnings, failures), --verbose also the details of each step.
enum class OutputLevel { kQuiet, kNormal, kVerbose };

class Output {
public:
    explicit Output(bool json, OutputLevel level = OutputLevel::kNormal) : json_(json), level_(level) {}
    bool json() const { return json_; }
    OutputLevel level() const { return level_; }

    // A readable line on standard output (not in JSON mode, not when quiet).
    void Line(const std::string& text) const;
    // A Line that follows Ctrl+C: on a terminal, which has echoed ^C where the
    // cursor stood (after a prompt, say), it starts on a line of its own.
    void LineAfterInterrupt(const std::string& text) const;
    // A line only --verbose shows.
    void Detail(const std::string& text) const;
    // A line on standard output that even --quiet shows (not in JSON mode).
    void Notice(const std::string& text) const;
    // A warning on standard error, in both modes.
    void Warn(const std::string& text) const;
    // Reports a failure that has no library failure text behind it (bad
    // arguments, a file): the message on standard error and as the "error"
    // field. Returns exitCode.
    int Error(int exitCode, const std::string& message);

    // Reports that Ctrl+C cut the command short (its own lines have said how it
    // ended): the "error" field unless a failure came first. Returns exitCode.
    int Interrupted(int exitCode);

    // Fields of the JSON object; values are kept as JSON literals.
    void Text(const std::string& key, const std::string& value);
    void Number(const std::string& key, double value);
    void Integer(const std::string& key, int64_t value);
    void Flag(const std::string& key, bool value);
    void Raw(const std::string& key, std::string jsonLiteral);

    // Reports a failure: the message and the library's failure (FailureLine) on
    // standard error, and as the JSON fields error, failure_code, failure_text
    // and failure_text_en. Returns exitCode.
    int Fail(int exitCode, const std::string& message, const LibraryFailure& failure);
    // Whether the loaded library gives failure texts: in the JSON beside a
    // library failure only, so that it never suggests one that did not happen.
    void SetFailureTextAvailable(bool available) { failureTextAvailable_ = available; }
    // Ends the command: prints the JSON object (when asked for) and returns exitCode.
    // A failure always carries an "error" field.
    int Finish(int exitCode);

    // A JSON object literal of the fields so far, for nesting.
    static std::string Object(const std::vector<std::pair<std::string, std::string>>& fields);

private:
    bool json_;
    OutputLevel level_;
    bool failed_ = false;
    std::optional<bool> failureTextAvailable_;  // known once the library is loaded
    std::vector<std::pair<std::string, std::string>> fields_;
};

// A number with a fixed count of decimals, the same on every platform.
std::string Decimal(double value, int decimals);

}  // namespace orvane_cli
