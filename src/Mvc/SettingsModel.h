#pragma once

#include "Mvc/AbstractModel.h"

#include <QObject>
#include <QPointer>
#include <QVariant>

class MSettingsChangeValueEvent;
class MSettingsEvent;
class MSettingsRemoveKeyEvent;
class QSettings;
class SettingsController;

// Owns the application's settings store (the platform store named by the
// organisation and application names) and applies the changes the settings
// controller posts to it.
//
// On Linux the store is an INI file, which keeps no value types: after a
// restart every value reads back as text (lists and byte arrays excepted),
// so readers convert explicitly (toInt(), toBool()).
class SettingsModel : public QObject, public AbstractModel
{
    Q_OBJECT

public:
    explicit SettingsModel(QObject *parent = nullptr);
    ~SettingsModel() override;

    quint32 eventFamily() const override;
    void dispatchEvent(MEvent *event) override;

    // For direct reading; values written through it reach no settings view.
    QSettings *settings() const { return m_settings; }
    QVariant value(const QString &key, const QVariant &defaultValue = QVariant()) const;

    SettingsController *settingsController() const { return m_settingsController.data(); }

protected:
    void customEvent(QEvent *event) override;
    void onChangeController(MChangeControllerEvent *event) override;

    virtual void onChangeValue(MSettingsChangeValueEvent *event);
    virtual void onRemoveKey(MSettingsRemoveKeyEvent *event);
    virtual void onClear(MSettingsEvent *event);
    virtual void onSync(MSettingsEvent *event);

private:
    QSettings *m_settings;
    QPointer<SettingsController> m_settingsController;
};
