#include "bench/bench_table.h"

#include <algorithm>
#include <cstdio>

namespace {

// Linear interpolation between the closest ranks; samples sorted, not empty.
double quantile(const std::vector<double>& sorted, double q) {
    const double at = q * double(sorted.size() - 1);
    const size_t below = size_t(at);
    const size_t above = std::min(below + 1, sorted.size() - 1);
    return sorted[below] + (at - double(below)) * (sorted[above] - sorted[below]);
}

}  // namespace

bench_summary_t summarize(std::vector<double> samples) {
    if (samples.empty()) {
        return {};
    }
    std::sort(samples.begin(), samples.end());
    return {quantile(samples, 0.5), quantile(samples, 0.75) - quantile(samples, 0.25)};
}

std::string fixed(double value, int decimals, bool sign) {
    char text[64];
    std::snprintf(text, sizeof text, sign ? "%+.*f" : "%.*f", decimals, value);
    return text;
}

void print_row(const std::string& figure, const bench_summary_t& quillon, const std::string& unit,
               const std::string& yardstick, const std::string& ratio, const std::string& target) {
    const int decimals = quillon.median >= 100 ? 0 : quillon.median >= 10 ? 1 : 2;
    std::printf("| %s | %s %s (IQR %s) | %s | %s | %s |\n", figure.c_str(),
                fixed(quillon.median, decimals).c_str(), unit.c_str(),
                fixed(quillon.spread, decimals).c_str(), yardstick.c_str(), ratio.c_str(),
                target.c_str());
    std::fflush(stdout);
}
