#include "widgets/ApplicationServices.h"
#include "widgets/ChannelsBox.h"
#include "widgets/ColorChooserButton.h"

#include "FakeDialogsProvider.h"
#include "GuiTestMain.h"

#include <QColorDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace {

// Serves a real, never shown colour dialog the way the application does:
// one client at a time, connected to the dialog's colour signal.
class ColorDialogProvider : public FakeDialogsProvider
{
public:
    QColorDialog dialog;

    void connectColorDialog(QObject *object, const char *member) override
    {
        disconnectColorDialog();
        colorClient = object;
        QObject::connect(&dialog, SIGNAL(currentColorChanged(QColor)), object, member);
    }
    void disconnectColorDialog() override
    {
        if (colorClient)
            QObject::disconnect(&dialog, nullptr, colorClient, nullptr);
        colorClient = nullptr;
    }
    void updateColorDialog(const QColor &color) override
    {
        const QSignalBlocker quiet(&dialog);
        dialog.setCurrentColor(color);
    }
};

QPushButton *buttonWithText(QWidget *parent, const QString &text)
{
    const QList<QPushButton *> buttons = parent->findChildren<QPushButton *>();
    for (QPushButton *button : buttons) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

QBitArray bits(int size, std::initializer_list<int> set)
{
    QBitArray array(size);
    for (int i : set)
        array.setBit(i);
    return array;
}

QList<int> checkedChannelButtons(ChannelsBox &box)
{
    QList<int> checked;
    for (int channel = 1; channel <= ChannelsBox::ChannelCount; ++channel) {
        if (buttonWithText(&box, QString::number(channel))->isChecked())
            checked << channel;
    }
    return checked;
}

} // namespace

class TestValueWidgets : public QObject
{
    Q_OBJECT

private slots:
    void setChannels_data();
    void setChannels();
    void channelButtonsReportOnce_data();
    void channelButtonsReportOnce();
    void channelTextsHaveRoomAtEveryFont_data();
    void channelTextsHaveRoomAtEveryFont();
    void colorIgnoresAlphaOnRequest();
    void translucentColorShowsTheBlackHalf();
    void invalidColorClearsTheSwatch();
    void clickMovesTheSharedDialogToThisButton();
    void clickWithoutApplicationDoesNothing();
};

void TestValueWidgets::setChannels_data()
{
    QTest::addColumn<QBitArray>("given");
    QTest::addColumn<QList<int>>("checked");
    QTest::newRow("4 bits") << bits(4, {0, 2}) << QList<int>{1, 3};
    QTest::newRow("20 bits are cut") << bits(20, {15, 17, 19}) << QList<int>{16};
    QTest::newRow("empty") << QBitArray() << QList<int>{};
}

void TestValueWidgets::setChannels()
{
    QFETCH(QBitArray, given);
    QFETCH(QList<int>, checked);
    ChannelsBox box;
    box.setChannels(bits(16, {4, 5}));
    QSignalSpy changed(&box, &ChannelsBox::channelsChanged);

    box.setProperty("channels", given);

    QCOMPARE(checkedChannelButtons(box), checked);
    QCOMPARE(changed.size(), 1);
    const QBitArray reported = changed.at(0).at(0).toBitArray();
    QCOMPARE(reported.size(), 16);
    QCOMPARE(reported, box.channels());
    for (int i = 0; i < 16; ++i)
        QCOMPARE(reported.testBit(i), checked.contains(i + 1));
}

void TestValueWidgets::channelButtonsReportOnce_data()
{
    QTest::addColumn<QBitArray>("before");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QBitArray>("after");
    QTest::newRow("All") << QBitArray(16) << "All" << QBitArray(16, true);
    QTest::newRow("All when all are set") << QBitArray(16, true) << "All" << QBitArray(16, true);
    QTest::newRow("None") << bits(16, {0, 9}) << "None" << QBitArray(16);
    QTest::newRow("None when none is set") << QBitArray(16) << "None" << QBitArray(16);
    QTest::newRow("16 on") << bits(16, {0}) << "16" << bits(16, {0, 15});
    QTest::newRow("1 off") << bits(16, {0, 3}) << "1" << bits(16, {3});
}

void TestValueWidgets::channelButtonsReportOnce()
{
    QFETCH(QBitArray, before);
    QFETCH(QString, button);
    QFETCH(QBitArray, after);
    ChannelsBox box;
    QCOMPARE(checkedChannelButtons(box), QList<int>{});
    box.setChannels(before);
    QSignalSpy changed(&box, &ChannelsBox::channelsChanged);

    QTest::mouseClick(buttonWithText(&box, button), Qt::LeftButton);

    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.at(0).at(0).toBitArray(), after);
    QCOMPARE(box.channels(), after);
}

