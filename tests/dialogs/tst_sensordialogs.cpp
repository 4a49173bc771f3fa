// SPDX-License-Identifier: GPL-3.0-or-later
// The connect, disconnect and DC component dialogs on the offscreen platform: the operator list,
// every refusal, and what an accepted dialog leaves in the table, the files and the command queue.
#include "common/WindowFixture.h"
#include "common/DataFiles.h"
#include "common/EventLogFile.h"
#include "core/OperatorActions.h"
#include "dialogs/OperatorListBox.h"
#include "dialogs/ConnectSensorDialog.h"
#include "dialogs/DcComponentDialog.h"
#include "dialogs/DisconnectSensorDialog.h"
#include "link/Engine.h"
#include "link/Oscilloscope.h"
#include "core/Startup.h"
#include "registry/Storage.h"

#include <QApplication>
#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <cstring>

using namespace vatrel;
using namespace vatrel::testing;

namespace {
const QString kIvanov = QStringLiteral("Иванов");
const QByteArray kIvanovCp1251("\xC8\xE2\xE0\xED\xEE\xE2");
const double kNow = 45748.5; // 01.04.2025 12:00 in days since 30.12.1899

QByteArray f64(double v) {
    QByteArray b(8, '\0');
    std::memcpy(b.data(), &v, 8); // the test machine is little-endian, as the files are
    return b;
}
QByteArray operatorRecord(const QByteArray& surname, char deleted = 0) {
    return QByteArray("\x01", 1) + deleted + surname + QByteArray(38 - surname.size(), '\0');
}
} // namespace

