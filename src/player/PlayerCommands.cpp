#include "player/PlayerCommands.h"

#include "player/CommandLine.h"

namespace liedspur {

PlayerCommands::PlayerCommands(Platform platform, Context context)
    : m_platform(platform), m_context(std::move(context)),
      m_queue(platform.processes, m_context.yield) {}

Status PlayerCommands::startPlayCommand(std::string_view target) {
    return m_queue.start(playCommand(m_context.playerPath(), target).launch);
}

Status PlayerCommands::startAddCommand(std::string_view target) {
    return m_queue.start(addCommand(m_context.playerPath(), target).launch);
}

std::optional<ResultRow> PlayerCommands::selectedRow() const {
    if (m_context.list.count() == 0)
        return std::nullopt;
    return m_context.list.selectedRow();
}

void PlayerCommands::LiedAbspielen_Click() {
    if (m_context.list.count() == 0)
        return;
    const std::optional<ResultRow> row = m_context.list.selectedRow();
    const bool started =
        row &&
        startPlayCommand(row->kind() == RowKind::Folder ? row->folderTarget() : row->songTarget())
            .ok();
    if (!started && !closed())
        showStartFailure();
}

// The single-row commands other than "Song mit WinAmp Abspielen" skip a failed start
// silently.
void PlayerCommands::InWinAmpList_Click() {
    if (const std::optional<ResultRow> row = selectedRow(); row && row->kind() == RowKind::Song)
        startAddCommand(row->songTarget()).ignoreError();
}

void PlayerCommands::OpenMitAmp_Click() {
    if (const std::optional<ResultRow> row = selectedRow())
        startPlayCommand(row->folderTarget()).ignoreError();
}

void PlayerCommands::AlleInPlaylist_Click() {
    if (const std::optional<ResultRow> row = selectedRow())
        startAddCommand(row->folderTarget()).ignoreError();
}

void PlayerCommands::AlleInWinamp_Click() {
    startWholeList(true, OnFailure::ShowAndStop);
}

void PlayerCommands::ListeEinfügen_Click() {
    startWholeList(false, OnFailure::ShowAndStop);
}

void PlayerCommands::OpenInExplorer_Click() {
    if (const std::optional<ResultRow> row = selectedRow())
        m_platform.processes.start(explorerCommand(row->folder()).launch).ignoreError();
}

void PlayerCommands::startWholeList(bool replacePlaylist, OnFailure onFailure) {
    // The bound is read once; each row is read afresh, as a search during a yield may have
    // changed or cleared the list.
    const std::size_t count = m_context.list.count();
    for (std::size_t position = 1; position <= count && !closed(); ++position) {
        const std::optional<ResultRow> row = m_context.list.rowAt(position);
        if (!row || row->kind() != RowKind::Song)
            return;
        const bool play = replacePlaylist && position == 1;
        const Status started =
            play ? startPlayCommand(row->songTarget()) : startAddCommand(row->songTarget());
        if (!started && onFailure == OnFailure::ShowAndStop) {
            if (!closed())
                showStartFailure();
            return;
        }
        // No yield before the first add: the play command replaces the playlist first.
        if (!play && m_context.yield)
            m_context.yield();
    }
}

void PlayerCommands::showStartFailure() {
    m_platform.dialogs.showMessage({QStringLiteral("Fehler beim Starten von WinAmp"),
                                    QStringLiteral("Shell-Error"), MessageButtons::Ok,
                                    MessageIcon::Critical});
}

} // namespace liedspur
