#include "app/ConsoleFonts.h"

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
    // Only the regular face: the package's bold face has the regular outlines (only its advances are
    // wider), so bold texts drew thin. Without it, bold is drawn by emboldening the regular outlines,
    // which looks bold and is a little narrower than the real bold face, so it fits where that did.
    const QString tahoma = QStringLiteral("/usr/share/wine/fonts/tahoma.ttf");
    if (QFile::exists(tahoma)) QFontDatabase::addApplicationFont(tahoma);
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
