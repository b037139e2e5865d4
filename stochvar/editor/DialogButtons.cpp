#include <stochvar/editor/DialogButtons.h>

#include <stochvar/editor/ControlIds.h>

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

namespace stochvar {

QHBoxLayout* MakeOkCancelRow(QDialog* pDialog) {
    auto* pOk = WithId(new QPushButton(QStringLiteral("OK"), pDialog), IDC_OK);
    auto* pCancel = WithId(new QPushButton(QStringLiteral("Cancel"), pDialog), IDC_CANCEL);
    for (QPushButton* pButton : {pOk, pCancel}) {
        pButton->setAutoDefault(false);
        pButton->setDefault(false);
    }
    QObject::connect(pOk, &QPushButton::clicked, pDialog, &QDialog::accept);
    QObject::connect(pCancel, &QPushButton::clicked, pDialog, &QDialog::reject);

    auto* pRow = new QHBoxLayout;
    pRow->addStretch(1);
    pRow->addWidget(pOk);
    pRow->addWidget(pCancel);
    return pRow;
}

} // namespace stochvar
