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
    for (const char* file : {"tahoma.ttf", "tahomabd.ttf", "ms_sans_serif.ttf"}) {
        const QString path = dir + QLatin1String(file);
        if (QFile::exists(path)) QFontDatabase::addApplicationFont(path);
    }
    // Verdana has no metric-compatible free face; DejaVu Sans is of the same design family.
    const QStringList fallback{QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")};
    for (const char* family : {"Tahoma", "MS Sans Serif", "Verdana"})
        QFont::insertSubstitutions(QLatin1String(family), fallback);
}

} // namespace vatrel
