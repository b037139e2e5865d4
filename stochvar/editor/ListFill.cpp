#include <stochvar/editor/ListFill.h>

#include <QListWidget>
#include <QSignalBlocker>

namespace stochvar {

void RefillList(QListWidget* pList, const QStringList& lines, int nSelected) {
    const QSignalBlocker blocker(pList);
    // Every line is rewritten, but rows that exist already are reused: a refill from inside a
    // click on the list must not pull the clicked row away under the mouse, or a double-click
    // that began by selecting the row would be lost.
    while (pList->count() > lines.size()) {
        delete pList->takeItem(pList->count() - 1);
    }
    for (int i = 0; i < lines.size(); ++i) {
        if (i < pList->count()) {
            pList->item(i)->setText(lines[i]);
        } else {
            pList->addItem(lines[i]);
        }
    }
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
