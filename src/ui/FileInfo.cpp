#include "ui/FileInfo.h"

#include "base/DisplayText.h"
#include "ui/Frame.h"
#include "ui/Place.h"
#include "ui/Twips.h"
#include "ui/UiFont.h"
#include "ui/WindowIcon.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>

namespace liedspur {

FileInfo::FileInfo(std::function<Values()> values, std::function<void()> onUnload, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      m_values(std::move(values)), m_onUnload(std::move(onUnload)) {
    setObjectName(QStringLiteral("FileInfo"));
    setWindowTitle(QStringLiteral("File-Info"));
    setWindowIcon(QIcon(windowIconPixmap()));
    setFont(dialogFont());
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(twipsSize(8535, 1980));

    Frame1 = new Frame("Frame1", QStringLiteral(" Inhalt der Index-Dateien "), this,
                       twipsRect(240, 240, 8175, 1575));

    lbl_files =
        place(new QLabel(QStringLiteral("Files"), Frame1), "lbl_files", {360, 480, 315, 195});

    // Of fixed size: a long path is cut off, the label keeps its size.
    lbl_AmpPath = place(new QLabel(QStringLiteral("Path zu WinAmp.exe = "), Frame1), "lbl_AmpPath",
                        {360, 960, 5655, 255});
    lbl_AmpPath->setFixedSize(lbl_AmpPath->size());
}

void FileInfo::Form_Activate() {
    const Values values = m_values();
    lbl_files->setText(QStringLiteral("Anzahl Mp3-Files = ") + displayText(values.fileCount) +
                       QStringLiteral("        Anzahl Ordner = ") +
                       displayText(values.folderCount));
    lbl_files->adjustSize();
    lbl_AmpPath->setText(QStringLiteral("Path zu WinAmp.exe =  ") + displayText(values.playerPath));
}

bool FileInfo::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        Form_Activate();
    return QWidget::event(event);
}

void FileInfo::showEvent(QShowEvent* event) {
    // The design texts are never seen, even where the window system activates late.
    Form_Activate();
    QWidget::showEvent(event);
}

void FileInfo::closeEvent(QCloseEvent* event) {
    event->accept();
    if (m_onUnload)
        m_onUnload();
}

} // namespace liedspur
