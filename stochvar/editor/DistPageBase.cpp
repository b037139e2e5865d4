#include <stochvar/editor/DistPageBase.h>

#include <stochvar/editor/ControlIds.h>
#include <stochvar/editor/DialogButtons.h>
#include <stochvar/editor/DlgAxisBounds.h>
#include <stochvar/editor/TextConversion.h>
#include <stochvar/module/HostHooks.h>

#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace stochvar {

namespace {

constexpr DWORD kBeepFrequency = 1000; // Hz, for a text that is not a number
constexpr DWORD kBeepDuration = 150;   // ms

} // namespace

CDistPageBase::CDistPageBase(QWidget* pParent) : QWidget(pParent), m_Chart(this) {}

QGroupBox* CDistPageBase::MakeGroup(const QString& title, QWidget* pContent) {
    auto* pGroup = new QGroupBox(title, this);
    auto* pLayout = new QVBoxLayout(pGroup);
    pLayout->addWidget(pContent);
    return pGroup;
}

QGroupBox* CDistPageBase::MakeValueGroup(const QString& title) {
    m_pValueBox = WithId(new QLineEdit(this), IDC_VALUE);
    return MakeGroup(title, m_pValueBox);
}

void CDistPageBase::ArrangePage(QLayout* pLeft) {
    m_pPdf = WithId(new QRadioButton(QStringLiteral("PDF"), this), IDC_PDF);
    m_pCdf = WithId(new QRadioButton(QStringLiteral("CDF"), this), IDC_CDF);
    // Return belongs to the value box, never to a button of the page or of an enclosing dialog.
    m_pAxis = MakeButtonWithoutReturn(QStringLiteral("Axis"), IDC_AXIS, this);
    connect(m_pPdf, &QRadioButton::clicked, this, &CDistPageBase::OnPdf);
    connect(m_pCdf, &QRadioButton::clicked, this, &CDistPageBase::OnCdf);
    connect(m_pAxis, &QPushButton::clicked, this, &CDistPageBase::OnAxis);

    auto* pCurveChoice = new QHBoxLayout;
    pCurveChoice->addWidget(m_pPdf);
    pCurveChoice->addWidget(m_pCdf);
    pCurveChoice->addStretch(1);
    pCurveChoice->addWidget(m_pAxis);
    auto* pRight = new QVBoxLayout;
    pRight->addWidget(&m_Chart, 1);
    pRight->addLayout(pCurveChoice);

    auto* pLayout = new QHBoxLayout(this);
    pLayout->addLayout(pLeft, 2);
    pLayout->addLayout(pRight, 3);
}

void CDistPageBase::UpdateRadioButtons() {
    if (m_pDist == nullptr) {
        return;
    }
    // The two buttons are exclusive: checking one clears the other.
    (m_bCdf == 0 ? m_pPdf : m_pCdf)->setChecked(true);
}

void CDistPageBase::ShowCurve(BOOL bCdf) {
    m_bCdf = bCdf;
    UpdateRadioButtons();
    UpdateChart();
}

void CDistPageBase::OnPdf() { ShowCurve(FALSE); }

void CDistPageBase::OnCdf() { ShowCurve(TRUE); }

void CDistPageBase::OnAxis() {
    if (m_pDist == nullptr) {
        return;
    }
    const SDistState before(*m_pDist);
    EditAxisBounds(m_pDist, this);
    UpdateChart();
    ReportEdit(before);
}

bool CDistPageBase::GetValue(double& dValue) const {
    return ParseExactNumber(m_pValueBox->text(), dValue);
}

void CDistPageBase::BeepNotANumber() { Beep(kBeepFrequency, kBeepDuration); }

void CDistPageBase::ReportEdit(const SDistState& before) {
    if (m_pDist != nullptr && SDistState(*m_pDist) != before) {
        Q_EMIT distModified();
    }
}

void CDistPageBase::keyPressEvent(QKeyEvent* pEvent) {
    if (IsReturnKey(pEvent)) {
        OnEnter();
        pEvent->accept();
        return;
    }
    QWidget::keyPressEvent(pEvent);
}

} // namespace stochvar
