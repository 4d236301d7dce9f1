#include "widgets/ApplicationServices.h"
#include "widgets/ApplicationServicesProvider.h"

#include "GuiTestMain.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

// A provider that answers from fixed values and logs the commands.
class FakeProvider : public ApplicationServicesProvider
{
public:
    QStringList log;
    QObject *client = nullptr;

    void showFontDialog() override { log << "showFont"; }
    void connectFontDialog(QObject *object, const char *member) override
    {
        client = object;
        log << QStringLiteral("connectFont %1").arg(QLatin1String(member));
    }
    void disconnectFontDialog() override { client = nullptr; }
    void updateFontDialog(const QFont &font) override { log << "font " + font.family(); }
    QObject *fontDialogClient() const override { return client; }
    bool isFontDialogVisible() const override { return true; }
    void showColorDialog() override { log << "showColor"; }
    void connectColorDialog(QObject *, const char *) override {}
    void disconnectColorDialog() override {}
    void updateColorDialog(const QColor &color) override { log << "color " + color.name(); }
    QObject *colorDialogClient() const override { return nullptr; }
    bool isColorDialogVisible() const override { return false; }
    QSet<QString> availableMidiInputPorts() const override { return {"In"}; }
    QSet<QString> availableMidiOutputPorts() const override { return {"Out 2", "Out 10"}; }
    QStringList midiInputPortNames() const override { return {"In"}; }
    QStringList midiOutputPortNames() const override { return {"Out 2", "Out 10"}; }
    QVariant settingsValue(const QString &key, const QVariant &) const override { return "stored " + key; }
};

} // namespace

class TestApplicationServices : public QObject
{
    Q_OBJECT

private slots:
    void withoutProviderCallsDoNothing();
    void registeredProviderServesEveryCall();
    void portListSignalsComeFromTheServices();
};

void TestApplicationServices::withoutProviderCallsDoNothing()
{
    QVERIFY(!ApplicationServices::provider());
    QObject client;
    ApplicationServices::showFontDialog();
    ApplicationServices::connectFontDialog(&client, SLOT(deleteLater()));
    ApplicationServices::updateColorDialog(Qt::red);
    QVERIFY(!ApplicationServices::fontDialogClient());
    QVERIFY(!ApplicationServices::isFontDialogVisible());
    QVERIFY(!ApplicationServices::isColorDialogVisible());
    QVERIFY(ApplicationServices::availableMidiInputPorts().isEmpty());
    QVERIFY(ApplicationServices::midiOutputPortNames().isEmpty());
    QCOMPARE(ApplicationServices::settingsValue("ControllersAutoLsb", false), QVariant(false));
    QVERIFY(!ApplicationServices::settingsValue("ControllersAutoLsb").isValid());
}

void TestApplicationServices::registeredProviderServesEveryCall()
{
    FakeProvider fake;
    ApplicationServices::registerProvider(&fake);
    QObject client;
    ApplicationServices::showFontDialog();
    ApplicationServices::connectFontDialog(&client, "member");
    ApplicationServices::updateColorDialog(Qt::red);
    QCOMPARE(fake.log, (QStringList{"showFont", "connectFont member", "color #ff0000"}));
    QCOMPARE(ApplicationServices::fontDialogClient(), &client);
    QVERIFY(ApplicationServices::isFontDialogVisible());
    QCOMPARE(ApplicationServices::midiOutputPortNames(), (QStringList{"Out 2", "Out 10"}));
    QCOMPARE(ApplicationServices::availableMidiInputPorts(), QSet<QString>{"In"});
    QCOMPARE(ApplicationServices::settingsValue("Key", 1).toString(), QStringLiteral("stored Key"));

    ApplicationServices::registerProvider(nullptr);
    QVERIFY(!ApplicationServices::fontDialogClient());
}

void TestApplicationServices::portListSignalsComeFromTheServices()
{
    QSignalSpy inputs(ApplicationServices::instance(), &ApplicationServices::midiInputPortsChanged);
    QSignalSpy outputs(ApplicationServices::instance(), &ApplicationServices::midiOutputPortsChanged);
    ApplicationServices::notifyMidiOutputPortsChanged();
    QCOMPARE(inputs.size(), 0);
    QCOMPARE(outputs.size(), 1);
}

VORMA_GUI_TEST_MAIN(TestApplicationServices)
#include "tst_applicationservices.moc"
