#pragma once

#include "platform/Platform.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace liedspur::bench {

// Answers every message with OK, or, where a benchmark expects none, says which one came
// and stops: the figures would be wrong.
class BenchDialogs : public Dialogs {
public:
    explicit BenchDialogs(bool messagesExpected) : m_messagesExpected(messagesExpected) {}
    MessageAnswer showMessage(const MessageRequest& request) override {
        if (m_messagesExpected)
            return MessageAnswer::Ok;
        std::fprintf(stderr, "unexpected message: %s\n", request.text.toUtf8().constData());
        std::exit(1);
    }
    std::optional<std::string> showOpenFile(const FileDialogRequest&) override { return {}; }

private:
    bool m_messagesExpected;
};

class NoProcesses : public ProcessStarter {
public:
    Status start(const LaunchRequest&) override { return success(); }
};

class BenchSystem : public SystemServices {
public:
    explicit BenchSystem(std::string directory) : m_directory(std::move(directory)) {}
    std::string applicationDirectory() override { return m_directory; }
    std::string shippedPlayer() override { return {}; }
    bool isNetworkPresent() override { return false; }
    std::vector<Drive> drives() override { return {{"/", {}}}; }
    std::string networkFolder() override { return "/mnt/"; }
    void endProgram() override { std::exit(1); }

private:
    std::string m_directory;
};

// Dialogs, process starts and system services for a window driven by a benchmark.
struct BenchPlatform {
    BenchPlatform(std::string directory, bool messagesExpected)
        : dialogs(messagesExpected), system(std::move(directory)) {}
    Platform platform() { return {dialogs, processes, system}; }

    BenchDialogs dialogs;
    NoProcesses processes;
    BenchSystem system;
};

} // namespace liedspur::bench
