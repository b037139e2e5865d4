#pragma once

// CDlgAxisBounds: the small modal dialog "Set Axis Bounds" behind the "Axis" button of the
// editor pages. It only exchanges the three values; the caller decides what they mean
// (EditAxisBounds below).

#include <stochvar/framework/Types.h>

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace stochvar {

class CDist;

class CDlgAxisBounds : public QDialog {
    Q_OBJECT

public:
    explicit CDlgAxisBounds(QWidget* pParent = nullptr);

    // Fills the controls from the members and runs the dialog; IDOK or IDCANCEL. OK reads the
    // controls back and stays open while a bound is not a number.
    int DoModal();

    int m_bAuto = 0;       // check box "Auto Axis": 1 checked
    double m_dLower = 0.0; // "Lower"
    double m_dUpper = 0.0; // "Upper"

protected:
    virtual BOOL OnInitDialog();
    // Controls from members, or with bSaveAndValidate members from controls; false when a value
    // was refused.
    bool UpdateData(bool bSaveAndValidate);
    void accept() override;

private:
    // The bounds can be typed exactly when the automatic bounds are off.
    void OnAuto();

    QCheckBox* m_pAuto;
    QLineEdit* m_pLower;
    QLineEdit* m_pUpper;
};

// Lets the user set the chart bounds of the variable: automatic, or a lower and an upper bound.
// Bounds given in the wrong order are swapped; equal bounds are replaced once by the automatic
// ones while the automatic flag stays off. A cancelled dialog changes nothing.
void EditAxisBounds(CDist* pDist, QWidget* pParent);

} // namespace stochvar
