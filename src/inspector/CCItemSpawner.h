#ifndef INSPECTOR_CCITEMSPAWNER_H
#define INSPECTOR_CCITEMSPAWNER_H

#include "inspector/CCItem.h"

// The last row of the controller list: only its curve-type chooser shows,
// and choosing a curve type adds a controller of that type to the edge.
class CCItemSpawner : public CCItem
{
    Q_OBJECT

public:
    explicit CCItemSpawner(CCListEdit *list);

    void curveTypeChanged(int curveType) override;
};

#endif
