#include "app/MidiSynthDialog.h"
#include "app/PreferencesDialog.h"
#include "app/SynthChannelsModel.h"
#include "app/UpdateChecker.h"
#include "app/VormaApplication.h"

#include "Mvc/SettingsController.h"
#include "Mvc/SettingsModel.h"
#include "QmdVorma/ApplicationSettingsKeys.h"
#include "widgets/ApplicationServices.h"
#include "widgets/ApplicationServicesProvider.h"
#include "QuietServicesProvider.h"
#include "widgets/QwpComboBox.h"

#include "GuiTestMain.h"
#include "app/AppTestSupport.h"
#include "app/PrivateSessionBus.h"

#include <QFileDialog>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Stands in for the application's port lists while a test changes them.
class PortListProvider : public QuietServicesProvider
{
public:
    QStringList inputs;
    QStringList outputs;

    QSet<QString> availableMidiInputPorts() const override { return {inputs.cbegin(), inputs.cend()}; }
    QSet<QString> availableMidiOutputPorts() const override { return {outputs.cbegin(), outputs.cend()}; }
    QStringList midiInputPortNames() const override { return inputs; }
    QStringList midiOutputPortNames() const override { return outputs; }
};

QStringList itemTexts(const QComboBox *combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

} // namespace

// The application's dialogs, with the application as the program makes it.
class TestAppDialogs : public QObject
{
    Q_OBJECT

public:
    TestAppDialogs(VormaApplication *app, const QString &folder) : m_app(app), m_folder(folder) {}

private:
    void settle()
    {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }

    QVariant stored(const QString &key) { return m_app->settingsController()->settingsModel()->value(key); }

    // A preferences dialog on the application's settings, with the port
    // lists of `ports`.
    PreferencesDialog *openPreferences(PortListProvider &ports)
    {
        ApplicationServices::registerProvider(&ports);
        m_app->showAppPrefs();
        return m_app->preferencesDialog();
    }

    void closePreferences()
    {
        if (PreferencesDialog *dialog = m_app->preferencesDialog())
            dialog->close();
        QTRY_VERIFY(!m_app->preferencesDialog());
        ApplicationServices::registerProvider(m_app);
    }

    VormaApplication *m_app;
    QString m_folder;

private slots:
    void initTestCase()
    {
        QTRY_VERIFY(m_app->isUserInterfaceLoaded());
        QTRY_VERIFY(m_app->settingsController() && m_app->settingsController()->settingsModel());
        settle();
    }

    void updateCheckNeedsAServer()
    {
        // A build from this repository names no update server: the start-up
        // check sent nothing and "Check Now" is off.
        QVERIFY(!m_app->updateChecker()->isAvailable());
        QVERIFY(!m_app->updateChecker()->isBusy());
        PortListProvider ports;
        PreferencesDialog *dialog = openPreferences(ports);
        QVERIFY(!dialog->checkForUpdateNowPushButton->isEnabled());
        QVERIFY(dialog->versionLabel->text().startsWith(QStringLiteral("You are running Vorma version 2.1.0.7")));
        closePreferences();
    }

    void preferencesIsOneDialog()
    {
        PortListProvider ports;
        PreferencesDialog *first = openPreferences(ports);
        QVERIFY(first);
        m_app->showAppPrefs();
        QCOMPARE(m_app->preferencesDialog(), first);
        int dialogs = 0;
        for (QWidget *widget : QApplication::topLevelWidgets())
            dialogs += qobject_cast<PreferencesDialog *>(widget) ? 1 : 0;
        QCOMPARE(dialogs, 1);
        closePreferences();
    }

