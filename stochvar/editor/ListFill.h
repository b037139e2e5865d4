#pragma once

// Refilling list controls from the model without the refill reaching the selection handlers.

#include <QStringList>

class QListWidget;

namespace stochvar {

// Rewrites the list with the given lines and selects line nSelected (none when out of range),
// with the list's signals blocked meanwhile.
void RefillList(QListWidget* pList, const QStringList& lines, int nSelected);

// Selects line nSelected (none when out of range) without notifying.
void SelectLine(QListWidget* pList, int nSelected);

// The selected line, -1 when none is.
int SelectedLine(const QListWidget* pList);

} // namespace stochvar
