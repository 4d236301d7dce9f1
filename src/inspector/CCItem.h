#ifndef INSPECTOR_CCITEM_H
#define INSPECTOR_CCITEM_H

#include "Qmd/QmdObserver.h"
#include "QmdVorma/QmdVormaController.h"
#include "inspector/CCItemEditForm.h"

#include <QFrame>

class CCListEdit;

// One row of an edge's controller list: the form and its curve-type chooser
// ("None", "Single", "Linear", "Cubic"; the tab index is the curve type).
// The controller is the list's when the row is built.
class CCItem : public QFrame, public QmdObserver<QmdVormaController>, public Ui::CCItemEditForm
{
    Q_OBJECT

public:
    explicit CCItem(CCListEdit *list);

    CCListEdit *listEdit() const { return m_list; }

    // Runs on every tab change of the chooser, by the user or by a binding.
    virtual void curveTypeChanged(int curveType);

public slots:
    void on_curveTypeChooser_currentChanged(int index);

protected:
    CCListEdit *m_list;
};

#endif
