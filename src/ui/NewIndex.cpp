#include "ui/NewIndex.h"

#include "base/DisplayText.h"
#include "index/IndexRun.h"
#include "index/IndexSaver.h"
#include "ui/FolderList.h"
#include "ui/FoundSongsModel.h"
#include "ui/Frame.h"
#include "ui/Place.h"
#include "ui/Twips.h"
#include "ui/UiFont.h"
#include "ui/WindowIcon.h"
#include "ui/WindowSystem.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace liedspur {

namespace {

const char* const tempFileErrorTail = " beim erstellen/schreiben der Temp-Datei !";
const char* const indexFileErrorTail = " beim erstellen/schreiben der Index-Datei !";
const char* const networkFileName = "Bitte Nicht Ändern !";
constexpr std::size_t networkFileNameCharacters = 20;

QPushButton* button(QWidget* parent, const char* name, const char* caption, QRect twips,
                    const char* toolTip = nullptr) {
    auto* result = place(new QPushButton(QString::fromUtf8(caption), parent), name, twips);
    if (toolTip)
        result->setToolTip(QString::fromUtf8(toolTip));
    return result;
}

QLineEdit* statusField(QWidget* parent, const char* name, QRect twips, const char* toolTip) {
    auto* field = place(new QLineEdit(parent), name, twips);
    field->setReadOnly(true);
    field->setToolTip(QString::fromUtf8(toolTip));
    return field;
}

// The bytes of `path` less its last `count` UTF-8 characters, or none when it is shorter.
std::optional<std::string> withoutLastCharacters(const std::string& path, std::size_t count) {
    std::size_t end = path.size();
    std::size_t cut = 0;
    while (cut < count && end > 0) {
        --end;
        if ((static_cast<unsigned char>(path[end]) & 0xC0) != 0x80)
            ++cut;
    }
    if (cut < count)
        return std::nullopt;
    return path.substr(0, end);
}

} // namespace

