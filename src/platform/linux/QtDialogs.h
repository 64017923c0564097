#pragma once

#include "platform/Dialogs.h"

namespace liedspur {

// Message boxes and file dialogs as Qt widgets, modal over the program's active window.
class QtDialogs : public Dialogs {
public:
    MessageAnswer showMessage(const MessageRequest& request) override;
    std::optional<std::string> showOpenFile(const FileDialogRequest& request) override;
};

} // namespace liedspur
