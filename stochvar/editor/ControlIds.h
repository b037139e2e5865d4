#pragma once

// Control ids of the editor's dialogs and pages. Every control with an id carries it as its Qt
// object name (the id in decimal), so that tests and automation can find it with findChild.

#include <QString>
#include <QWidget>

namespace stochvar {

enum EControlId {
    IDC_OK = 1,     // the standard OK button
    IDC_CANCEL = 2, // the standard Cancel button

    IDC_DIST_TYPE = 5000,        // distribution-type list of the selection dialog
    IDC_INPUT_TYPE_GROUP = 5000, // "Input type" group box of the continuous page
    IDC_INPUT_TYPE = 5001,
    IDC_VALUE = 5002, // value edit of both pages
    IDC_ENTER = 5003,
    IDC_PARAMETER = 5004,
    IDC_VAR_NAME = 5006,
    IDC_CHART = 5007,
    IDC_PDF = 5009,
    IDC_CDF = 5010,
    IDC_AXIS = 5011,
    IDC_LOWER = 5012,
    IDC_MOVE_DOWN = 5013,
    IDC_UPPER = 5014,
    IDC_MOVE_UP = 5015,
    IDC_AUTO_AXIS = 5016,
    IDC_DELETE = 5017,
    IDC_INSERT_AFTER = 5018,
    IDC_INSERT_HERE = 5019,
    IDC_EDIT = 5020,
    IDC_CATEGORY_LIST = 5022,
    IDC_CATEGORY_NAME = 5023,
    IDC_CORR_GRID = 5023, // the grid of the correlation dialog
    IDC_CATEGORY_VALUE = 5024,
    IDC_CORRELATION = 5026, // "Correlation" button of the property sheet
    IDC_CATEGORY_GROUP = 5027,

    // Commands of the correlation grid's right-click menu.
    ID_CORRELATION_XSPACE = 37779,
    ID_CORRELATION_USPACE = 37780,
};

// The object name under which a control with the given id is found.
inline QString ControlName(int nId) { return QString::number(nId); }

// Gives the widget its control id and returns it, for use where the widget is made.
template <class TWidget>
TWidget* WithId(TWidget* pWidget, int nId) {
    pWidget->setObjectName(ControlName(nId));
    return pWidget;
}

} // namespace stochvar
