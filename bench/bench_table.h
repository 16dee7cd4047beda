#pragma once

#include <string>
#include <vector>

// Medians, spreads and table rows shared by the benchmarks. Every figure is
// measured in alternation with its yardstick, so each sample is one pair.

struct bench_summary_t {
    double median = 0;
    double spread = 0;  // interquartile range
};

bench_summary_t summarize(std::vector<double> samples);

// One markdown row: figure | Quillon median (spread) | yardstick | ratio | target.
void print_row(const std::string& figure, const bench_summary_t& quillon, const std::string& unit,
               const std::string& yardstick, const std::string& ratio, const std::string& target);

// With sign, positive values carry a "+".
std::string fixed(double value, int decimals, bool sign = false);
