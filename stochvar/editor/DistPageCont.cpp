#include <stochvar/editor/DistPageCont.h>

#include <stochvar/editor/ControlIds.h>
#include <stochvar/editor/DistChart.h>
#include <stochvar/editor/ListFill.h>
#include <stochvar/editor/TextConversion.h>
#include <stochvar/model/Dist.h>

#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

namespace stochvar {

CDistPageCont::CDistPageCont(QWidget* pParent)
    : CDistPageBase(pParent), m_pInputTypeGroup(nullptr),
      m_pInputTypeBox(WithId(new QListWidget(this), IDC_INPUT_TYPE)),
      m_pParameterBox(WithId(new QListWidget(this), IDC_PARAMETER)) {
    m_pInputTypeGroup =
        WithId(MakeGroup(QStringLiteral("Input type"), m_pInputTypeBox), IDC_INPUT_TYPE_GROUP);
    auto* pLeft = new QVBoxLayout;
    pLeft->addWidget(m_pInputTypeGroup, 1);
    pLeft->addWidget(MakeGroup(QStringLiteral("Parameters"), m_pParameterBox), 2);
    pLeft->addWidget(MakeValueGroup(QStringLiteral("Value")));
    ArrangePage(pLeft);

    connect(m_pInputTypeBox, &QListWidget::itemSelectionChanged, this,
            &CDistPageCont::OnSelchangeInputType);
    connect(m_pParameterBox, &QListWidget::itemSelectionChanged, this,
            &CDistPageCont::OnSelchangeParameter);
}

void CDistPageCont::SetDist(CDist* pDist) {
    m_pDist = pDist;
    UpdateAll();
}

void CDistPageCont::ConvertTakenOverValues(CDist& dist) {
    CString strLabel;
    CUIntArray ids;
    dist.GetParamsList(dist.m_nParamCombi, strLabel, &ids);
    if (ids.IsEmpty()) {
        return;
    }
    for (const UINT nParam : ids) {
        const int nId = static_cast<int>(nParam);
        if (!dist.CheckParamValue(nId, dist.GetParamValue(nId)).IsOk()) {
            return;
        }
    }
    if (dist.CheckCombination(dist.m_nParamCombi).IsOk()) {
        dist.CalcBasePar(dist.m_nParamCombi);
    }
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
        lines.append(ToQString(m_pDist->m_ParamNames[nId]) + QStringLiteral("  [") +
                     NumberText(m_pDist->GetParamValue(nId)) + QStringLiteral("]"));
    }
    RefillList(m_pParameterBox, lines, m_pDist->m_nCurParam);
}

void CDistPageCont::UpdateValueBox() {
    if (m_pDist != nullptr) {
        // A cursor beyond the list (after a change to a shorter input type) shows nothing.
        const int nId = m_pDist->GetParamUnderCursor();
        if (nId >= 0) {
            ValueBox()->setText(NumberText(m_pDist->GetParamValue(nId)));
        } else {
            ValueBox()->clear();
        }
    }
    ValueBox()->setFocus();
    ValueBox()->selectAll();
}

void CDistPageCont::UpdateChart() {
    if (m_pDist == nullptr) {
        return;
    }
    FillDistChart(m_Chart, *m_pDist, m_bCdf);
}

void CDistPageCont::OnEnter() {
    if (m_pDist == nullptr || m_pDist->GetParamUnderCursor() < 0) {
        return;
    }
    double dValue = 0.0;
    if (!GetValue(dValue)) {
        BeepNotANumber();
        return;
    }
    const SDistState before(*m_pDist);
    // A warning alone passes unseen on this path; a failed check or conversion is shown.
    m_pDist->EnterParamValue(dValue, [](CDistStatus status) {
        if (!status.IsOk()) {
            status.ShowMessage();
        }
    });
    UpdateParameterBox();
    UpdateValueBox();
    UpdateChart();
    ReportEdit(before);
}

void CDistPageCont::OnSelchangeInputType() {
    if (m_pDist == nullptr) {
        return;
    }
    const int nSelected = SelectedLine(m_pInputTypeBox);
    if (nSelected < 0) {
        return;
    }
    const SDistState before(*m_pDist);
    m_pDist->m_nParamCombi = nSelected;
    UpdateInputTypeBox();
    UpdateParameterBox();
    UpdateValueBox();
    UpdateChart();
    ReportEdit(before);
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

} // namespace stochvar
