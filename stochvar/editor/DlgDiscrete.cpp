#include <stochvar/editor/DlgDiscrete.h>

#include <stochvar/editor/ControlIds.h>
#include <stochvar/editor/DistPageDisc.h>
#include <stochvar/module/HostHooks.h>

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace stochvar {

CDlgDiscrete::CDlgDiscrete(CDist* pDist, QWidget* pParent)
    : QDialog(pParent), m_pPage(new CDistPageDisc(this)) {
    setWindowTitle(QStringLiteral("Discrete Distribution"));
    m_pPage->SetDist(pDist);

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    for (const auto& [button, nId] : {std::pair{QDialogButtonBox::Ok, int{IDC_OK}},
                                      std::pair{QDialogButtonBox::Cancel, int{IDC_CANCEL}}}) {
        QPushButton* pButton = WithId(pButtons->button(button), nId);
        // Return commits the page's value box instead of pressing a button.
        pButton->setAutoDefault(false);
    }
    connect(pButtons, &QDialogButtonBox::accepted, this, &CDlgDiscrete::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &CDlgDiscrete::reject);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pPage, 1);
    pLayout->addWidget(pButtons);
}

int CDlgDiscrete::DoModal() {
    OnInitDialog();
    return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

BOOL CDlgDiscrete::OnInitDialog() {
    m_pPage->UpdateAll();
    return TRUE;
}

void CDlgDiscrete::keyPressEvent(QKeyEvent* pEvent) {
    if (pEvent->key() == Qt::Key_Return || pEvent->key() == Qt::Key_Enter) {
        m_pPage->OnEnter();
        pEvent->accept();
        return;
    }
    QDialog::keyPressEvent(pEvent);
}

} // namespace stochvar
