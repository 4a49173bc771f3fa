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
    // Same advance widths as the faces the windows were laid out for, so no text is cut in its column.
    const QString dir = QStringLiteral("/usr/share/wine/fonts/");
    for (const char* file : {"tahoma.ttf", "tahomabd.ttf"}) {
        const QString path = dir + QLatin1String(file);
        if (QFile::exists(path)) QFontDatabase::addApplicationFont(path);
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
