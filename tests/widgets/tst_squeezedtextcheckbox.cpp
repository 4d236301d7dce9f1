#include "widgets/SqueezedTextCheckBox.h"

#include "GuiTestMain.h"

#include <QtTest>

class TestSqueezedTextCheckBox : public QObject
{
    Q_OBJECT

private slots:
    void longTextKeepsBothEndsAndItsSizeHint();
    void growingShowsTheWholeTextAgain();
    void elideModeAndEmptyText();
};

namespace {
const QString portName = QStringLiteral("Begin of a very long MIDI port name that cannot fit End");
}

// Each box is shown: resize events reach shown widgets only, as in a real panel.
void TestSqueezedTextCheckBox::longTextKeepsBothEndsAndItsSizeHint()
{
    SqueezedTextCheckBox box;
    box.show();
    box.setText(portName);
    const int fullWidth = box.sizeHint().width();
    box.resize(fullWidth / 2, box.sizeHint().height());

    QCOMPARE(box.fullText(), portName);
    QVERIFY(box.text() != portName);
    QVERIFY(box.text().startsWith(QStringLiteral("Begin")));
    QVERIFY(box.text().endsWith(QStringLiteral("End")));
    QVERIFY(box.text().contains(QChar(0x2026)));
    QCOMPARE(box.sizeHint().width(), fullWidth);
    QVERIFY(fullWidth > box.fontMetrics().horizontalAdvance(portName));
    QCOMPARE(box.minimumSizeHint().width(), -1);
}

void TestSqueezedTextCheckBox::growingShowsTheWholeTextAgain()
{
    SqueezedTextCheckBox box;
    box.show();
    box.resize(40, 20);
    box.setText(portName);
    QVERIFY(box.text() != portName);
    box.resize(box.sizeHint().width() + 10, 20);
    QCOMPARE(box.text(), portName);
}

void TestSqueezedTextCheckBox::elideModeAndEmptyText()
{
    SqueezedTextCheckBox box;
    box.show();
    box.setText(portName);
    box.resize(box.sizeHint().width() / 2, 20);
    box.setProperty("textElideMode", Qt::ElideRight);
    QCOMPARE(box.textElideMode(), Qt::ElideRight);
    QVERIFY(box.text().startsWith(QStringLiteral("Begin")));
    QVERIFY(!box.text().endsWith(QStringLiteral("End")));

    box.setText(QString());
    QVERIFY(box.text().isEmpty());
    const int indicatorOnly = box.sizeHint().width();
    QVERIFY(indicatorOnly > 0);
    QVERIFY(indicatorOnly < box.fontMetrics().horizontalAdvance(portName));
}

VORMA_GUI_TEST_MAIN(TestSqueezedTextCheckBox)
#include "tst_squeezedtextcheckbox.moc"
