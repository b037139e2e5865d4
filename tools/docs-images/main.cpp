// stochvar-docs-images: renders the pictures of the documentation offscreen.
//
//   stochvar-docs-images DOCS_DIR [PAGES_DIR]
//
// DOCS_DIR gets the pictures that README.md shows, all on examples/beam.json: the property
// sheet, the correlation dialog, the desktop host, and the desktop host halfway through a new
// pair of values for G. PAGES_DIR, when given, gets pictures of the two pages and of the
// selection dialog, for a look by eye.

#include "stochvar-editor/EditorMainWindow.h"

#include <stochvar/documents/DocumentFile.h>
#include <stochvar/editor/ControlIds.h>
#include <stochvar/editor/DistPageCont.h>
#include <stochvar/editor/DistPageDisc.h>
#include <stochvar/editor/DistPropertySheet.h>
#include <stochvar/editor/DlgCorrelationMatrix.h>
#include <stochvar/editor/DlgSelectDist.h>
#include <stochvar/families/Discrete.h>
#include <stochvar/families/LogNormal.h>
#include <stochvar/module/HostHooks.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <memory>

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
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: stochvar-docs-images DOCS_DIR [PAGES_DIR]\n");
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
