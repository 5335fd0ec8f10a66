#pragma once

#include <map>
#include <string>
#include <vector>

namespace saver::bench {

// "--name value" pairs after the command word; a name may be given more than once.
class BenchArguments
{
public:
    BenchArguments(int argc, char** argv, int first);

    std::string Text(const std::string& name) const;
    std::vector<std::string> All(const std::string& name) const;
    int Number(const std::string& name, int otherwise) const;
    double Real(const std::string& name, double otherwise) const;

private:
    std::multimap<std::string, std::string> m_values;
};

} // namespace saver::bench
