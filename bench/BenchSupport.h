#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace liedspur::bench {

// The median wall time of `runs` calls, in seconds.
double medianSeconds(int runs, const std::function<void()>& work);

// Runs a command line through the shell and returns its median time. The output goes to
// `outputFile`: some tools stop at the first hit when they see it going to /dev/null.
double medianCommandSeconds(int runs, const std::string& command, const std::string& outputFile);

// The process's resident and peak resident memory, in bytes.
std::size_t residentBytes();
std::size_t peakResidentBytes();
// Peak memory counts from here on (Linux 4.0 and later).
void resetPeakMemory();

// A fresh directory under the system's temporary folder, removed with the object.
class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// Figures are printed last, one per line, as "name: value".
class Report {
public:
    void add(std::string name, double value, int decimals = 3);
    void print() const;

private:
    std::vector<std::string> m_lines;
};

} // namespace liedspur::bench
