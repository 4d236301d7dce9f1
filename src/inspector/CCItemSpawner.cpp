#include "inspector/CCItemSpawner.h"

#include "QmdVorma/ApplicationSettingsKeys.h"
#include "inspector/CCListEdit.h"
#include "inspector/ControllerInfo.h"
#include "widgets/ApplicationServices.h"
#include "widgets/WheellessChooser.h"

#include <QSignalBlocker>

CCItemSpawner::CCItemSpawner(CCListEdit *list)
    : CCItem(list)
{
}

void CCItemSpawner::curveTypeChanged(int curveType)
{
    QmdVormaController *c = controller();
    if (!c || curveType == QmdVorma::NoCurve)
        return;
    // Every new controller starts on the modulation wheel.
    const int msb = 1;
    const int lsb = ApplicationServices::settingsValue(controllersAutoLsbKey(), false).toBool()
        ? controllerInfo(msb).pairedLsbCode
        : -1;
    c->requestAddControllerToEdge(m_list->edgeIndex(), QmdVorma::ControllerCurveType(curveType), msb, lsb,
                                  QmdRequestOptions{0, tr("Controller"), 0});
    const QSignalBlocker blocker(this);
    const QSignalBlocker chooserBlocker(curveTypeChooser);
    curveTypeChooser->setCurrentIndex(0);
}
