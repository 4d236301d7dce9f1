#pragma once

#include "Mvc/AbstractView.h"

#include <QPointer>

class CEvent;
class SettingsController;
class SettingsModel;
class VSettingsKeyRemovedEvent;
class VSettingsValueChangedEvent;

// Base of a settings view: fill in the hooks. settingsLoaded() runs once
// after the view was attached and its model arrived, and again after every
// clear or sync of the store.
class AbstractSettingsView : public AbstractView
{
public:
    explicit AbstractSettingsView(QObject *self);
    ~AbstractSettingsView() override;

    quint32 eventFamily() const override;
    void dispatchEvent(VEvent *event) override;

    // Null until the first attach has run.
    SettingsController *settingsController() const;
    SettingsModel *settingsModel() const;

    // Posts a settings request to the settings controller; without one the
    // event is discarded.
    void postToController(CEvent *event);

protected:
    void onChangeController(VChangeControllerEvent *event) override;
    void onModelChanged(VModelChangedEvent *event) override;
    void onRefresh(VEvent *event) override;

    // The hooks; all empty here.
    virtual void settingsControllerChanged(VChangeControllerEvent *event);
    virtual void settingsModelChanged(VModelChangedEvent *event);
    virtual void settingsLoaded(VEvent *event);
    virtual void settingsValueChanged(VSettingsValueChangedEvent *event);
    virtual void settingsKeyRemoved(VSettingsKeyRemovedEvent *event);

private:
    QPointer<SettingsController> m_settingsController;
    QPointer<SettingsModel> m_settingsModel;
};
