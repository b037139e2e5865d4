#include <stochvar/editor/DataExchange.h>

#include <stochvar/editor/TextConversion.h>
#include <stochvar/module/HostHooks.h>

#include <QCheckBox>
#include <QLineEdit>

namespace stochvar {

namespace {

bool IsBlank(QChar ch) { return ch == u' ' || ch == u'\t'; }

} // namespace

bool ParseTrimmedNumber(const QString& text, double& dValue) {
    qsizetype nBegin = 0;
    qsizetype nEnd = text.size();
    while (nBegin < nEnd && IsBlank(text[nBegin])) {
        ++nBegin;
    }
    while (nEnd > nBegin && IsBlank(text[nEnd - 1])) {
        --nEnd;
    }
    // An empty text would read as 0 by the exact rule; here it is no number at all.
    if (nBegin == nEnd) {
        return false;
    }
    return ParseExactNumber(text.mid(nBegin, nEnd - nBegin), dValue);
}

bool ExchangeText(QLineEdit* pEdit, double& dValue, bool bSaveAndValidate) {
    if (!bSaveAndValidate) {
        pEdit->setText(NumberText(dValue));
        return true;
    }
    double dRead = 0.0;
    if (!ParseTrimmedNumber(pEdit->text(), dRead)) {
        AfxMessageBox("Please enter a number.", MB_ICONEXCLAMATION | MB_OK);
        pEdit->setFocus();
        pEdit->selectAll();
        return false;
    }
    dValue = dRead;
    return true;
}

bool ExchangeText(QLineEdit* pEdit, CString& strValue, bool bSaveAndValidate) {
    if (bSaveAndValidate) {
        strValue = ToCString(pEdit->text());
    } else {
        pEdit->setText(ToQString(strValue));
    }
    return true;
}

bool ExchangeCheck(QCheckBox* pCheck, int& nValue, bool bSaveAndValidate) {
    if (bSaveAndValidate) {
        nValue = pCheck->isChecked() ? 1 : 0;
    } else {
        pCheck->setChecked(nValue == 1);
    }
    return true;
}

} // namespace stochvar
