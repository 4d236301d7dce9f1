#include "Mvc/AbstractSettingsView.h"
#include "Mvc/CSettingsChangeValueEvent.h"
#include "Mvc/CSettingsRemoveKeyEvent.h"
#include "Mvc/SettingsController.h"
#include "Mvc/SettingsModel.h"
#include "Mvc/VSettingsKeyRemovedEvent.h"
#include "Mvc/VSettingsValueChangedEvent.h"

#include "GuiTestMain.h"
#include "Mvc/MvcTestSupport.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

// Writes every hook call into its log. With a watched key, settingsLoaded
// records the value the model then holds for it.
class RecordingView : public QObject, public AbstractSettingsView
{
public:
    explicit RecordingView(const QString &name)
        : AbstractSettingsView(this)
    {
        setObjectName(name);
    }

    QStringList log;
    QString watchedKey;

protected:
    void customEvent(QEvent *event) override { deliverEvent(event); }
    void settingsControllerChanged(VChangeControllerEvent *) override { log << "controller"; }
    void settingsModelChanged(VModelChangedEvent *) override { log << "model"; }
    void settingsLoaded(VEvent *) override
    {
        log << (watchedKey.isEmpty() ? QStringLiteral("loaded")
                                     : "loaded " + settingsModel()->value(watchedKey).toString());
    }
    void settingsValueChanged(VSettingsValueChangedEvent *event) override
    {
        log << event->key() + "=" + event->value().toString();
    }
    void settingsKeyRemoved(VSettingsKeyRemovedEvent *event) override
    {
        log << "removed " + event->key();
    }
};

// The settings layer as the application sets it up, with two views.
struct SettingsRig
{
    SettingsModel model;
    SettingsController controller{&model};
    RecordingView first{QStringLiteral("first")};
    RecordingView second{QStringLiteral("second")};

    SettingsRig()
    {
        controller.attachView(&first);
        controller.attachView(&second);
        settleEvents();
        first.log.clear();
        second.log.clear();
    }

    void post(CEvent *event)
    {
        QCoreApplication::postEvent(&controller, event);
        settleEvents();
    }

    void set(const QString &key, const QVariant &value)
    {
        post(new CSettingsChangeValueEvent(key, value));
    }
};

using WidgetFactory = std::function<QWidget *()>;

} // namespace

Q_DECLARE_METATYPE(WidgetFactory)

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void startRunsTheHooksOnce();
    void changeReachesEveryViewButTheOriginator_data();
    void changeReachesEveryViewButTheOriginator();
    void removeKeyTellsViewsAndKeepsBoundValues();
    void clearRefreshesViews();
    void syncReloadsTheStoreAndRefreshesViews();
    void boundWidgetFollowsBothWays_data();
    void boundWidgetFollowsBothWays();
    void typedReadsAfterRestart();
    void missingKeyLeavesTypedPropertyThenFollows();
    void unbindOneBindingKeepsTheOthers_data();
    void unbindOneBindingKeepsTheOthers();
    void unbindAllAndDestructionEndTheBinding();

private:
    SettingsSandbox m_sandbox;
};

void TestSettings::initTestCase()
{
    QVERIFY(m_sandbox.isReady());
    const QString file = QSettings().fileName();
    QVERIFY2(file.startsWith(m_sandbox.folder() + '/'), qPrintable(file));
    QCOMPARE(file, m_sandbox.storeFile());
}

void TestSettings::init()
{
    m_sandbox.startFreshStore();
}

void TestSettings::startRunsTheHooksOnce()
{
    SettingsModel model;
    SettingsController controller(&model);
    RecordingView view(QStringLiteral("view"));

    // Without a controller a request has nowhere to go and is dropped.
    view.postToController(new CSettingsChangeValueEvent(QStringLiteral("Lost"), 1));

    controller.attachView(&view);
    QVERIFY(!view.settingsModel());
    settleEvents();

    QCOMPARE(view.log, (QStringList{"controller", "model", "loaded"}));
    QCOMPARE(view.settingsController(), &controller);
    QCOMPARE(view.settingsModel(), &model);
    QCOMPARE(controller.settingsModel(), &model);
    QCOMPARE(model.settingsController(), &controller);
    QVERIFY(!model.settings()->contains(QStringLiteral("Lost")));
}

