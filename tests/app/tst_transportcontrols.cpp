#include "Qmd/QmdMemModel.h"
#include "QmdVorma/DocumentKeys.h"
#include "QmdVorma/QmdVormaController.h"
#include "QmdVorma/playback/AbstractSync.h"
#include "app/PlaybackPosLayout.h"
#include "app/VormaWindow.h"

#include "GuiTestMain.h"
#include "Mvc/MvcTestSupport.h"
#include "Qmd/QmdTestSupport.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

namespace Keys = QmdVorma::Keys;

namespace {

constexpr quint64 Principal = 665280;
constexpr quint64 Second = 1000000000;

QmdRequestOptions noUndo()
{
    QmdRequestOptions options;
    options.flags = Qmd::NoUndo;
    return options;
}

QImage glyph(const char *strip, int index)
{
    return QImage(QString::fromLatin1(strip)).copy(0, index * 18, 10, 18).convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class TestTransport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void digitLayout_data();
    void digitLayout();
    void glyphStripsHaveTheirCells();
    void displayDrawsGlyphsOfTheDocumentsMode();
    void choosingAModeIsNoUndoStep();
    void unknownModeDrawsNothingUntilChosen();
    void playFollowsTheControllerWithoutEcho();
    void playButtonAndGotoStartDriveTheClock();
    void tempoBoxClampsWithoutWritingAndEditsAreUndoable();
    void midiTriggeringIsNoUndoStep();
    void toolChooserTriggersTheToolActions();

private:
    SettingsSandbox m_sandbox;
};

void TestTransport::initTestCase()
{
    QVERIFY(m_sandbox.isReady());
}

void TestTransport::init()
{
    m_sandbox.startFreshStore();
}

void TestTransport::digitLayout_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<quint64>("elapsedNs");
    QTest::addColumn<quint64>("ticks");
    QTest::addColumn<quint64>("beatTicks");
    QTest::addColumn<int>("divs");
    QTest::addColumn<QString>("text");
    // "d" under each dim character.
    QTest::addColumn<QString>("dim");

    QTest::newRow("principals at zero count from one") << 2 << quint64(0) << quint64(0) << quint64(0) << 4
                                                       << "000,001.01" << "dddd      ";
    QTest::newRow("last division of a principal") << 2 << quint64(0) << Principal * 3 / 4 << quint64(0) << 4
                                                  << "000,001.04" << "dddd      ";
    QTest::newRow("principal 1000 lights the thousands") << 2 << quint64(0) << Principal * 999 << quint64(0) << 4
                                                          << "001,000.01" << "          ";
    QTest::newRow("millions wrap away") << 2 << quint64(0) << Principal * 999999 << quint64(0) << 4
                                        << "000,000.01" << "          ";
    QTest::newRow("no divisions show 0") << 2 << quint64(0) << Principal << quint64(0) << 0 << "000,002.00"
                                         << "dddd      ";
    QTest::newRow("divisions finer than a tick show 0")
        << 2 << quint64(0) << Principal << quint64(0) << 1000000 << "000,002.00" << "dddd      ";
    QTest::newRow("last pulse of the first beat") << 3 << quint64(0) << quint64(0) << quint64(2772 * 239) << 4
                                                  << "000,001.240" << "dddd       ";
    QTest::newRow("next pulse starts beat 2") << 3 << quint64(0) << quint64(0) << quint64(2772 * 240) << 4
                                              << "000,002.001" << "dddd       ";
    QTest::newRow("just under a minute") << 1 << quint64(59999000000) << quint64(0) << quint64(0) << 4
                                         << "00:00:59.999" << "dddddd      ";
    QTest::newRow("one minute lights the minutes") << 1 << 60 * Second << quint64(0) << quint64(0) << 4
                                                   << "00:01:00.000" << "ddd         ";
    QTest::newRow("one hour") << 1 << 3600 * Second << quint64(0) << quint64(0) << 4 << "01:00:00.000"
                              << "            ";
    QTest::newRow("hours wrap at 60") << 1 << 61 * 3600 * Second + 1000000 << quint64(0) << quint64(0) << 4
                                      << "01:00:00.001" << "            ";
    QTest::newRow("mode 0 draws nothing") << 0 << quint64(5) << quint64(5) << quint64(5) << 4 << "" << "";
    QTest::newRow("mode 4 draws nothing") << 4 << quint64(5) << quint64(5) << quint64(5) << 4 << "" << "";
}

