#include "ui/UiFont.h"

#include <QStringList>

namespace liedspur {

QFont dialogFont() {
    QFont font(QStringLiteral("Sans Serif"));
    // A sans font as narrow as the designed one where there is one, so that the captions
    // fit the designed element sizes.
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                      QStringLiteral("Nimbus Sans"), QStringLiteral("Arial"),
                      QStringLiteral("Helvetica"), QStringLiteral("Sans Serif")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    return font;
}

} // namespace liedspur
