#pragma once

#include <QCoreApplication>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <sys/types.h>
#include <thread>
#include <unistd.h>

namespace liedspur::testing {

// Whether `condition` holds within `timeout`; the program's events run meanwhile.
inline bool eventually(const std::function<bool()>& condition,
                       std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

struct ProcessStatus {
    std::string command;
    char state = 0; // 'Z' once it has ended and its parent has not reaped it
    pid_t parent = 0;
};

// What /proc says of a process; none when it is gone.
inline std::optional<ProcessStatus> processStatus(const std::string& pid) {
    std::ifstream stat("/proc/" + pid + "/stat");
    std::string line;
    std::getline(stat, line);
    const auto open = line.find('('), close = line.rfind(')');
    if (open == line.npos || close == line.npos || close < open)
        return std::nullopt;
    ProcessStatus status;
    status.command = line.substr(open + 1, close - open - 1);
    std::istringstream(line.substr(close + 1)) >> status.state >> status.parent;
    return status;
}

// This process's children under this command name, those ended but not reaped counted or not.
inline int childrenNamed(const std::string& command, bool countEnded) {
    int children = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const auto status = processStatus(entry.path().filename().string());
        children += status && status->parent == ::getpid() && status->command == command &&
                    (countEnded || status->state != 'Z');
    }
    return children;
}

} // namespace liedspur::testing