void TestTransport::digitLayout()
{
    QFETCH(int, mode);
    QFETCH(quint64, elapsedNs);
    QFETCH(quint64, ticks);
    QFETCH(quint64, beatTicks);
    QFETCH(int, divs);
    QFETCH(QString, text);
    QFETCH(QString, dim);

    PlaybackPosLayout::Position pos;
    pos.elapsedNs = elapsedNs;
    pos.ticks = ticks;
    pos.beatTicks = beatTicks;
    pos.divsPerPrincipal = divs;
    QString shown;
    QString dimmed;
    for (const PlaybackPosLayout::Glyph &glyph : PlaybackPosLayout::glyphs(mode, pos)) {
        shown += glyph.ch;
        dimmed += glyph.dim ? QLatin1Char('d') : QLatin1Char(' ');
    }
    QCOMPARE(shown, text);
    QCOMPARE(dimmed, dim);
}

void TestTransport::glyphStripsHaveTheirCells()
{
    for (const char *strip : {":/images/LCDSolidChars.png", ":/images/LCDDimChars.png"}) {
        const QImage image{QString::fromLatin1(strip)};
        QCOMPARE(image.size(), QSize(10, 234));
        // Every cell holds a mark of its own and the digits differ.
        QSet<QByteArray> cells;
        for (int i = 0; i < 13; ++i) {
            const QImage cell = glyph(strip, i);
            cells.insert(QByteArray(reinterpret_cast<const char *>(cell.constBits()), int(cell.sizeInBytes())));
        }
        QCOMPARE(cells.size(), 13);
    }
}

void TestTransport::displayDrawsGlyphsOfTheDocumentsMode()
{
    VormaWindow window;
    settle();
    window.controller()->requestSetData(Keys::DivsPerPrincipal, 4, QmdIndex(), noUndo());
    window.updatePlaybackPosDisplayForCurrentMode();
    QCOMPARE(window.playbackPosDisplayMode(), 2);
    const auto pixmapOf = [&window](const char *name) {
        return window.findChild<QLabel *>(QLatin1String(name))->pixmap(Qt::ReturnByValue).toImage().convertToFormat(
            QImage::Format_ARGB32);
    };
    QCOMPARE(pixmapOf("pal1000s"), glyph(":/images/LCDDimChars.png", 0));
    QCOMPARE(pixmapOf("pal1000sComma"), glyph(":/images/LCDDimChars.png", 10));
    QCOMPARE(pixmapOf("pal1s"), glyph(":/images/LCDSolidChars.png", 1));
    QCOMPARE(pixmapOf("pal1sDot"), glyph(":/images/LCDSolidChars.png", 11));
    QVERIFY(!window.findChild<QLabel *>(QStringLiteral("pal1000000s"))->isVisibleTo(&window));
    QVERIFY(!window.findChild<QLabel *>(QStringLiteral("beat1000000sComma"))->isVisibleTo(&window));
}

void TestTransport::choosingAModeIsNoUndoStep()
{
    VormaWindow window;
    settle();
    QAction *beats = nullptr;
    for (QAction *action : window.displayModeMenu()->actions())
        if (action->text() == QLatin1String("Beats"))
            beats = action;
    QVERIFY(beats);
    beats->trigger();
    settle();
    QVERIFY(beats->isChecked());
    auto *button = window.findChild<QToolButton *>(QStringLiteral("displayModeButton"));
    QCOMPARE(button->toolTip(), QStringLiteral("Beats"));
    QCOMPARE(button->icon().pixmap(16).toImage(), QIcon(":/images/LCDBeatsIcon.png").pixmap(16).toImage());
    QCOMPARE(window.findChild<QStackedWidget *>()->currentIndex(), 2);
    QCOMPARE(window.controller()->data(Keys::PlaybackPosDisplayMode).toInt(), 3);
    QVERIFY(!window.controller()->canUndo());
    QVERIFY(window.controller()->isAtCleanState());

    // The document's mode, loaded or undone, comes back into the window.
    window.controller()->requestSetData(Keys::PlaybackPosDisplayMode, 1, QmdIndex(), noUndo());
    QTRY_COMPARE(window.playbackPosDisplayMode(), 1);
    QCOMPARE(window.findChild<QStackedWidget *>()->currentIndex(), 0);
}