class TestSensorDialogs : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowFixture> m_f;
    Console& c() { return m_f->c; }
    RecordingUi& ui() { return m_f->ui; }
    QStringList m_inputBoxes; // caption|label of every input box shown

    template <class T> static T* child(QWidget* w, const char* name) {
        T* found = w->findChild<T*>(QString::fromLatin1(name));
        if (!found) qFatal("no child %s", name);
        return found;
    }
    static void typeText(QWidget* w, const QString& text) {
        w->setFocus();
        for (QChar ch : text) // keyClicks aborts on Cyrillic
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
    static void click(QWidget* w, const char* button) {
        QTest::mouseClick(child<QPushButton>(w, button), Qt::LeftButton);
    }
    // Presses "Добавить" and types `surname` into the input box that comes up.
    void addSurname(QWidget* dialog, const QString& surname) {
        QTimer::singleShot(0, this, [this, surname] {
            auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            if (!box) return;
            m_inputBoxes << box->windowTitle() + QLatin1Char('|') + box->labelText();
            typeText(box->findChild<QLineEdit*>(), surname);
            box->accept();
        });
        click(dialog, "AddButton");
    }
    QStringList comboItems(QWidget* dialog) {
        auto* combo = child<QComboBox>(dialog, "ComboBoxFam");
        QStringList out;
        for (int i = 0; i < combo->count(); ++i)
            out << combo->itemText(i);
        return out;
    }
    std::vector<quint16> queued(int i) {
        const QueueEntry& e = c().link.queue().entries[size_t(i)];
        return {e.words.begin(), e.words.begin() + e.count};
    }
    void expectError(const QString& text) { ui().expectMessage(text, QStringLiteral("Ошибка")); }
    // Shows `d` for table row `row` and waits until it has the keyboard.
    void showFor(QDialog& d, int row) {
        c().selection.selectRow(row);
        d.show();
        QVERIFY(QTest::qWaitForWindowActive(&d));
    }
    void connectThroughDialog(int row, const QString& number, int type, int op = 0) {
        c().selection.selectRow(row);
        ConnectSensorDialog d(m_f->door);
        d.show();
        child<QLineEdit>(&d, "EditNumSen")->setText(number);
        child<QComboBox>(&d, "ComboBoxTypeSen")->setCurrentIndex(type);
        child<QComboBox>(&d, "ComboBoxFam")->setCurrentIndex(op);
        click(&d, "ButtonAccept");
        QVERIFY(!d.isVisible());
    }

private slots:
    void init() {
        m_f = std::make_unique<WindowFixture>();
        startUp(c());
        m_inputBoxes.clear();
        QLocale::setDefault(QLocale::c());
    }
    void cleanup() { m_f.reset(); }

    void operatorListThroughTheInputBox() {
        ConnectSensorDialog d(m_f->door);
        d.show();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        addSurname(&d, kIvanov);
        QCOMPARE(m_inputBoxes, QStringList{"Пожалуйста,представьтесь|Укажите Вашу фамилию"});
        QCOMPARE(m_f->read("data/chop.dat"), operatorRecord(kIvanovCp1251));
        QCOMPARE(comboItems(&d), QStringList{kIvanov});

        expectError(QStringLiteral("Уже есть такой испытатель"));
        addSurname(&d, kIvanov);
        expectError(QStringLiteral("Слишком длинное имя"));
        addSurname(&d, QStringLiteral("Абвгдеёжзийклмноп")); // 17 characters
        addSurname(&d, QStringLiteral("Абвгдеёжзийклмно"));  // 16 are enough
        expectError(QStringLiteral("В фамилии есть знаки, которые нельзя сохранить"));
        addSurname(&d, QStringLiteral("Müller")); // ü has no place in the file's code page
        addSurname(&d, QStringLiteral("иванов")); // another case is another surname
        QCOMPARE(comboItems(&d), (QStringList{kIvanov, "Абвгдеёжзийклмно", "иванов"}));
        QCOMPARE(child<QComboBox>(&d, "ComboBoxFam")->currentText(), QStringLiteral("иванов"));

        // Deleting asks first; No keeps it.
        child<QComboBox>(&d, "ComboBoxFam")->setCurrentIndex(0);
        ui().answer = false;
        click(&d, "RemoveButton1");
        QCOMPARE(ui().questions,
                 QStringList{"Удаление|Вы действительно хотите удалить фамилию этого испытателя ?"});
        QCOMPARE(comboItems(&d).size(), 3);
        ui().answer = true;
        click(&d, "RemoveButton1");
        QCOMPARE(m_f->read("data/chop.dat").left(40), operatorRecord(kIvanovCp1251, 1));
        QCOMPARE(comboItems(&d), (QStringList{"Абвгдеёжзийклмно", "иванов"}));
        QCOMPARE(c().operators.operatorId(1), qint16(2));
    }

    // A pasted surname: blanks round it are dropped, control characters and blanks alone refused,
    // and a surname stored with blanks by an earlier version counts as the same operator.
    void pastedSurnamesAreCleanedOrRefused() {
        m_f->write("data/chop.dat", operatorRecord(" Petrov"));
        c().operators.load(c().data_dir, c().ui);
        QCOMPARE(c().operators.surname(0), QStringLiteral(" Petrov")); // loaded as it is
        const QString control = QStringLiteral("В фамилии есть управляющие знаки (табуляция, перевод "
                                               "строки); повторите ввод");
        const QList<QPair<QString, QString>> refused{
            {QStringLiteral("Иванов\tИ.\n"), control},
            {QStringLiteral("Ива") + QChar(0x85) + QStringLiteral("нов"), control},
            {QStringLiteral("   "), QStringLiteral("Фамилия не может состоять из одних пробелов")},
            {QStringLiteral("Petrov  "), QStringLiteral("Уже есть такой испытатель")},
        };
        for (const auto& [typed, message] : refused) {
            expectError(message);
            QCOMPARE(c().operators.add(c().data_dir, c().ui, typed), -1);
        }
        // 16 letters between the blanks are not too long.
        QCOMPARE(c().operators.add(c().data_dir, c().ui, QStringLiteral(" Абвгдеёжзийклмно ")), 1);
        QCOMPARE(c().operators.add(c().data_dir, c().ui, QStringLiteral("  Иванов ")), 2);
        QCOMPARE(m_f->read("data/chop.dat").mid(80), operatorRecord(kIvanovCp1251));
    }

    void fiftyFirstSurnameIsRefusedBeforeAnyInputBox() {
        QByteArray file;
        for (int i = 0; i < 50; ++i)
            file += operatorRecord("Op" + QByteArray::number(i));
        m_f->write("data/chop.dat", file);
        c().operators.load(c().data_dir, c().ui);
        DisconnectSensorDialog d(m_f->door);
        d.show();
        expectError(QStringLiteral("Слишком много фамилий испытателей"));
        addSurname(&d, QStringLiteral("Лишний"));
        QTest::qWait(20);
        QVERIFY(m_inputBoxes.isEmpty());
        QVERIFY(ui().allExpectedShown());
        QCOMPARE(m_f->read("data/chop.dat"), file);
    }

    void connectRefusalsLeaveEverythingAsItWas() {
        m_f->write("data/chop.dat", operatorRecord(kIvanovCp1251));
        c().operators.load(c().data_dir, c().ui);
        connectThroughDialog(3, "4321", 0);
        const QByteArray hw = m_f->read("data/hw.dat");
        const quint64 events = c().events.lastNumber();
        // A number the bus cannot carry would reach the converter as another sensor's address; so
        // would 1234 beside a number kept from an earlier installation that shares its low 16 bits.
        const QList<std::tuple<QString, quint32, QString>> cases{
            {"12a", 0, "Вы ввели ошибочное число; повторите ввод"},
            {"0", 0, "Номер датчика должен быть отличен от нуля"},
            {"-5", 0, "Номер датчика должен быть от 1 до 65535"},
            {"70000", 0, "Номер датчика должен быть от 1 до 65535"},
            {"1234", 65536 + 1234, "Датчик с таким номером уже существует!"},
            {"4321", 0, "Датчик с таким номером уже существует!"}, // the last row clears the stored one
        };
        for (const auto& [number, stored, message] : cases) {
            c().sensors.record(10).factory_number = stored;
            expectError(message);
            connectThroughDialog(7, number, 1);
        }
        m_f->write("data/chop.dat", QByteArray());
        c().operators.load(c().data_dir, c().ui);
        expectError(QStringLiteral("Не выбрана фамилия оператора"));
        connectThroughDialog(7, "1234", 1, -1);
        QVERIFY(!c().sensors.record(6).occupied());
        QVERIFY(sensorCell(c(), colAddress, 7).isEmpty());
        QCOMPARE(m_f->read("data/hw.dat"), hw);
        QCOMPARE(c().events.lastNumber(), events);
        QCOMPARE(c().link.queue().count, 1); // the first connection's command only
    }

    void connectFillsTheSlotFilesAndQueue() {
        m_f->write("data/chop.dat", operatorRecord("Petrov") + operatorRecord(kIvanovCp1251));
        c().operators.load(c().data_dir, c().ui);
        ConnectSensorDialog d(m_f->door);
        c().selection.selectRow(7);
        d.show();
        QCOMPARE(child<QLineEdit>(&d, "EditNumSen")->text(), QStringLiteral("0"));
        QCOMPARE(child<QComboBox>(&d, "ComboBoxTypeSen")->currentText(), QStringLiteral("Ватрел-А"));
        QCOMPARE(child<QComboBox>(&d, "ComboBoxFam")->currentText(), QStringLiteral("Petrov"));
        child<QLineEdit>(&d, "EditNumSen")->clear();
        typeText(child<QLineEdit>(&d, "EditNumSen"), "1234");
        child<QComboBox>(&d, "ComboBoxTypeSen")->setCurrentIndex(1);
        child<QComboBox>(&d, "ComboBoxFam")->setCurrentIndex(1);
        // Enter in the number takes the operator to "Принять", and Enter there accepts.
        QVERIFY(QTest::qWaitForWindowActive(&d));
        QTest::keyClick(child<QLineEdit>(&d, "EditNumSen"), Qt::Key_Return);
        QCOMPARE(d.focusWidget(), child<QPushButton>(&d, "ButtonAccept"));
        QVERIFY(d.isVisible());
        QTest::keyClick(d.focusWidget(), Qt::Key_Return);
        QVERIFY(!d.isVisible());

        QByteArray rec = settingsRecord({6, 1234, 1, 0, 0, 15, 1, 1});
        rec.replace(16, 8, f64(kNow));
        rec[24] = 1; // connected by operator 1
        QCOMPARE(m_f->read("VatrelB/1234"), rec);
        QCOMPARE(m_f->read("data/hw.dat").mid(36, 6), QByteArray("\xD2\x04\x00\x00\x01\x00", 6));

        const QList<LoggedEvent> log = readEventFile(m_f->file("VatrelB_mess/1234"));
        QCOMPARE(eventCodes(log), (QList<int>{30, 15}));
        QCOMPARE(eventTexts(log), (QStringList{"Датчик <Ватрел-Б> № 1234 подключён. Оператор: Иванов",
                                               "Нет связи с датчиком <Ватрел-Б> № 1234"}));
        QCOMPARE(log[0].time, kNow);
        QCOMPARE(eventCodes(readEventFile(m_f->file("QReport/01.04.2025"))), (QList<int>{30, 15}));

        QStringList row;
        for (int col = 1; col <= 11; ++col)
            row << sensorCell(c(), col, 7);
        QCOMPARE(row, (QStringList{"1234", "Ватрел-Б", "Тревога", "Тревога", "0", "0", "0", "0", "Нет связи",
                                   "Снят", "Снят"}));
        QCOMPARE(c().sensorRows.colour(6), rgb(171, 0, 0));
        QVERIFY(c().link.slotDiagnostics(6).countsShown); // "0", "0", "Нет связи"
        QCOMPARE(
            c().link.slotCount(SlotCount::ChecksumErrors, 6) + c().link.slotCount(SlotCount::Timeouts, 6), 0);
        QCOMPARE(c().link.slotDiagnostics(6).link, SlotLink::Lost);
        QCOMPARE(c().status.sensorCount(), 1);
        QCOMPARE(queued(0), (std::vector<quint16>{0x0143, 6, 1234, 22, 0xFACE}));
    }

    void operatorDialogsChooseTheOperatorOnDuty() {
        m_f->write("data/chop.dat", operatorRecord(kIvanovCp1251) + operatorRecord("Sidorov"));
        c().operators.load(c().data_dir, c().ui);
        ConnectSensorDialog connect(m_f->door);
        for (const int onDuty : {1, -1}) {
            m_f->door.act([onDuty](OperatorActions& a) { return a.takeDuty(onDuty); });
            connect.show();
            QCOMPARE(child<QComboBox>(&connect, "ComboBoxFam")->currentIndex(), onDuty < 0 ? 0 : onDuty);
            connect.hide();
        }
        // Sidorov on duty, Иванов chosen in the dialog: Иванов alone signs the connection.
        m_f->door.act([](OperatorActions& a) { return a.takeDuty(1); });
        connectThroughDialog(3, "77", 0, 0);
        QCOMPARE(readEventFile(m_f->file("VatrelA_mess/77")).first().text,
                 QString("Датчик <Ватрел-А> № 77 подключён. Оператор: Иванов"));
    }

    void disconnectRefusalsAndTheRecordedDisconnection() {
        m_f->write("data/chop.dat", operatorRecord(kIvanovCp1251) + operatorRecord("Sidorov"));
        c().operators.load(c().data_dir, c().ui);
        connectThroughDialog(3, "77", 0);
        connectThroughDialog(5, "78", 0);
        c().link.clearQueue();
        QCOMPARE(c().status.sensorCount(), 2);
        m_f->now = m_f->now.addSecs(3600);
        DisconnectSensorDialog d(m_f->door);
        // Refused: under oscillogram (a plain box), no surname chosen, an empty row.
        const QList<std::tuple<int, int, int, QString>> refusals{
            {1, 3, 0, "Остановите передачу осциллограмм от датчика"},
            {0, 3, -1, "Не выбрана фамилия"},
            {0, 4, 0, "В этой позиции датчик не установлен!"}};
        for (const auto& [osc, row, op, message] : refusals) {
            c().sensors.record(2).osc_active = qint16(osc);
            c().selection.selectRow(row);
            d.show();
            child<QComboBox>(&d, "ComboBoxFam")->setCurrentIndex(op);
            osc ? ui().expectMessage(message) : expectError(message);
            click(&d, "ButtonAccept");
            if (osc) QCOMPARE(ui().boxes.last().icon, ConsoleUi::Icon::None);
        }
        QCOMPARE(m_f->read("VatrelA/77").size(), 232); // nothing was written, nothing queued
        QCOMPARE(c().link.queue().count, 0);

        c().selection.selectRow(3);
        for (int i = 0; i < 5; ++i)
            c().link.countSlotReport(SlotCount::ChecksumErrors, 2);
        c().sensors.setOnline(2, true);
        d.show();
        child<QComboBox>(&d, "ComboBoxFam")->setCurrentIndex(1);
        click(&d, "ButtonAccept");
        QByteArray rec = settingsRecord({2, 77, 0, 0, 0, 15, 1, 1});
        rec.replace(16, 8, f64(kNow));
        rec[40] = 1; // disconnected by operator 1
        rec[41] = 0;
        QByteArray stored = m_f->read("VatrelA/77");
        double disconnectedAt = 0;
        std::memcpy(&disconnectedAt, stored.constData() + 32, 8);
        QVERIFY(qAbs(disconnectedAt - (kNow + 1.0 / 24)) < 1e-7); // an hour later
        QCOMPARE(stored.replace(32, 8, QByteArray(8, '\0')), rec);
        const QList<LoggedEvent> log = readEventFile(m_f->file("VatrelA_mess/77"));
        QCOMPARE(eventCodes(log), (QList<int>{30, 15, 31}));
        QCOMPARE(log.last().text, QStringLiteral("Датчик <Ватрел-А> № 77 отключён. Оператор: Sidorov"));
        QCOMPARE(m_f->read("data/hw.dat").mid(12, 6), QByteArray(6, '\0'));
        QCOMPARE(m_f->read("data/hw.dat").mid(24, 4), QByteArray("\x4E\x00\x00\x00", 4)); // 78 stays
        QString rowText;
        for (int col = 1; col <= 11; ++col)
            rowText += sensorCell(c(), col, 3);
        QCOMPARE(rowText, QString());
        QVERIFY(!c().link.slotDiagnostics(2).countsShown); // the diagnostics row is blank too
        QCOMPARE(c().link.slotDiagnostics(2).link, SlotLink::NotShown);
        QCOMPARE(c().sensorRows.colour(2), rgb(192, 192, 192));
        QCOMPARE(c().link.slotCount(SlotCount::ChecksumErrors, 2), 0);
        QVERIFY(!c().sensors.isOnline(2));
        const SensorRecord emptied{.mark = 1, .status = 15, .loop1_alarm = 1, .loop2_alarm = 1};
        QCOMPARE(c().sensors.record(2).encode(), emptied.encode());
        QCOMPARE(c().status.sensorCount(), 1);
        QCOMPARE(queued(0), (std::vector<quint16>{0x0144, 2, 0xFFB9}));
    }

    void dcComponentOfTypeB() {
        QLocale::setDefault(QLocale(QLocale::Russian));
        c().sensors.record(4) = {.mark = 1, .factory_number = 900, .sensor_type = 1, .slot_index = 4};
        c().sensors.record(4).dc_component1 = 1.5f;
        c().sensors.record(4).dc_component2 = -0.25f;
        c().selection.selectRow(5);
        DcComponentDialog d(m_f->door);
        d.show();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        auto* e1 = child<QLineEdit>(&d, "EditDirect_component_porog1");
        auto* e2 = child<QLineEdit>(&d, "EditDirect_component_porog2");
        QCOMPARE(e1->text(), QStringLiteral("1,500"));
        QCOMPARE(e2->text(), QStringLiteral("-0,250"));
        QVERIFY(!child<QLineEdit>(&d, "EditDirect_component_porog")->isEnabled());
        QVERIFY(e1->isEnabled() && e2->isEnabled());

        // A text that is no number is reported on leaving the entry; the last value stays.
        e2->setText(QStringLiteral("12,5x"));
        expectError(QStringLiteral("Вы ввели ошибочное число; повторите ввод"));
        e2->setFocus();
        click(&d, "ButtonAccept");
        QVERIFY(ui().allExpectedShown());
        QCOMPARE(c().sensors.record(4).dc_component2, -0.25f);
        QCOMPARE(c().osc.text(OscEntry::DcFlank1),
                 QStringLiteral("0")); // another slot is under observation: the start text stays
        QCOMPARE(queued(0), (std::vector<quint16>{0x0145, 4, 0x0000, 0x3FC0, 0x0000, 0xBE80, 0x0176}));

        c().link.clearQueue();
        c().osc.setSlot(4);
        d.show();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        e1->setText(QStringLiteral("2,25"));
        e1->setFocus();
        click(&d, "ButtonAccept");
        QCOMPARE(c().sensors.record(4).dc_component1, 2.25f);
        QCOMPARE(c().osc.text(OscEntry::DcFlank1), QStringLiteral("2,250"));
        QCOMPARE(c().osc.text(OscEntry::DcFlank2), QStringLiteral("-0,250"));
    }

    // The dialog opened for another sensor leaves the values of the sensor under oscillogram alone:
    // "Запись" on the tab sends that sensor's own stored value for the flank not edited.
    void dcValuesStayWithTheirSensor() {
        c().sensors.record(5) = {.mark = 1, .factory_number = 1234, .sensor_type = 1, .slot_index = 5};
        c().sensors.record(5).dc_component1 = 1.5f;
        c().sensors.record(7) = {.mark = 1, .factory_number = 40000, .sensor_type = 1, .slot_index = 7};
        oscillogramStarted(c().sensors, c().osc, c().scope, c().notices, 5);
        DcComponentDialog d(m_f->door);
        const auto setFlanks = [&](int row, const char* flank1, const char* flank2) {
            showFor(d, row);
            child<QLineEdit>(&d, "EditDirect_component_porog1")->setText(QString::fromLatin1(flank1));
            child<QLineEdit>(&d, "EditDirect_component_porog2")->setFocus(); // flank 1 is left
            child<QLineEdit>(&d, "EditDirect_component_porog2")->setText(QString::fromLatin1(flank2));
            QTest::keyClick(d.focusWidget(), Qt::Key_Return);
        };
        setFlanks(6, "1.5", "3.25");
        c().link.clearQueue();
        setFlanks(8, "7", "3.000"); // sent: the case needs another sensor's values to have gone out
        QCOMPARE(queued(0), (std::vector<quint16>{0x0145, 7, 0x0000, 0x40E0, 0x0000, 0x4040, 0x7E93}));
        QCOMPARE(c().osc.text(OscEntry::DcFlank2), QStringLiteral("3.250"));

        c().link.clearQueue();
        QVERIFY(c().actions().recordDcFlank1(QStringLiteral("2")));
        QCOMPARE(queued(0), (std::vector<quint16>{0x0145, 5, 0x0000, 0x4000, 0x0000, 0x4050, 0x7F65}));
    }

    // What Enter will press shows from the moment it is armed; the DC and disconnect dialogs name
    // their sensor; a type A sensor's DC dialog shows nothing of the type B sensor before it; Enter in
    // a DC entry accepts.
    void dialogsShowWhatTheyActOn() {
        m_f->write("data/chop.dat", operatorRecord(kIvanovCp1251));
        c().operators.load(c().data_dir, c().ui);
        c().sensors.record(0) = {.mark = 1, .factory_number = 55, .sensor_type = 0};
        c().sensors.record(0).dc_component1 = 12;
        c().sensors.record(3) = {.mark = 1, .factory_number = 1234, .sensor_type = 1};

        ConnectSensorDialog connect(m_f->door);
        showFor(connect, 7);
        auto* accept = child<QPushButton>(&connect, "ButtonAccept");
        const QImage idle = accept->grab().toImage();
        QTest::keyClick(child<QLineEdit>(&connect, "EditNumSen"), Qt::Key_Return);
        QVERIFY(accept->grab().toImage() != idle);

        DisconnectSensorDialog remove(m_f->door);
        showFor(remove, 4);
        QCOMPARE(child<QLabel>(&remove, "LabelSensor")->text(), QStringLiteral("Позиция 4, зав. № 1234"));
        accept = child<QPushButton>(&remove, "ButtonAccept");
        QCOMPARE(remove.focusWidget(), accept);
        const QImage armed = accept->grab().toImage();
        child<QComboBox>(&remove, "ComboBoxFam")->setFocus();
        QVERIFY(accept->grab().toImage() != armed);

        DcComponentDialog d(m_f->door);
        d.show(); // type B first
        d.reject();
        showFor(d, 1);
        QCOMPARE(child<QLabel>(&d, "LabelSensor")->text(), QStringLiteral("Позиция 1, зав. № 55"));
        QCOMPARE(child<QLineEdit>(&d, "EditDirect_component_porog1")->text(), QString());
        QCOMPARE(child<QLineEdit>(&d, "EditDirect_component_porog2")->text(), QString());
        auto* e = child<QLineEdit>(&d, "EditDirect_component_porog");
        QCOMPARE(d.focusWidget(), e);
        e->setText(QStringLiteral("300"));
        QTest::keyClick(e, Qt::Key_Return);
        QVERIFY(!d.isVisible());
    }

    // Tab walks the dialog's own controls first, then the operator box, then the buttons. Enter in the
    // connect dialog's type list leaves the focus there; in the disconnect dialog Enter anywhere goes
    // back to "Принять".
    void focusOrderAndEnterInTheOperatorDialogs() {
        const auto tabWalk = [](QDialog& d, int steps) {
            QStringList names{d.focusWidget()->objectName()};
            for (int i = 1; i < steps; ++i) {
                QTest::keyClick(d.focusWidget(), Qt::Key_Tab);
                names << d.focusWidget()->objectName();
            }
            return names;
        };
        const QStringList shared{"ComboBoxFam", "AddButton", "RemoveButton1", "ButtonAccept", "ButtonCansel"};

        ConnectSensorDialog connect(m_f->door);
        showFor(connect, 7);
        QCOMPARE(tabWalk(connect, 8),
                 QStringList({"EditNumSen", "ComboBoxTypeSen"}) + shared + QStringList{"EditNumSen"});
        auto* type = child<QComboBox>(&connect, "ComboBoxTypeSen");
        type->setFocus();
        QTest::keyClick(type, Qt::Key_Return);
        QCOMPARE(connect.focusWidget(), type);
        QVERIFY(connect.isVisible());
        connect.reject();

        DisconnectSensorDialog remove(m_f->door);
        showFor(remove, 4);
        auto* surnames = child<QComboBox>(&remove, "ComboBoxFam");
        surnames->setFocus();
        QCOMPARE(tabWalk(remove, 6), shared + QStringList{"ComboBoxFam"});
        surnames->setFocus();
        QTest::keyClick(surnames, Qt::Key_Return);
        QCOMPARE(remove.focusWidget(), child<QPushButton>(&remove, "ButtonAccept"));
        QVERIFY(remove.isVisible());
    }

    // A double-click on "Принять" connects once; its second click does not reach the window under
    // the closed dialog.
    void secondClickOfADoubleClickIsSwallowed() {
        QTableWidget table(50, 20);
        table.setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
        table.show();
        QVERIFY(QTest::qWaitForWindowExposed(&table));
        table.setCurrentCell(0, 0);
        ConnectSensorDialog d(m_f->door);
        showFor(d, 0);
        auto* accept = child<QPushButton>(&d, "ButtonAccept");
        const QPoint at = accept->mapToGlobal(accept->rect().center());
        expectError(QStringLiteral("Выберите позицию датчика в таблице, щёлкнув левой кнопкой мыши по "
                                   "соответствующей ячейке столбца <Зав.№>"));
        QTest::mouseClick(accept, Qt::LeftButton);
        const QPoint second = table.viewport()->mapFromGlobal(at);
        QVERIFY(table.indexAt(second).isValid() && table.indexAt(second).row() != 0);
        QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, second);
        QCOMPARE(table.currentRow(), 0);
        // Later clicks there are the operator's own.
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, second);
        QCOMPARE(table.currentRow(), table.indexAt(second).row());
    }

    void dcComponentOfTypeA() {
        c().sensors.record(0) = {.mark = 1, .factory_number = 55, .sensor_type = 0};
        c().sensors.record(0).dc_component1 = 123.9f;
        c().selection.selectRow(1);
        c().osc.setSlot(0);
        DcComponentDialog d(m_f->door);
        d.show();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        auto* e = child<QLineEdit>(&d, "EditDirect_component_porog");
        QCOMPARE(e->text(), QStringLiteral("123"));
        QVERIFY(!child<QLineEdit>(&d, "EditDirect_component_porog1")->isEnabled());
        // The sensor takes 1-4095 only; the last accepted value stays.
        for (const char* bad : {"-1", "5000", "0"}) {
            e->setText(QString::fromLatin1(bad));
            expectError(QStringLiteral("Число вне допуска (1-4095); повторите ввод"));
            e->setFocus();
            child<QPushButton>(&d, "ButtonCansel")->setFocus();
            QCOMPARE(d.working().a, quint16(123));
            QTRY_COMPARE(d.focusWidget(), e); // back to the refused entry
        }
        e->setText(QStringLiteral("2000"));
        e->setFocus();
        click(&d, "ButtonAccept");
        QCOMPARE(c().sensors.record(0).dc_component1, 2000.0f);
        QCOMPARE(c().sensors.record(0).dc_component2, 2000.0f);
        QCOMPARE(c().osc.text(OscEntry::DcTypeA), QStringLiteral("2000"));
        QCOMPARE(queued(0), (std::vector<quint16>{0x0146, 0, 2000, 0xF7E9}));

        // A sensor that never had a value cannot be sent 0.
        c().link.clearQueue();
        c().sensors.record(0).dc_component1 = 0;
        d.show();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        // Once on leaving the entry, once on accepting (the window layer shows one box per text).
        expectError(QStringLiteral("Число вне допуска (1-4095); повторите ввод"));
        expectError(QStringLiteral("Число вне допуска (1-4095); повторите ввод"));
        click(&d, "ButtonAccept");
        QCOMPARE(c().link.queue().count, 0);
    }
};

QTEST_MAIN(TestSensorDialogs)
#include "tst_sensordialogs.moc"