void TestSettings::changeReachesEveryViewButTheOriginator_data()
{
    QTest::addColumn<QString>("originator");
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("viaView");
    QTest::addColumn<QStringList>("firstLog");

    const QStringList told{"Count=5"};
    QTest::newRow("no originator") << QString() << 0 << false << told;
    QTest::newRow("originator not flagged") << "first" << 0 << false << told;
    QTest::newRow("originator given") << "first" << 1 << false << QStringList{};
    QTest::newRow("other object given") << "stranger" << 1 << false << told;
    QTest::newRow("posted by the view") << "first" << 1 << true << QStringList{};
}

void TestSettings::changeReachesEveryViewButTheOriginator()
{
    QFETCH(QString, originator);
    QFETCH(int, flags);
    QFETCH(bool, viaView);
    QFETCH(QStringList, firstLog);

    SettingsRig rig;
    QObject stranger;
    QObject *from = originator == "first" ? static_cast<QObject *>(&rig.first)
                  : originator == "stranger" ? &stranger
                                             : nullptr;
    auto *event = new CSettingsChangeValueEvent(QStringLiteral("Count"), 5, from, flags);
    if (viaView) {
        rig.first.postToController(event);
        settleEvents();
    } else {
        rig.post(event);
    }

    QCOMPARE(rig.first.log, firstLog);
    QCOMPARE(rig.second.log, QStringList{"Count=5"});
    QCOMPARE(rig.model.value(QStringLiteral("Count")).toInt(), 5);
}

void TestSettings::removeKeyTellsViewsAndKeepsBoundValues()
{
    SettingsRig rig;
    rig.set(QStringLiteral("Count"), 5);
    QSpinBox spin;
    rig.controller.bind(&spin, "value", SIGNAL(valueChanged(int)), QStringLiteral("Count"));
    QCOMPARE(spin.value(), 5);
    rig.first.log.clear();
    rig.second.log.clear();

    rig.post(new CSettingsRemoveKeyEvent(QStringLiteral("Count"), &rig.first, CEvent::OriginatorGiven));

    QVERIFY(!rig.model.settings()->contains(QStringLiteral("Count")));
    QVERIFY(rig.first.log.isEmpty());
    QCOMPARE(rig.second.log, QStringList{"removed Count"});
    QCOMPARE(spin.value(), 5);
}

void TestSettings::clearRefreshesViews()
{
    SettingsRig rig;
    rig.set(QStringLiteral("Count"), 5);
    rig.set(QStringLiteral("Name"), QStringLiteral("x"));
    rig.first.log.clear();
    rig.second.log.clear();
    rig.second.watchedKey = QStringLiteral("Count");

    rig.post(new CSettingsEvent(CSettingsEvent::ClearType, &rig.first, CEvent::OriginatorGiven));

    QVERIFY(rig.model.settings()->allKeys().isEmpty());
    QVERIFY(rig.first.log.isEmpty());
    QCOMPARE(rig.second.log, QStringList{"loaded "});
}

// Another process may write the store; a sync takes its values in and the
// views reload them.
void TestSettings::syncReloadsTheStoreAndRefreshesViews()
{
    SettingsRig rig;
    rig.set(QStringLiteral("Count"), 5);
    rig.post(new CSettingsEvent(CSettingsEvent::SyncType));
    rig.first.log.clear();
    rig.second.log.clear();
    rig.first.watchedKey = rig.second.watchedKey = QStringLiteral("Count");

    QFile file(m_sandbox.storeFile());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("[General]\nCount=12\n");
    file.close();

    rig.post(new CSettingsEvent(CSettingsEvent::SyncType));

    QCOMPARE(rig.model.value(QStringLiteral("Count")).toInt(), 12);
    QCOMPARE(rig.first.log, QStringList{"loaded 12"});
    QCOMPARE(rig.second.log, QStringList{"loaded 12"});
}

