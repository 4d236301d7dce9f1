#pragma once

#include "Mvc/AbstractController.h"

#include <QByteArray>
#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVector>

class CSettingsChangeValueEvent;
class CSettingsEvent;
class CSettingsRemoveKeyEvent;
class SettingsModel;

// Takes settings requests (posted controller settings events), has the
// settings model apply them, tells every settings view, and keeps object
// properties bound to settings keys in step in both directions.
class SettingsController : public QObject, public AbstractController
{
    Q_OBJECT

public:
    // The model becomes known on the next pass of the event loop.
    explicit SettingsController(SettingsModel *model, QObject *parent = nullptr);
    ~SettingsController() override;

    quint32 eventFamily() const override;
    void dispatchEvent(CEvent *event) override;

    // Keeps `property` of `object` equal to the value of `key`: sets it from
    // the store now and on every change of the key, and turns every
    // `notifySignal` (in SIGNAL() form) into a change of the key. A key
    // missing from the store leaves a typed property as it is. The object's
    // destruction unbinds it. Call it once the model is known.
    void bind(QObject *object, const char *property, const char *notifySignal, const QString &key);

    SettingsModel *settingsModel() const { return m_settingsModel.data(); }

public slots:
    void unbind(QObject *object);
    // Removes the first binding of the object to the key; a second binding
    // to the same key stays.
    void unbind(QObject *object, const QString &key);
    void onBoundObjectSignalled();

protected:
    void customEvent(QEvent *event) override;
    void onChangeModel(CChangeModelEvent *event) override;

    virtual void onChangeValue(CSettingsChangeValueEvent *event);
    virtual void onRemoveKey(CSettingsRemoveKeyEvent *event);
    virtual void onClear(CSettingsEvent *event);
    virtual void onSync(CSettingsEvent *event);

private:
    struct Binding
    {
        QObject *object;
        QPointer<QObject> guard;
        QByteArray property;
        QByteArray notifySignal;
        QString key;

        bool operator==(const Binding &other) const;
    };

    bool isBound(const QObject *object) const;
    bool usesSignal(const QObject *object, const QByteArray &notifySignal) const;
    void connectSignal(QObject *object, const QByteArray &notifySignal);
    void disconnectSignal(QObject *object, const QByteArray &notifySignal);
    // Posts one event from `make` to every view except the originator of
    // `cause`.
    template <class Make>
    void notifyViews(const CEvent *cause, Make make);
    void storeAndRefreshViews(CSettingsEvent *event, QEvent::Type modelEventType);

    QVector<Binding> m_bindings;
    QPointer<SettingsModel> m_settingsModel;
};
