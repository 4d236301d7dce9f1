// The item models the controller makes: instruments with their swatches and
// scale modes in display order, both following the document's changes and
// resets; and the scale-mode accessors behind them.
#include "GuiTestMain.h"
#include "QmdVorma/VormaTestSupport.h"

#include "QmdVorma/InstrumentsModel.h"
#include "QmdVorma/ScaleModeAccess.h"
#include "QmdVorma/ScaleModes.h"
#include "QmdVorma/ScaleModesModel.h"

#include <QAbstractItemModelTester>
#include <QImage>
#include <QSignalSpy>
#include <QtTest>

using namespace QmdVorma;

namespace {

// Opens a request on the controller, runs change with the controller's
// direct interface and closes it: one undo step.
template <typename Change>
void edit(QmdVormaController &c, Change change)
{
    const QmdRequestId rid = c.nextRequestId();
    c.beginRequest(rid, {}, QStringLiteral("Edit"));
    change(static_cast<QmdDirectModelInterface &>(c));
    c.endRequest(rid);
    settle();
}

QmdItemId addEntry(QmdVormaController &c, const QmdIndex &parent, const QHash<QString, QVariant> &values)
{
    QmdItemId id = 0;
    edit(c, [&](QmdDirectModelInterface &d) {
        id = d.addType(Qmd::StrDict, parent);
        c.model()->setData(values, d.index(id, parent));
    });
    return id;
}

QStringList column(const QAbstractItemModel &model, int role = Qt::DisplayRole)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << model.index(row, 0).data(role).toString();
    return texts;
}

QImage swatchOf(const QAbstractItemModel &model, int row)
{
    return model.index(row, 0).data(Qt::DecorationRole).value<QPixmap>().toImage();
}

} // namespace

class TstDocumentModels : public QObject
{
    Q_OBJECT

    SettingsSandbox m_settings;

private slots:
    void initTestCase() { QVERIFY(m_settings.isReady()); }

    void withoutController()
    {
        InstrumentsModel instruments;
        ScaleModesModel modes;
        for (QAbstractItemModel *model : {static_cast<QAbstractItemModel *>(&instruments),
                                          static_cast<QAbstractItemModel *>(&modes)}) {
            QCOMPARE(model->rowCount(), 0);
            QCOMPARE(model->columnCount(), 1);
            QVERIFY(!model->index(0, 0).isValid());
        }
        QVERIFY(!scaleModeIndex(nullptr, 1).isValid());
        QVERIFY(!scaleModeValue(nullptr, 1, Keys::Label).isValid());
        QVERIFY(scaleModeIdList(nullptr).isEmpty());
    }

    // Opaque colours fill at 60 %, transparent ones leave an outline only;
    // a colour read back from a file as its name draws the same.
    void swatches_data()
    {
        QTest::addColumn<QVariant>("color");
        QTest::addColumn<QRgb>("outline");
        QTest::addColumn<QRgb>("inside");
        QTest::newRow("opaque") << QVariant(QColor(255, 0, 0)) << qRgb(255, 0, 0) << qRgb(255, 102, 102);
        QTest::newRow("transparent") << QVariant(QColor(0, 0, 255, 0)) << qRgb(0, 0, 255) << qRgb(255, 255, 255);
        QTest::newRow("name from a file") << QVariant(QStringLiteral("#ff0000")) << qRgb(255, 0, 0)
                                          << qRgb(255, 102, 102);
    }

    void swatches()
    {
        QFETCH(QVariant, color);
        QFETCH(QRgb, outline);
        QFETCH(QRgb, inside);
        VormaDocument doc;
        doc.attach();
        addEntry(doc.controller, doc.controller.instrumentsIndex(), {{Keys::Label, "A"}, {Keys::Color, color}});
        const QImage image = swatchOf(*doc.controller.instrumentsModel(), 0);
        QCOMPARE(image.size(), QSize(10, 10));
        for (const QPoint &edge : {QPoint(0, 0), QPoint(8, 0), QPoint(0, 8), QPoint(8, 8), QPoint(4, 0)})
            QCOMPARE(image.pixel(edge), outline);
        QCOMPARE(image.pixel(4, 4), inside);
        QCOMPARE(image.pixel(9, 9), qRgb(255, 255, 255));
        QCOMPARE(image.pixel(9, 4), qRgb(255, 255, 255));
    }

