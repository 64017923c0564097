#include "ui/frm_help.h"

#include "ui/Frame.h"
#include "ui/Place.h"
#include "ui/Twips.h"
#include "ui/UiFont.h"
#include "ui/WindowIcon.h"

#include <QGroupBox>
#include <QIcon>
#include <QLabel>

#include <algorithm>
#include <initializer_list>

namespace liedspur {

namespace {

const QString lineBreak = QStringLiteral("\r\n");

QString lines(std::initializer_list<const char*> texts) {
    QString joined;
    for (const char* text : texts) {
        if (!joined.isEmpty())
            joined += lineBreak;
        joined += QString::fromUtf8(text);
    }
    return joined;
}

QLabel* makeLabel(const char* name, const QString& text, QWidget* parent, QRect twips) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    return place(label, name, twips);
}

void setSizedText(QLabel* label, const QString& text) {
    label->setText(text);
    label->adjustSize();
}

} // namespace

frm_help::frm_help(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frm_help"));
    setWindowTitle(QStringLiteral("Tastenbelegung"));
    setWindowIcon(QIcon(windowIconPixmap()));
    setFont(dialogFont());
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(twipsSize(6120, 3240));

    Frame1 =
        new Frame("Frame1", QStringLiteral(" File-Suche "), this, twipsRect(120, 120, 5880, 1215));
    lbl_FileSearch_1 =
        makeLabel("lbl_FileSearch_1", QStringLiteral("Label1"), Frame1, {120, 240, 480, 195});
    lbl_filesearch_2 =
        makeLabel("lbl_filesearch_2", QStringLiteral("Label1"), Frame1, {1320, 240, 480, 195});
    lbl_filesearch_3 =
        makeLabel("lbl_filesearch_3", QStringLiteral("Label1"), Frame1, {1920, 240, 480, 195});

    Frame2 = new Frame("Frame2", QStringLiteral(" Ordner-Suche "), this,
                       twipsRect(120, 1560, 5880, 855));
    Label2 = makeLabel("Label2", QStringLiteral("Label2"), Frame2, {120, 240, 480, 195});
    Label3 = makeLabel("Label3", QStringLiteral("Label3"), Frame2, {1320, 240, 480, 195});
    Label4 = makeLabel("Label4", QStringLiteral("Label4"), Frame2, {1920, 240, 480, 195});

    Label5 = makeLabel("Label5", QStringLiteral("BackSpace wechselt immer in das Eingabefeld"),
                       this, {1403, 2520, 3315, 195});
    Label1 =
        makeLabel("Label1", QStringLiteral("Rechte Maustaste auf Markiertem Eintrag = Kontextmenü"),
                  this, {1035, 2880, 4050, 195});

    Form_Load();
    fitToTexts();
}

void frm_help::fitToTexts() {
    // A font wider than the designed one would cut the longest actions off: the frames
    // and the window then grow by what is missing, and nothing else moves.
    int missing = 0;
    for (QLabel* label : {lbl_filesearch_3, Label4}) {
        const QWidget* frame = label->parentWidget();
        missing =
            std::max(missing, label->geometry().right() + twipsToPixels(120) - frame->width());
    }
    if (missing <= 0)
        return;
    for (QWidget* frame : {static_cast<QWidget*>(Frame1), static_cast<QWidget*>(Frame2)})
        frame->resize(frame->width() + missing, frame->height());
    setFixedSize(width() + missing, height());
    for (QLabel* note : {Label5, Label1})
        note->move(note->x() + missing / 2, note->y());
}

void frm_help::Form_Load() {
    setSizedText(lbl_FileSearch_1,
                 lines({"Doppelclick", "Plustaste (+)", "Leertaste", "Raute (#)"}));
    setSizedText(lbl_filesearch_2, lines({"=", "=", "=", "="}));
    setSizedText(lbl_filesearch_3, lines({"Song abspielen (Playlist wird gelöscht)",
                                          "Alle Songs im Ordner abspielen (Playlist wird gelöscht)",
                                          "Song in Playlist einfügen"}));
    setSizedText(lbl_filesearch_3,
                 lbl_filesearch_3->text() + lineBreak +
                     QStringLiteral("Alle Songs im Ordner in die Playlist einfügen"));
    setSizedText(Label2, lines({"Doppelclick", "Leertaste"}));
    setSizedText(Label3, lines({"=", "="}));
    setSizedText(Label4, lines({"Alle Songs im Ordner abspielen (Playlist wird gelöscht)",
                                "Alle Songs im Ordner in die Playlist einfügen"}));
}

} // namespace liedspur