NewIndex::NewIndex(Platform platform, QWidget* parent) : QDialog(parent), m_platform(platform) {
    setObjectName(QStringLiteral("NewIndex"));
    setWindowTitle(QStringLiteral("Index-Erstellen"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setWindowIcon(QIcon(windowIconPixmap()));
    setFont(dialogFont());
    setModal(true);
    setFixedSize(twipsSize(11640, 7140));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        centreFrame(*this, screen->availableGeometry());
    createElements();
    Form_Load();
}

NewIndex::~NewIndex() = default;

void NewIndex::createElements() {
    Frame1 = new Frame("Frame1", QStringLiteral(" Bitte Laufwerk und Ordner auswählen "), this,
                       twipsRect(173, 120, 4095, 4935));
    Drive_Index = place(new QComboBox(Frame1), "Drive_Index", {240, 240, 3615, 315});
    Dir_index = place(new FolderList(Frame1), "Dir_index", {240, 720, 3615, 3240});
    chk_MitOrdner = place(new QCheckBox(QStringLiteral("Unterverzeichnisse mit Einlesen"), Frame1),
                          "chk_MitOrdner", {780, 4560, 2535, 255});
    chk_MitOrdner->setChecked(true);
    cmd_net = button(Frame1, "cmd_net", "&Netzwerk", {1260, 4080, 1575, 375});
    cmd_net->setEnabled(false);

    Frame3 = new Frame("Frame3", QStringLiteral(" Mp3-Files Status: "), this,
                       twipsRect(4613, 120, 6855, 4935));
    lbl_files = place(new QLabel(QStringLiteral("Gefundene Files: "), Frame3), "lbl_files",
                      {240, 240, 1245, 195});
    lbl_ordner = place(new QLabel(QStringLiteral("Anzahl untersuchte Ordner:"), Frame3),
                       "lbl_ordner", {3360, 240, 1935, 195});
    lbl_files->adjustSize();
    lbl_ordner->adjustSize();
    lst_GefundeneFiles = place(new QListView(Frame3), "lst_GefundeneFiles", {240, 600, 6375, 4155});
    lst_GefundeneFiles->setToolTip(QStringLiteral("Gefundene Mp3-Files !"));
    lst_GefundeneFiles->setUniformItemSizes(true);
    lst_GefundeneFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_foundSongs = new FoundSongsModel(this);
    lst_GefundeneFiles->setModel(m_foundSongs);

    frame2 = new Frame("frame2", QStringLiteral(" Status beim Einlesen der Mp3-Files "), this,
                       twipsRect(173, 5160, 11295, 1935));
    lbl_path = place(new QLabel(frame2), "lbl_path", {120, 240, 11055, 285});
    QFont bold = dialogFont();
    bold.setWeight(QFont::Bold);
    lbl_path->setFont(bold);
    QPalette red = lbl_path->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    lbl_path->setPalette(red);
    txt_file = statusField(frame2, "txt_file", {120, 600, 11055, 285}, "Aktuell gefundenes File !");
    txt_ordner =
        statusField(frame2, "txt_ordner", {120, 960, 11055, 285}, "Aktuell untersuchter Ordner !");
    cmd_NewIndex = button(frame2, "cmd_NewIndex", "&Index-File erstellen", {120, 1440, 1935, 375},
                          "Neue Index-Datei erstellen !");
    cmd_NewIndex->setDefault(true);
    cmd_abbruch = button(frame2, "cmd_abbruch", "&Abbrechen", {2250, 1440, 1935, 375},
                         "Funktion Abbrechen !");
    cmd_save =
        button(frame2, "cmd_save", "&Speichern", {4380, 1440, 1935, 375}, "Indexliste Speichern !");
    cmd_save->setEnabled(false);
    cmd_fertig = button(frame2, "cmd_fertig", "Programm &Beenden", {6510, 1440, 1935, 375});
    cmd_back = button(frame2, "cmd_back", "&Zurück", {8640, 1440, 1935, 375});
    bild1 = place(new QLabel(frame2), "bild1", {10680, 1320, 480, 480});
    bild1->setPixmap(windowIconPixmap());
    bild1->setAlignment(Qt::AlignCenter);
    bild1->hide();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(500);

    // The design's tab indices, focusable elements only.
    QWidget* const tabOrder[] = {Drive_Index, Dir_index,  chk_MitOrdner, cmd_NewIndex,
                                 cmd_abbruch, txt_ordner, txt_file,      lst_GefundeneFiles,
                                 cmd_save,    cmd_fertig, cmd_back,      cmd_net};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);

    connect(cmd_NewIndex, &QPushButton::clicked, this, &NewIndex::cmd_NewIndex_Click);
    connect(cmd_abbruch, &QPushButton::clicked, this, &NewIndex::cmd_abbruch_Click);
    connect(cmd_save, &QPushButton::clicked, this, &NewIndex::cmd_save_Click);
    connect(cmd_net, &QPushButton::clicked, this, &NewIndex::cmd_net_Click);
    connect(cmd_back, &QPushButton::clicked, this, &NewIndex::cmd_back_Click);
    connect(cmd_fertig, &QPushButton::clicked, this, &NewIndex::cmd_fertig_Click);
    connect(Timer1, &QTimer::timeout, this, &NewIndex::Timer1_Timer);
    connect(Dir_index, &FolderList::pathChanged, this, &NewIndex::Dir_index_Change);
    Drive_Index->installEventFilter(this);

    {
        const QSignalBlocker blocker(Drive_Index);
        for (const Drive& drive : m_platform.system.drives()) {
            QString text = displayText(drive.rootPath);
            if (!drive.label.isEmpty())
                text += QStringLiteral("  [") + drive.label + QLatin1Char(']');
            Drive_Index->addItem(text, QByteArray::fromStdString(drive.rootPath));
        }
    }
    connect(Drive_Index, &QComboBox::currentIndexChanged, this, &NewIndex::Drive_Index_Change);
    Drive_Index->setFocus();
}

void NewIndex::Form_Load() {
    // The root can always be listed; should it fail, the list stays empty until a drive is
    // chosen.
    Dir_index->setPath("/").ignoreError();
    setDrive("/");
    cmd_abbruch->setEnabled(false);
    if (IsNetworkPresent())
        cmd_net->setEnabled(true);
}

bool NewIndex::IsNetworkPresent() {
    return m_platform.system.isNetworkPresent();
}

std::string NewIndex::drive() const {
    return Drive_Index->currentData().toByteArray().toStdString();
}

void NewIndex::setDrive(const std::string& rootPath) {
    const int index = Drive_Index->findData(QByteArray::fromStdString(rootPath));
    if (index >= 0)
        Drive_Index->setCurrentIndex(index);
}

bool NewIndex::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Drive_Index && event->type() == QEvent::FocusIn)
        Drive_Index_GotFocus();
    return QDialog::eventFilter(watched, event);
}

void NewIndex::Drive_Index_GotFocus() {
    SavedDrive = drive();
    SavedFolder = Dir_index->path();
}

void NewIndex::Drive_Index_Change() {
    const Status moved = Dir_index->setPath(drive());
    if (moved)
        return;
    auto tell = [this](const Error& error) {
        m_platform.dialogs.showMessage(
            {QStringLiteral("Fehler: > ") + displayText(error.description) + QStringLiteral(" < "),
             QStringLiteral("Fehler !!"), MessageButtons::Ok, MessageIcon::Critical});
    };
    tell(moved.error());
    // Setting the drive back runs this handler again for the saved drive.
    setDrive(SavedDrive);
    if (SavedFolder.empty())
        return;
    if (const Status restored = Dir_index->setPath(SavedFolder); !restored)
        tell(restored.error());
}

