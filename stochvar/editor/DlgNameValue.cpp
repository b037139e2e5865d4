#include <stochvar/editor/DlgNameValue.h>

#include <stochvar/editor/ControlIds.h>
#include <stochvar/editor/DataExchange.h>
#include <stochvar/module/HostHooks.h>

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace stochvar {

CDlgNameValue::CDlgNameValue(QWidget* pParent)
    : QDialog(pParent), m_pName(WithId(new QLineEdit(this), IDC_CATEGORY_NAME)),
      m_pValue(WithId(new QLineEdit(this), IDC_CATEGORY_VALUE)) {
    setWindowTitle(QStringLiteral("Name and value"));

    auto* pFields = new QFormLayout;
    pFields->addRow(QStringLiteral("Name"), m_pName);
    pFields->addRow(QStringLiteral("Value"), m_pValue);
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    WithId(pButtons->button(QDialogButtonBox::Ok), IDC_OK);
    WithId(pButtons->button(QDialogButtonBox::Cancel), IDC_CANCEL);
    connect(pButtons, &QDialogButtonBox::accepted, this, &CDlgNameValue::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &CDlgNameValue::reject);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pFields);
    pLayout->addWidget(pButtons);
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
