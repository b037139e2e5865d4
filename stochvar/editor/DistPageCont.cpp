#include <stochvar/editor/DistPageCont.h>

#include <stochvar/editor/ControlIds.h>
#include <stochvar/editor/DlgAxisBounds.h>
#include <stochvar/editor/ListFill.h>
#include <stochvar/editor/TextConversion.h>
#include <stochvar/model/Dist.h>
#include <stochvar/module/HostHooks.h>

#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace stochvar {

namespace {

constexpr DWORD kBeepFrequency = 1000; // Hz, for a text that is not a number
constexpr DWORD kBeepDuration = 150;   // ms

QGroupBox* MakeGroup(const QString& title, QWidget* pContent, QWidget* pParent) {
    auto* pGroup = new QGroupBox(title, pParent);
    auto* pLayout = new QVBoxLayout(pGroup);
    pLayout->addWidget(pContent);
    return pGroup;
}

} // namespace

CDistPageCont::CDistPageCont(QWidget* pParent)
    : QWidget(pParent), m_Chart(this), m_pInputTypeGroup(nullptr),
      m_pInputTypeBox(WithId(new QListWidget(this), IDC_INPUT_TYPE)),
      m_pParameterBox(WithId(new QListWidget(this), IDC_PARAMETER)),
      m_pValueBox(WithId(new QLineEdit(this), IDC_VALUE)),
      m_pPdf(WithId(new QRadioButton(QStringLiteral("PDF"), this), IDC_PDF)),
      m_pCdf(WithId(new QRadioButton(QStringLiteral("CDF"), this), IDC_CDF)),
      m_pAxis(WithId(new QPushButton(QStringLiteral("Axis"), this), IDC_AXIS)) {
    // Return belongs to the value box, never to a button of an enclosing dialog.
    m_pAxis->setAutoDefault(false);

    m_pInputTypeGroup = WithId(MakeGroup(QStringLiteral("Input type"), m_pInputTypeBox, this),
                               IDC_INPUT_TYPE_GROUP);
    auto* pLeft = new QVBoxLayout;
    pLeft->addWidget(m_pInputTypeGroup, 1);
    pLeft->addWidget(MakeGroup(QStringLiteral("Parameters"), m_pParameterBox, this), 2);
    pLeft->addWidget(MakeGroup(QStringLiteral("Value"), m_pValueBox, this));

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

    connect(m_pPdf, &QRadioButton::clicked, this, &CDistPageCont::OnPdf);
    connect(m_pCdf, &QRadioButton::clicked, this, &CDistPageCont::OnCdf);
    connect(m_pAxis, &QPushButton::clicked, this, &CDistPageCont::OnAxis);
    connect(m_pInputTypeBox, &QListWidget::itemSelectionChanged, this,
            &CDistPageCont::OnSelchangeInputType);
    connect(m_pParameterBox, &QListWidget::itemSelectionChanged, this,
            &CDistPageCont::OnSelchangeParameter);
}

void CDistPageCont::SetDist(CDist* pDist) {
    m_pDist = pDist;
    UpdateAll();
}

void CDistPageCont::UpdateAll() {
    UpdateInputTypeBox();
    UpdateParameterBox();
    UpdateValueBox();
    UpdateChart();
    UpdateRadioButtons();
}

void CDistPageCont::UpdateInputTypeBox() {
    if (m_pDist == nullptr) {
        return;
    }
    QStringList labels;
    CString strLabel;
    CUIntArray ids;
    for (int nCombi = 0; nCombi < m_pDist->GetParamCombiCount(); ++nCombi) {
        m_pDist->GetParamsList(nCombi, strLabel, &ids);
        labels.append(ToQString(strLabel));
    }
    RefillList(m_pInputTypeBox, labels, m_pDist->m_nParamCombi);
}

void CDistPageCont::UpdateParameterBox() {
    if (m_pDist == nullptr) {
        return;
    }
    CString strLabel;
    CUIntArray ids;
    m_pDist->GetParamsList(m_pDist->m_nParamCombi, strLabel, &ids);
    QStringList lines;
    for (const UINT nParam : ids) {
        const int nId = static_cast<int>(nParam);
        lines.append(ToQString(m_pDist->m_ParamNames[nId]) +
                     FormatText("  [%f]", m_pDist->GetParamValue(nId)));
    }
    RefillList(m_pParameterBox, lines, m_pDist->m_nCurParam);
}

