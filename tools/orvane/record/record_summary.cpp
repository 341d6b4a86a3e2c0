#include "record/record_summary.hpp"

#include <cmath>

#include "library/text_encoding.hpp"
#include "render/output.hpp"

namespace orvane_cli {
namespace {

std::string Celsius(std::optional<double> value) { return value ? Decimal(*value, 2) + " °C" : "none"; }
std::string JsonNumber(std::optional<double> value) { return value ? Decimal(*value, 2) : "null"; }

}  // namespace

void RecordSummary::Add(const Measurement& m) {
    ++rows_;
    if (std::isfinite(m.High()) && (!peak_ || m.High() > peak_->High())) peak_ = m;
    if (std::isfinite(m.Low()) && (!min_ || m.Low() < *min_)) min_ = m.Low();
    if (std::isfinite(m.Mean())) {
        avgSum_ += m.Mean();
        ++avgCount_;
    }
}

std::optional<double> RecordSummary::PeakMax() const {
    if (!peak_) return std::nullopt;
    return peak_->High();
}

std::optional<double> RecordSummary::Mean() const {
    if (avgCount_ == 0) return std::nullopt;
    return avgSum_ / static_cast<double>(avgCount_);
}

std::string RecordSummary::Text() const {
    std::string text = std::to_string(rows_) + " rows; peak max " + Celsius(PeakMax());
    if (peak_) text += " at " + IsoDateTime(peak_->date, peak_->time);
    return text + "; min " + Celsius(min_) + "; mean " + Celsius(Mean());
}

std::vector<std::pair<std::string, std::string>> RecordSummary::JsonFields() const {
    return {
        {"rows", std::to_string(rows_)},
        {"peak_max", JsonNumber(PeakMax())},
        {"peak_time", peak_ ? JsonString(IsoDateTime(peak_->date, peak_->time)) : "null"},
        {"min", JsonNumber(min_)},
        {"mean", JsonNumber(Mean())},
    };
}

}  // namespace orvane_cli
