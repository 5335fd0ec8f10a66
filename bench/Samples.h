#pragma once

#include <vector>

namespace saver::bench {

// Repeated timings of one thing, in seconds. Medians are reported: a single run disturbed
// by the machine's other work does not move them.
class Samples
{
public:
    void Add(double seconds) { m_values.push_back(seconds); }
    bool Empty() const { return m_values.empty(); }
    std::size_t Count() const { return m_values.size(); }
    double Median() const;
    double Worst() const;
    double Last() const { return m_values.back(); }

private:
    std::vector<double> m_values;
};

} // namespace saver::bench
