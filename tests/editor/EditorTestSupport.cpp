#include "EditorTestSupport.h"

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

} // namespace stochvar::editortest
