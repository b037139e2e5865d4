#include <stochvar/editor/ListFill.h>

#include <QListWidget>
#include <QSignalBlocker>

namespace stochvar {

void RefillList(QListWidget* pList, const QStringList& lines, int nSelected) {
    const QSignalBlocker blocker(pList);
    pList->clear();
    pList->addItems(lines);
    SelectLine(pList, nSelected);
}

void SelectLine(QListWidget* pList, int nSelected) {
    const QSignalBlocker blocker(pList);
    if (nSelected >= 0 && nSelected < pList->count()) {
        pList->setCurrentRow(nSelected);
    } else {
        pList->clearSelection();
        pList->setCurrentRow(-1);
    }
}

int SelectedLine(const QListWidget* pList) {
    const QModelIndexList selected = pList->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

} // namespace stochvar