void TestSettings::boundWidgetFollowsBothWays_data()
{
    QTest::addColumn<WidgetFactory>("makeWidget");
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QByteArray>("signal");
    QTest::addColumn<QVariant>("userValue");
    QTest::addColumn<QVariant>("storedValue");

    QTest::newRow("spin box")
        << WidgetFactory([] { return new QSpinBox; }) << QByteArray("value")
        << QByteArray(SIGNAL(valueChanged(int))) << QVariant(7) << QVariant(9);
    QTest::newRow("check box")
        << WidgetFactory([] { return new QCheckBox; }) << QByteArray("checked")
        << QByteArray(SIGNAL(toggled(bool))) << QVariant(true) << QVariant(false);
    QTest::newRow("line edit")
        << WidgetFactory([] { return new QLineEdit; }) << QByteArray("text")
        << QByteArray(SIGNAL(textChanged(QString))) << QVariant(QStringLiteral("abc"))
        << QVariant(QStringLiteral("xyz"));
}

void TestSettings::boundWidgetFollowsBothWays()
{
    QFETCH(WidgetFactory, makeWidget);
    QFETCH(QByteArray, property);
    QFETCH(QByteArray, signal);
    QFETCH(QVariant, userValue);
    QFETCH(QVariant, storedValue);

    SettingsRig rig;
    const QString key = QStringLiteral("Key");
    std::unique_ptr<QWidget> edited(makeWidget());
    std::unique_ptr<QWidget> other(makeWidget());
    rig.controller.bind(edited.get(), property, signal, key);
    rig.controller.bind(other.get(), property, signal, key);

    // From a widget to the store, the views and the other widget, once: the
    // widgets brought to the value do not echo it back.
    edited->setProperty(property, userValue);
    settleEvents();
    QCOMPARE(rig.model.value(key), userValue);
    QCOMPARE(other->property(property), userValue);
    const QStringList toldUser{key + "=" + userValue.toString()};
    QCOMPARE(rig.first.log, toldUser);
    QCOMPARE(rig.second.log, toldUser);

    // From a request to both widgets.
    rig.set(key, storedValue);
    QCOMPARE(edited->property(property), storedValue);
    QCOMPARE(other->property(property), storedValue);
    QCOMPARE(rig.first.log, toldUser + QStringList{key + "=" + storedValue.toString()});
}

// The INI store keeps no types: after a restart values read back as text,
// which readers and bound properties must convert.
void TestSettings::typedReadsAfterRestart()
{
    {
        SettingsRig rig;
        QSpinBox spin;
        QCheckBox check;
        rig.controller.bind(&spin, "value", SIGNAL(valueChanged(int)), QStringLiteral("Count"));
        rig.controller.bind(&check, "checked", SIGNAL(toggled(bool)), QStringLiteral("Enabled"));
        spin.setValue(7);
        check.setChecked(true);
        rig.set(QStringLiteral("Muted"), false);
        rig.set(QStringLiteral("RecentFiles"), QStringList{QStringLiteral("a.vrm")});
        settleEvents();
    }
    QVERIFY(m_sandbox.restartFromStoredFile());

    SettingsRig rig;
    const QVariant count = rig.model.value(QStringLiteral("Count"));
    QCOMPARE(count.userType(), int(QMetaType::QString));
    QCOMPARE(count.toInt(), 7);
    QCOMPARE(rig.model.value(QStringLiteral("Enabled")).toBool(), true);
    QCOMPARE(rig.model.value(QStringLiteral("Muted")).toBool(), false);
    QCOMPARE(rig.model.value(QStringLiteral("RecentFiles")).toStringList(),
             QStringList{QStringLiteral("a.vrm")});

    QSpinBox spin;
    QCheckBox enabled;
    QCheckBox muted;
    muted.setChecked(true);
    rig.controller.bind(&spin, "value", SIGNAL(valueChanged(int)), QStringLiteral("Count"));
    rig.controller.bind(&enabled, "checked", SIGNAL(toggled(bool)), QStringLiteral("Enabled"));
    rig.controller.bind(&muted, "checked", SIGNAL(toggled(bool)), QStringLiteral("Muted"));
    QCOMPARE(spin.value(), 7);
    QVERIFY(enabled.isChecked());
    QVERIFY(!muted.isChecked());
}

