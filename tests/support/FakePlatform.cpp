#include "FakePlatform.h"

#include <algorithm>
#include <thread>

namespace liedspur::testing {

MessageAnswer ScriptedDialogs::showMessage(const MessageRequest& request) {
    messages.push_back(request);
    if (onMessage)
        onMessage(request);
    if (m_messageAnswers.empty())
        return request.buttons == MessageButtons::Ok            ? MessageAnswer::Ok
               : request.buttons == MessageButtons::RetryCancel ? MessageAnswer::Retry
                                                                : MessageAnswer::Yes;
    const MessageAnswer answer = m_messageAnswers.front();
    m_messageAnswers.pop_front();
    return answer;
}

std::optional<std::string> ScriptedDialogs::showOpenFile(const FileDialogRequest& request) {
    fileDialogs.push_back(request);
    if (m_fileAnswers.empty())
        return std::nullopt;
    auto answer = std::move(m_fileAnswers.front());
    m_fileAnswers.pop_front();
    return answer;
}

Status RecordingProcessStarter::start(const LaunchRequest& request) {
    if (request.target == LaunchRequest::Target::Player)
        while (!waitForPlayerTurn(turn)) {
        }
    if (!failingProgram.empty() && request.program == failingProgram) {
        refused.push_back(request);
        return Error{"Datei oder Verzeichnis nicht gefunden"};
    }
    if (request.target == LaunchRequest::Target::Player)
        m_turnEnds = std::chrono::steady_clock::now() + turn;
    started.push_back(request);
    return success();
}

bool RecordingProcessStarter::waitForPlayerTurn(std::chrono::milliseconds limit) {
    const auto now = std::chrono::steady_clock::now();
    std::this_thread::sleep_until(std::min(m_turnEnds, now + limit));
    return std::chrono::steady_clock::now() >= m_turnEnds;
}

} // namespace liedspur::testing
