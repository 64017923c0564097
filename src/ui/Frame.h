#pragma once

#include <QGroupBox>

namespace liedspur {

// A frame with its caption on the top border line, so that elements placed at the
// designed offsets stand inside the frame and clear of the caption.
class Frame : public QGroupBox {
    Q_OBJECT

public:
    Frame(const char* name, const QString& caption, QWidget* parent, const QRect& geometry);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace liedspur
