#pragma once

// An application-services provider that shows nothing and answers empty;
// a test's fake overrides only what its test decides.

#include "widgets/ApplicationServicesProvider.h"

class QuietServicesProvider : public ApplicationServicesProvider
{
public:
    void showFontDialog() override {}
    void connectFontDialog(QObject *, const char *) override {}
    void disconnectFontDialog() override {}
    void updateFontDialog(const QFont &) override {}
    QObject *fontDialogClient() const override { return nullptr; }
    bool isFontDialogVisible() const override { return false; }
    void showColorDialog() override {}
    void connectColorDialog(QObject *, const char *) override {}
    void disconnectColorDialog() override {}
    void updateColorDialog(const QColor &) override {}
    QObject *colorDialogClient() const override { return nullptr; }
    bool isColorDialogVisible() const override { return false; }
    QSet<QString> availableMidiInputPorts() const override { return {}; }
    QSet<QString> availableMidiOutputPorts() const override { return {}; }
    QStringList midiInputPortNames() const override { return {}; }
    QStringList midiOutputPortNames() const override { return {}; }
    QVariant settingsValue(const QString &, const QVariant &defaultValue) const override { return defaultValue; }
};