    void instrumentsFollowTheDocument()
    {
        VormaDocument doc;
        doc.write([](QmdDirectModelInterface &d) {
            d.setType(Keys::Instruments, Qmd::IntDict);
            for (const char *label : {"Bass", "Lead"}) {
                const QmdItemId id = d.addType(Qmd::StrDict, d.index(Keys::Instruments));
                d.setData(Keys::Label, QString::fromLatin1(label), d.index(id, d.index(Keys::Instruments)));
                d.setData(Keys::Color, QColor(0, 0, 255), d.index(id, d.index(Keys::Instruments)));
            }
        });
        doc.attach();
        QmdVormaController &c = doc.controller;
        InstrumentsModel &model = *c.instrumentsModel();
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(column(model), (QStringList{"Bass", "Lead"}));
        QCOMPARE(model.index(1, 0).data(Qt::UserRole), QVariant(2u));
        QCOMPARE(model.index(1, 0).internalId(), quintptr(2));

        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        c.requestSetData(Keys::Color, QColor(255, 0, 0), c.instrumentIndex(2));
        settle();
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.at(0).at(0).value<QModelIndex>().row(), 1);
        QCOMPARE(swatchOf(model, 1).pixel(0, 0), qRgb(255, 0, 0));
        c.requestSetData(Keys::Label, QStringLiteral("Keys"), c.instrumentIndex(1));
        c.requestSetData(Keys::MidiPort, QStringLiteral("Out"), c.instrumentIndex(1));
        c.requestSetData(Keys::MidiChannels, QBitArray(16, true), c.instrumentIndex(1));
        settle();
        QCOMPARE(changed.size(), 2);
        QCOMPARE(column(model), (QStringList{"Keys", "Lead"}));

        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        const QmdItemId drums = addEntry(c, c.instrumentsIndex(), {{Keys::Label, "Drums"}});
        QCOMPARE(inserted.size(), 1);
        QCOMPARE(column(model), (QStringList{"Keys", "Lead", "Drums"}));
        QCOMPARE(model.index(2, 0).data(Qt::UserRole), QVariant(uint(drums)));

        c.requestRemove(QmdItemId(1), c.instrumentsIndex());
        settle();
        QCOMPARE(column(model), (QStringList{"Lead", "Drums"}));
        QCOMPARE(resets.size(), 0);

