#pragma once

// CDlgNameValue: the small modal dialog "Name and value" that asks for the name and the
// frequency of a new or edited category. The caller sets both members before DoModal and reads
// them after IDOK; a frequency that is not a number keeps the dialog open.

#include <stochvar/framework/String.h>
#include <stochvar/framework/Types.h>

#include <QDialog>

class QLineEdit;

namespace stochvar {

class CDlgNameValue : public QDialog {
    Q_OBJECT

public:
    explicit CDlgNameValue(QWidget* pParent = nullptr);

    // Fills the controls from the members and runs the dialog; IDOK or IDCANCEL.
    int DoModal();

    CString m_strName;     // edit 5023
    double m_dValue = 0.0; // edit 5024

protected:
    virtual BOOL OnInitDialog();
    bool UpdateData(bool bSaveAndValidate);
    void accept() override;

private:
    QLineEdit* m_pName;
    QLineEdit* m_pValue;
};

} // namespace stochvar
