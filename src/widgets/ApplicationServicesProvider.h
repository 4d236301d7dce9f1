#ifndef WIDGETS_APPLICATIONSERVICESPROVIDER_H
#define WIDGETS_APPLICATIONSERVICESPROVIDER_H

#include <QColor>
#include <QFont>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

class QObject;

// What the application offers the widgets, the canvas and the inspector.
// The application implements it and registers it with ApplicationServices;
// code below the application only ever talks to ApplicationServices.
class ApplicationServicesProvider
{
public:
    virtual ~ApplicationServicesProvider();

    // The shared font and colour dialogs: one of each for the whole run,
    // serving one client at a time. connect...Dialog makes `client` the one
    // whose `member` (in SLOT() form) takes the chosen value.
    virtual void showFontDialog() = 0;
    virtual void connectFontDialog(QObject *client, const char *member) = 0;
    virtual void disconnectFontDialog() = 0;
    virtual void updateFontDialog(const QFont &font) = 0;
    virtual QObject *fontDialogClient() const = 0;
    virtual bool isFontDialogVisible() const = 0;

    virtual void showColorDialog() = 0;
    virtual void connectColorDialog(QObject *client, const char *member) = 0;
    virtual void disconnectColorDialog() = 0;
    virtual void updateColorDialog(const QColor &color) = 0;
    virtual QObject *colorDialogClient() const = 0;
    virtual bool isColorDialogVisible() const = 0;

    // The MIDI port names the last poll found, as sets and in natural order.
    virtual QSet<QString> availableMidiInputPorts() const = 0;
    virtual QSet<QString> availableMidiOutputPorts() const = 0;
    virtual QStringList midiInputPortNames() const = 0;
    virtual QStringList midiOutputPortNames() const = 0;

    // An application setting, `defaultValue` when it is absent.
    virtual QVariant settingsValue(const QString &key, const QVariant &defaultValue) const = 0;
};

#endif
