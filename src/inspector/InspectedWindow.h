#ifndef INSPECTOR_INSPECTEDWINDOW_H
#define INSPECTOR_INSPECTEDWINDOW_H

#include "Qmd/Qmd.h"

class QmdVormaController;

// What the inspector needs of the document window it follows. The window
// also emits the signal elementSelectionChanged() whenever its canvas
// selection changes; the inspector connects to it by name.
class InspectedWindow
{
public:
    virtual ~InspectedWindow();

    virtual QmdVormaController *controller() const = 0;
    virtual QmdItemIdSet selectedElementIds() const = 0;
};

#endif