void NewIndex::Dir_index_Change() {
    lbl_path->setText(displayText(Dir_index->path()));
}

void NewIndex::cmd_net_Click() {
    FileDialogRequest request;
    request.title = QStringLiteral("Ordner im Netzwerk Auswählen");
    request.initialFolder = m_platform.system.networkFolder();
    request.fileName = networkFileName;
    request.acceptNonExisting = true;
    const std::optional<std::string> chosen = m_platform.dialogs.showOpenFile(request);
    if (!chosen)
        return;
    const std::optional<std::string> folder =
        withoutLastCharacters(*chosen, networkFileNameCharacters);
    if (!folder || folder->empty())
        return;
    // A folder the list cannot show changes nothing and is not reported.
    Dir_index->setPath(*folder).ignoreError();
}

void NewIndex::cmd_back_Click() {
    close();
}

void NewIndex::cmd_fertig_Click() {
    const MessageAnswer answer = m_platform.dialogs.showMessage(
        {QStringLiteral("Programm Beenden ?"), QStringLiteral("Beenden ?"), MessageButtons::YesNo,
         MessageIcon::None});
    if (answer != MessageAnswer::Yes)
        return;
    m_platform.system.endProgram();
}

bool NewIndex::Form_QueryUnload() const {
    return cmd_abbruch->isEnabled();
}