void TestSettings::missingKeyLeavesTypedPropertyThenFollows()
{
    SettingsRig rig;
    QSpinBox spin;
    spin.setValue(3);
    rig.controller.bind(&spin, "value", SIGNAL(valueChanged(int)), QStringLiteral("Absent"));
    QCOMPARE(spin.value(), 3);
    rig.set(QStringLiteral("Absent"), 8);
    QCOMPARE(spin.value(), 8);

    // Bound before the controller has taken its model: nothing to read yet,
    // but the binding works from then on.
    SettingsModel model;
    SettingsController controller(&model);
    QSpinBox early;
    early.setValue(3);
    controller.bind(&early, "value", SIGNAL(valueChanged(int)), QStringLiteral("Count"));
    QCOMPARE(early.value(), 3);
    settleEvents();
    early.setValue(4);
    settleEvents();
    QCOMPARE(model.value(QStringLiteral("Count")).toInt(), 4);
}

void TestSettings::unbindOneBindingKeepsTheOthers_data()
{
    QTest::addColumn<QString>("secondKey");

    QTest::newRow("same key twice") << QStringLiteral("A");
    QTest::newRow("two keys, one signal") << QStringLiteral("B");
}

void TestSettings::unbindOneBindingKeepsTheOthers()
{
    QFETCH(QString, secondKey);

    SettingsRig rig;
    QSpinBox spin;
    rig.controller.bind(&spin, "value", SIGNAL(valueChanged(int)), QStringLiteral("A"));
    rig.controller.bind(&spin, "value", SIGNAL(valueChanged(int)), secondKey);
    rig.controller.unbind(&spin, QStringLiteral("A"));

    // The remaining binding still hears the widget...
    spin.setValue(6);
    settleEvents();
    QCOMPARE(rig.model.value(secondKey).toInt(), 6);

    // ...and still follows its key.
    rig.set(secondKey, 8);
    QCOMPARE(spin.value(), 8);

    if (secondKey != QLatin1String("A")) {
        QVERIFY(!rig.model.settings()->contains(QStringLiteral("A")));
        rig.set(QStringLiteral("A"), 5);
        QCOMPARE(spin.value(), 8);
    }
}

void TestSettings::unbindAllAndDestructionEndTheBinding()
{
    SettingsRig rig;
    QSpinBox spin;
    rig.controller.bind(&spin, "value", SIGNAL(valueChanged(int)), QStringLiteral("A"));
    rig.controller.bind(&spin, "value", SIGNAL(valueChanged(int)), QStringLiteral("B"));
    rig.controller.unbind(&spin);

    rig.set(QStringLiteral("A"), 5);
    QCOMPARE(spin.value(), 0);
    spin.setValue(9);
    settleEvents();
    QCOMPARE(rig.model.value(QStringLiteral("A")).toInt(), 5);
    QVERIFY(!rig.model.settings()->contains(QStringLiteral("B")));

    auto edit = std::make_unique<QLineEdit>();
    rig.controller.bind(edit.get(), "text", SIGNAL(textChanged(QString)), QStringLiteral("A"));
    QCOMPARE(edit->text(), QStringLiteral("5"));
    edit.reset();
    rig.set(QStringLiteral("A"), 7);
    QCOMPARE(rig.model.value(QStringLiteral("A")).toInt(), 7);
}

VORMA_GUI_TEST_MAIN(TestSettings)
#include "tst_settings.moc"
