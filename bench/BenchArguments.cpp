#include "BenchArguments.h"

#include "BenchFailure.h"

namespace saver::bench {

BenchArguments::BenchArguments(int argc, char** argv, int first)
{
    for (int i = first; i < argc; i += 2) {
        const std::string name = argv[i];
        if (name.rfind("--", 0) != 0 || i + 1 >= argc) {
            throw BenchFailure("expected --name value, found " + name);
        }
        m_values.emplace(name.substr(2), argv[i + 1]);
    }
}

std::string BenchArguments::Text(const std::string& name) const
{
    const auto found = m_values.find(name);
    if (found == m_values.end()) {
        throw BenchFailure("missing --" + name);
    }
    return found->second;
}

std::vector<std::string> BenchArguments::All(const std::string& name) const
{
    std::vector<std::string> values;
    const auto [begin, end] = m_values.equal_range(name);
    for (auto it = begin; it != end; ++it) {
        values.push_back(it->second);
    }
    return values;
}

int BenchArguments::Number(const std::string& name, int otherwise) const
{
    return m_values.count(name) ? std::stoi(Text(name)) : otherwise;
}

double BenchArguments::Real(const std::string& name, double otherwise) const
{
    return m_values.count(name) ? std::stod(Text(name)) : otherwise;
}

} // namespace saver::bench
