#include "widgets/Chooser.h"
#include "widgets/QwpComboBox.h"
#include "widgets/WheellessChooser.h"
#include "widgets/WheellessQwpComboBox.h"

#include "GuiTestMain.h"

#include <QPixmap>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {

// One wheel notch towards the user, over the middle of `widget`. Only a
// wheel event from the window system goes on to the parent when ignored, so
// the event is marked as one and handed to the application's dispatch.
void turnWheel(QWidget *widget)
{
    const QPointF pos(widget->width() / 2.0, widget->height() / 2.0);
    QWheelEvent event(pos, widget->mapToGlobal(pos.toPoint()), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&event);
    qApp->notify(widget, &event);
}

// A scroll area whose content is much taller than the area, with `child`
// at its top.
struct ScrollingList
{
    QScrollArea area;
    QWidget *content = new QWidget;

    explicit ScrollingList(QWidget *child)
    {
        auto *layout = new QVBoxLayout(content);
        layout->addWidget(child);
        layout->addStretch();
        content->setMinimumHeight(3000);
        area.setWidget(content);
        area.resize(300, 200);
        area.show();
    }
    int scrolled() const { return area.verticalScrollBar()->value(); }
};

QIcon square()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::darkGray);
    return QIcon(pixmap);
}

} // namespace

class tst_KeyedChoice : public QObject
{
    Q_OBJECT

private slots:
    void setCurrentKey_data()
    {
        QTest::addColumn<QVariantList>("keys");
        QTest::addColumn<QVariant>("key");
        QTest::addColumn<int>("index");

        const QVariantList names{QStringLiteral("abc"), QStringLiteral("ABC"),
                                 QStringLiteral("def")};
        QTest::newRow("present") << names << QVariant(QStringLiteral("def")) << 2;
        QTest::newRow("missing") << names << QVariant(QStringLiteral("xyz")) << -1;
        QTest::newRow("case matters") << QVariantList{QStringLiteral("ABC")}
                                      << QVariant(QStringLiteral("abc")) << -1;
        QTest::newRow("duplicates give the first")
            << QVariantList{1.0, 2.0, 2.0} << QVariant(2.0) << 1;
        QTest::newRow("int finds unsigned") << QVariantList{QVariant(3u), QVariant(7u)}
                                            << QVariant(7) << 1;
        QTest::newRow("double finds its value")
            << QVariantList{0.25, 0.5, 8.0} << QVariant(0.5) << 1;
        QTest::newRow("invalid shows nothing") << names << QVariant() << -1;
        QTest::newRow("empty box") << QVariantList{} << QVariant(1) << -1;
    }

    void setCurrentKey()
    {
        QFETCH(QVariantList, keys);
        QFETCH(QVariant, key);
        QFETCH(int, index);

        QwpComboBox box;
        for (const QVariant &k : keys)
            box.addItem(k.toString(), k);
        box.setCurrentIndex(keys.isEmpty() ? -1 : 0);
        box.setCurrentKey(key);
        QCOMPARE(box.currentIndex(), index);
        if (index < 0) {
            QVERIFY(!box.currentKey().isValid());
            QVERIFY(box.currentText().isEmpty());
        } else {
            QCOMPARE(box.currentKey(), keys.at(index));
        }
        // The property is what a binding reads and writes.
        QCOMPARE(box.property("currentKey"), box.currentKey());
    }

    void addKeyedItems()
    {
        QwpComboBox box;
        box.addKeyedItems({});
        QCOMPARE(box.count(), 0);
        QVERIFY(!box.currentKey().isValid());

        box.addKeyedItems({QStringLiteral("C"), QStringLiteral("C#")});
        QCOMPARE(box.count(), 2);
        QCOMPARE(box.itemText(1), QStringLiteral("C#"));
        QCOMPARE(box.currentKey(), QVariant(QStringLiteral("C")));
        QVERIFY(box.setProperty("currentKey", QStringLiteral("C#")));
        QCOMPARE(box.currentIndex(), 1);
    }

    void narrowTabs()
    {
        Chooser wide;
        Chooser narrow;
        narrow.setNarrowTabs(true);
        for (Chooser *chooser : {&wide, &narrow}) {
            // Tabs as wide as they ask to be, not stretched over the bar.
            chooser->setExpanding(false);
            QCOMPARE(chooser->addIconTab(square()), 0);
            QCOMPARE(chooser->addIconTab(square()), 1);
            QVERIFY(chooser->tabText(1).isEmpty());
            QVERIFY(!chooser->drawBase());
        }
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(narrow.tabRect(i).width(), wide.tabRect(i).width() - 14);
            QCOMPARE(narrow.tabRect(i).height(), wide.tabRect(i).height());
        }
        narrow.setNarrowTabs(false);
        QCOMPARE(narrow.tabRect(0).width(), wide.tabRect(0).width());
    }

    void theLeastWidthShowsEveryChoiceWhole()
    {
        Chooser chooser;
        for (const char *text : {"None", "Single", "Linear", "Cubic"})
            chooser.addTab(QString::fromLatin1(text));
        QCOMPARE(chooser.minimumSizeHint().width(), chooser.sizeHint().width());
        chooser.resize(chooser.minimumSizeHint());
        chooser.show();
        QCOMPARE(chooser.tabRect(3).right(), chooser.width() - 1);
    }

    void outOfRangeIndexKeepsTheTab()
    {
        Chooser chooser;
        chooser.addIconTab(square());
        chooser.addIconTab(square());
        chooser.setCurrentIndex(1);
        QVERIFY(chooser.setProperty("currentIndex", -1));
        QCOMPARE(chooser.currentIndex(), 1);
        chooser.setCurrentIndex(5);
        QCOMPARE(chooser.currentIndex(), 1);
    }

    void wheel_data()
    {
        QTest::addColumn<bool>("wheelless");
        QTest::newRow("plain") << false;
        QTest::newRow("wheelless") << true;
    }

    void wheel()
    {
        QFETCH(bool, wheelless);

        QwpComboBox *box = wheelless ? new WheellessQwpComboBox : new QwpComboBox;
        box->addKeyedItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        ScrollingList boxList(box);
        turnWheel(box);
        QCOMPARE(box->currentIndex(), wheelless ? 0 : 1);
        if (wheelless)
            QVERIFY(boxList.scrolled() > 0);

        Chooser *chooser = wheelless ? new WheellessChooser : new Chooser;
        chooser->addIconTab(square());
        chooser->addIconTab(square());
        ScrollingList chooserList(chooser);
        turnWheel(chooser);
        QCOMPARE(chooser->currentIndex(), wheelless ? 0 : 1);
        if (wheelless)
            QVERIFY(chooserList.scrolled() > 0);
    }
};

VORMA_GUI_TEST_MAIN(tst_KeyedChoice)
#include "tst_keyedchoice.moc"
