#include "render/output.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "library/camera_library.hpp"
#include "library/text_encoding.hpp"
#include "platform/terminal.hpp"

namespace orvane_cli {

std::string Decimal(double value, int decimals) {
    if (!std::isfinite(value)) return std::isnan(value) ? "nan" : (value > 0 ? "inf" : "-inf");
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return std::string(buffer, result.ptr);
}

void Output::Line(const std::string& text) const {
    if (level_ != OutputLevel::kQuiet) Notice(text);
}

void Output::LineAfterInterrupt(const std::string& text) const {
    Line(platform::StdoutIsTerminal() ? "\n" + text : text);
}

void Output::Detail(const std::string& text) const {
    if (level_ == OutputLevel::kVerbose) Notice(text);
}

void Output::Notice(const std::string& text) const {
    if (json_) return;
    platform::WriteText(stdout, text + "\n");
}

void Output::Warn(const std::string& text) const { platform::WriteText(stderr, "orvane: " + text + "\n"); }

int Output::Error(int exitCode, const std::string& message) {
    if (!failed_) {
        Text("error", message);
        failed_ = true;
    }
    Warn(message);
    return exitCode;
}

int Output::Interrupted(int exitCode) {
    if (!failed_) {
        Text("error", "interrupted");
        failed_ = true;
    }
    return exitCode;
}

void Output::Text(const std::string& key, const std::string& value) { Raw(key, JsonString(value)); }

void Output::Number(const std::string& key, double value) {
    Raw(key, std::isfinite(value) ? Decimal(value, 2) : "null");
}

void Output::Integer(const std::string& key, int64_t value) { Raw(key, std::to_string(value)); }

void Output::Flag(const std::string& key, bool value) { Raw(key, value ? "true" : "false"); }

void Output::Raw(const std::string& key, std::string jsonLiteral) {
    for (auto& field : fields_) {
        if (field.first == key) {
            field.second = std::move(jsonLiteral);
            return;
        }
    }
    fields_.emplace_back(key, std::move(jsonLiteral));
}

std::string FailureLine(const LibraryFailure& failure) {
    if (failure.text.empty()) return "(the library recorded no failure text)";
    return "error " + std::to_string(failure.code) + ": " + failure.english + " (" + failure.text + ")";
}

int Output::Fail(int exitCode, const std::string& message, const LibraryFailure& failure) {
    // The first failure is the cause; later ones (a logout after it) only add to it.
    if (!failed_) {
        Text("error", message);
        Integer("failure_code", failure.code);
        Text("failure_text", failure.text);
        Text("failure_text_en", failure.english);
        if (failureTextAvailable_) Flag("failure_text_available", *failureTextAvailable_);
        failed_ = true;
    }
    Warn(message + ": " + FailureLine(failure));
    return exitCode;
}

int Output::Finish(int exitCode) {
    if (json_) {
        Flag("ok", exitCode == 0);
        Integer("exit_code", exitCode);
        if (exitCode != 0 && !failed_) Text("error", "failed with exit code " + std::to_string(exitCode));
        platform::WriteText(stdout, Object(fields_) + "\n");
    }
    return exitCode;
}

std::string Output::Object(const std::vector<std::pair<std::string, std::string>>& fields) {
    std::string out = "{";
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i != 0) out += ", ";
        out += JsonString(fields[i].first) + ": " + fields[i].second;
    }
    return out + "}";
}

}  // namespace orvane_cli