        // Undo brings it back at the end; a reset rebuilds in the
        // document's order.
        c.requestUndo();
        settle();
        QCOMPARE(column(model), (QStringList{"Lead", "Drums", "Keys"}));
        c.reset();
        QCOMPARE(column(model), (QStringList{"Keys", "Lead", "Drums"}));
        QVERIFY(resets.size() >= 1);
    }

    void scaleModesFollowTheDocument()
    {
        VormaDocument doc;
        doc.write([](QmdDirectModelInterface &d) {
            d.setType(Keys::ScaleModes, Qmd::IntDict);
            const QmdItemId id = d.addType(Qmd::StrDict, d.index(Keys::ScaleModes));
            d.setData(Keys::Label, QStringLiteral("Mine"), d.index(id, d.index(Keys::ScaleModes)));
        });
        doc.attach();
        QmdVormaController &c = doc.controller;
        ScaleModesModel &model = *c.scaleModesModel();
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QStringList expected;
        for (const BuiltInScaleMode &mode : builtInScaleModes())
            expected << mode.label;
        expected << QStringLiteral("Mine*");
        QCOMPARE(column(model), expected);
        QCOMPARE(model.index(0, 0).data(Qt::UserRole), QVariant(uint(c.defaultScaleModeId())));
        QCOMPARE(scaleModeIdList(&c).size(), expected.size());
        QCOMPARE(scaleModeValue(&c, 1, Keys::Label), QVariant(QStringLiteral("Mine")));
        QCOMPARE(scaleModeIndex(&c, 1), c.index(1, c.scaleModesContainerIndex()));
        QVERIFY(!scaleModeIndex(&c, 9999).isValid());
        QVERIFY(!scaleModeValue(&c, 9999, Keys::Tempo).isValid());

        // New modes go to their place; rows already shown keep their
        // persistent indexes.
        const QPersistentModelIndex mine = model.index(expected.size() - 1, 0);
        const QPersistentModelIndex second = model.index(1, 0);
        addEntry(c, c.scaleModesContainerIndex(), {{Keys::Label, "Early"}, {Keys::DisplayOrder, 0},
                                                   {Keys::IsBuiltIn, true}});
        addEntry(c, c.scaleModesContainerIndex(), {{Keys::Label, "Late"}, {Keys::DisplayOrder, 20000}});
        QCOMPARE(model.index(1, 0).data().toString(), QStringLiteral("Early"));
        QCOMPARE(model.index(model.rowCount() - 1, 0).data().toString(), QStringLiteral("Late*"));
        QCOMPARE(mine.data().toString(), QStringLiteral("Mine*"));
        QCOMPARE(second.data().toString(), expected.at(1));

        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        c.requestSetData(Keys::Label, QStringLiteral("Ours"), c.index(1, c.scaleModesContainerIndex()));
        c.requestSetData(Keys::DisplayOrder, 5, c.index(1, c.scaleModesContainerIndex()));
        settle();
        QCOMPARE(changed.size(), 1);
        QCOMPARE(mine.data().toString(), QStringLiteral("Ours*"));

        c.requestRemove(QmdItemId(1), c.scaleModesContainerIndex());
        settle();
        QVERIFY(!mine.isValid());
        QVERIFY(!column(model).contains(QStringLiteral("Ours*")));

        // A reset is one model reset with no row signals inside it.
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        c.reset();
        QCOMPARE(removed.size(), 0);
        QCOMPARE(inserted.size(), 0);
        QVERIFY(resets.size() >= 1);
    }

    // A new display order moves the row to its place (the chooser keeps its
    // choice); a mode that stops or starts being built in gains or loses
    // its mark.
    void scaleModeOrderAndKindChanges()
    {
        VormaDocument doc;
        doc.attach();
        QmdVormaController &c = doc.controller;
        ScaleModesModel &model = *c.scaleModesModel();
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QmdIndex modes = c.scaleModesContainerIndex();
        const QmdItemId mine = addEntry(c, modes, {{Keys::Label, "Mine"}, {Keys::DisplayOrder, 10000}});
        const QmdItemId ours = addEntry(c, modes, {{Keys::Label, "Ours"}, {Keys::DisplayOrder, 10001}});
        QStringList builtIn;
        for (const BuiltInScaleMode &mode : builtInScaleModes())
            builtIn << mode.label;
        QCOMPARE(column(model), builtIn + QStringList({"Mine*", "Ours*"}));
        const QPersistentModelIndex chosen = model.index(model.rowCount() - 1, 0);

        c.requestSetData(Keys::DisplayOrder, -1, c.index(ours, modes));
        settle();
        QCOMPARE(column(model), QStringList("Ours*") + builtIn + QStringList("Mine*"));
        QCOMPARE(chosen.row(), 0);
        QCOMPARE(chosen.data(Qt::UserRole), QVariant(uint(ours)));

        c.requestSetData(Keys::DisplayOrder, 20000, c.index(ours, modes));
        settle();
        QCOMPARE(column(model), builtIn + QStringList({"Mine*", "Ours*"}));
        QCOMPARE(chosen.row(), model.rowCount() - 1);

        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        c.requestSetData(Keys::IsBuiltIn, true, c.index(mine, modes));
        settle();
        QCOMPARE(changed.size(), 1);
        QCOMPARE(column(model), builtIn + QStringList({"Mine", "Ours*"}));
    }
};

VORMA_GUI_TEST_MAIN(TstDocumentModels)
#include "tst_documentmodels.moc"
