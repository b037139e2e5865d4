#include <stochvar/editor/DlgNameValue.h>

#include <stochvar/editor/ControlIds.h>
#include <stochvar/editor/DataExchange.h>
#include <stochvar/editor/DialogButtons.h>
#include <stochvar/module/HostHooks.h>

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

namespace stochvar {

CDlgNameValue::CDlgNameValue(QWidget* pParent)
    : QDialog(pParent), m_pName(WithId(new QLineEdit(this), IDC_CATEGORY_NAME)),
      m_pValue(WithId(new QLineEdit(this), IDC_CATEGORY_VALUE)) {
    setWindowTitle(QStringLiteral("Name and value"));

    auto* pFields = new QFormLayout;
    pFields->addRow(QStringLiteral("Name"), m_pName);
    pFields->addRow(QStringLiteral("Value"), m_pValue);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pFields);
    pLayout->addWidget(MakeOkCancelBox(this));
}

int CDlgNameValue::DoModal() {
    OnInitDialog();
    return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

BOOL CDlgNameValue::OnInitDialog() {
    UpdateData(false);
    m_pName->setFocus();
    m_pName->selectAll();
    return TRUE;
}

bool CDlgNameValue::UpdateData(bool bSaveAndValidate) {
    return ExchangeText(m_pName, m_strName, bSaveAndValidate) &&
           ExchangeText(m_pValue, m_dValue, bSaveAndValidate);
}

void CDlgNameValue::accept() {
    if (UpdateData(true)) {
        QDialog::accept();
    }
}

} // namespace stochvar
