#include "Samples.h"

#include "BenchFailure.h"

#include <algorithm>

namespace saver::bench {

double Samples::Median() const
{
    if (m_values.empty()) {
        throw BenchFailure("no samples were taken");
    }
    std::vector<double> sorted = m_values;
    std::sort(sorted.begin(), sorted.end());
    const std::size_t middle = sorted.size() / 2;
    return sorted.size() % 2 == 1 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

double Samples::Worst() const
{
    if (m_values.empty()) {
        throw BenchFailure("no samples were taken");
    }
    return *std::max_element(m_values.begin(), m_values.end());
}

} // namespace saver::bench
