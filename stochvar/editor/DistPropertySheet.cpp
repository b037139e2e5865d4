#include <stochvar/editor/DistPropertySheet.h>

#include <stochvar/editor/ControlIds.h>
#include <stochvar/editor/DialogButtons.h>
#include <stochvar/editor/DistPageCont.h>
#include <stochvar/editor/DistPageDisc.h>
#include <stochvar/editor/DistState.h>
#include <stochvar/editor/DlgCorrelationMatrix.h>
#include <stochvar/editor/ListFill.h>
#include <stochvar/editor/TextConversion.h>
#include <stochvar/families/FamilyList.h>
#include <stochvar/model/Dist.h>
#include <stochvar/module/HostHooks.h>
#include <stochvar/simulation/DistCollection.h>

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <tuple>
#include <utility>
#include <vector>

namespace stochvar {

namespace {

// The variable selector: a drop-down list with an edit field that reports when its list opens
// and closes.
class CVariableBox : public QComboBox {
public:
    explicit CVariableBox(QWidget* pParent) : QComboBox(pParent) {
        setEditable(true);
        // Typing renames the current variable; it never adds an entry.
        setInsertPolicy(QComboBox::NoInsert);
        setCompleter(nullptr);
        setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        setMinimumContentsLength(16);
    }

    std::function<void()> m_onDropdown;
    std::function<void()> m_onCloseup;

    void showPopup() override {
        if (m_onDropdown) {
            m_onDropdown();
        }
        QComboBox::showPopup();
    }
    void hidePopup() override {
        QComboBox::hidePopup();
        if (m_onCloseup) {
            m_onCloseup();
        }
    }
};

// Rewrites the entries of the list, reusing the rows that exist: a refill while the list closes
// must not take away the row that the user is picking.
void RefillCombo(QComboBox* pBox, const QStringList& items) {
    while (pBox->count() > items.size()) {
        pBox->removeItem(pBox->count() - 1);
    }
    for (int i = 0; i < items.size(); ++i) {
        if (i >= pBox->count()) {
            pBox->addItem(items[i]);
        } else if (pBox->itemText(i) != items[i]) {
            pBox->setItemText(i, items[i]);
        }
    }
}

// The correlation entries as the user gives them: the pair, the space and the coefficient in that
// space (bit for bit), in the order of the list. The other space's value follows from these.
using CorrelationState = std::vector<std::tuple<int, int, BOOL, std::uint64_t>>;

CorrelationState CorrelationsOf(const CDistCollection* pCollection) {
    CorrelationState state;
    if (pCollection != nullptr) {
        for (const SCorr* pCorr : pCollection->m_Corrs) {
            const double dGiven = pCorr->bXSpace != FALSE ? pCorr->dCorrX : pCorr->dCorrU;
            state.emplace_back(pCorr->nIndex1, pCorr->nIndex2, pCorr->bXSpace,
                               std::bit_cast<std::uint64_t>(dGiven));
        }
    }
    return state;
}

} // namespace

CDistPropertySheet::CDistPropertySheet(CDistCollection* pDistCollection, QWidget* pParent)
    : QDialog(pParent), m_pPageDisc(nullptr), m_pPageCont(nullptr),
      m_pDistCollection(pDistCollection),
      m_pVariableLabel(new QLabel(QStringLiteral("Variable"), this)),
      m_pVariableBox(WithId(new CVariableBox(this), IDC_VAR_NAME)),
      m_pCorrelation(MakeButtonWithoutReturn(QStringLiteral("Correlation"), IDC_CORRELATION, this)),
      m_pDistributionGroup(new QGroupBox(QStringLiteral("Distribution type"), this)),
      m_pDistributionBox(WithId(new QListWidget(this), IDC_DIST_TYPE)),
      m_pPages(new QStackedWidget(this)),
      m_pOk(MakeButtonWithoutReturn(QStringLiteral("OK"), IDC_OK, this)),
      m_pCancel(MakeButtonWithoutReturn(QStringLiteral("Cancel"), IDC_CANCEL, this)) {
    setWindowTitle(QStringLiteral("Change Distribution"));
    setSizeGripEnabled(true);

    // The continuous page first, then the discrete page.
    m_pPageCont = new CDistPageCont(m_pPages);
    m_pPageDisc = new CDistPageDisc(m_pPages);
    m_pPages->addWidget(m_pPageCont);
    m_pPages->addWidget(m_pPageDisc);

    auto* pDistributionLayout = new QVBoxLayout(m_pDistributionGroup);
    pDistributionLayout->addWidget(m_pDistributionBox);

    // Variable selector and Correlation button above, the type list to the left of the page.
    auto* pTop = new QGridLayout;
    pTop->addWidget(m_pVariableLabel, 0, 0);
    pTop->addWidget(m_pVariableBox, 1, 0);
    pTop->addWidget(m_pCorrelation, 1, 1);
    pTop->setColumnStretch(2, 1);

    auto* pBody = new QHBoxLayout;
    pBody->addWidget(m_pDistributionGroup, 1);
    pBody->addWidget(m_pPages, 5);

    auto* pButtons = new QHBoxLayout;
    pButtons->addStretch(1);
    pButtons->addWidget(m_pOk);
    pButtons->addWidget(m_pCancel);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pTop);
    pLayout->addLayout(pBody, 1);
    pLayout->addLayout(pButtons);

