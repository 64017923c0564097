#pragma once

class QCoreApplication;

namespace liedspur {

// Loads Qt's German texts (buttons of message boxes and file dialogs), since the whole
// program speaks German whatever the user's locale. Returns whether they were found.
bool installGermanTranslations(QCoreApplication& application);

} // namespace liedspur
