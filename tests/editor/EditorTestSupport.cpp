#include "EditorTestSupport.h"

#include <QDir>
#include <QLineEdit>
#include <QTest>

namespace stochvar::editortest {

namespace {

SHostHooks& StoredLoadTimeHooks() {
    static SHostHooks hooks;
    return hooks;
}

} // namespace

void KeepLoadTimeHooks() {
    StoredLoadTimeHooks() = GetHostHooks();
}

const SHostHooks& LoadTimeHooks() {
    return StoredLoadTimeHooks();
}

void TypeAndReturn(QWidget* pEdit, const QString& text) {
    ASSERT_NE(pEdit, nullptr);
    if (auto* pLineEdit = qobject_cast<QLineEdit*>(pEdit)) {
        pLineEdit->clear();
    }
    QTest::keyClicks(pEdit, text);
    QTest::keyClick(pEdit, Qt::Key_Return);
}

QImage Shoot(QWidget& widget, const char* pszFile) {
    const QString dir = QStringLiteral(STOCHVAR_SCREENSHOT_DIR);
    EXPECT_TRUE(QDir().mkpath(dir));
    const QImage image = widget.grab().toImage();
    const QString path = dir + QLatin1Char('/') + QString::fromLatin1(pszFile);
    EXPECT_TRUE(image.save(path)) << path.toStdString();
    return image;
}

bool IsCurvePixel(const QColor& color) {
    return color.blue() > color.red() + 60 && color.blue() > 120;
}

} // namespace stochvar::editortest
