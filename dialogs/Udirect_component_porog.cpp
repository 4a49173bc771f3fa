#include "dialogs/Udirect_component_porog.h"

namespace vatrel {

TFDirect_component_porog::TFDirect_component_porog(Console& c, QWidget* parent) : QDialog(parent), m_c(c) {
    setObjectName(QStringLiteral("FDirect_component_porog"));
    setWindowTitle(QStringLiteral("Пост. составл. порога"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(297, 373);
}

} // namespace vatrel