    auto* pVariableBox = static_cast<CVariableBox*>(m_pVariableBox);
    pVariableBox->m_onDropdown = [this] { OnDropdownVariable(); };
    pVariableBox->m_onCloseup = [this] { OnCloseupVariable(); };
    // Only the user's typing renames; text set by the sheet itself does not.
    connect(m_pVariableBox->lineEdit(), &QLineEdit::textEdited, this,
            &CDistPropertySheet::OnChangeVariable);
    connect(m_pVariableBox, &QComboBox::activated, this,
            &CDistPropertySheet::OnChangeVariableSelection);
    connect(m_pDistributionBox, &QListWidget::itemSelectionChanged, this,
            &CDistPropertySheet::OnDistClicked);
    connect(m_pCorrelation, &QPushButton::clicked, this, &CDistPropertySheet::EditCorrelations);
    for (CDistPageBase* pPage : std::initializer_list<CDistPageBase*>{m_pPageCont, m_pPageDisc}) {
        connect(pPage, &CDistPageBase::distModified, this, &CDistPropertySheet::collectionModified);
    }
    connect(m_pOk, &QPushButton::clicked, this, &CDistPropertySheet::OnOK);
    connect(m_pCancel, &QPushButton::clicked, this, &CDistPropertySheet::OnCancel);

    // Return in the selector's edit field would otherwise end in the drop-down list.
    m_pVariableBox->lineEdit()->installEventFilter(this);
}

CDistPropertySheet::~CDistPropertySheet() {
    // The controls are destroyed after this body has run (a closing drop-down list still
    // reports); from here on they must not reach the sheet.
    auto* pVariableBox = static_cast<CVariableBox*>(m_pVariableBox);
    pVariableBox->m_onDropdown = nullptr;
    pVariableBox->m_onCloseup = nullptr;
    m_pVariableBox->lineEdit()->removeEventFilter(this);
    for (QObject* pControl :
         std::initializer_list<QObject*>{m_pVariableBox, m_pVariableBox->lineEdit(),
                                         m_pDistributionBox, m_pCorrelation, m_pOk, m_pCancel}) {
        QObject::disconnect(pControl, nullptr, this, nullptr);
    }
    // The pages must not reach variables after this point.
    m_pPageCont->SetDist(nullptr);
    m_pPageDisc->SetDist(nullptr);
    DeleteBackup();
}

