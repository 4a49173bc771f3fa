// SPDX-License-Identifier: GPL-3.0-or-later
// The alarm window on the offscreen platform: what it shows, how it refuses to close, its buttons.
#include "common/WindowFixture.h"
#include "dialogs/AlarmWindow.h"
#include "registry/Alarms.h"
#include "registry/DateTime.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QWindow>

using namespace vatrel;
using vatrel::testing::sensorCell;
using vatrel::testing::WindowFixture;

class TestAlarmWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowFixture> m_f;
    std::unique_ptr<AlarmWindow> m_w;

    Console& c() { return m_f->c; }
    AlarmWindow& w() { return *m_w; }

    template <class T> T* child(const char* name) {
        T* found = m_w->findChild<T*>(QString::fromLatin1(name));
        if (!found) qWarning("no child %s", name);
        return found;
    }
    QString text(const char* label) {
        auto* l = child<QLabel>(label);
        return l ? l->text() : QString("<missing>");
    }
    QString cell(int row, int col) {
        auto* v = child<QTableView>("StringGrid1");
        return v ? v->model()->index(row, col).data().toString() : QString("<missing>");
    }
    void addAlarm(const QString& text, QTime at = QTime(14, 5, 9)) {
        EventRecord r;
        r.time = toDays(QDateTime(QDate(2025, 5, 6), at));
        r.text = text;
        raiseAlarm(c().alarms, c().notices, r);
        w().refresh();
    }

