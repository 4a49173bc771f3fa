#include "dialogs/OperatorListBox.h"
#include "link/SensorSetup.h"

#include <QComboBox>
#include <QGridLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace vatrel {

QPushButton* dialogButton(QWidget* parent, const QString& name, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

bool pressFocusedButton(QWidget* dialog, QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) return false;
    auto* button = qobject_cast<QPushButton*>(dialog->focusWidget());
    if (!button || !button->isEnabled()) return false;
    button->click();
    return true;
}

OperatorListBox::OperatorListBox(Console& c, QWidget* parent)
    : QGroupBox(QStringLiteral("Фамилия оператора"), parent), m_c(c) {
    setObjectName(QStringLiteral("GroupBox1"));
    auto* label3 = new QLabel(QStringLiteral("Список"), this);
    label3->setObjectName(QStringLiteral("Label3"));
    m_comboBoxFam = new QComboBox(this);
    m_comboBoxFam->setObjectName(QStringLiteral("ComboBoxFam"));
    m_comboBoxFam->setEditable(false);
    m_addButton = dialogButton(this, QStringLiteral("AddButton"), QStringLiteral("Добавить"));
    m_removeButton1 = dialogButton(this, QStringLiteral("RemoveButton1"), QStringLiteral("Удалить"));

    auto* layout = new QGridLayout(this);
    layout->addWidget(label3, 0, 0, 1, 2);
    layout->addWidget(m_comboBoxFam, 1, 0, 1, 2);
    layout->addWidget(m_addButton, 2, 0);
    layout->addWidget(m_removeButton1, 2, 1);

    connect(m_addButton, &QPushButton::clicked, this, &OperatorListBox::AddButtonClick);
    connect(m_removeButton1, &QPushButton::clicked, this, &OperatorListBox::RemoveButton1Click);
}

void OperatorListBox::reload(int select) {
    m_comboBoxFam->clear();
    const OperatorList& list = m_c.operators;
    for (int i = 0; i < list.operator_count; ++i)
        m_comboBoxFam->addItem(list.entries[size_t(i)].surname);
    m_comboBoxFam->setCurrentIndex(select >= 0 && select < list.operator_count ? select : -1);
}

int OperatorListBox::selectedIndex() const {
    return m_comboBoxFam->currentIndex();
}

QString OperatorListBox::askSurname() {
    QInputDialog box(this);
    box.setObjectName(QStringLiteral("InputBox"));
    box.setWindowTitle(QStringLiteral("Пожалуйста,представьтесь"));
    box.setLabelText(QStringLiteral("Укажите Вашу фамилию"));
    box.setTextValue(QString());
    box.setOkButtonText(QStringLiteral("OK"));
    box.setCancelButtonText(QStringLiteral("Отмена"));
    return box.exec() == QDialog::Accepted ? box.textValue() : QString();
}

void OperatorListBox::AddButtonClick() {
    const int added = addOperator(m_c, [this] { return askSurname(); });
    if (added < 0) return;
    // The list was reloaded from the file; the drop-down shows it and the new surname is chosen.
    reload(added);
    m_comboBoxFam->setFocus();
}

void OperatorListBox::RemoveButton1Click() {
    if (deleteOperator(m_c, selectedIndex())) reload(0);
}

} // namespace vatrel
