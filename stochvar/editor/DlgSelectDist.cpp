#include <stochvar/editor/DlgSelectDist.h>

#include <stochvar/editor/ControlIds.h>
#include <stochvar/editor/DialogButtons.h>
#include <stochvar/editor/DistPageCont.h>
#include <stochvar/editor/ListFill.h>
#include <stochvar/editor/TextConversion.h>
#include <stochvar/families/FamilyList.h>
#include <stochvar/model/Dist.h>
#include <stochvar/module/HostHooks.h>

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace stochvar {

CDlgSelectDist::CDlgSelectDist(CDist* pDist, QWidget* pParent)
    : QDialog(pParent), m_pDist(pDist), m_pOrigDist(pDist), m_pPage(new CDistPageCont(this)),
      m_pDistTypeBox(WithId(new QListWidget(this), IDC_DIST_TYPE)),
      m_pNameBox(WithId(new QLineEdit(this), IDC_VAR_NAME)),
      m_pEnter(MakeButtonWithoutReturn(QStringLiteral("Enter"), IDC_ENTER, this)) {
    setWindowTitle(QStringLiteral("Select distribution"));

    // The hidden "Enter" button stands for Return: it commits the value box.
    m_pEnter->setVisible(false);

    auto* pTypeGroup = new QGroupBox(QStringLiteral("Distribution type"), this);
    auto* pTypeLayout = new QVBoxLayout(pTypeGroup);
    pTypeLayout->addWidget(m_pDistTypeBox);
    auto* pNameRow = new QFormLayout;
    pNameRow->addRow(QStringLiteral("Name"), m_pNameBox);
    auto* pLeft = new QVBoxLayout;
    pLeft->addLayout(pNameRow);
    pLeft->addWidget(pTypeGroup, 1);

    auto* pTop = new QHBoxLayout;
    pTop->addLayout(pLeft, 1);
    pTop->addWidget(m_pPage, 4);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pTop, 1);
    pLayout->addLayout(MakeOkCancelRow(this));

    connect(m_pEnter, &QPushButton::clicked, m_pPage, &CDistPageCont::OnEnter);
    connect(m_pDistTypeBox, &QListWidget::itemSelectionChanged, this,
            &CDlgSelectDist::OnSelchangeDistType);
    connect(m_pNameBox, &QLineEdit::textChanged, this, &CDlgSelectDist::OnChangeName);
}

CDlgSelectDist::~CDlgSelectDist() {
    // A dialog that never ended still holds its copy.
    if (m_bOwnsCopy) {
        delete m_pDist;
    }
}

int CDlgSelectDist::DoModal() {
    OnInitDialog();
    return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

BOOL CDlgSelectDist::OnInitDialog() {
    if (m_bOwnsCopy) {
        delete m_pDist;
    }
    m_pDist = m_pOrigDist->CreateCopy();
    m_bOwnsCopy = true;
    UpdateDistTypeBox();
    m_pPage->SetDist(m_pDist);
    m_pNameBox->setText(ToQString(m_pDist->m_strVarName));
    return TRUE;
}

void CDlgSelectDist::UpdateDistTypeBox() {
    if (m_pDist == nullptr) {
        return;
    }
    QStringList names;
    for (const CString& strName : *m_pDist->GetPossibleDistributions()) {
        names.append(ToQString(strName));
    }
    RefillList(m_pDistTypeBox, names, m_pDist->m_nType);
}

void CDlgSelectDist::OnSelchangeDistType() {
    const int nType = SelectedLine(m_pDistTypeBox);
    if (!m_bOwnsCopy || nType < 0 || nType == m_pDist->m_nType) {
        return;
    }
    if (nType == DIST_DISCRETE) {
        // Discrete variables are edited elsewhere; the type stays.
        MessageBeep(0);
        SelectLine(m_pDistTypeBox, m_pDist->m_nType);
        return;
    }
    CDist* pNew = m_pDist->CreateNewDist(nType);
    if (pNew == nullptr) {
        SelectLine(m_pDistTypeBox, m_pDist->m_nType);
        return;
    }
    CDistPageCont::ConvertTakenOverValues(*pNew);
    CDist* pPrevious = m_pDist;
    m_pDist = pNew;
    UpdateDistTypeBox();
    m_pPage->SetDist(m_pDist);
    delete pPrevious;
}

void CDlgSelectDist::OnChangeName() {
    if (m_bOwnsCopy) {
        m_pDist->m_strVarName = ToCString(m_pNameBox->text());
    }
}

void CDlgSelectDist::done(int nResult) {
    // From here on the page must not reach the copy: the caller owns it, or it is gone.
    m_pPage->SetDist(nullptr);
    if (m_bOwnsCopy && nResult != QDialog::Accepted) {
        delete m_pDist;
        m_pDist = m_pOrigDist;
    }
    m_bOwnsCopy = false;
    QDialog::done(nResult);
}

void CDlgSelectDist::keyPressEvent(QKeyEvent* pEvent) {
    if (IsReturnKey(pEvent)) {
        m_pEnter->click();
        pEvent->accept();
        return;
    }
    QDialog::keyPressEvent(pEvent);
}

} // namespace stochvar
