#pragma once

// The application's shared font and colour dialogs as a test sees them:
// nothing is shown, the test sets what the application would report.

#include "QuietServicesProvider.h"

#include <QColor>
#include <QObject>
#include <QPointer>

class FakeDialogsProvider : public QuietServicesProvider
{
public:
    bool fontVisible = false;
    bool colorVisible = false;
    int colorShown = 0;
    QColor colorUpdated;
    QPointer<QObject> fontClient;
    QPointer<QObject> colorClient;

    void showFontDialog() override { fontVisible = true; }
    void connectFontDialog(QObject *client, const char *) override { fontClient = client; }
    void disconnectFontDialog() override { fontClient = nullptr; }
    void updateFontDialog(const QFont &) override {}
    QObject *fontDialogClient() const override { return fontClient; }
    bool isFontDialogVisible() const override { return fontVisible; }
    void showColorDialog() override
    {
        colorVisible = true;
        ++colorShown;
    }
    void connectColorDialog(QObject *client, const char *) override { colorClient = client; }
    void disconnectColorDialog() override { colorClient = nullptr; }
    void updateColorDialog(const QColor &color) override { colorUpdated = color; }
    QObject *colorDialogClient() const override { return colorClient; }
    bool isColorDialogVisible() const override { return colorVisible; }
};