void TestValueWidgets::channelTextsHaveRoomAtEveryFont_data()
{
    QTest::addColumn<double>("pointSize");
    QTest::addColumn<QSize>("designed"); // the size at fonts the design fits
    QTest::newRow("9 pt") << 9.0 << QSize(200, 78);
    QTest::newRow("12 pt") << 12.0 << QSize();
    QTest::newRow("18 pt") << 18.0 << QSize();
}

void TestValueWidgets::channelTextsHaveRoomAtEveryFont()
{
    QFETCH(double, pointSize);
    QFETCH(QSize, designed);
    ChannelsBox box;
    QFont font = box.font();
    font.setPointSizeF(pointSize);
    box.setFont(font);
    box.show();
    QVERIFY(box.width() >= 200 && box.height() >= 78);
    if (designed.isValid())
        QCOMPARE(box.size(), designed);
    const QList<QPushButton *> buttons = box.findChildren<QPushButton *>();
    QCOMPARE(buttons.size(), 18);
    for (QPushButton *button : buttons) {
        const QFontMetrics metrics(button->font());
        QVERIFY2(button->width() >= metrics.horizontalAdvance(button->text()) + 4, qPrintable(button->text()));
        QVERIFY2(button->height() >= metrics.height() + 4, qPrintable(button->text()));
        QVERIFY(box.rect().contains(button->geometry()));
    }
}

void TestValueWidgets::colorIgnoresAlphaOnRequest()
{
    ColorChooserButton button;
    button.resize(60, 24);
    QSignalSpy changed(&button, &ColorChooserButton::colorChanged);
    button.setColor(QColor(10, 20, 30, 100));
    QCOMPARE(button.color().alpha(), 100);

    button.setProperty("ignoreAlpha", true);
    QCOMPARE(button.color().alpha(), 100); // until the next colour
    button.setColor(QColor(10, 20, 30, 100));
    QCOMPARE(button.color(), QColor(10, 20, 30));
    QCOMPARE(changed.size(), 2);
    QCOMPARE(changed.at(1).at(0).value<QColor>(), QColor(10, 20, 30));
    const QImage swatch = button.icon().pixmap(button.iconSize()).toImage();
    QCOMPARE(swatch.pixelColor(2, 2), QColor(10, 20, 30));
    QCOMPARE(swatch.pixelColor(swatch.width() - 3, swatch.height() - 3), QColor(10, 20, 30));
}

void TestValueWidgets::translucentColorShowsTheBlackHalf()
{
    ColorChooserButton button;
    button.resize(60, 24);
    button.setColor(QColor(255, 0, 0, 128));
    const QImage swatch = button.icon().pixmap(button.iconSize()).toImage();
    QCOMPARE(swatch.size(), QSize(54, 18));
    const QColor upperLeft = swatch.pixelColor(3, 3);
    const QColor lowerRight = swatch.pixelColor(swatch.width() - 3, swatch.height() - 3);
    QVERIFY(upperLeft.red() > 100 && upperLeft.red() < 160);
    QCOMPARE(upperLeft.green(), 0);
    QVERIFY(lowerRight.green() > 100); // red over white
}

void TestValueWidgets::invalidColorClearsTheSwatch()
{
    ColorChooserButton button;
    button.setColor(Qt::blue);
    QVERIFY(!button.icon().isNull());
    QSignalSpy changed(&button, &ColorChooserButton::colorChanged);
    button.setColor(QColor());
    QVERIFY(button.icon().isNull());
    QCOMPARE(changed.size(), 1);
    QVERIFY(!changed.at(0).at(0).value<QColor>().isValid());
}

void TestValueWidgets::clickMovesTheSharedDialogToThisButton()
{
    ColorDialogProvider provider;
    ApplicationServices::registerProvider(&provider);
    ColorChooserButton first;
    ColorChooserButton second;
    first.setColor(Qt::red);
    second.setColor(Qt::green);

    QTest::mouseClick(&first, Qt::LeftButton);
    QCOMPARE(provider.colorClient.data(), &first);
    QCOMPARE(provider.dialog.currentColor(), QColor(Qt::red));
    QTest::mouseClick(&second, Qt::LeftButton);
    QCOMPARE(provider.colorClient.data(), &second);
    QCOMPARE(provider.dialog.currentColor(), QColor(Qt::green));
    QCOMPARE(provider.colorShown, 2);

    provider.dialog.setCurrentColor(Qt::yellow);
    QCOMPARE(second.color(), QColor(Qt::yellow));
    QCOMPARE(first.color(), QColor(Qt::red));
    ApplicationServices::registerProvider(nullptr);
}

void TestValueWidgets::clickWithoutApplicationDoesNothing()
{
    ColorChooserButton button;
    button.setColor(Qt::red);
    QSignalSpy changed(&button, &ColorChooserButton::colorChanged);
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(button.color(), QColor(Qt::red));
    QCOMPARE(changed.size(), 0);
}

VORMA_GUI_TEST_MAIN(TestValueWidgets)
#include "tst_valuewidgets.moc"
