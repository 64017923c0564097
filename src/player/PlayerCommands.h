#pragma once

#include "base/Yield.h"
#include "platform/Platform.h"
#include "player/StartQueue.h"
#include "search/ResultList.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace liedspur {

// The seven commands of the result list's pop-up menus, which hand songs and folders to
// the player or open a folder in the file manager. Each takes the mode from the rows it acts
// on, song rows or folder rows, so that rows and mode always agree.
class PlayerCommands {
public:
    struct Context {
        const ResultList& list;
        // PlayerPath as it is now: the player's path and one blank.
        std::function<std::string()> playerPath;
        // Lets pending window events run between the starts of a long list and while a
        // start waits for the player's turn.
        Yield yield;
    };

    PlayerCommands(Platform platform, Context context);

    void LiedAbspielen_Click();
    void InWinAmpList_Click();
    void OpenMitAmp_Click();
    void AlleInPlaylist_Click();
    void AlleInWinamp_Click();
    void ListeEinfügen_Click();
    void OpenInExplorer_Click();

    // Single starts for the list's keys, which never show a message.
    Status startPlayCommand(std::string_view target);
    Status startAddCommand(std::string_view target);

    // What the whole list does with a row that cannot be started: the "+" key leaves it out
    // and goes on, the complete-list commands say so once and stop.
    enum class OnFailure { Skip, ShowAndStop };
    // Every row of the list in order: a play command for row 1 when `replacePlaylist`,
    // else an add command, and add commands for the rest. Song rows only: a list that
    // holds folder rows, or comes to hold them meanwhile, ends it.
    void startWholeList(bool replacePlaylist, OnFailure onFailure);

    // The program is ending: player starts still waiting are dropped, loops over the list
    // stop, and nothing more is started or reported.
    void close() { m_queue.close(); }
    bool closed() const { return m_queue.closed(); }

private:
    void showStartFailure();
    // The selected row; none in an empty list, whatever the view says.
    std::optional<ResultRow> selectedRow() const;

    Platform m_platform;
    Context m_context;
    StartQueue m_queue;
};

} // namespace liedspur