    void templateBox()
    {
        QDir(m_folder).mkpath(QStringLiteral("Templates"));
        const QString path = m_folder + QStringLiteral("/Templates/My.vrm");
        QVERIFY(writeFile(path, "<plist/>"));
        m_app->settingsController()->settingsModel()->settings()->setValue(templateFileKey(), path);
        m_app->settingsController()->settingsModel()->settings()->sync();

        PortListProvider ports;
        PreferencesDialog *dialog = openPreferences(ports);
        QComboBox *box = dialog->templateFileComboBox;
        dialog->setStoredTemplateFile(path);
        QCOMPARE(itemTexts(box), (QStringList{QStringLiteral("None"), QString::fromUtf8("My.vrm \u2014 Templates"),
                                              QString(), QStringLiteral("Choose...")}));
        QCOMPARE(box->currentIndex(), 1);

        // Cancelling "Choose..." puts the selection back.
        QTimer::singleShot(0, [] {
            QTRY_VERIFY(qobject_cast<QFileDialog *>(QApplication::activeModalWidget()));
            QApplication::activeModalWidget()->close();
        });
        box->setCurrentIndex(3);
        dialog->on_templateFileComboBox_activated(3);
        QTRY_COMPARE(box->currentIndex(), 1);
        QCOMPARE(stored(templateFileKey()).toString(), path);

        // "None" stores an empty path and removes the custom entry.
        dialog->on_templateFileComboBox_activated(0);
        QCOMPARE(itemTexts(box), (QStringList{QStringLiteral("None"), QString(), QStringLiteral("Choose...")}));
        QCOMPARE(box->currentIndex(), 0);
        QTRY_COMPARE(stored(templateFileKey()), QVariant(QString()));
        settle();
        QCOMPARE(box->currentIndex(), 0);

        // A template that has gone shows "None" and is left stored.
        const QString gone = m_folder + QStringLiteral("/Templates/Gone.vrm");
        dialog->setStoredTemplateFile(gone);
        QCOMPARE(itemTexts(box), (QStringList{QStringLiteral("None"), QString(), QStringLiteral("Choose...")}));
        QCOMPARE(box->currentIndex(), 0);
        closePreferences();
    }

    void midiInputToggle()
    {
        PortListProvider ports;
        PreferencesDialog *dialog = openPreferences(ports);
        QVERIFY(dialog->midiInputCheckBox->isChecked());
        dialog->midiInputCheckBox->click();
        QVERIFY(!dialog->inputPortsComboBox->isEnabled());
        QVERIFY(!dialog->toggleTimeoutSpinBox->isEnabled());
        QVERIFY(dialog->toggleTimeoutLabel->isEnabled());
        QTRY_COMPARE(stored(midiInputEnabledKey()), QVariant(false));
        dialog->midiInputCheckBox->click();
        QTRY_COMPARE(stored(midiInputEnabledKey()), QVariant(true));
        QCOMPARE(dialog->toggleTimeoutSpinBox->singleStep(), 10);
        dialog->toggleTimeoutSpinBox->setValue(20000);
        QCOMPARE(dialog->toggleTimeoutSpinBox->value(), 10000);
        closePreferences();
    }

    void portBoxesFollowThePorts()
    {
        PortListProvider ports;
        ports.inputs = QStringList{QStringLiteral("Keys 2"), QStringLiteral("Keys 10")};
        PreferencesDialog *dialog = openPreferences(ports);
        // With input on, the application would clear a stored port its own
        // poll does not list; this test is about the dialog alone.
        dialog->midiInputCheckBox->click();
        QTRY_COMPARE(stored(midiInputEnabledKey()), QVariant(false));
        QwpComboBox *box = dialog->inputPortsComboBox;
        QCOMPARE(itemTexts(box), ports.inputs);

        // The user picks a port: it is stored.
        box->setCurrentIndex(1);
        emit box->activated(1);
        QTRY_COMPARE(stored(midiEntryPortKey()), QVariant(QStringLiteral("Keys 10")));

        // A new port keeps the choice; the chosen one unplugged clears it.
        // Neither refill writes the setting.
        ports.inputs.prepend(QStringLiteral("Another"));
        ApplicationServices::notifyMidiInputPortsChanged();
        QCOMPARE(box->currentText(), QStringLiteral("Keys 10"));
        ports.inputs = QStringList{QStringLiteral("Another")};
        ApplicationServices::notifyMidiInputPortsChanged();
        QCOMPARE(box->currentIndex(), -1);
        settle();
        QCOMPARE(stored(midiEntryPortKey()), QVariant(QStringLiteral("Keys 10")));
        dialog->midiInputCheckBox->click();
        closePreferences();
    }

