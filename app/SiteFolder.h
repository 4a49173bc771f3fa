// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QProcessEnvironment>
#include <QString>

namespace vatrel {

// The data folder of an installed console, where the menu entry starts it: $VATREL_SITE when set,
// otherwise vatrel/site under the user's data folder ($XDG_DATA_HOME, by default ~/.local/share).
QString siteFolderPath(const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment());

// The alarm sound installed with the program (<prefix>/share/vatrel-console/Error.wav beside
// <prefix>/bin), found from the executable's own place so that an unpacked copy finds its own.
QString installedErrorWav();

// Creates what is missing of a data folder's layout in `dir` (data, VatrelA, VatrelB, VatrelA_mess,
// VatrelB_mess, QReport, dev) and copies `errorWav` in as Error.wav when the folder has none. Nothing
// that exists is ever replaced, not even a dangling link. A missing `errorWav` only leaves the folder
// without a sound. Returns false, with `error` set, when a folder cannot be made.
bool prepareSiteFolder(const QString& dir, const QString& errorWav, QString* error);

} // namespace vatrel