private slots:
    void init() {
        m_f = std::make_unique<WindowFixture>(QStringList{"QReport", "VatrelA_mess", "VatrelA", "VatrelB"});
        m_f->now = QDateTime(QDate(2025, 5, 6), QTime(14, 6, 0));
        alarmWindowCreate(c().alarms, c().data_dir);
        m_w = std::make_unique<AlarmWindow>(m_f->door);
    }
    void cleanup() {
        m_w.reset();
        m_f.reset();
    }

    void windowCannotBeClosedFromTheTitleBar() {
        QCOMPARE(w().windowTitle(), QString("Окно тревожных сообщений"));
        const Qt::WindowFlags f = w().windowFlags();
        QVERIFY(f.testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(f.testFlag(Qt::CustomizeWindowHint));
        QVERIFY(!f.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!f.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!f.testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(!f.testFlag(Qt::WindowSystemMenuHint));
        QVERIFY(!w().testAttribute(Qt::WA_QuitOnClose));
        QCOMPARE(w().minimumSize(), QSize(890, 423));
        QCOMPARE(w().maximumSize(), QSize(890, 423));

        w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&w()));
        QVERIFY(!w().close());
        QVERIFY(w().isVisible());
        QTest::keyClick(&w(), Qt::Key_Escape);
        QVERIFY(w().isVisible());
    }

    void showsTheFixedTexts() {
        QCOMPARE(text("Label1"), QString("ВНИМАНИЕ !  ТРЕВОГА !    "));
        QCOMPARE(text("Label2"), QString("Всего сообщений:"));
        QCOMPARE(text("LabelNumAlarm"), QString("0"));
        QCOMPARE(text("LabeledEdit1Label"), QString("Датчик"));
        QCOMPARE(child<QPushButton>("BitBtnAllOtboy")->text(), QString("Отбой тревог"));
        QCOMPARE(child<QPushButton>("BitBtn1")->text(), QString("Снять с охраны шлейф 1"));
        QCOMPARE(child<QPushButton>("BitBtn2")->text(), QString("Снять с охраны шлейф 2"));
        auto* edit = child<QLineEdit>("LabeledEdit1");
        QCOMPARE(edit->text(), QString("0"));
        QCOMPARE(edit->maxLength(), 6);

        auto* grid = child<QTableView>("StringGrid1");
        QCOMPARE(grid->model()->columnCount(), 2);
        QCOMPARE(grid->model()->headerData(0, Qt::Horizontal).toString(), QString("  Дата и время"));
        QCOMPARE(grid->model()->headerData(1, Qt::Horizontal).toString(), QString("  Событие"));
        QCOMPARE(grid->columnWidth(0), 188);
        QCOMPARE(grid->columnWidth(1), 947);
    }

    void tableAndCountFollowTheCore() {
        auto* model = child<QTableView>("StringGrid1")->model();
        QSignalSpy resets(model, &QAbstractItemModel::modelReset);
        QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted);
        addAlarm("Тревога первого шлейфа датчика <Ватрел-А> № 12");
        addAlarm("Обрыв ЧЭ 1", QTime(0, 0));
        // Each alarm adds a row: the list is not rebuilt (that would repaint it and lose the scroll).
        QCOMPARE(resets.count(), 0);
        QCOMPARE(inserted.count(), 2);
        QCOMPARE(text("LabelNumAlarm"), QString("2"));
        auto* grid = child<QTableView>("StringGrid1");
        QCOMPARE(grid->model()->rowCount(), 3); // two alarms and the empty bottom row
        QCOMPARE(cell(0, 0), QString("06.05.2025 14:05:09"));
        QCOMPARE(cell(0, 1), QString("Тревога первого шлейфа датчика <Ватрел-А> № 12"));
        QCOMPARE(cell(1, 0), QString("06.05.2025")); // exactly midnight: the date alone
        QCOMPARE(cell(1, 1), QString("Обрыв ЧЭ 1"));
        QCOMPARE(cell(2, 1), QString());
        const QModelIndex first = grid->model()->index(0, 1);
        QCOMPARE(first.data(Qt::BackgroundRole).value<QColor>(), QColor(255, 255, 0));
        QCOMPARE(first.data(Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
        QVERIFY(first.data(Qt::FontRole).value<QFont>().bold());
    }

    void acknowledgingHidesAndClears() {
        addAlarm("Тревога");
        addAlarm("Тревога 2");
        w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&w()));
        QTest::mouseClick(child<QPushButton>("BitBtnAllOtboy"), Qt::LeftButton);
        QVERIFY(!w().isVisible());
        QCOMPARE(text("LabelNumAlarm"), QString("0"));
        QCOMPARE(child<QTableView>("StringGrid1")->model()->rowCount(), 1);
        QCOMPARE(cell(0, 1), QString());
        QCOMPARE(m_f->ui.soundStopped, 1);
        QCOMPARE(c().alarms.soundOn(), false);
        QCOMPARE(c().events.at(0).text, QString("Отбой тревог: сброшено 2"));
    }

    // One of three alarms acknowledged by keyboard, one by mouse: the third stays new and the sound
    // runs until it is acknowledged too; each event names the alarm, the reason, the comment and the
    // operator on duty. A repeat of an acknowledged alarm makes it new and sounding again.
    void acknowledgingOneAlarmAtATime() {
        c().duty.take(c().data_dir, 4, "Иванов"); // the choice holds without a data folder to keep it
        const auto loopAlarm = [this](quint32 sensor, int loop, QTime at) {
            raiseAlarm(c().alarms, c().notices,
                       EventRecord{1, sensor, toDays(QDateTime(QDate(2025, 5, 6), at)),
                                   qint8(storedCode(loopAlarmCode(loop))),
                                   eventText(loopAlarmCode(loop), sensor, 0)});
        };
        loopAlarm(1234, 1, QTime(14, 5, 1));
        loopAlarm(1234, 2, QTime(14, 5, 2));
        loopAlarm(77, 1, QTime(14, 5, 3));
        w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&w()));
        w().refresh();
        const int started = m_f->ui.soundStarted;
        auto* grid = child<QTableView>("StringGrid1");
        // In the dialog: the second reason by keyboard, a comment, Enter.
        const auto answer = [](bool byKeyboard) {
            QTimer::singleShot(0, [byKeyboard] {
                QWidget* d = QApplication::activeModalWidget();
                QVERIFY(d && d->objectName() == "AcknowledgeDialog");
                if (byKeyboard) {
                    QTest::keyClick(d->findChild<QWidget*>("ComboReason"), Qt::Key_Down);
                    for (QChar ch : QString("калитка")) // typed: keyClicks takes ASCII only
                        QTest::sendKeyEvent(QTest::Click, d->findChild<QWidget*>("EditComment"),
                                            Qt::Key_unknown, QString(ch), Qt::NoModifier);
                    QTest::keyClick(d->findChild<QWidget*>("EditComment"), Qt::Key_Return);
                } else {
                    // The button's own click: the press that opened the window is still being
                    // released, and a synthetic press would go to the window that has it.
                    d->findChild<QPushButton*>("ButtonConfirm")->click();
                }
            });
        };
        grid->setFocus();
        grid->setCurrentIndex(grid->model()->index(0, 0));
        QTest::keyClick(grid, Qt::Key_Down); // the second row
        answer(true);
        QTest::keyClick(grid, Qt::Key_Return);
        const auto state = [this](int row) { return c().alarms.alarms()[size_t(row)].state; };
        QCOMPARE(state(1), AlarmBoard::State::Acknowledged);
        QCOMPARE(c().events.at(c().events.count() - 1).text,
                 QString("Подтверждение тревоги: Срабатывание 2 шлейфа датчика <Ватрел-А> № 1234 (14:05:02). "
                         "Причина: Выезд группы. Комментарий: калитка. Оператор: Иванов"));
        QCOMPARE(cell(1, 1),
                 QString("Срабатывание 2 шлейфа датчика <Ватрел-А> № 1234  — подтверждена 14:06:00, "
                         "Иванов: Выезд группы"));

        const QRect third = grid->visualRect(grid->model()->index(2, 1));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, third.center());
        answer(false);
        QTest::mouseClick(child<QPushButton>("BitBtnAck"), Qt::LeftButton);
        QCOMPARE(state(2), AlarmBoard::State::Acknowledged);
        QCOMPARE(c().events.at(c().events.count() - 1).text,
                 QString("Подтверждение тревоги: Срабатывание 1 шлейфа датчика <Ватрел-А> № 77 (14:05:03). "
                         "Причина: Проверено: ложная. Оператор: Иванов"));
        QCOMPARE(state(0), AlarmBoard::State::New);
        QCOMPARE(m_f->ui.soundStopped, 0);
        QVERIFY(c().alarms.soundOn());

        grid->clearSelection(); // nothing chosen: the oldest new alarm
        answer(false);
        QTest::mouseClick(child<QPushButton>("BitBtnAck"), Qt::LeftButton);
        QCOMPARE(state(0), AlarmBoard::State::Acknowledged);
        QCOMPARE(m_f->ui.soundStopped, 1);
        QVERIFY(w().isVisible()); // only "Отбой тревог" hides it
        QCOMPARE(text("LabelNumAlarm"), QString("3"));

        loopAlarm(77, 1, QTime(14, 6, 30));
        w().refresh();
        QCOMPARE(state(2), AlarmBoard::State::New);
        QCOMPARE(m_f->ui.soundStarted, started + 1);
        QCOMPARE(cell(2, 1),
                 QString("Срабатывание 1 шлейфа датчика <Ватрел-А> № 77  ×2, последняя 14:06:30"));
    }

    // Acknowledged and alarmed again before the window looked: the list is drawn again, not moved on.
    void acknowledgedAndRaisedBetweenRefreshes() {
        addAlarm("Тревога 1");
        QSignalSpy changed(child<QTableView>("StringGrid1")->model(), &QAbstractItemModel::dataChanged);
        c().alarms.acknowledgeAll();
        raiseAlarm(c().alarms, c().notices, EventRecord{1, 12, 45783.25, 2, "Тревога 3"});
        w().refresh();
        QCOMPARE(cell(0, 0), QString("06.05.2025 06:00:00"));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed[0][0].toModelIndex().row(), 0);
    }

    void enterInTheNumberEntryDoesNotAcknowledge() {
        addAlarm("Тревога");
        w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&w()));
        auto* edit = child<QLineEdit>("LabeledEdit1");
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Return);
        QVERIFY(w().isVisible());
        QCOMPARE(c().alarms.total(), 1u);
    }

    // The window pops up while the operator may be typing elsewhere: a stray Space or Enter must not
    // acknowledge. Only a button the operator moved the focus to acts on the keyboard.
    void strayKeysDoNotAcknowledge() {
        addAlarm("Тревога");
        w().show();
        w().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w()));
        QCOMPARE(QApplication::focusWidget(), child<QLineEdit>("LabeledEdit1"));
        for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter})
            QTest::keyClick(w().windowHandle(), key);
        QVERIFY(w().isVisible());
        QCOMPARE(c().alarms.rows(), 1);
        QCOMPARE(text("LabelNumAlarm"), QString("1"));

        // Tab from the number entry: loop 1, loop 2, each on a timer, then "Отбой тревог"; Enter there
        // acknowledges.
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(w().windowHandle(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), child<QPushButton>("BitBtnAllOtboy"));
        QTest::keyClick(w().windowHandle(), Qt::Key_Return);
        QVERIFY(!w().isVisible());
        QCOMPARE(c().alarms.rows(), 0);
    }

    // Oldest at the top, yet the newest alarm is in view; not while the operator reads older rows.
    void newestAlarmIsInView() {
        w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&w()));
        auto* view = child<QTableView>("StringGrid1");
        auto rowVisible = [view](int row) {
            const QRect r = view->visualRect(view->model()->index(row, 0));
            return r.top() >= 0 && r.bottom() < view->viewport()->height();
        };
        for (int i = 1; i <= 30; ++i)
            addAlarm(QString("Тревога %1").arg(i));
        QCOMPARE(cell(0, 1), QString("Тревога 1"));
        QCOMPARE(cell(29, 1), QString("Тревога 30"));
        QVERIFY(rowVisible(29));
        QVERIFY(!rowVisible(0));

        view->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
        addAlarm("Тревога 31");
        QVERIFY(rowVisible(0));
        QVERIFY(!rowVisible(30));
    }

    // A chattering loop takes one row that counts its alarms; another loop's alarm gets a row of its
    // own and comes into view; more than ten alarms in ten minutes show as a flood until they slow.
    void repeatsOfOneLoopShareARow() {
        w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&w()));
        auto* view = child<QTableView>("StringGrid1");
        for (int i = 0; i < 30; ++i)
            addAlarm(QString("Тревога %1").arg(i));
        const auto loopAlarm = [this](quint32 sensor, QTime at) {
            EventRecord r{1, sensor, toDays(QDateTime(QDate(2025, 5, 6), at)),
                          qint8(storedCode(EventCode::LoopAlarm1)),
                          QString("Срабатывание 1 шлейфа датчика № %1").arg(sensor)};
            raiseAlarm(c().alarms, c().notices, r);
        };
        QSignalSpy inserted(view->model(), &QAbstractItemModel::rowsInserted);
        for (int i = 0; i < 50; ++i) { // 50 alarms in 20 s
            loopAlarm(7, QTime(14, 5, 10).addMSecs(i * 400));
            if (i % 10 == 0) w().refresh();
        }
        w().refresh();
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(c().alarms.rows(), 31);
        QCOMPARE(cell(30, 0), QString("06.05.2025 14:05:10"));
        QCOMPARE(cell(30, 1), QString("Срабатывание 1 шлейфа датчика № 7  ×50, последняя 14:05:29"));
        QCOMPARE(text("LabelNumAlarm"), QString("80"));

        loopAlarm(8, QTime(14, 5, 31));
        loopAlarm(7, QTime(14, 5, 32));
        w().refresh();
        QCOMPARE(c().alarms.rows(), 32);
        QCOMPARE(cell(30, 1), QString("Срабатывание 1 шлейфа датчика № 7  ×51, последняя 14:05:32"));
        QCOMPARE(cell(31, 1), QString("Срабатывание 1 шлейфа датчика № 8"));
        const QRect newest = view->visualRect(view->model()->index(31, 0));
        QVERIFY(newest.top() >= 0 && newest.bottom() < view->viewport()->height());

        auto* flood = child<QLabel>("LabelFlood");
        QVERIFY(flood->isVisible());
        QCOMPARE(flood->text(), QString("Поток тревог: 82 за 10 мин"));
        m_f->now = QDateTime(QDate(2025, 5, 6), QTime(14, 15, 20)); // from 14:05:21 on: 22 + 2
        w().refresh();
        QCOMPARE(flood->text(), QString("Поток тревог: 24 за 10 мин"));
        m_f->now = QDateTime(QDate(2025, 5, 6), QTime(14, 15, 31));
        w().refresh();
        QVERIFY(!flood->isVisible());
    }

    // "Отбой тревог" takes what the operator saw: a group that alarmed again since stays, as its
    // newest alarm alone.
    void acknowledgingKeepsARepeatNotYetShown() {
        const EventRecord first{1, 7, toDays(QDateTime(QDate(2025, 5, 6), QTime(14, 5, 0))),
                                qint8(storedCode(EventCode::LoopAlarm1)), "Срабатывание 1 шлейфа"};
        EventRecord again = first;
        again.time = toDays(QDateTime(QDate(2025, 5, 6), QTime(14, 5, 40)));
        raiseAlarm(c().alarms, c().notices, first);
        raiseAlarm(c().alarms, c().notices, first);
        addAlarm("Обрыв ЧЭ 1");
        raiseAlarm(c().alarms, c().notices, again); // not drawn yet
        QTest::mouseClick(child<QPushButton>("BitBtnAllOtboy"), Qt::LeftButton);
        QCOMPARE(c().alarms.rows(), 1);
        QCOMPARE(c().alarms.total(), 1u);
        w().refresh();
        QCOMPARE(cell(0, 0), QString("06.05.2025 14:05:40"));
        QCOMPARE(cell(0, 1), QString("Срабатывание 1 шлейфа"));
        QCOMPARE(cell(1, 1), QString());
    }

    // Once the list is full each alarm moves the lines up: the view moves its picture and paints
    // the new line only, and what is on screen is what a fresh paint of the list shows.
    void fullListMovesItsPictureAndPaintsOnlyTheNewLine() {
        w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&w()));
        auto* view = child<QTableView>("StringGrid1");
        auto alarm = [this](int i) {
            EventRecord r;
            r.time = 45783.5 + i / 86400.0;
            r.text = QString("Тревога %1").arg(i);
            raiseAlarm(c().alarms, c().notices, r);
            if (i % 50 == 0) w().refresh();
        };
        for (int i = 1; i <= 505; ++i)
            alarm(i);
        w().refresh();
        QTest::qWait(50);

        struct PaintLog : QObject {
            QRegion painted;
            bool eventFilter(QObject*, QEvent* e) override {
                if (e->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(e)->region();
                return false;
            }
        } log;
        // The operator has clicked into the list: the current cell's focus frame stays on its cell.
        w().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w()));
        view->setFocus();
        view->setCurrentIndex(view->model()->index(497, 0));
        QTest::qWait(20);
        view->viewport()->installEventFilter(&log);
        alarm(506);
        alarm(507);
        w().refresh();
        QTRY_VERIFY(!log.painted.isEmpty());
        QTest::qWait(20);
        QVERIFY2(log.painted.boundingRect().height() <= 6 * view->rowHeight(0),
                 qPrintable(QString("painted %1 px high").arg(log.painted.boundingRect().height())));
        QCOMPARE(cell(499, 1), QString("Тревога 507"));
        // The chosen alarm stays chosen as it moves up: Enter would acknowledge it, not its neighbour.
        QCOMPARE(view->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(view->selectionModel()->selectedRows()[0].row(), 495);

        const QRect onWindow(view->viewport()->mapTo(&w(), QPoint(0, 0)), view->viewport()->size());
        const QImage shown = w().windowHandle()->screen()->grabWindow(w().winId()).toImage().copy(onWindow);
        QVERIFY(shown.convertToFormat(QImage::Format_RGB32) ==
                view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32));
    }

    void typedNumberDisarmsTheLoop() {
        SensorRecord& s = c().sensors.record(2);
        s.factory_number = 1234;
        s.sensor_type = 0;
        s.loop1_armed = 1;
        s.loop2_armed = 1;
        c().sensors.setOnline(2, true);
        c().sensorRows.setArmed(2, 1, true);

        auto* edit = child<QLineEdit>("LabeledEdit1");
        edit->selectAll();
        QTest::keyClicks(edit, "1234");
        QCOMPARE(edit->text(), QString("1234"));
        QTest::mouseClick(child<QPushButton>("BitBtn1"), Qt::LeftButton);
        QCOMPARE(s.loop1_armed, quint8(0));
        QCOMPARE(s.loop2_armed, quint8(1));
        QCOMPARE(sensorCell(c(), 10, 3), QString("Снят"));
        QCOMPARE(c().events.at(0).text, QString("Снятие с охраны первого шлейфа датчика <Ватрел-А> № 1234"));
        QCOMPARE(edit->text(), QString("1234")); // the entry keeps what was typed

        QTest::mouseClick(child<QPushButton>("BitBtn2"), Qt::LeftButton);
        QCOMPARE(s.loop2_armed, quint8(0));
        QCOMPARE(c().sensorRows.colour(2), 0x00FFFF00u);

        // Seven characters do not fit the entry.
        edit->clear();
        QTest::keyClicks(edit, "1234567");
        QCOMPARE(edit->text(), QString("123456"));
    }

    void missingSoundFileIsSilent() {
        const QString wav = m_f->file("Error.wav");
        QVERIFY(!QFile::exists(wav));
        w().playSound(wav);
        w().playSound(QString());
        w().stopSound();
        addAlarm("Тревога без звука"); // the recording window layer is asked to play; the list fills anyway
        QCOMPARE(m_f->ui.lastSoundPath, wav);
        QCOMPARE(cell(0, 1), QString("Тревога без звука"));
    }

    // With no sound device (as here) even a good wave file must neither block nor crash.
    void soundFileThatCannotBePlayedIsSilent_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("wave");
        QTest::newRow("not a wave file") << QByteArray("not a wave file") << false;
        QByteArray wave;
        auto u32 = [&wave](quint32 v) {
            for (int i = 0; i < 4; ++i)
                wave.append(char((v >> (8 * i)) & 0xFF));
        };
        auto u16 = [&wave](quint16 v) {
            wave.append(char(v & 0xFF));
            wave.append(char(v >> 8));
        };
        const quint32 samples = 800; // 0.1 s of silence, 8 kHz mono 16-bit
        wave.append("RIFF");
        u32(36 + samples * 2);
        wave.append("WAVEfmt ");
        u32(16);
        u16(1);
        u16(1);
        u32(8000);
        u32(16000);
        u16(2);
        u16(16);
        wave.append("data");
        u32(samples * 2);
        wave.append(QByteArray(int(samples * 2), '\0'));
        QTest::newRow("silent wave") << wave << true;
    }
    void soundFileThatCannotBePlayedIsSilent() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, wave);
        const QString wav = m_f->file("Error.wav");
        QFile f(wav);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&w()));
        w().playSound(wav);
        QTest::qWait(50); // let the effect try to load and play it
        // A wave file counts as playing even where no device sounds it; anything else never starts.
        if (!wave) QVERIFY(!w().soundPlaying());
        addAlarm("Тревога");
        QCOMPARE(cell(0, 1), QString("Тревога"));
        QTest::mouseClick(child<QPushButton>("BitBtnAllOtboy"), Qt::LeftButton);
        QVERIFY(!w().isVisible());
        QVERIFY(!w().soundPlaying());
        QVERIFY(QFile::remove(wav));
    }
};

QTEST_MAIN(TestAlarmWindow)
#include "tst_alarmwindow.moc"
