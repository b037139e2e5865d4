#pragma once

// CDistPageCont: the page on which a variable of a continuous family (or the fixed kind) is
// defined. The user picks an input type, enters the values of its parameters one after the
// other in the value box (Return commits), and watches the density or the cumulative curve.
//
// Every refresh rebuilds its control completely from the variable. Entering the last parameter
// of an input type wraps the cursor to the first one and runs the combination check and the
// conversion to base parameters; refusals are shown through the variable's status message box,
// and a text that is not a number beeps. Return anywhere on the page commits the value box.

#include <stochvar/editor/DistPageBase.h>

class QGroupBox;
class QListWidget;

namespace stochvar {

class CDistPageCont : public CDistPageBase {
    Q_OBJECT

public:
    explicit CDistPageCont(QWidget* pParent = nullptr);

    // The variable to edit (not owned; null for none); rebuilds every control.
    void SetDist(CDist* pDist);

    // Commits the value box to the parameter under the cursor.
    void OnEnter() override;

    void UpdateAll();
    void UpdateInputTypeBox();
    void UpdateParameterBox();
    // The value of the parameter under the cursor, with the focus on the value box.
    virtual void UpdateValueBox();
    void UpdateChart() override;
    using CDistPageBase::UpdateRadioButtons;

    // After a change of family: the new variable has taken over the values of the old one's
    // slots without converting them, so what it derives from its input type (the values of the
    // other input types, the curve, the range of its correlations) is still the old family's.
    // Converts the values of its input type as entering them would, without showing anything;
    // values that the family refuses stay as they are, for the user (and the save check) to
    // see.
    static void ConvertTakenOverValues(CDist& dist);

protected:
    void OnSelchangeInputType();
    void OnSelchangeParameter();

private:
    QGroupBox* m_pInputTypeGroup;
    QListWidget* m_pInputTypeBox;
    QListWidget* m_pParameterBox;
};

} // namespace stochvar
