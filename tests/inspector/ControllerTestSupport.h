#ifndef TESTS_INSPECTOR_CONTROLLERTESTSUPPORT_H
#define TESTS_INSPECTOR_CONTROLLERTESTSUPPORT_H

#include "QmdVorma/EditingTestSupport.h"

#include "QmdVorma/ApplicationSettingsKeys.h"
#include "inspector/CCItemEdit.h"
#include "inspector/CCListEdit.h"
#include "widgets/ApplicationServices.h"
#include "widgets/ApplicationServicesProvider.h"
#include "QuietServicesProvider.h"

#include <QHash>
#include <QPolygonF>

// Application settings for the controller editors, nothing else.
class FakeSettings : public QuietServicesProvider
{
public:
    QHash<QString, QVariant> values;

    FakeSettings() { ApplicationServices::registerProvider(this); }
    ~FakeSettings() override { ApplicationServices::registerProvider(nullptr); }

    QVariant settingsValue(const QString &key, const QVariant &defaultValue) const override
    {
        return values.value(key, defaultValue);
    }
};

inline QPolygonF poly(const QVector<QPointF> &points)
{
    return QPolygonF(points);
}

// One edge between two nodes, shown in a controller list.
struct EdgeFixture
{
    FakeSettings settings;
    VormaDocument doc;
    CCListEdit list;
    QmdItemId edge = 0;

    EdgeFixture()
    {
        doc.attach();
        edge = addEdge(doc, addNode(doc, 0, 0), addNode(doc, 665280, 0));
        list.setController(&doc.controller);
        list.resize(320, 400);
    }

    QmdVormaController &controller() { return doc.controller; }
    QmdIndex controllers() { return controller().index(QmdVorma::Keys::ContinuousControllers, controller().elementIndex(edge)); }

    void select()
    {
        list.setEdge(edge);
        settle();
    }

    // Adds a controller as the spawner would, and returns its entry id.
    QmdItemId addController(int curveType, int msb, int lsb)
    {
        controller().requestAddControllerToEdge(controller().elementIndex(edge),
                                                QmdVorma::ControllerCurveType(curveType), msb, lsb,
                                                QmdRequestOptions{0, QStringLiteral("Controller"), 0});
        settle();
        const QmdItemIdList ids = controller().itemIds(controllers());
        return ids.isEmpty() ? 0 : ids.last();
    }

    QmdIndex entry(QmdItemId id) { return controller().index(id, controllers()); }
    QVariant value(QmdItemId id, const QString &key) { return controller().data(key, entry(id)); }
    QPolygonF points(QmdItemId id) { return value(id, QmdVorma::Keys::CurvePoints).value<QPolygonF>(); }

    void set(QmdItemId id, const QString &key, const QVariant &v, const QString &text = QStringLiteral("Set"))
    {
        controller().requestSetData(key, v, entry(id), QmdRequestOptions{0, text, 0});
        settle();
    }

    CCItemEdit *row(QmdItemId id) { return list.rows().value(id); }
};

#endif
