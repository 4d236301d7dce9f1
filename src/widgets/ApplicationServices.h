#ifndef WIDGETS_APPLICATIONSERVICES_H
#define WIDGETS_APPLICATIONSERVICES_H

#include <QColor>
#include <QFont>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

class ApplicationServicesProvider;

// The one door from the widgets, the canvas and the inspector to the
// application. Every call goes to the registered provider; with none
// registered (a widget in a test, or before the application has started)
// commands do nothing and queries answer empty, so nothing below the
// application needs an application object to work.
//
// The port-list signals are emitted by this object: the application tells
// it through notifyMidi...PortsChanged when its poll found a change.
class ApplicationServices : public QObject
{
    Q_OBJECT

public:
    // The process-wide object; made on first use, on the GUI thread.
    static ApplicationServices *instance();

    // Makes `provider` serve every call; null unregisters. The provider is
    // not owned and must unregister before it goes.
    static void registerProvider(ApplicationServicesProvider *provider);
    static ApplicationServicesProvider *provider();

    static void showFontDialog();
    static void connectFontDialog(QObject *client, const char *member);
    static void disconnectFontDialog();
    static void updateFontDialog(const QFont &font);
    static QObject *fontDialogClient();
    static bool isFontDialogVisible();

    static void showColorDialog();
    static void connectColorDialog(QObject *client, const char *member);
    static void disconnectColorDialog();
    static void updateColorDialog(const QColor &color);
    static QObject *colorDialogClient();
    static bool isColorDialogVisible();

    static QSet<QString> availableMidiInputPorts();
    static QSet<QString> availableMidiOutputPorts();
    static QStringList midiInputPortNames();
    static QStringList midiOutputPortNames();

    static QVariant settingsValue(const QString &key, const QVariant &defaultValue = QVariant());

    static void notifyMidiInputPortsChanged();
    static void notifyMidiOutputPortsChanged();

signals:
    void midiInputPortsChanged();
    void midiOutputPortsChanged();

private:
    ApplicationServices() = default;
};

#endif