void NewIndex::closeEvent(QCloseEvent* event) {
    if (Form_QueryUnload()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void NewIndex::keyPressEvent(QKeyEvent* event) {
    // Escape is no way of closing this window, idle or running.
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void NewIndex::reject() {
    if (Form_QueryUnload())
        return;
    QDialog::reject();
}

void NewIndex::EnableAfterRun() {
    for (QWidget* element :
         {static_cast<QWidget*>(Drive_Index), static_cast<QWidget*>(Dir_index),
          static_cast<QWidget*>(cmd_NewIndex), static_cast<QWidget*>(chk_MitOrdner),
          static_cast<QWidget*>(cmd_back), static_cast<QWidget*>(cmd_fertig)})
        element->setEnabled(true);
    if (IsNetworkPresent())
        cmd_net->setEnabled(true);
}

void NewIndex::cmd_NewIndex_Click() {
    if (cmd_abbruch->isEnabled())
        return;
    // Disabling the focused element moves the focus on; it comes back after the run.
    const QPointer<QWidget> focusBefore = focusWidget();
    txt_file->clear();
    txt_ordner->clear();
    m_foundSongs->clear();
    FoldersEntered = 0;
    FilesFound = 0;
    m_cancelFlag = false;
    m_songsChanged = m_folderChanged = m_foldersLabelChanged = false;
    Timer1->start();
    cmd_abbruch->setEnabled(true);
    for (QWidget* element :
         {static_cast<QWidget*>(Drive_Index), static_cast<QWidget*>(Dir_index),
          static_cast<QWidget*>(cmd_NewIndex), static_cast<QWidget*>(chk_MitOrdner),
          static_cast<QWidget*>(cmd_save), static_cast<QWidget*>(cmd_back),
          static_cast<QWidget*>(cmd_fertig), static_cast<QWidget*>(cmd_net)})
        element->setEnabled(false);
    setCursor(Qt::WaitCursor);
    FoldersFound = 0;

    m_lastYield = std::chrono::steady_clock::now() - m_yieldInterval;
    IndexRun run;
    const Result<ScanEnd> end =
        run.run(m_platform.system.applicationDirectory(), Dir_index->path(), *this);
    FilesFound = run.counters().filesFound;
    FoldersFound = run.counters().foldersFound;
    FoldersEntered = run.counters().foldersEntered;
    showProgress();

    EnableAfterRun();
    Timer1->stop();
    unsetCursor();
    bild1->hide();
    if (focusBefore && focusBefore->isEnabled())
        focusBefore->setFocus();
    if (!end) {
        cmd_abbruch->setEnabled(false);
        showFileError(end.error(), tempFileErrorTail);
        return;
    }
    if (end.value() == ScanEnd::Completed) {
        m_platform.dialogs.showMessage(
            {QStringLiteral("Fertig ! Anzahl Files = ") + QString::number(FilesFound),
             QStringLiteral("Hinweis"), MessageButtons::Ok, MessageIcon::Information});
        lbl_files->setText(QStringLiteral("Gefundene Files: ") + QString::number(FilesFound));
        lbl_files->adjustSize();
        lbl_ordner->setText(QStringLiteral("Anzahl untersuchte Ordner: ") +
                            QString::number(FoldersEntered + 1));
        lbl_ordner->adjustSize();
    } else {
        m_platform.dialogs.showMessage({QStringLiteral("Abbruch durch Benutzer !!"),
                                        QStringLiteral("Hinweis"), MessageButtons::Ok,
                                        MessageIcon::Information});
    }
    cmd_abbruch->setEnabled(false);
    if (FilesFound > 0)
        cmd_save->setEnabled(true);
}

void NewIndex::cmd_abbruch_Click() {
    m_cancelFlag = true;
}

void NewIndex::Timer1_Timer() {
    QCoreApplication::processEvents();
    bild1->setHidden(!bild1->isHidden());
}

void NewIndex::showFileError(const Error& error, const char* tail) {
    m_platform.dialogs.showMessage(
        {QStringLiteral("Fehler ") + QStringLiteral("> ") + displayText(error.description) +
             QStringLiteral(" <") + QString::fromUtf8(tail),
         QStringLiteral("Datei-Fehler"), MessageButtons::Ok, MessageIcon::Critical});
}

void NewIndex::cmd_save_Click() {
    const MessageAnswer answer = m_platform.dialogs.showMessage(
        {QStringLiteral(">Ja< = Alten Index ersetzen   >Nein< = An alten Index anhängen !"),
         QStringLiteral("Ersetzen oder Anhängen ??"), MessageButtons::YesNoCancel,
         MessageIcon::None});
    if (answer != MessageAnswer::Yes && answer != MessageAnswer::No)
        return;
    const std::string directory = m_platform.system.applicationDirectory();
    const Result<SaveOutcome> saved =
        answer == MessageAnswer::Yes ? replaceIndex(directory, FilesFound, FoldersFound)
                                     : appendIndex(directory, m_foundSongs->songs(), FoldersFound);
    // Only a save that left the old index fails; one that happened is never shown as failed.
    if (!saved) {
        showFileError(saved.error(), indexFileErrorTail);
        return;
    }
    if (saved.value() == SaveOutcome::Pending) {
        // Saved, but not all in place: a second press must not add the run again.
        m_platform.dialogs.showMessage(
            {QStringLiteral("Die neue Index-Datei ist gespeichert, wird aber erst beim "
                            "nächsten Laden vollständig übernommen !"),
             QStringLiteral("Hinweis !"), MessageButtons::Ok, MessageIcon::Information});
        cmd_save->setEnabled(false);
    } else if (answer == MessageAnswer::Yes) {
        m_platform.dialogs.showMessage({QStringLiteral("Neue Index-Datei gespeichert !"),
                                        QStringLiteral("Hinweis !"), MessageButtons::Ok,
                                        MessageIcon::Information});
        cmd_save->setEnabled(false);
    }
}

void NewIndex::yield() {
    if (std::chrono::steady_clock::now() - m_lastYield < m_yieldInterval)
        return;
    showProgress();
    QCoreApplication::processEvents();
    m_lastYield = std::chrono::steady_clock::now();
}

bool NewIndex::includeSubfolders() {
    return chk_MitOrdner->isChecked();
}

void NewIndex::folderListed(std::string_view, const ScanCounters& counters) {
    FoldersFound = counters.foldersFound;
    m_foldersLabelEntered = counters.foldersEntered;
    m_foldersLabelChanged = true;
}

void NewIndex::songFound(std::string_view fullPath, const ScanCounters& counters) {
    m_foundSongs->append(fullPath);
    m_lastSong.assign(fullPath);
    FilesFound = counters.filesFound;
    m_songsChanged = true;
}

void NewIndex::folderEntered(std::string_view path, const ScanCounters& counters) {
    m_lastFolder.assign(path);
    FoldersEntered = counters.foldersEntered;
    m_folderChanged = true;
}

void NewIndex::stoppedOnCancel() {
    EnableAfterRun();
    cmd_abbruch->setEnabled(false);
}

// The elements show the scan's state whenever the window gets to paint; between those
// moments nothing could show the many updates in between.
void NewIndex::showProgress() {
    if (m_foldersLabelChanged) {
        m_foldersLabelChanged = false;
        lbl_ordner->setText(QStringLiteral("Anzahl untersuchte Ordner: ") +
                            QString::number(m_foldersLabelEntered + 1));
        lbl_ordner->adjustSize();
    }
    if (m_folderChanged) {
        m_folderChanged = false;
        txt_ordner->setText(displayText(m_lastFolder));
    }
    if (m_songsChanged) {
        m_songsChanged = false;
        txt_file->setText(displayText(m_lastSong));
        m_foundSongs->publish();
        // The view lays out new rows only on a timer of its own, which the next rows
        // would undo before it paints: laid out now, it paints them at this yield.
        lst_GefundeneFiles->doItemsLayout();
        lbl_files->setText(QStringLiteral("Gefundene Files: ") + QString::number(FilesFound));
        lbl_files->adjustSize();
    }
}

} // namespace liedspur
