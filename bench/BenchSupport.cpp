#include "BenchSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace liedspur::bench {
namespace {

using Clock = std::chrono::steady_clock;

// A field of /proc/self/status in kB, as bytes.
std::size_t statusBytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0)
            return std::stoull(line.substr(field.size() + 1)) * 1024;
    }
    return 0;
}

} // namespace

double medianSeconds(int runs, const std::function<void()>& work) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double medianCommandSeconds(int runs, const std::string& command, const std::string& outputFile) {
    const std::string quiet = command + " > '" + outputFile + "' 2>&1";
    return medianSeconds(runs, [&] {
        if (std::system(quiet.c_str()) == -1)
            std::fprintf(stderr, "cannot run: %s\n", command.c_str());
    });
}

std::size_t residentBytes() {
    return statusBytes("VmRSS");
}
std::size_t peakResidentBytes() {
    return statusBytes("VmHWM");
}
void resetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

ScratchDirectory::ScratchDirectory() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "liedspur-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()))
        m_path = pattern;
}

ScratchDirectory::~ScratchDirectory() {
    if (!m_path.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
}

void Report::add(std::string name, double value, int decimals) {
    std::ostringstream line;
    line.setf(std::ios::fixed);
    line.precision(decimals);
    line << name << ": " << value;
    m_lines.push_back(line.str());
}

void Report::print() const {
    for (const auto& line : m_lines)
        std::printf("%s\n", line.c_str());
}

} // namespace liedspur::bench
