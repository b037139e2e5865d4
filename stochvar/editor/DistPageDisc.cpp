#include <stochvar/editor/DistPageDisc.h>

#include <stochvar/editor/ControlIds.h>
#include <stochvar/editor/DialogButtons.h>
#include <stochvar/editor/DlgNameValue.h>
#include <stochvar/editor/ListFill.h>
#include <stochvar/editor/TextConversion.h>
#include <stochvar/families/Discrete.h>
#include <stochvar/families/FamilyList.h>
#include <stochvar/model/Dist.h>
#include <stochvar/module/HostHooks.h>

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace stochvar {

namespace {

constexpr double kNewCategoryFrequency = 1.0;
// The cumulative bar of a category is read just below the category's upper edge.
constexpr double kEdgeOffset = 1e-10;

// Return belongs to the value box, never to a button of the page or of an enclosing dialog.
QPushButton* MakeButton(const char* pszText, int nId, QWidget* pParent) {
    return MakeButtonWithoutReturn(QString::fromLatin1(pszText), nId, pParent);
}

} // namespace

CDistPageDisc::CDistPageDisc(QWidget* pParent)
    : CDistPageBase(pParent), m_pCategoryBox(WithId(new QListWidget(this), IDC_CATEGORY_LIST)),
      m_pValueGroup(MakeValueGroup(QStringLiteral("Frequency"))),
      m_pInsertHere(MakeButton("Insert here", IDC_INSERT_HERE, this)),
      m_pInsertAfter(MakeButton("Insert after", IDC_INSERT_AFTER, this)),
      m_pDelete(MakeButton("Delete", IDC_DELETE, this)),
      m_pEdit(MakeButton("Edit", IDC_EDIT, this)), m_pMoveUp(MakeButton("Up", IDC_MOVE_UP, this)),
      m_pMoveDown(MakeButton("Down", IDC_MOVE_DOWN, this)) {
    auto* pListGroup = WithId(MakeGroup(QStringLiteral("Category frequencies"), m_pCategoryBox),
                              IDC_CATEGORY_GROUP);

    auto* pCategoryGroup = new QGroupBox(QStringLiteral("Category"), this);
    auto* pCategoryLayout = new QGridLayout(pCategoryGroup);
    pCategoryLayout->addWidget(m_pInsertHere, 0, 0);
    pCategoryLayout->addWidget(m_pInsertAfter, 0, 1);
    pCategoryLayout->addWidget(m_pEdit, 1, 0);
    pCategoryLayout->addWidget(m_pDelete, 1, 1);

    auto* pMoveGroup = new QGroupBox(QStringLiteral("Move"), this);
    auto* pMoveLayout = new QVBoxLayout(pMoveGroup);
    pMoveLayout->addWidget(m_pMoveUp);
    pMoveLayout->addWidget(m_pMoveDown);

    auto* pButtons = new QHBoxLayout;
    pButtons->addWidget(pCategoryGroup, 2);
    pButtons->addWidget(pMoveGroup, 1);

    auto* pLeft = new QVBoxLayout;
    pLeft->addWidget(pListGroup, 1);
    pLeft->addWidget(m_pValueGroup);
    pLeft->addLayout(pButtons);
    ArrangePage(pLeft);

    connect(m_pDelete, &QPushButton::clicked, this, &CDistPageDisc::OnDelete);
    connect(m_pInsertAfter, &QPushButton::clicked, this, &CDistPageDisc::OnInsertAfter);
    connect(m_pInsertHere, &QPushButton::clicked, this, &CDistPageDisc::OnInsertHere);
    connect(m_pEdit, &QPushButton::clicked, this, &CDistPageDisc::OnEdit);
    connect(m_pMoveDown, &QPushButton::clicked, this, &CDistPageDisc::OnMoveDown);
    connect(m_pMoveUp, &QPushButton::clicked, this, &CDistPageDisc::OnMoveUp);
    connect(m_pCategoryBox, &QListWidget::itemSelectionChanged, this,
            &CDistPageDisc::OnSelchangeCatFreq);
    connect(m_pCategoryBox, &QListWidget::itemDoubleClicked, this, &CDistPageDisc::OnDblclkCatFreq);
}

CDiscrete* CDistPageDisc::Discrete() const { return static_cast<CDiscrete*>(m_pDist); }

void CDistPageDisc::SetDist(CDist* pDist) {
    if (pDist == nullptr) {
        m_pDist = nullptr;
        return;
    }
    // The type id alone is not enough: a loaded variable may carry any id.
    if (pDist->m_nType != DIST_DISCRETE || dynamic_cast<CDiscrete*>(pDist) == nullptr) {
        return;
    }
    m_pDist = pDist;
    UpdateAll();
}

void CDistPageDisc::UpdateAll() {
    if (m_pDist == nullptr) {
        return;
    }
    UpdateCategoryBox();
    UpdateChart();
    UpdateRadioButtons();
    UpdateControlUI();
    UpdateValueBox();
}

void CDistPageDisc::UpdateCategoryBox() {
    QStringList lines;
    const CDiscrete* pDiscrete = Discrete();
    for (int i = 0; i < pDiscrete->GetCategoryCount(); ++i) {
        CString strName;
        double dFrequency = 0.0;
        double dProbability = 0.0;
        pDiscrete->GetCategory(i, strName, dFrequency, dProbability);
        // The frequency as the value box shows it; the probability only to read.
        lines.append(ToQString(strName) + QLatin1Char('\t') + NumberText(dFrequency) +
                     FormatText("\t(%g)", dProbability));
    }
    RefillList(m_pCategoryBox, lines, lines.isEmpty() ? -1 : m_nSelCategory);
}

int CDistPageDisc::GetCategoryBoxIndex() const { return SelectedLine(m_pCategoryBox); }

void CDistPageDisc::SetValue(double dValue) {
    QLineEdit* pValueBox = ValueBox();
    pValueBox->setText(NumberText(dValue));
    pValueBox->setFocus();
    pValueBox->selectAll();
}

void CDistPageDisc::UpdateValueBox() {
    const int nSel = GetCategoryBoxIndex();
    if (m_pDist == nullptr || nSel < 0) {
        return;
    }
    CString strName;
    double dFrequency = 0.0;
    double dProbability = 0.0;
    Discrete()->GetCategory(nSel, strName, dFrequency, dProbability);
    SetValue(dFrequency);
}

void CDistPageDisc::UpdateControlUI() {
    if (m_pDist == nullptr) {
        return;
    }
    const bool bCanChangeCategories = Discrete()->CanChangeCategories() != FALSE;
    const bool bEnable = GetCategoryBoxIndex() >= 0 && bCanChangeCategories;
    for (QPushButton* pButton : {m_pInsertAfter, m_pMoveUp, m_pMoveDown, m_pDelete, m_pEdit}) {
        pButton->setEnabled(bEnable);
    }
    // "Insert here" needs no selection, so it is only ever switched off here.
    if (!bCanChangeCategories) {
        m_pInsertHere->setEnabled(false);
    }
    ValueBox()->setEnabled(m_pDist->CanChange() != FALSE);
}

void CDistPageDisc::UpdateChart() {
    if (m_pDist == nullptr) {
        return;
    }
    CDiscrete* pDiscrete = Discrete();
    m_Chart.SetUpdateLock(TRUE);
    m_Chart.SetChartType(CChart2D::CHART_TYPE_BAR);
    m_Chart.SetSeriesStyle(1, CChart2D::STYLE_PLAIN_LINE);
    const int n = pDiscrete->GetCategoryCount();
    m_Chart.SetPointCount(1, n);
    m_Chart.SetSeriesCount(1);
    for (int i = 0; i < n; ++i) {
        const double y = m_bCdf == 0 ? pDiscrete->GetDensity(i)
                                     : pDiscrete->GetCumulative(i + 0.5 - kEdgeOffset);
        m_Chart.SetY(1, i + 1, y);
    }
    m_Chart.SetXAxisAnnotation(CChart2D::ANNOTATION_VALUE_LABELS);
    m_Chart.RemoveAllLabels();
    for (int i = 0; i < n; ++i) {
        m_Chart.AddLabel(pDiscrete->m_CategoryNames[i], m_Chart.GetLabelCount() + 1);
    }
    m_Chart.SetAxisTitles(QStringLiteral("category"),
                          m_bCdf == 0 ? QStringLiteral("probability")
                                      : QStringLiteral("cumulative probability"));
    m_Chart.SetUpdateLock(FALSE);
}

void CDistPageDisc::OnSelchangeCatFreq() {
    m_nSelCategory = GetCategoryBoxIndex();
    UpdateAll();
}

void CDistPageDisc::OnEnter() {
    const int nSel = GetCategoryBoxIndex();
    if (nSel < 0 || m_pDist == nullptr) {
        return;
    }
    double dValue = 0.0;
    if (!GetValue(dValue)) {
        BeepNotANumber();
        return;
    }
    CDiscrete* pDiscrete = Discrete();
    const SDistState before(*pDiscrete);
    if (!(dValue >= 0.0)) {
        CDistStatus status;
        status.SetError("Frequency must be >= 0");
        status.ShowMessage();
    } else {
        // The category is replaced in place, then the next one is offered.
        CString strName;
        double dFrequency = 0.0;
        double dProbability = 0.0;
        pDiscrete->GetCategory(nSel, strName, dFrequency, dProbability);
        pDiscrete->DeleteCategory(nSel);
        pDiscrete->AddCategory(strName, dValue, nSel);
        m_nSelCategory = nSel + 1 < pDiscrete->GetCategoryCount() ? nSel + 1 : 0;
    }
    UpdateAll();
    ReportEdit(before);
}

void CDistPageDisc::InsertCategory(int nPosition) {
    CDiscrete* pDiscrete = Discrete();
    const SDistState before(*pDiscrete);
    CDlgNameValue dlg(this);
    dlg.m_strName = ToCString(FormatText("Cat_%d", pDiscrete->GetCategoryCount()));
    dlg.m_dValue = kNewCategoryFrequency;
    if (dlg.DoModal() == IDOK) {
        // A negative frequency is refused by the variable with its own message.
        const int nCountBefore = pDiscrete->GetCategoryCount();
        pDiscrete->AddCategory(dlg.m_strName, dlg.m_dValue, nPosition);
        // The selection follows the new category.
        if (pDiscrete->GetCategoryCount() > nCountBefore) {
            m_nSelCategory = nPosition >= 0 ? nPosition : pDiscrete->GetCategoryCount() - 1;
        }
    }
    UpdateAll();
    ReportEdit(before);
}

void CDistPageDisc::OnInsertHere() {
    if (m_pDist == nullptr) {
        return;
    }
    const int nSel = GetCategoryBoxIndex();
    InsertCategory(nSel >= 0 ? nSel : -1);
}

void CDistPageDisc::OnInsertAfter() {
    if (m_pDist == nullptr) {
        return;
    }
    const int nSel = GetCategoryBoxIndex();
    InsertCategory(nSel >= 0 ? nSel + 1 : -1);
}

void CDistPageDisc::OnEdit() {
    const int nSel = GetCategoryBoxIndex();
    if (m_pDist == nullptr || nSel < 0) {
        return;
    }
    CDiscrete* pDiscrete = Discrete();
    const SDistState before(*pDiscrete);
    CDlgNameValue dlg(this);
    double dProbability = 0.0;
    pDiscrete->GetCategory(nSel, dlg.m_strName, dlg.m_dValue, dProbability);
    if (dlg.DoModal() == IDOK) {
        pDiscrete->DeleteCategory(nSel);
        pDiscrete->AddCategory(dlg.m_strName, dlg.m_dValue, nSel);
    }
    UpdateAll();
    ReportEdit(before);
}

void CDistPageDisc::OnDblclkCatFreq() { OnEdit(); }

void CDistPageDisc::OnDelete() {
    const int nSel = GetCategoryBoxIndex();
    if (m_pDist == nullptr || nSel < 0) {
        return;
    }
    const SDistState before(*m_pDist);
    Discrete()->DeleteCategory(nSel);
    UpdateAll();
    ReportEdit(before);
}

void CDistPageDisc::OnMoveUp() {
    if (m_pDist == nullptr) {
        return;
    }
    const SDistState before(*m_pDist);
    const int nSel = GetCategoryBoxIndex();
    if (nSel > 0) {
        Discrete()->SwitchIndex(nSel, nSel - 1);
        m_nSelCategory = nSel - 1; // the selection moves with the category
    }
    UpdateAll();
    ReportEdit(before);
}

void CDistPageDisc::OnMoveDown() {
    if (m_pDist == nullptr) {
        return;
    }
    const SDistState before(*m_pDist);
    const int nSel = GetCategoryBoxIndex();
    if (nSel >= 0 && nSel + 1 < Discrete()->GetCategoryCount()) {
        Discrete()->SwitchIndex(nSel, nSel + 1);
        m_nSelCategory = nSel + 1; // the selection moves with the category
    }
    UpdateAll();
    ReportEdit(before);
}

void CDistPageDisc::ShowCurve(BOOL bCdf) {
    if (m_pDist == nullptr) {
        return;
    }
    CDistPageBase::ShowCurve(bCdf);
}

} // namespace stochvar
