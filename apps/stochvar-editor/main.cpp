// stochvar-editor: the desktop host. Opens a collection document (JSON or binary) in the
// property sheet, or a new one when the file is not given or does not exist yet.

#include "stochvar-editor/EditorMainWindow.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("stochvar-editor"));
    QApplication::setApplicationDisplayName(QStringLiteral("stochvar editor"));
    QApplication::setApplicationVersion(QStringLiteral(STOCHVAR_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Edit a collection of stochastic variables and their correlations."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("Collection document to open, JSON or binary (a new document when the "
                       "file does not exist yet)."),
        QStringLiteral("[FILE]"));
    parser.process(app);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        parser.showHelp(2);
    }

    stochvar::CEditorMainWindow window;
    window.Start(files.isEmpty() ? QString() : files.first());
    return QApplication::exec();
}
