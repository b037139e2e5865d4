#include <stochvar/editor/DlgCorrelationMatrix.h>

#include <stochvar/editor/ControlIds.h>
#include <stochvar/editor/CorrelationCtrl.h>
#include <stochvar/editor/DialogButtons.h>
#include <stochvar/module/HostHooks.h>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>

#include <algorithm>

namespace stochvar {

namespace {

// The dialog opens large enough for a few variables and never larger than this.
constexpr int kMaxInitialWidth = 900;
constexpr int kMaxInitialHeight = 600;
constexpr int kMinInitialWidth = 420;
constexpr int kMinInitialHeight = 240;
// The part of the screen's available area that the dialog may take at most, leaving room for
// its frame.
constexpr double kMaxScreenShare = 0.9;

} // namespace

CDlgCorrelationMatrix::CDlgCorrelationMatrix(QWidget* pParent)
    : QDialog(pParent), m_pGrid(WithId(new CCorrelationCtrl(this), IDC_CORR_GRID)) {
    setWindowTitle(QStringLiteral("Correlation"));
    setSizeGripEnabled(true);

    // The grid takes every bit of space; the buttons stay at the top right. Return belongs to
    // the cell editor; neither button takes it.
    auto* pLayout = new QHBoxLayout(this);
    pLayout->addWidget(m_pGrid, 1);
    pLayout->addLayout(MakeOkCancelColumn(this));
}

void CDlgCorrelationMatrix::SetDistArray(CArray<CDist*, CDist*>* pDistArray) {
    m_pDistArray = pDistArray;
    m_pGrid->SetDistArray(pDistArray);
}

void CDlgCorrelationMatrix::SetCorrArray(CArray<SCorr*, SCorr*>* pCorrArray) {
    m_pCorrArray = pCorrArray;
    m_pGrid->SetCorrArray(pCorrArray);
}

int CDlgCorrelationMatrix::DoModal() {
    OnInitDialog();
    return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

BOOL CDlgCorrelationMatrix::OnInitDialog() {
    m_pGrid->Initialize();
    // Room for the whole matrix when it is small, scroll bars when it is not.
    const int nGridWidth = m_pGrid->verticalHeader()->width() +
                           m_pGrid->horizontalHeader()->length() + 2 * m_pGrid->frameWidth() +
                           m_pGrid->verticalScrollBar()->sizeHint().width();
    const int nGridHeight = m_pGrid->horizontalHeader()->height() +
                            m_pGrid->verticalHeader()->length() + 2 * m_pGrid->frameWidth() +
                            m_pGrid->horizontalScrollBar()->sizeHint().height();
    const QSize extra = sizeHint() - m_pGrid->sizeHint();
    QSize size(std::clamp(nGridWidth + extra.width(), kMinInitialWidth, kMaxInitialWidth),
               std::clamp(nGridHeight + extra.height(), kMinInitialHeight, kMaxInitialHeight));
    // A small or strongly scaled screen may not even have room for the limits above.
    if (const QScreen* pScreen = screen()) {
        size = size.boundedTo(pScreen->availableGeometry().size() * kMaxScreenShare);
    }
    resize(size);
    return TRUE;
}

void CDlgCorrelationMatrix::accept() { OnOK(); }

void CDlgCorrelationMatrix::OnOK() {
    if (m_pGrid->OnOK() != 0) {
        QDialog::accept();
    }
}

} // namespace stochvar
