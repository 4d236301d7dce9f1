#include "QmdVorma/ScaleKeysModel.h"

#include <QAbstractItemModelTester>
#include <QtTest>

// The fixed list of the twelve scale keys.
class TstScaleKeysModel : public QObject
{
    Q_OBJECT

private slots:
    void rows_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("pitchClass");
        const QString sharp(QChar(0x266F));
        const QString flat(QChar(0x266D));
        const char *names[12] = {"A", "A# / Bb", "B", "C", "C# / Db", "D", "D# / Eb", "E", "F", "F# / Gb", "G", "G# / Ab"};
        const int pitchClasses[12] = {9, 10, 11, 0, 1, 2, 3, 4, 5, 6, 7, 8};
        for (int row = 0; row < 12; ++row) {
            QString text = QString::fromLatin1(names[row]);
            text.replace(QStringLiteral("#"), sharp).replace(QStringLiteral("b"), flat);
            QTest::addRow("%d", row) << row << text << pitchClasses[row];
        }
    }
    void rows()
    {
        QFETCH(int, row);
        QFETCH(QString, text);
        QFETCH(int, pitchClass);
        ScaleKeysModel model;
        const QModelIndex index = model.index(row, 0);
        QVERIFY(index.isValid());
        QCOMPARE(index.internalId(), quintptr(pitchClass));
        QCOMPARE(index.data(Qt::DisplayRole).toString(), text);
        const QVariant user = index.data(Qt::UserRole);
        QCOMPARE(user.userType(), int(QMetaType::LongLong));
        QCOMPARE(user.toLongLong(), qint64(pitchClass));
        QVERIFY(!index.data(Qt::ToolTipRole).isValid());
    }

    void signsReadAsIntended()
    {
        ScaleKeysModel model;
        QCOMPARE(model.index(1, 0).data().toString(), QStringLiteral("A\u266F / B\u266D"));
        QCOMPARE(model.index(2, 0).data().toString(), QStringLiteral("B"));
    }

    // A flat list with one column: nothing below a key, nothing outside.
    void shape()
    {
        ScaleKeysModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model.rowCount(), 12);
        QCOMPARE(model.columnCount(), 1);
        const QModelIndex key = model.index(3, 0);
        QCOMPARE(model.rowCount(key), 0);
        QVERIFY(!model.index(0, 0, key).isValid());
        QVERIFY(!model.parent(key).isValid());
        QVERIFY(!model.index(12, 0).isValid());
        QVERIFY(!model.index(-1, 0).isValid());
        QVERIFY(!model.index(0, 1).isValid());
        QVERIFY(!model.data(QModelIndex()).isValid());
    }
};

QTEST_GUILESS_MAIN(TstScaleKeysModel)
#include "tst_scalekeysmodel.moc"
