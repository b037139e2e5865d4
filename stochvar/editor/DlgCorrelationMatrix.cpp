#include <stochvar/editor/DlgCorrelationMatrix.h>

#include <stochvar/editor/ControlIds.h>
#include <stochvar/editor/CorrelationCtrl.h>
#include <stochvar/editor/DialogButtons.h>
#include <stochvar/module/HostHooks.h>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>

namespace stochvar {

namespace {

// The dialog opens large enough for the whole matrix, at least this large (room for the buttons
// and a few variables), and at most this share of the screen's available area, which leaves
// room for its frame; a larger matrix scrolls.
constexpr int kMinInitialWidth = 420;
constexpr int kMinInitialHeight = 240;
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
    // Queued: the header's length is settled once the resize that signals it has ended.
    connect(m_pGrid->horizontalHeader(), &QHeaderView::sectionResized, this,
            &CDlgCorrelationMatrix::GrowToFit, Qt::QueuedConnection);
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
    // A small or strongly scaled screen may not have room even for the minimum.
    resize(
        FittedSize().expandedTo(QSize(kMinInitialWidth, kMinInitialHeight)).boundedTo(MaxSize()));
    return TRUE;
}

QSize CDlgCorrelationMatrix::MaxSize() const {
    const QScreen* pScreen = screen();
    return pScreen != nullptr ? pScreen->availableGeometry().size() * kMaxScreenShare
                              : QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

QSize CDlgCorrelationMatrix::FittedSize() const {
    // The headers have no geometry before the dialog is shown: their sizes come from their
    // size hints and the sections, with room for the scroll bars in case the screen is too small.
    const QHeaderView* pRows = m_pGrid->verticalHeader();
    const QHeaderView* pColumns = m_pGrid->horizontalHeader();
    const int nFrame = 2 * m_pGrid->frameWidth();
    const QSize grid(pRows->sizeHint().width() + pColumns->length() + nFrame +
                         m_pGrid->verticalScrollBar()->sizeHint().width(),
                     pColumns->sizeHint().height() + pRows->length() + nFrame +
                         m_pGrid->horizontalScrollBar()->sizeHint().height());
    // What the layout adds around the grid: margins and the button column.
    return grid + (sizeHint() - m_pGrid->sizeHint());
}

void CDlgCorrelationMatrix::GrowToFit() {
    const QSize grown = size().expandedTo(FittedSize().boundedTo(MaxSize()));
    if (isVisible() && grown != size()) {
        resize(grown);
    }
}

void CDlgCorrelationMatrix::accept() { OnOK(); }

void CDlgCorrelationMatrix::OnOK() {
    if (m_pGrid->OnOK() != 0) {
        QDialog::accept();
    }
}

} // namespace stochvar
