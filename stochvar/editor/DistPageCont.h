#pragma once

// CDistPageCont: the page on which a variable of a continuous family (or the fixed kind) is
// defined. The user picks an input type, enters the values of its parameters one after the
// other in the value box (Return commits), and watches the density or the cumulative curve.
//
// Every refresh rebuilds its control completely from the variable. Entering the last parameter
// of an input type wraps the cursor to the first one and runs the combination check and the
// conversion to base parameters; refusals are shown through the variable's status message box,
// and a text that is not a number beeps.
//
// Return anywhere on the page commits the value box; the page takes the key itself, so that an
// enclosing dialog does not also act on it.

#include <stochvar/editor/Chart2D.h>
#include <stochvar/framework/Types.h>

#include <QWidget>

class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace stochvar {

class CDist;

class CDistPageCont : public QWidget {
    Q_OBJECT

public:
    explicit CDistPageCont(QWidget* pParent = nullptr);

    // The variable to edit (not owned; null for none); rebuilds every control.
    void SetDist(CDist* pDist);
    CDist* GetDist() const { return m_pDist; }
    // 0 while the density is shown, 1 for the cumulative function.
    BOOL IsCdf() const { return m_bCdf; }

    // Commits the value box to the parameter under the cursor.
    void OnEnter();

    void UpdateAll();
    void UpdateInputTypeBox();
    void UpdateParameterBox();
    // The value of the parameter under the cursor, with the focus on the value box.
    virtual void UpdateValueBox();
    void UpdateChart();
    void UpdateRadioButtons();

    // Number of points of the curve.
    static constexpr int kChartPoints = 50;

protected:
    void OnPdf();
    void OnCdf();
    void OnAxis();
    void OnSelchangeInputType();
    void OnSelchangeParameter();
    // The value box read with the whole-text rule.
    bool GetValue(double& dValue) const;

    void keyPressEvent(QKeyEvent* pEvent) override;

    CChart2D m_Chart;
    BOOL m_bCdf = FALSE;
    CDist* m_pDist = nullptr;

private:
    QGroupBox* m_pInputTypeGroup;
    QListWidget* m_pInputTypeBox;
    QListWidget* m_pParameterBox;
    QLineEdit* m_pValueBox;
    QRadioButton* m_pPdf;
    QRadioButton* m_pCdf;
    QPushButton* m_pAxis;
};

} // namespace stochvar