void CDistPageCont::UpdateValueBox() {
    if (m_pDist != nullptr) {
        CString strLabel;
        CUIntArray ids;
        m_pDist->GetParamsList(m_pDist->m_nParamCombi, strLabel, &ids);
        const int nCur = m_pDist->m_nCurParam;
        // A cursor beyond the list (after a change to a shorter input type) shows nothing.
        if (nCur >= 0 && nCur < ids.GetSize()) {
            const int nId = static_cast<int>(ids[nCur]);
            m_pValueBox->setText(FormatText("%.20g", m_pDist->GetParamValue(nId)));
        } else {
            m_pValueBox->clear();
        }
    }
    m_pValueBox->setFocus();
    m_pValueBox->selectAll();
}

void CDistPageCont::UpdateChart() {
    if (m_pDist == nullptr) {
        return;
    }
    if (m_pDist->m_bAutoAxis == TRUE) {
        m_pDist->SetAutoAxis();
    }
    m_Chart.SetUpdateLock(TRUE);
    m_Chart.SetSeriesStyle(1, CChart2D::STYLE_PLAIN_LINE);
    m_Chart.SetPointCount(1, kChartPoints);
    m_Chart.SetSeriesCount(1);
    // 50 points from the lower bound on, the last one step short of the upper bound.
    const double step = (m_pDist->m_dAxisMax - m_pDist->m_dAxisMin) * 0.02;
    for (int i = 0; i < kChartPoints; ++i) {
        const double x = m_pDist->m_dAxisMin + i * step;
        const double y = m_bCdf == 0 ? m_pDist->GetDensity(x) : m_pDist->GetCumulative(x);
        m_Chart.SetX(1, i + 1, x);
        m_Chart.SetY(1, i + 1, y);
    }
    m_Chart.SetUpdateLock(FALSE);
}

void CDistPageCont::UpdateRadioButtons() {
    if (m_pDist == nullptr) {
        return;
    }
    // The two buttons are exclusive: checking one clears the other.
    (m_bCdf == 0 ? m_pPdf : m_pCdf)->setChecked(true);
}

bool CDistPageCont::GetValue(double& dValue) const {
    return ParseWholeText(m_pValueBox->text(), dValue);
}

void CDistPageCont::OnEnter() {
    if (m_pDist == nullptr) {
        return;
    }
    CString strLabel;
    CUIntArray ids;
    m_pDist->GetParamsList(m_pDist->m_nParamCombi, strLabel, &ids);
    int nCur = m_pDist->m_nCurParam;
    if (nCur < 0 || nCur >= ids.GetSize()) {
        return;
    }
    double dValue = 0.0;
    if (!GetValue(dValue)) {
        Beep(kBeepFrequency, kBeepDuration);
        return;
    }
    const int nId = static_cast<int>(ids[nCur]);
    CDistStatus status = m_pDist->CheckParamValue(nId, dValue);
    if (!status.IsOk()) {
        status.ShowMessage();
    } else {
        m_pDist->SetParamValue(nId, dValue);
        if (++nCur >= ids.GetSize()) {
            // A full set of values: check it as a whole, then convert it.
            nCur = 0;
            const int nCombi = m_pDist->m_nParamCombi;
            status = m_pDist->CheckCombination(nCombi);
            if (status.IsOk()) {
                status = m_pDist->CalcBasePar(nCombi);
            }
            if (!status.IsOk()) {
                status.ShowMessage();
            }
        }
    }
    m_pDist->m_nCurParam = nCur;
    UpdateParameterBox();
    UpdateValueBox();
    UpdateChart();
}

void CDistPageCont::OnSelchangeInputType() {
    if (m_pDist == nullptr) {
        return;
    }
    const int nSelected = SelectedLine(m_pInputTypeBox);
    if (nSelected < 0) {
        return;
    }
    m_pDist->m_nParamCombi = nSelected;
    UpdateInputTypeBox();
    UpdateParameterBox();
    UpdateValueBox();
    UpdateChart();
}

void CDistPageCont::OnSelchangeParameter() {
    if (m_pDist == nullptr) {
        return;
    }
    const int nSelected = SelectedLine(m_pParameterBox);
    if (nSelected < 0) {
        return;
    }
    m_pDist->m_nCurParam = nSelected;
    UpdateValueBox();
}

void CDistPageCont::OnPdf() {
    m_bCdf = FALSE;
    UpdateRadioButtons();
    UpdateChart();
}

void CDistPageCont::OnCdf() {
    m_bCdf = TRUE;
    UpdateRadioButtons();
    UpdateChart();
}

void CDistPageCont::OnAxis() {
    if (m_pDist == nullptr) {
        return;
    }
    EditAxisBounds(m_pDist, this);
    UpdateChart();
}

void CDistPageCont::keyPressEvent(QKeyEvent* pEvent) {
    if (pEvent->key() == Qt::Key_Return || pEvent->key() == Qt::Key_Enter) {
        OnEnter();
        pEvent->accept();
        return;
    }
    QWidget::keyPressEvent(pEvent);
}

} // namespace stochvar
