// stochvar-docs-images: renders the pictures of the documentation offscreen.
//
//   stochvar-docs-images DOCS_DIR [PAGES_DIR]
//   stochvar-docs-images --readability TAG DIR
//
// DOCS_DIR gets the pictures that README.md shows, all on examples/beam.json: the property
// sheet, the correlation dialog, the desktop host, and the desktop host halfway through a new
// pair of values for G. PAGES_DIR, when given, gets pictures of the two pages and of the
// selection dialog, for a look by eye.
//
// With --readability, DIR gets readability-grid-TAG.png, the correlation dialog of ten variables
// as it opens, with three coefficients typed in, and readability-chart-TAG.png, the chart of a
// narrow normal density under fixed wide axis bounds beside that of a fixed value: pictures
// of one build to set beside those of another (TAG "before" and "after" a change). The "before"
// pictures in docs/images come from the build of the commit that added this mode, before the
// editor learnt to fit its columns and to sample its curves; `make docs-images` renders "after".

#include "stochvar-editor/EditorMainWindow.h"

#include <stochvar/documents/DocumentFile.h>
#include <stochvar/editor/ControlIds.h>
#include <stochvar/editor/CorrelationCtrl.h>
#include <stochvar/editor/DistPageCont.h>
#include <stochvar/editor/DistPageDisc.h>
#include <stochvar/editor/DistPropertySheet.h>
#include <stochvar/editor/DlgCorrelationMatrix.h>
#include <stochvar/editor/DlgSelectDist.h>
#include <stochvar/families/Discrete.h>
#include <stochvar/families/LogNormal.h>
#include <stochvar/families/Normal.h>
#include <stochvar/model/Keywords.h>
#include <stochvar/module/HostHooks.h>
#include <stochvar/simulation/DistCollection.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace stochvar {
namespace {

const char* const kBeamPath = STOCHVAR_EXAMPLES_DIR "/beam.json";

void Save(QWidget& widget, const QDir& dir, const char* pszFile) {
    QCoreApplication::processEvents();
    const QString path = dir.filePath(QString::fromLatin1(pszFile));
    if (!widget.grab().save(path)) {
        std::fprintf(stderr, "stochvar-docs-images: cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
    std::printf("%s\n", qPrintable(path));
}

// Pictures the next modal dialog from inside its event loop, at the given size (none: its own),
// and closes it.
void SaveNextDialog(const QDir& dir, const char* pszFile, QSize size = QSize()) {
    QTimer::singleShot(0, [=] {
        auto* pDialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (pDialog == nullptr) {
            std::fprintf(stderr, "stochvar-docs-images: no dialog for %s\n", pszFile);
            std::exit(1);
        }
        if (size.isValid()) {
            pDialog->resize(size);
        }
        Save(*pDialog, dir, pszFile);
        pDialog->reject();
    });
}

void ShowCdf(QWidget& page) { page.findChild<QRadioButton*>(ControlName(IDC_CDF))->click(); }

void SaveDocumentationPictures(const QDir& dir) {
    const std::unique_ptr<CCollectionDocument> pDocument = LoadDocument(kBeamPath);
    CDistCollection& collection = pDocument->GetCollection();
    {
        CDistPropertySheet sheet(&collection);
        SaveNextDialog(dir, "property-sheet-beam.png", QSize(1000, 520));
        sheet.DoModal();
    }
    {
        CDlgCorrelationMatrix dlg;
        dlg.SetDistArray(collection.GetDistArray());
        dlg.SetCorrArray(collection.GetCorrArray());
        SaveNextDialog(dir, "correlation-dialog-beam.png");
        dlg.DoModal();
    }
    CEditorMainWindow window;
    window.OpenDocument(QString::fromLatin1(kBeamPath));
    window.resize(1040, 560);
    window.show();
    Save(window, dir, "desktop-host-beam.png");
    // G (normal by /MEAN/STDDEV): the mean 12 entered with Return, the standard deviation next.
    CDistPropertySheet& sheet = *window.GetSheet();
    sheet.SelectVariable(2);
    auto* pValue = sheet.GetPageCont()->findChild<QLineEdit*>(ControlName(IDC_VALUE));
    pValue->setText(QStringLiteral("12"));
    sheet.GetPageCont()->OnEnter();
    pValue->setFocus();
    Save(window, dir, "desktop-host-editing.png");
}

// A distribution page on its own, once with the density and once with the cumulative function.
template <class Page>
void SavePdfAndCdf(CDist& dist, const QDir& dir, const char* pszPdfFile, const char* pszCdfFile) {
    Page page;
    page.resize(820, 440);
    page.SetDist(&dist);
    page.show();
    Save(page, dir, pszPdfFile);
    ShowCdf(page);
    Save(page, dir, pszCdfFile);
}

void SavePagePictures(const QDir& dir) {
    CLogNormal lognormal(nullptr, "Strength", nullptr);
    SavePdfAndCdf<CDistPageCont>(lognormal, dir, "continuous-lognormal-pdf.png",
                                 "continuous-lognormal-cdf.png");

    CDiscrete discrete(nullptr, "Exposure", nullptr);
    discrete.AddCategory("sheltered", 2.0);
    discrete.AddCategory("normal", 5.0);
    discrete.AddCategory("exposed", 3.0);
    discrete.AddCategory("coastal", 1.0);
    SavePdfAndCdf<CDistPageDisc>(discrete, dir, "discrete-four-categories.png",
                                 "discrete-four-categories-cdf.png");

    CDlgSelectDist dlg(&lognormal);
    SaveNextDialog(dir, "selection-dialog-lognormal.png", QSize(960, 460));
    dlg.DoModal();
}

// Types the text into cell (nRow, nCol) of the grid, key by key, and commits it with Return.
void TypeIntoCell(CCorrelationCtrl& grid, int nRow, int nCol, const QString& text) {
    grid.setCurrentCell(nRow - 1, nCol - 1);
    grid.editItem(grid.item(nRow - 1, nCol - 1));
    auto* pEditor = qobject_cast<QLineEdit*>(grid.indexWidget(grid.currentIndex()));
    if (pEditor == nullptr) {
        std::fprintf(stderr, "stochvar-docs-images: no cell editor\n");
        std::exit(1);
    }
    pEditor->selectAll();
    for (const QChar ch : text) {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(pEditor, &key);
    }
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(pEditor, &enter);
    // The delegate commits Return through the event queue.
    QCoreApplication::processEvents();
}

void SaveReadabilityPictures(const QDir& dir, const QString& tag) {
    const QByteArray gridFile = QStringLiteral("readability-grid-%1.png").arg(tag).toUtf8();
    std::vector<std::unique_ptr<CNormal>> variables;
    CDistCollection collection;
    for (const char* pszName : {"fy", "W", "G", "Q", "S", "w", "m", "L", "h", "b"}) {
        variables.push_back(std::make_unique<CNormal>(nullptr, pszName, nullptr));
        collection.AddDist(variables.back().get());
    }
    CDlgCorrelationMatrix dlg;
    dlg.SetDistArray(collection.GetDistArray());
    dlg.SetCorrArray(collection.GetCorrArray());
    QTimer::singleShot(0, [&] {
        CCorrelationCtrl& grid = *dlg.GetGrid();
        TypeIntoCell(grid, 1, 2, QStringLiteral("0.35"));
        TypeIntoCell(grid, 3, 4, QStringLiteral("-0.125"));
        TypeIntoCell(grid, 2, 5, QStringLiteral("0.07"));
        Save(dlg, dir, gridFile.constData());
        dlg.reject();
    });
    dlg.DoModal();

    // A normal of standard deviation 0.1 under the axis bounds [0, 10], and a fixed value 3.
    CNormal narrow(nullptr, "narrow", nullptr);
    narrow.SetParamValue(PARAM_STDDEV, 0.1);
    narrow.m_bAutoAxis = FALSE;
    narrow.m_dAxisMin = 0.0;
    narrow.m_dAxisMax = 10.0;
    CDist fixed(nullptr, "fixed", nullptr);
    fixed.SetParamValue(PARAM_MEAN, 3.0);
    QWidget pair;
    auto* pLayout = new QHBoxLayout(&pair);
    for (CDist* pDist : {static_cast<CDist*>(&narrow), &fixed}) {
        auto* pPage = new CDistPageCont(&pair);
        pPage->SetDist(pDist);
        pLayout->addWidget(pPage);
    }
    pair.resize(1400, 420);
    pair.show();
    Save(pair, dir, QStringLiteral("readability-chart-%1.png").arg(tag).toUtf8().constData());
}

} // namespace
} // namespace stochvar

int main(int argc, char** argv) {
    // The offscreen platform reports, for every window shown, that it cannot pass size hints on.
    static const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& text) {
            if (!text.contains(QStringLiteral("propagateSizeHints"))) {
                previous(type, context, text);
            }
        });
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    if (argc == 4 && std::strcmp(argv[1], "--readability") == 0) {
        if (!QDir().mkpath(QString::fromLocal8Bit(argv[3]))) {
            std::fprintf(stderr, "stochvar-docs-images: cannot make %s\n", argv[3]);
            return 1;
        }
        // Messages to standard error, as below.
        stochvar::SHostHooks hooks = stochvar::GetHostHooks();
        hooks.messageBox = stochvar::DefaultHostHooks().messageBox;
        stochvar::SetHostHooks(hooks);
        stochvar::SaveReadabilityPictures(QDir(QString::fromLocal8Bit(argv[3])),
                                          QString::fromLocal8Bit(argv[2]));
        return 0;
    }
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: stochvar-docs-images DOCS_DIR [PAGES_DIR]\n"
                             "       stochvar-docs-images --readability TAG DIR\n");
        return 2;
    }
    // A message goes to standard error; a message box would wait for a click nobody gives.
    stochvar::SHostHooks hooks = stochvar::GetHostHooks();
    hooks.messageBox = stochvar::DefaultHostHooks().messageBox;
    stochvar::SetHostHooks(hooks);
    for (int i = 1; i < argc; ++i) {
        if (!QDir().mkpath(QString::fromLocal8Bit(argv[i]))) {
            std::fprintf(stderr, "stochvar-docs-images: cannot make %s\n", argv[i]);
            return 1;
        }
    }
    stochvar::SaveDocumentationPictures(QDir(QString::fromLocal8Bit(argv[1])));
    if (argc == 3) {
        stochvar::SavePagePictures(QDir(QString::fromLocal8Bit(argv[2])));
    }
    return 0;
}
