// The site folder an installed console starts in from the menu: where it is and what its first
// start puts there, without ever replacing what an operator already has.
#include "app/SiteFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QProcessEnvironment env(std::initializer_list<std::pair<const char*, const char*>> vars) {
    QProcessEnvironment e;
    for (const auto& [name, value] : vars)
        e.insert(QLatin1String(name), QString::fromUtf8(value));
    return e;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

} // namespace

class TestSiteFolder : public QObject {
    Q_OBJECT

private slots:
    void siteFolderComesFromTheEnvironment() {
        using vatrel::siteFolderPath;
        QCOMPARE(siteFolderPath(env({{"HOME", "/home/op"}})),
                 QStringLiteral("/home/op/.local/share/vatrel/site"));
        QCOMPARE(siteFolderPath(env({{"HOME", "/home/op"}, {"VATREL_SITE", "/srv/post3/"}})),
                 QStringLiteral("/srv/post3"));
        // An empty variable counts as unset; a relative data home is ignored as the desktop rules ask.
        QCOMPARE(siteFolderPath(env({{"HOME", "/home/op"}, {"VATREL_SITE", ""}, {"XDG_DATA_HOME", "rel/x"}})),
                 QStringLiteral("/home/op/.local/share/vatrel/site"));
        QCOMPARE(siteFolderPath(env({{"HOME", "/home/op"}, {"XDG_DATA_HOME", "/data/op"}})),
                 QStringLiteral("/data/op/vatrel/site"));
        QCOMPARE(siteFolderPath(env({{"VATREL_SITE", "post3"}})), QDir::current().absoluteFilePath("post3"));
    }

    void firstStartMakesTheLayoutAndCopiesTheSound() {
        QTemporaryDir tmp;
        QVERIFY(writeFile(tmp.filePath("beep.wav"), "RIFF-beep"));
        const QString site = tmp.filePath("home/.local/share/vatrel/site");
        QString error;
        QVERIFY(vatrel::prepareSiteFolder(site, tmp.filePath("beep.wav"), &error));
        const QStringList made =
            QDir(site).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
        QCOMPARE(made, QStringList({"data", "dev", "Error.wav", "QReport", "VatrelA", "VatrelA_mess",
                                    "VatrelB", "VatrelB_mess"}));
        QCOMPARE(readFile(site + "/Error.wav"), QByteArray("RIFF-beep"));

        // Without an installed sound the folder is still made, silent.
        const QString silent = tmp.filePath("silent");
        QVERIFY(vatrel::prepareSiteFolder(silent, tmp.filePath("none.wav"), &error));
        QVERIFY(QFileInfo(silent + "/QReport").isDir());
        QVERIFY(!QFileInfo::exists(silent + "/Error.wav"));
    }

    void nothingThatExistsIsReplaced() {
        QTemporaryDir tmp;
        QVERIFY(writeFile(tmp.filePath("beep.wav"), "RIFF-beep"));
        const QString site = tmp.filePath("site");
        QVERIFY(QDir().mkpath(site + "/data") && QDir().mkpath(site + "/dev"));
        QVERIFY(writeFile(site + "/data/hw.dat", "sensors"));
        QVERIFY(writeFile(site + "/Error.wav", "own siren"));
        QVERIFY(QFile::link(tmp.filePath("usb-adapter"), site + "/dev/COM1"));
        QString error;
        QVERIFY(vatrel::prepareSiteFolder(site, tmp.filePath("beep.wav"), &error));
        QCOMPARE(readFile(site + "/data/hw.dat"), QByteArray("sensors"));
        QCOMPARE(readFile(site + "/Error.wav"), QByteArray("own siren"));
        QCOMPARE(QFileInfo(site + "/dev/COM1").symLinkTarget(), tmp.filePath("usb-adapter"));
        QVERIFY(QFileInfo(site + "/VatrelB_mess").isDir());

        // A link to a sound on a share not mounted yet points nowhere, and stays.
        const QString other = tmp.filePath("other");
        QVERIFY(QDir().mkpath(other));
        QVERIFY(QFile::link(tmp.filePath("share/siren.wav"), other + "/Error.wav"));
        QVERIFY(vatrel::prepareSiteFolder(other, tmp.filePath("beep.wav"), &error));
        QCOMPARE(QFileInfo(other + "/Error.wav").symLinkTarget(), tmp.filePath("share/siren.wav"));
        QVERIFY(!QFileInfo::exists(tmp.filePath("share/siren.wav")));
    }

    void aFileInTheWayIsReported() {
        QTemporaryDir tmp;
        const QString site = tmp.filePath("site");
        QVERIFY(QDir().mkpath(site));
        QVERIFY(writeFile(site + "/QReport", "not a folder"));
        QString error;
        QVERIFY(!vatrel::prepareSiteFolder(site, QString(), &error));
        QCOMPARE(error, QStringLiteral("Не удалось создать папку ") + site + "/QReport");
        QCOMPARE(readFile(site + "/QReport"), QByteArray("not a folder"));

        QVERIFY(writeFile(tmp.filePath("plain"), "x"));
        QVERIFY(!vatrel::prepareSiteFolder(tmp.filePath("plain"), QString(), &error));
        QCOMPARE(error, QStringLiteral("Не удалось создать папку ") + tmp.filePath("plain"));
    }
};

QTEST_GUILESS_MAIN(TestSiteFolder)
#include "tst_sitefolder.moc"
