// SPDX-License-Identifier: GPL-3.0-or-later
// The site folder an installed console starts in from the menu: where it is and what its first
// start puts there, without ever replacing what an operator already has.
#include "app/SiteFolder.h"
#include "common/DataFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using vatrel::testing::readFile;
using vatrel::testing::writeFile;

class TestSiteFolder : public QObject {
    Q_OBJECT

private slots:
    void siteFolderComesFromTheEnvironment() {
        QProcessEnvironment env;
        env.insert("HOME", "/home/op");
        QCOMPARE(vatrel::siteFolderPath(env), QStringLiteral("/home/op/.local/share/vatrel/site"));
        env.insert("XDG_DATA_HOME", "rel/x"); // a relative data home is ignored, as the desktop rules ask
        env.insert("VATREL_SITE", "");        // and an empty variable counts as unset
        QCOMPARE(vatrel::siteFolderPath(env), QStringLiteral("/home/op/.local/share/vatrel/site"));
        env.insert("XDG_DATA_HOME", "/data/op");
        QCOMPARE(vatrel::siteFolderPath(env), QStringLiteral("/data/op/vatrel/site"));
        env.insert("VATREL_SITE", "/srv/post3/");
        QCOMPARE(vatrel::siteFolderPath(env), QStringLiteral("/srv/post3"));
    }

    void firstStartMakesTheLayoutAndLaterOnesReplaceNothing() {
        QTemporaryDir tmp;
        QVERIFY(writeFile(tmp.filePath("beep.wav"), "RIFF-beep"));
        const QString site = tmp.filePath("home/.local/share/vatrel/site");
        QString error;
        QVERIFY(vatrel::prepareSiteFolder(site, tmp.filePath("beep.wav"), &error));
        QCOMPARE(QDir(site).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase),
                 QStringList({"data", "dev", "Error.wav", "QReport", "VatrelA", "VatrelA_mess", "VatrelB",
                              "VatrelB_mess"}));
        QCOMPARE(readFile(site + "/Error.wav"), QByteArray("RIFF-beep"));

        // The operator's own sound, data and adapter link stay, as does a link to a sound not mounted yet.
        QVERIFY(writeFile(site + "/Error.wav", "own siren") && writeFile(site + "/data/hw.dat", "sensors"));
        QVERIFY(QFile::link(tmp.filePath("usb-adapter"), site + "/dev/COM1"));
        QVERIFY(QDir(site + "/VatrelB_mess").removeRecursively());
        QVERIFY(vatrel::prepareSiteFolder(site, tmp.filePath("beep.wav"), &error));
        QCOMPARE(readFile(site + "/Error.wav"), QByteArray("own siren"));
        QCOMPARE(readFile(site + "/data/hw.dat"), QByteArray("sensors"));
        QCOMPARE(QFileInfo(site + "/dev/COM1").symLinkTarget(), tmp.filePath("usb-adapter"));
        QVERIFY(QFileInfo(site + "/VatrelB_mess").isDir());

        QVERIFY(QFile::remove(site + "/Error.wav") &&
                QFile::link(tmp.filePath("share/siren.wav"), site + "/Error.wav"));
        QVERIFY(vatrel::prepareSiteFolder(site, tmp.filePath("beep.wav"), &error));
        QCOMPARE(QFileInfo(site + "/Error.wav").symLinkTarget(), tmp.filePath("share/siren.wav"));
    }

    void aFileInTheWayIsReported() {
        QTemporaryDir tmp;
        QVERIFY(QDir().mkpath(tmp.filePath("site")) &&
                writeFile(tmp.filePath("site/QReport"), "not a folder"));
        QString error;
        QVERIFY(!vatrel::prepareSiteFolder(tmp.filePath("site"), QString(), &error));
        QCOMPARE(error, QStringLiteral("Не удалось создать папку ") + tmp.filePath("site/QReport"));
        QCOMPARE(readFile(tmp.filePath("site/QReport")), QByteArray("not a folder"));
    }
};

QTEST_GUILESS_MAIN(TestSiteFolder)
#include "tst_sitefolder.moc"
