#include <stochvar/editor/DlgDiscrete.h>

#include <stochvar/editor/DialogButtons.h>
#include <stochvar/editor/DistPageDisc.h>
#include <stochvar/module/HostHooks.h>

#include <QKeyEvent>
#include <QVBoxLayout>

namespace stochvar {

CDlgDiscrete::CDlgDiscrete(CDist* pDist, QWidget* pParent)
    : QDialog(pParent), m_pPage(new CDistPageDisc(this)) {
    setWindowTitle(QStringLiteral("Discrete Distribution"));
    m_pPage->SetDist(pDist);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pPage, 1);
    pLayout->addLayout(MakeOkCancelRow(this));
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
    if (IsReturnKey(pEvent)) {
        m_pPage->OnEnter();
        pEvent->accept();
        return;
    }
    QDialog::keyPressEvent(pEvent);
}

} // namespace stochvar
