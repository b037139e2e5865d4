#include <stochvar/editor/DlgAxisBounds.h>

#include <stochvar/editor/ControlIds.h>
#include <stochvar/editor/DataExchange.h>
#include <stochvar/editor/DialogButtons.h>
#include <stochvar/model/Dist.h>
#include <stochvar/module/HostHooks.h>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace stochvar {

CDlgAxisBounds::CDlgAxisBounds(QWidget* pParent)
    : QDialog(pParent),
      m_pAuto(WithId(new QCheckBox(QStringLiteral("Auto Axis"), this), IDC_AUTO_AXIS)),
      m_pLower(WithId(new QLineEdit(this), IDC_LOWER)),
      m_pUpper(WithId(new QLineEdit(this), IDC_UPPER)) {
    setWindowTitle(QStringLiteral("Set Axis Bounds"));

    auto* pBounds = new QFormLayout;
    pBounds->addRow(QStringLiteral("Lower"), m_pLower);
    pBounds->addRow(QStringLiteral("Upper"), m_pUpper);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pAuto);
    pLayout->addLayout(pBounds);
    pLayout->addWidget(MakeOkCancelBox(this));

    connect(m_pAuto, &QCheckBox::clicked, this, &CDlgAxisBounds::OnAuto);
}

int CDlgAxisBounds::DoModal() {
    OnInitDialog();
    return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

BOOL CDlgAxisBounds::OnInitDialog() {
    UpdateData(false);
    OnAuto();
    return TRUE;
}

bool CDlgAxisBounds::UpdateData(bool bSaveAndValidate) {
    return ExchangeCheck(m_pAuto, m_bAuto, bSaveAndValidate) &&
           ExchangeText(m_pLower, m_dLower, bSaveAndValidate) &&
           ExchangeText(m_pUpper, m_dUpper, bSaveAndValidate);
}

void CDlgAxisBounds::accept() {
    if (UpdateData(true)) {
        QDialog::accept();
    }
}

void CDlgAxisBounds::OnAuto() {
    const bool bTyped = !m_pAuto->isChecked();
    m_pLower->setEnabled(bTyped);
    m_pUpper->setEnabled(bTyped);
}

void EditAxisBounds(CDist* pDist, QWidget* pParent) {
    CDlgAxisBounds dlg(pParent);
    dlg.m_bAuto = pDist->m_bAutoAxis;
    dlg.m_dLower = pDist->m_dAxisMin;
    dlg.m_dUpper = pDist->m_dAxisMax;
    if (dlg.DoModal() != IDOK) {
        return;
    }
    if (dlg.m_bAuto == 1) {
        pDist->m_bAutoAxis = TRUE;
        return;
    }
    pDist->m_bAutoAxis = FALSE;
    const double dLower = dlg.m_dLower;
    const double dUpper = dlg.m_dUpper;
    if (dLower < dUpper) {
        pDist->m_dAxisMin = dLower;
        pDist->m_dAxisMax = dUpper;
    } else if (dLower > dUpper) {
        pDist->m_dAxisMin = dUpper;
        pDist->m_dAxisMax = dLower;
    } else {
        // No width to draw over: take the automatic bounds this once.
        pDist->SetAutoAxis();
    }
}

} // namespace stochvar
