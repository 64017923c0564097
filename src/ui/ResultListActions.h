#pragma once

#include "platform/Platform.h"
#include "player/PlayerCommands.h"
#include "ui/EventPump.h"
#include "ui/ResultListView.h"

#include <QObject>

#include <functional>
#include <string>

class QMenu;
class QWidget;

namespace liedspur {

// The keys, double-click and pop-up menus of the result list lv_1: they hand the
// selected row, or the whole list, to the player, in the mode of the rows they act on.
class ResultListActions : public QObject {
    Q_OBJECT

public:
    struct Context {
        ResultListView& list;
        // PlayerPath as it is now.
        std::function<std::string()> playerPath;
        // Focus to the search field with its whole text selected.
        std::function<void()> backToSearchField;
    };

    // The menus belong to `window`, where they can be found as "kontex" and "kontex_2".
    ResultListActions(Platform platform, Context context, QWidget* window);

    void lv_1_KeyPress(int KeyAscii);
    void lv_1_DblClick();
    void lv_1_MouseUp(Qt::MouseButton Button);

    // The program is ending: no more player starts.
    void close() { m_commands.close(); }

    QMenu& kontex() { return *m_kontex; }
    QMenu& kontex_2() { return *m_kontex_2; }

private:
    void buildMenus(QWidget* window);
    // Whether the list holds folder rows: a list holds rows of one kind, those of the mode
    // in which it was filled.
    bool holdsFolders() const;

    Context m_context;
    EventPump m_pump;
    PlayerCommands m_commands;
    QMenu* m_kontex = nullptr;
    QMenu* m_kontex_2 = nullptr;
};

} // namespace liedspur