BOOL CDistPropertySheet::Create(QWidget* pParentWnd, CDistCollection* pDistCollection) {
    if (pParentWnd == nullptr) {
        return FALSE;
    }
    m_pParentWnd = pParentWnd;
    m_pDistCollection = pDistCollection;
    setParent(pParentWnd);
    setSizeGripEnabled(false);
    // An embedded sheet is confirmed and reverted by its host.
    m_pOk->hide();
    m_pCancel->hide();
    OnInitDialog();
    show();
    return TRUE;
}

int CDistPropertySheet::DoModal() {
    OnInitDialog();
    return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

BOOL CDistPropertySheet::OnInitDialog() {
    TakeBackup();
    m_nCurrentDist = 0;
    m_pCurrentDist = m_pDistCollection != nullptr ? m_pDistCollection->GetDist(0) : nullptr;
    UpdateAll();
    return TRUE;
}

int CDistPropertySheet::GetPageCount() const { return m_pPages->count(); }

int CDistPropertySheet::GetPageIndex(const QWidget* pPage) const {
    return m_pPages->indexOf(const_cast<QWidget*>(pPage));
}

QWidget* CDistPropertySheet::GetActivePage() const { return m_pPages->currentWidget(); }

void CDistPropertySheet::TakeBackup() {
    DeleteBackup();
    if (m_pDistCollection != nullptr) {
        m_pBackupCollection = new CDistCollection(m_pDistCollection);
    }
}

void CDistPropertySheet::DeleteBackup() {
    if (m_pBackupCollection == nullptr) {
        return;
    }
    for (CDist* pDist : m_pBackupCollection->m_Dists) {
        delete pDist;
    }
    m_pBackupCollection->ResetContents();
    delete m_pBackupCollection;
    m_pBackupCollection = nullptr;
}

void CDistPropertySheet::UpdateAll() {
    // Without a variable there is nothing to edit, and what were typed would go nowhere.
    const bool bHasVariable = m_pCurrentDist != nullptr;
    for (QWidget* pControl : std::initializer_list<QWidget*>{m_pVariableBox, m_pCorrelation,
                                                             m_pDistributionBox, m_pPages}) {
        pControl->setEnabled(bHasVariable);
    }
    UpdateVariableBox();
    UpdateDistributionBox();
    UpdatePropertyPage();
}

void CDistPropertySheet::UpdateVariableList() {
    const QSignalBlocker blocker(m_pVariableBox);
    const QString typed = m_pVariableBox->currentText();
    QStringList names;
    if (m_pDistCollection != nullptr) {
        for (int i = 0; i < m_pDistCollection->GetCount(); ++i) {
            const CDist* pDist = m_pDistCollection->GetDist(i);
            names.append(pDist != nullptr ? ToQString(pDist->m_strVarName) : QString());
        }
    }
    RefillCombo(m_pVariableBox, names);
    // The list highlights the current variable; the edit field keeps what it shows.
    m_pVariableBox->setCurrentIndex(m_nCurrentDist < m_pVariableBox->count() ? m_nCurrentDist : -1);
    m_pVariableBox->setEditText(typed);
}

void CDistPropertySheet::UpdateVariableBox() {
    UpdateVariableList();
    const QSignalBlocker blocker(m_pVariableBox);
    m_pVariableBox->setCurrentIndex(m_nCurrentDist < m_pVariableBox->count() ? m_nCurrentDist : -1);
    m_pVariableBox->setEditText(m_pVariableBox->itemText(m_pVariableBox->currentIndex()));
}

void CDistPropertySheet::UpdateDistributionBox() {
    QStringList names;
    int nType = -1;
    if (m_pCurrentDist != nullptr) {
        for (const CString& strName : *m_pCurrentDist->GetPossibleDistributions()) {
            names.append(ToQString(strName));
        }
        nType = m_pCurrentDist->m_nType;
    }
    RefillList(m_pDistributionBox, names, nType);
}

void CDistPropertySheet::ShowPage(QWidget* pPage) {
    // The page put aside forgets its variable, which may be replaced or deleted meanwhile.
    if (pPage != m_pPageCont) {
        m_pPageCont->SetDist(nullptr);
    }
    if (pPage != m_pPageDisc) {
        m_pPageDisc->SetDist(nullptr);
    }
    m_pPages->setCurrentWidget(pPage);
}

void CDistPropertySheet::UpdatePropertyPage() {
    if (m_pCurrentDist == nullptr) {
        ShowPage(m_pPageCont);
        return;
    }
    if (m_pCurrentDist->m_nType == DIST_DISCRETE) {
        ShowPage(m_pPageDisc);
        m_pPageDisc->SetDist(m_pCurrentDist);
    } else {
        ShowPage(m_pPageCont);
        m_pPageCont->SetDist(m_pCurrentDist);
    }
}

void CDistPropertySheet::OnChangeVariable() {
    if (m_pCurrentDist == nullptr) {
        return;
    }
    const QString name = m_pVariableBox->currentText();
    const CString strName = ToCString(name);
    const bool bRenamed = m_pCurrentDist->m_strVarName != strName;
    m_pCurrentDist->SetVarName(strName);
    // The list entry follows the name. The model is changed quietly: a refresh of the edit
    // field would move the text cursor the user is typing at.
    const int nIndex = m_pVariableBox->currentIndex();
    if (nIndex >= 0) {
        const QSignalBlocker blocker(m_pVariableBox->model());
        m_pVariableBox->setItemText(nIndex, name);
    }
    if (bRenamed) {
        Q_EMIT collectionModified();
    }
}

void CDistPropertySheet::OnChangeVariableSelection() {
    if (m_pCurrentDist == nullptr) {
        UpdateAll();
        return;
    }
    CDistStatus status = m_pCurrentDist->CheckCombination(m_pCurrentDist->m_nParamCombi);
    if (status.IsOk()) {
        m_pDistCollection->SetDist(m_nCurrentDist, m_pCurrentDist);
        const int nSelected = m_pVariableBox->currentIndex();
        if (CDist* pDist = m_pDistCollection->GetDist(nSelected)) {
            m_pCurrentDist = pDist;
            m_nCurrentDist = nSelected;
            UpdatePropertyPage();
        }
    } else {
        // A variable with inconsistent parameters cannot be left.
        status.ShowMessage();
        const QSignalBlocker blocker(m_pVariableBox);
        m_pVariableBox->setCurrentIndex(m_nCurrentDist);
    }
    UpdateAll();
}

BOOL CDistPropertySheet::SelectVariable(int nIndex) {
    UpdateVariableList();
    if (nIndex < 0 || nIndex >= m_pVariableBox->count()) {
        return FALSE;
    }
    {
        const QSignalBlocker blocker(m_pVariableBox);
        m_pVariableBox->setCurrentIndex(nIndex);
    }
    OnChangeVariableSelection();
    return m_nCurrentDist == nIndex ? TRUE : FALSE;
}

void CDistPropertySheet::OnDropdownVariable() { UpdateVariableList(); }

void CDistPropertySheet::OnCloseupVariable() { UpdateVariableBox(); }

void CDistPropertySheet::OnDistClicked() {
    if (m_pCurrentDist == nullptr) {
        return;
    }
    const int nType = SelectedLine(m_pDistributionBox);
    CDist* pNew = nType >= 0 ? m_pCurrentDist->CreateNewDist(nType) : nullptr;
    if (pNew == nullptr) {
        UpdateDistributionBox();
        return;
    }
    CDistPageCont::ConvertTakenOverValues(*pNew);
    CDist* pOld = m_pCurrentDist;
    const bool bChanged = SDistState(*pOld) != SDistState(*pNew);
    m_pCurrentDist = pNew;
    m_pCurrentDist->UpdateReferenceVariable();
    m_pDistCollection->SetDist(m_nCurrentDist, m_pCurrentDist);
    UpdateAll();
    delete pOld;
    if (bChanged) {
        Q_EMIT collectionModified();
    }
}

void CDistPropertySheet::EditCorrelations() {
    const CorrelationState before = CorrelationsOf(m_pDistCollection);
    OnCorrelation();
    if (CorrelationsOf(m_pDistCollection) != before) {
        Q_EMIT collectionModified();
    }
}

void CDistPropertySheet::OnCorrelation() {
    if (m_pDistCollection == nullptr) {
        return;
    }
    CDlgCorrelationMatrix dlg(this);
    dlg.SetDistArray(m_pDistCollection->GetDistArray());
    dlg.SetCorrArray(m_pDistCollection->GetCorrArray());
    dlg.DoModal();
}

BOOL CDistPropertySheet::OnOK() {
    if (m_pDistCollection == nullptr) {
        if (!IsEmbedded()) {
            QDialog::accept();
        }
        return TRUE;
    }
    for (CDist* pDist : m_pDistCollection->m_Dists) {
        if (pDist != nullptr) {
            pDist->UpdateReferenceVariable();
        }
    }
    // Every entry is checked, also after one failed: each reports and corrects itself.
    const CorrelationState before = CorrelationsOf(m_pDistCollection);
    BOOL bAllOk = TRUE;
    for (SCorr* pCorr : m_pDistCollection->m_Corrs) {
        if (m_pDistCollection->CheckCorr(pCorr) == 0) {
            bAllOk = FALSE;
        }
    }
    if (CorrelationsOf(m_pDistCollection) != before) {
        Q_EMIT collectionModified();
    }
    if (IsEmbedded()) {
        TakeBackup();
    } else if (bAllOk != 0) {
        QDialog::accept();
    }
    return bAllOk;
}

void CDistPropertySheet::OnCancel() {
    bool bRestored = false;
    if (m_pDistCollection != nullptr && m_pBackupCollection != nullptr) {
        const int nCount = std::min(m_pDistCollection->GetCount(), m_pBackupCollection->GetCount());
        for (int i = 0; i < nCount; ++i) {
            CDist* pBackup = m_pBackupCollection->GetDist(i);
            if (pBackup == nullptr) {
                continue; // never replace a variable by nothing
            }
            CDist* pEdited = m_pDistCollection->GetDist(i);
            bRestored =
                bRestored || pEdited == nullptr || SDistState(*pEdited) != SDistState(*pBackup);
            delete pEdited;
            m_pDistCollection->SetDist(i, pBackup);
            pBackup->UpdateReferenceVariable();
            // The host owns it now.
            m_pBackupCollection->SetDist(i, nullptr);
        }
        m_pCurrentDist = m_pDistCollection->GetDist(m_nCurrentDist);
    }
    if (bRestored) {
        Q_EMIT collectionModified();
    }
    if (IsEmbedded()) {
        TakeBackup();
        UpdateAll();
    } else {
        m_pPageCont->SetDist(nullptr);
        m_pPageDisc->SetDist(nullptr);
        QDialog::reject();
    }
}

void CDistPropertySheet::reject() {
    // Escape and closing the window cancel a modal sheet; an embedded one is reverted only by
    // its host.
    if (!IsEmbedded()) {
        OnCancel();
    }
}

void CDistPropertySheet::RouteReturn() {
    if (GetActivePage() == m_pPageDisc) {
        m_pPageDisc->OnEnter();
    } else {
        m_pPageCont->OnEnter();
    }
}

void CDistPropertySheet::keyPressEvent(QKeyEvent* pEvent) {
    // The pages take Return themselves; what arrives here comes from the sheet's own controls.
    if (IsReturnKey(pEvent)) {
        RouteReturn();
        pEvent->accept();
        return;
    }
    if (pEvent->key() == Qt::Key_Escape && IsEmbedded()) {
        pEvent->ignore();
        return;
    }
    QDialog::keyPressEvent(pEvent);
}

bool CDistPropertySheet::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pWatched == m_pVariableBox->lineEdit() && IsReturnKey(pEvent)) {
        RouteReturn();
        return true;
    }
    return QDialog::eventFilter(pWatched, pEvent);
}

} // namespace stochvar
