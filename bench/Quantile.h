#pragma once

#include <algorithm>
#include <vector>

namespace ovisu::bench {

// The value at fraction q (0 the smallest, 1 the largest) of the sorted values, to the nearest
// rank; 0 for no values.
inline double quantile(std::vector<double> values, double q) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[size_t(q * double(values.size() - 1) + 0.5)];
}

}  // namespace ovisu::bench
