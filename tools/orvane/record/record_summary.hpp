// What a recording found, per camera and rule: rows, the peak max and when it
// came, the lowest min and the mean of the averages (a point rule's reading
// counting as all three).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "library/measurement.hpp"

namespace orvane_cli {

class RecordSummary {
public:
    void Add(const Measurement& m);

    std::size_t rows() const { return rows_; }
    // Readable: "12 rows; peak max 39.48 °C at 2026-12-07T14:03:05; min 20.51 °C; mean 29.97 °C".
    std::string Text() const;
    // rows, peak_max, peak_time, min and mean as JSON fields (null for what no
    // finite reading gave).
    std::vector<std::pair<std::string, std::string>> JsonFields() const;

private:
    std::optional<double> PeakMax() const;
    std::optional<double> Mean() const;

    std::size_t rows_ = 0;
    std::optional<Measurement> peak_;
    std::optional<double> min_;
    double avgSum_ = 0;
    std::size_t avgCount_ = 0;
};

}  // namespace orvane_cli