    void synthDialogShowsTheEmptySynthesizer()
    {
        QSignalSpy toggled(m_app, &VormaApplication::synthDialogToggled);
        m_app->setSynthDialogOpen(true);
        MidiSynthDialog *dialog = m_app->synthDialog();
        QVERIFY(dialog);
        m_app->setSynthDialogOpen(true);
        QCOMPARE(m_app->synthDialog(), dialog);
        QCOMPARE(toggled.count(), 1);

        QAbstractItemModel *channels = dialog->channelsView->model();
        QCOMPARE(channels->rowCount(), 16);
        for (int row = 0; row < 16; ++row) {
            QCOMPARE(channels->index(row, 0).data().toString(), QString::number(row + 1));
            QCOMPARE(channels->index(row, 1).data().toString(), QString());
        }
        QCOMPARE(dialog->instrumentsComboBox->count(), 0);
        QCOMPARE(dialog->programSpinBox->value(), 1);
        QCOMPARE(dialog->bankMSBSpinBox->value(), 0);
        QCOMPARE(dialog->bankLSBSpinBox->value(), 0);
        QCOMPARE(dialog->soundBankLabel->text(), QString());
        QVERIFY(!dialog->openButton->isVisible());

        // What the synthesizer answers is set without echoing back.
        dialog->programSpinBox->setValue(50);
        QSignalSpy echoed(dialog->programSpinBox, QOverload<int>::of(&QSpinBox::valueChanged));
        dialog->channelsView->setCurrentIndex(channels->index(5, 0));
        QCOMPARE(echoed.count(), 0);
        QCOMPARE(dialog->programSpinBox->value(), 1);

        // Edits change nothing the synthesizer shows.
        dialog->bankMSBSpinBox->setValue(7);
        dialog->resetButton->click();
        QCOMPARE(channels->index(5, 1).data().toString(), QString());

        m_app->toggleSynthDialog();
        QTRY_VERIFY(!m_app->isSynthDialogOpen());
        QCOMPARE(toggled.count(), 2);
    }

    void synthDialogKeepsItsGeometry()
    {
        m_app->setSynthDialogOpen(true);
        MidiSynthDialog *dialog = m_app->synthDialog();
        QVERIFY(dialog);
        dialog->setGeometry(123, 145, 300, 420);
        const QRect placed = dialog->geometry();
        dialog->close();
        QTRY_VERIFY(!m_app->isSynthDialogOpen());

        m_app->setSynthDialogOpen(true);
        QVERIFY(m_app->synthDialog());
        QCOMPARE(m_app->synthDialog()->geometry().size(), placed.size());
        QCOMPARE(m_app->synthDialog()->geometry().topLeft(), placed.topLeft());
        m_app->setSynthDialogOpen(false);
        QTRY_VERIFY(!m_app->isSynthDialogOpen());
    }
};

int main(int argc, char *argv[])
{
    runOnPrivateSessionBus(argc, argv);
    QTemporaryDir config;
    if (!config.isValid())
        return 1;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));

    int appArgc = 1;
    char *appArgv[] = {argv[0], nullptr};
    VORMA_TEST_LSAN_DISABLE();
    auto *app = new VormaApplication(appArgc, appArgv);
    VORMA_TEST_LSAN_ENABLE();
    int result = 0;
    {
        TestAppDialogs test(app, config.path());
        QTEST_SET_MAIN_SOURCE_PATH
        result = QTest::qExec(&test, argc, argv);
    }
    delete app;
    return result;
}

#include "tst_appdialogs.moc"
