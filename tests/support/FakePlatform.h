#pragma once

#include "platform/Platform.h"

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace liedspur::testing {

// Answers message boxes and file dialogs from a script and records what was asked.
class ScriptedDialogs : public Dialogs {
public:
    // What the next message box answers; without a script every box answers its first button.
    void answerNextMessage(MessageAnswer answer) { m_messageAnswers.push_back(answer); }
    // What the next file dialog returns (none: cancelled).
    void answerNextFileDialog(std::optional<std::string> path) {
        m_fileAnswers.push_back(std::move(path));
    }
    // Called while a message box is shown, as if the user did something meanwhile.
    std::function<void(const MessageRequest&)> onMessage;

    MessageAnswer showMessage(const MessageRequest& request) override;
    std::optional<std::string> showOpenFile(const FileDialogRequest& request) override;

    std::vector<MessageRequest> messages;
    std::vector<FileDialogRequest> fileDialogs;

private:
    std::deque<MessageAnswer> m_messageAnswers;
    std::deque<std::optional<std::string>> m_fileAnswers;
};

// Records every start instead of starting anything.
class RecordingProcessStarter : public ProcessStarter {
public:
    Status start(const LaunchRequest& request) override;
    bool waitForPlayerTurn(std::chrono::milliseconds limit) override;

    std::vector<LaunchRequest> started;
    // The starts that failed.
    std::vector<LaunchRequest> refused;
    // How long each player start holds the turn, as a player that takes its time would.
    std::chrono::milliseconds turn{0};
    // When set, starts of this program fail as a missing file does.
    std::string failingProgram;

private:
    std::chrono::steady_clock::time_point m_turnEnds;
};

class FakeSystem : public SystemServices {
public:
    std::string applicationDirectory() override { return appDirectory; }
    std::string shippedPlayer() override { return shippedPlayerPath; }
    bool isNetworkPresent() override { return networkPresent; }
    std::vector<Drive> drives() override { return {{"/", {}}}; }
    std::string networkFolder() override { return networkFolderPath; }
    void endProgram() override { ++endRequests; }

    std::string appDirectory;
    std::string shippedPlayerPath;
    bool networkPresent = false;
    std::string networkFolderPath = "/mnt/";
    int endRequests = 0;
};

// All three fakes together, handed out as the platform.
struct FakePlatform {
    ScriptedDialogs dialogs;
    RecordingProcessStarter processes;
    FakeSystem system;

    Platform platform() { return {dialogs, processes, system}; }
};

} // namespace liedspur::testing
