#pragma once

#include <QString>

#include <optional>
#include <string>

namespace liedspur {

enum class MessageIcon { None, Information, Critical };
enum class MessageButtons { Ok, YesNo, YesNoCancel, RetryCancel };
// Closing a box without a button counts as its Cancel (or as OK where it has only that).
enum class MessageAnswer { Ok, Yes, No, Cancel, Retry };

struct MessageRequest {
    QString text;
    QString title;
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::None;

    bool operator==(const MessageRequest&) const = default;
};

struct FileDialogRequest {
    QString title;
    // One filter entry: its label and the file name it shows (letter case ignored);
    // an empty name shows every file.
    QString filterLabel;
    QString filterFileName;
    std::string initialFolder;
    // The file name shown when the dialog opens.
    std::string fileName;
    // Whether a name that does not exist may be confirmed.
    bool acceptNonExisting = false;
};

// Every modal message box and file dialog of the program, so that tests can answer them.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    virtual MessageAnswer showMessage(const MessageRequest& request) = 0;
    // The full path confirmed by the user, or none when the dialog was cancelled.
    virtual std::optional<std::string> showOpenFile(const FileDialogRequest& request) = 0;
};

} // namespace liedspur