void TestTransport::unknownModeDrawsNothingUntilChosen()
{
    VormaWindow window;
    settle();
    auto *stack = window.findChild<QStackedWidget *>();
    window.controller()->requestSetData(Keys::PlaybackPosDisplayMode, 9, QmdIndex(), noUndo());
    QTRY_COMPARE(window.playbackPosDisplayMode(), 9);
    QCOMPARE(stack->currentIndex(), 1);
    auto *button = window.findChild<QToolButton *>(QStringLiteral("displayModeButton"));
    QVERIFY(button->icon().isNull());
    QVERIFY(button->toolTip().isEmpty());
    window.displayModeMenu()->actions().first()->trigger();
    QCOMPARE(stack->currentIndex(), 0);
    QTRY_COMPARE(window.controller()->data(Keys::PlaybackPosDisplayMode).toInt(), 1);
}

void TestTransport::playFollowsTheControllerWithoutEcho()
{
    VormaWindow window;
    settle();
    auto *play = window.findChild<QPushButton *>(QStringLiteral("playPauseButton"));
    QSignalSpy states(window.controller(), &QmdVormaController::playbackStateChanged);
    window.controller()->requestSetPlayback(true);
    QTRY_VERIFY(play->isChecked());
    settle();
    QCOMPARE(states.size(), 1);
    QVERIFY(window.controller()->sync()->isPlaying());

    window.controller()->requestSetPlayback(false);
    QTRY_VERIFY(!play->isChecked());
    settle();
    QCOMPARE(states.size(), 2);
}

void TestTransport::playButtonAndGotoStartDriveTheClock()
{
    VormaWindow window;
    window.show();
    settle();
    AbstractSync *sync = window.controller()->sync();
    auto *play = window.findChild<QPushButton *>(QStringLiteral("playPauseButton"));
    auto *gotoStart = window.findChild<QPushButton *>(QStringLiteral("gotoStartButton"));
    play->click();
    QTRY_VERIFY(sync->isPlaying());
    QTRY_VERIFY(sync->currentTicks() > 0);
    play->click();
    QTRY_VERIFY(!sync->isPlaying());
    QVERIFY(!play->isChecked());
    gotoStart->click();
    QTRY_COMPARE(sync->currentTicks(), QmdVorma::Ticks(0));
}

void TestTransport::tempoBoxClampsWithoutWritingAndEditsAreUndoable()
{
    VormaWindow window;
    settle();
    auto *tempo = window.findChild<QSpinBox *>(QStringLiteral("tempoSpinBox"));
    QCOMPARE(tempo->minimum(), 1);
    QCOMPARE(tempo->maximum(), 999);

    window.controller()->requestSetData(Keys::Tempo, 5000, QmdIndex(), noUndo());
    QTRY_COMPARE(tempo->value(), 999);
    settle();
    QCOMPARE(window.controller()->data(Keys::Tempo).toInt(), 5000);
    QVERIFY(!window.controller()->canUndo());

    tempo->setValue(90);
    QTRY_COMPARE(window.controller()->data(Keys::Tempo).toInt(), 90);
    QVERIFY(window.controller()->canUndo());
    QCOMPARE(window.controller()->undoText(), QStringLiteral("Tempo"));
}

void TestTransport::midiTriggeringIsNoUndoStep()
{
    VormaWindow window;
    settle();
    auto *triggering = window.findChild<QPushButton *>(QStringLiteral("midiTriggeringButton"));
    QVERIFY(!triggering->isChecked());
    triggering->click();
    QTRY_VERIFY(window.controller()->data(Keys::MidiTriggeringEnabled).toBool());
    QVERIFY(!window.controller()->canUndo());
}

void TestTransport::toolChooserTriggersTheToolActions()
{
    VormaWindow window;
    settle();
    QVERIFY(window.toolBar()->styleSheet().contains(QStringLiteral("QFrame#lcdFrame")));
    auto *voiceGroupTool = window.findChild<QToolButton *>(QStringLiteral("voiceGroupTool"));
    QCOMPARE(voiceGroupTool->size(), QSize(40, 24));
    voiceGroupTool->click();
    QTRY_COMPARE(window.controller()->data(Keys::Tool).toInt(), 3);
    window.controller()->requestSetData(Keys::Tool, 1, QmdIndex(), noUndo());
    QTRY_VERIFY(window.findChild<QToolButton *>(QStringLiteral("zoomTool"))->isChecked());
    QVERIFY(!voiceGroupTool->isChecked());
}

VORMA_GUI_TEST_MAIN(TestTransport)
#include "tst_transportcontrols.moc"
