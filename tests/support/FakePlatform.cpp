#include "FakePlatform.h"

namespace liedspur::testing {

namespace {
MessageAnswer firstButton(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::Ok:
        return MessageAnswer::Ok;
    case MessageButtons::YesNo:
    case MessageButtons::YesNoCancel:
        return MessageAnswer::Yes;
    case MessageButtons::RetryCancel:
        return MessageAnswer::Retry;
    }
    return MessageAnswer::Ok;
}
} // namespace

MessageAnswer ScriptedDialogs::showMessage(const MessageRequest& request) {
    messages.push_back(request);
    if (onMessage)
        onMessage(request);
    if (m_messageAnswers.empty())
        return firstButton(request.buttons);
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

std::optional<std::string> RecordingProcessStarter::start(const LaunchRequest& request) {
    if (!failingProgram.empty() && request.program == failingProgram)
        return failure;
    started.push_back(request);
    return std::nullopt;
}

} // namespace liedspur::testing
