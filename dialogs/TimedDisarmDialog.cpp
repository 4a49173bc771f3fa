// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/TimedDisarmDialog.h"
#include "core/CoreDoor.h"
#include "core/TimedDisarmActions.h"

#include <QButtonGroup>
#include <QDateTimeEdit>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vatrel {

namespace {

// A date further ahead is a slip of the keyboard rather than a plan; a loop meant to stay off guard
// that long is disarmed for good.
constexpr int kLongestDays = 30;

QDateTime wholeMinute(const QDateTime& t) {
    QDateTime m = t;
    m.setTime(QTime(t.time().hour(), t.time().minute()));
    return m;
}

} // namespace

TimedDisarmDialog::TimedDisarmDialog(quint32 number, int loop, const QDateTime& now, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("TimedDisarmDialog"));
    setWindowTitle(QStringLiteral("Снятие с охраны на время"));
    setWindowModality(Qt::WindowModal);

    auto* caption =
        new QLabel(QStringLiteral("Снять Ш%1 датчика № %2 с охраны").arg(loop).arg(qint32(number)), this);
    caption->setObjectName(QStringLiteral("LabelSensor"));

    m_choices = new QButtonGroup(this);
    auto* grid = new QGridLayout;
    const struct {
        const char* name;
        const char* text;
        int minutes;
    } kChoices[] = {{"Radio15", "15 мин", 15},
                    {"Radio60", "1 ч", 60},
                    {"Radio240", "4 ч", 240},
                    {"Radio480", "8 ч", 480}};
    int row = 0;
    for (const auto& c : kChoices) {
        auto* b = new QRadioButton(QString::fromUtf8(c.text), this);
        b->setObjectName(QString::fromLatin1(c.name));
        m_choices->addButton(b, c.minutes);
        grid->addWidget(b, row++, 0);
    }
    auto* untilChoice = new QRadioButton(QStringLiteral("до"), this);
    untilChoice->setObjectName(QStringLiteral("RadioUntil"));
    m_choices->addButton(untilChoice, 0);
    m_until = new QDateTimeEdit(this);
    m_until->setObjectName(QStringLiteral("EditUntil"));
    m_until->setDisplayFormat(QStringLiteral("dd.MM.yyyy HH:mm"));
    m_until->setCalendarPopup(true);
    const QDateTime from = wholeMinute(now);
    m_until->setDateTimeRange(from, from.addDays(kLongestDays));
    m_until->setDateTime(from.addSecs(3600));
    grid->addWidget(untilChoice, row, 0);
    grid->addWidget(m_until, row, 1);
    // Going to the date and time, or editing it, means "до": the operator need not pick the choice first.
    connect(m_until, &QDateTimeEdit::dateTimeChanged, untilChoice,
            [untilChoice] { untilChoice->setChecked(true); });
    m_until->installEventFilter(this);

    auto* accept = new QPushButton(QStringLiteral("Снять"), this);
    accept->setObjectName(QStringLiteral("ButtonAccept"));
    accept->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Отмена"), this);
    cancel->setObjectName(QStringLiteral("ButtonCancel"));
    cancel->setAutoDefault(false);
    connect(accept, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(accept);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    // The shortest disarm is the choice at hand: the operator takes more on purpose.
    QAbstractButton* first = m_choices->button(15);
    first->setChecked(true);
    first->setFocus(Qt::OtherFocusReason);
}

bool TimedDisarmDialog::eventFilter(QObject* watched, QEvent* event) {
    // Only the operator's own move counts: focus given back as the window is activated again (after
    // the alarm window came up, say) must not change the choice behind the operator's back.
    if (watched == m_until && event->type() == QEvent::FocusIn) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
            reason == Qt::MouseFocusReason)
            m_choices->button(0)->setChecked(true);
    }
    return QDialog::eventFilter(watched, event);
}

TimedDisarmChoice TimedDisarmDialog::choice() const {
    TimedDisarmChoice c;
    c.minutes = qMax(0, m_choices->checkedId());
    if (c.minutes == 0) c.until = m_until->dateTime();
    return c;
}

void TimedDisarmDialog::disarmSelected(CoreDoor& door, QWidget* parent, int loop) {
    quint32 number = 0;
    {
        const ConsoleUi::OperatorAction action(door.windowUi());
        number = door.actTimed([loop](TimedDisarmActions& t) { return t.askSelected(loop); });
    }
    if (number == 0) return;
    TimedDisarmDialog dialog(number, loop, door.mirror().clock(), parent);
    if (dialog.exec() != QDialog::Accepted) return;
    const ConsoleUi::OperatorAction action(door.windowUi());
    door.actTimed(
        [loop, choice = dialog.choice()](TimedDisarmActions& t) { t.disarmSelected(loop, choice); });
}

void TimedDisarmDialog::disarmEntered(CoreDoor& door, QWidget* parent, const QString& number, int loop) {
    const quint32 sensor =
        door.actTimed([&number, loop](TimedDisarmActions& t) { return t.askSensor(number, loop); });
    if (sensor == 0) return; // as the disarm buttons beside: a number that names nothing is ignored
    TimedDisarmDialog dialog(sensor, loop, door.mirror().clock(), parent);
    if (dialog.exec() != QDialog::Accepted) return;
    const ConsoleUi::OperatorAction action(door.windowUi());
    door.actTimed([&number, loop, choice = dialog.choice()](TimedDisarmActions& t) {
        t.disarmSensor(number, loop, choice);
    });
}

} // namespace vatrel
