#pragma once

#include <string>
#include <vector>

namespace saver::bench {

// Runs a program found on PATH with `arguments` (the first is its name) and waits for it;
// a program that cannot start or exits with anything but 0 ends the benchmark.
void RunProgram(const std::vector<std::string>& arguments);

// Runs a program like RunProgram and returns what it wrote to its standard output.
std::string OutputOf(const std::vector<std::string>& arguments);

} // namespace saver::bench
