#pragma once

// CDistPageBase: what the continuous and the discrete page have in common; an implementation
// detail of the two, not a page of its own. It holds the chart with the PDF/CDF choice and the
// Axis button under it, and the value box, and it lays out a page: the page's own column on the
// left, the chart on the right.
//
// Tab visits a page's controls in the order they are made, so a page makes the value box where
// it comes in that order, and the controls under the chart are made last.
//
// Return anywhere on the page goes to the page's OnEnter; the page takes the key itself, so that
// an enclosing dialog does not also act on it.
//
// An edit that changes the variable (a value, the input type, a category, the axis bounds)
// reports it with distModified; one that leaves it as it was (Return on an unchanged value, a
// dialog cancelled, the curve choice) does not.

#include <stochvar/editor/Chart2D.h>
#include <stochvar/editor/DistState.h>
#include <stochvar/framework/Types.h>

#include <QWidget>

class QGroupBox;
class QLayout;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace stochvar {

class CDist;

class CDistPageBase : public QWidget {
    Q_OBJECT

public:
    CDist* GetDist() const { return m_pDist; }
    // 0 while the chart shows the density or the probabilities, 1 for the cumulative function.
    BOOL IsCdf() const { return m_bCdf; }

    // Commits the value box.
    virtual void OnEnter() = 0;

Q_SIGNALS:
    // The user's edit changed the variable shown.
    void distModified();

protected:
    explicit CDistPageBase(QWidget* pParent);

    // A group box with the given title around the control.
    QGroupBox* MakeGroup(const QString& title, QWidget* pContent);
    // Makes the value box, in a group box with the given title.
    QGroupBox* MakeValueGroup(const QString& title);
    // Makes the curve choice and the Axis button and puts the page's column beside the chart.
    void ArrangePage(QLayout* pLeft);

    // Rebuilds the chart from the variable; the Axis button and the curve choice call it.
    virtual void UpdateChart() = 0;
    void UpdateRadioButtons();
    // The curve choice: m_bCdf, the radio buttons and the chart follow bCdf.
    virtual void ShowCurve(BOOL bCdf);
    void OnPdf();
    void OnCdf();
    void OnAxis();

    QLineEdit* ValueBox() const { return m_pValueBox; }
    // The value box read with the exact-number rule (ParseExactNumber).
    bool GetValue(double& dValue) const;
    // Sounds the beep for a value box that does not hold a number.
    static void BeepNotANumber();
    // Emits distModified when the variable no longer has the state taken before the edit.
    void ReportEdit(const SDistState& before);

    void keyPressEvent(QKeyEvent* pEvent) override;

    CChart2D m_Chart;
    BOOL m_bCdf = FALSE;
    CDist* m_pDist = nullptr;

private:
    QLineEdit* m_pValueBox = nullptr;
    QRadioButton* m_pPdf = nullptr;
    QRadioButton* m_pCdf = nullptr;
    QPushButton* m_pAxis = nullptr;
};

} // namespace stochvar
