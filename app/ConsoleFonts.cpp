// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ConsoleFonts.h"
#include "app/FontRepair.h"

#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QStringList>

namespace vatrel {

void registerConsoleFonts() {
    static bool done = false;
    if (done) return;
    done = true;
    // Same advance widths as the face the windows were laid out for, so no text is cut in its column.
    // The package's bold face has the regular outlines (only its advances are wider), so bold texts
    // drew thin with it; bold is drawn by emboldening the regular outlines instead, which is a little
    // narrower than the real bold face, so it fits where that did. A few glyphs of the regular face
    // have a contour drawn the other way round (the breve of "й", the bar of "Ы"), which emboldening
    // thins away: bold comes from a copy with those contours turned, while regular texts keep the
    // packaged face with its hinting.
    const QString tahoma = QStringLiteral("/usr/share/wine/fonts/tahoma.ttf");
    QFile file(tahoma);
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray regular = file.readAll();
        QFontDatabase::addApplicationFontFromData(regular);
        const QByteArray bold = asSemiboldFace(withConsistentContours(regular));
        if (!bold.isEmpty()) QFontDatabase::addApplicationFontFromData(bold);
    }
    // MS Sans Serif is drawn in Tahoma, its successor of the same widths: the free MS Sans Serif face
    // has no bold, and the toolbar and tab captions are bold. Verdana has no metric-compatible free
    // face; DejaVu Sans is of the same design family.
    const QStringList fallback{QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")};
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               QStringList{QStringLiteral("Tahoma")} + fallback);
    for (const char* family : {"Tahoma", "Verdana"})
        QFont::insertSubstitutions(QLatin1String(family), fallback);
}

} // namespace vatrel
