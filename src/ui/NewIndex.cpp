#include "ui/NewIndex.h"

#include "base/DisplayText.h"
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
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace liedspur {

namespace {

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

} // namespace

NewIndex::NewIndex(Platform platform, QWidget* parent, Patience patience)
    : QDialog(parent), m_platform(platform), m_patience(patience) {
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
    Dir_index->setPatience(m_patience.choice, m_patience.treeReading, m_patience.treeEmpty);
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

    fillDrives();
    connect(Drive_Index, &QComboBox::currentIndexChanged, this, &NewIndex::Drive_Index_Change);
    Drive_Index->setFocus();
}

void NewIndex::Form_Load() {
    // The root is always there; the tree lists it when it can.
    Dir_index->showRoot();
    setDrive("/");
    cmd_abbruch->setEnabled(false);
    if (IsNetworkPresent())
        cmd_net->setEnabled(true);
}

bool NewIndex::IsNetworkPresent() {
    return m_platform.system.isNetworkPresent();
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

void NewIndex::showFileError(const Error& error, const char* tail) {
    m_platform.dialogs.showMessage(
        {QStringLiteral("Fehler ") + QStringLiteral("> ") + displayText(error.description) +
             QStringLiteral(" <") + QString::fromUtf8(tail),
         QStringLiteral("Datei-Fehler"), MessageButtons::Ok, MessageIcon::Critical});
}

} // namespace liedspur
