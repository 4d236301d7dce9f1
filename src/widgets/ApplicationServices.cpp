#include "widgets/ApplicationServices.h"

#include "widgets/ApplicationServicesProvider.h"

namespace {

ApplicationServicesProvider *registeredProvider = nullptr;

} // namespace

ApplicationServices *ApplicationServices::instance()
{
    static ApplicationServices *services = new ApplicationServices;
    return services;
}

void ApplicationServices::registerProvider(ApplicationServicesProvider *provider)
{
    registeredProvider = provider;
}

ApplicationServicesProvider *ApplicationServices::provider()
{
    return registeredProvider;
}

void ApplicationServices::showFontDialog()
{
    if (registeredProvider)
        registeredProvider->showFontDialog();
}

void ApplicationServices::connectFontDialog(QObject *client, const char *member)
{
    if (registeredProvider)
        registeredProvider->connectFontDialog(client, member);
}

void ApplicationServices::disconnectFontDialog()
{
    if (registeredProvider)
        registeredProvider->disconnectFontDialog();
}

void ApplicationServices::updateFontDialog(const QFont &font)
{
    if (registeredProvider)
        registeredProvider->updateFontDialog(font);
}

QObject *ApplicationServices::fontDialogClient()
{
    return registeredProvider ? registeredProvider->fontDialogClient() : nullptr;
}

bool ApplicationServices::isFontDialogVisible()
{
    return registeredProvider && registeredProvider->isFontDialogVisible();
}

void ApplicationServices::showColorDialog()
{
    if (registeredProvider)
        registeredProvider->showColorDialog();
}

void ApplicationServices::connectColorDialog(QObject *client, const char *member)
{
    if (registeredProvider)
        registeredProvider->connectColorDialog(client, member);
}

void ApplicationServices::disconnectColorDialog()
{
    if (registeredProvider)
        registeredProvider->disconnectColorDialog();
}

void ApplicationServices::updateColorDialog(const QColor &color)
{
    if (registeredProvider)
        registeredProvider->updateColorDialog(color);
}

QObject *ApplicationServices::colorDialogClient()
{
    return registeredProvider ? registeredProvider->colorDialogClient() : nullptr;
}

bool ApplicationServices::isColorDialogVisible()
{
    return registeredProvider && registeredProvider->isColorDialogVisible();
}

QSet<QString> ApplicationServices::availableMidiInputPorts()
{
    return registeredProvider ? registeredProvider->availableMidiInputPorts() : QSet<QString>();
}

QSet<QString> ApplicationServices::availableMidiOutputPorts()
{
    return registeredProvider ? registeredProvider->availableMidiOutputPorts() : QSet<QString>();
}

QStringList ApplicationServices::midiInputPortNames()
{
    return registeredProvider ? registeredProvider->midiInputPortNames() : QStringList();
}

QStringList ApplicationServices::midiOutputPortNames()
{
    return registeredProvider ? registeredProvider->midiOutputPortNames() : QStringList();
}

QVariant ApplicationServices::settingsValue(const QString &key, const QVariant &defaultValue)
{
    return registeredProvider ? registeredProvider->settingsValue(key, defaultValue) : defaultValue;
}

void ApplicationServices::notifyMidiInputPortsChanged()
{
    emit instance()->midiInputPortsChanged();
}

void ApplicationServices::notifyMidiOutputPortsChanged()
{
    emit instance()->midiOutputPortsChanged();
}
