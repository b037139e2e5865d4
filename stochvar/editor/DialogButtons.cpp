#include <stochvar/editor/DialogButtons.h>

#include <stochvar/editor/ControlIds.h>

#include <QBoxLayout>
#include <QDialog>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QPushButton>

namespace stochvar {

namespace {

void AddOkCancel(QDialog* pDialog, QBoxLayout* pLayout) {
    QPushButton* pOk = MakeButtonWithoutReturn(QStringLiteral("OK"), IDC_OK, pDialog);
    QPushButton* pCancel = MakeButtonWithoutReturn(QStringLiteral("Cancel"), IDC_CANCEL, pDialog);
    QObject::connect(pOk, &QPushButton::clicked, pDialog, &QDialog::accept);
    QObject::connect(pCancel, &QPushButton::clicked, pDialog, &QDialog::reject);
    pLayout->addWidget(pOk);
    pLayout->addWidget(pCancel);
}

} // namespace

bool IsReturnKey(const QEvent* pEvent) {
    if (pEvent->type() != QEvent::KeyPress) {
        return false;
    }
    const int nKey = static_cast<const QKeyEvent*>(pEvent)->key();
    return nKey == Qt::Key_Return || nKey == Qt::Key_Enter;
}

QPushButton* MakeButtonWithoutReturn(const QString& text, int nId, QWidget* pParent) {
    auto* pButton = WithId(new QPushButton(text, pParent), nId);
    pButton->setAutoDefault(false);
    pButton->setDefault(false);
    return pButton;
}

QHBoxLayout* MakeOkCancelRow(QDialog* pDialog) {
    auto* pRow = new QHBoxLayout;
    pRow->addStretch(1);
    AddOkCancel(pDialog, pRow);
    return pRow;
}

QVBoxLayout* MakeOkCancelColumn(QDialog* pDialog) {
    auto* pColumn = new QVBoxLayout;
    AddOkCancel(pDialog, pColumn);
    pColumn->addStretch(1);
    return pColumn;
}

QDialogButtonBox* MakeOkCancelBox(QDialog* pDialog) {
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, pDialog);
    WithId(pButtons->button(QDialogButtonBox::Ok), IDC_OK);
    WithId(pButtons->button(QDialogButtonBox::Cancel), IDC_CANCEL);
    QObject::connect(pButtons, &QDialogButtonBox::accepted, pDialog, &QDialog::accept);
    QObject::connect(pButtons, &QDialogButtonBox::rejected, pDialog, &QDialog::reject);
    return pButtons;
}

} // namespace stochvar
