// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/Console.h"

#include <QString>
#include <functional>

namespace vatrel {

// The operator list controls of the connect and disconnect dialogs. Connecting and disconnecting
// themselves are operator actions (core/OperatorActions.h).

// "Добавить": refuses a full list before anything is asked, then asks for the surname through
// `askSurname` (an empty answer means the operator cancelled), checks it, appends it to chop.dat and
// reloads the list. Returns the index of the new surname in the reloaded list, or -1.
int addOperator(Console& c, const std::function<QString()>& askSurname);

// "Удалить": asks for confirmation, marks entry `index` deleted in chop.dat and reloads the list.
// Returns true when the operator confirmed and the entry existed.
bool deleteOperator(Console& c, int index);

} // namespace vatrel
