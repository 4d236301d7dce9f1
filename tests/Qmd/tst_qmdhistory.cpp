// Undo steps, the clean marker, the history limit and the history signals.
#include "QmdTestSupport.h"

#include "Qmd/QmdDirectModelInterface.h"
#include "Qmd/QmdMemModel.h"

#include <QtTest>

class TestQmdHistory : public QObject
{
    Q_OBJECT

private slots:
    void stepsFollowRequestIds();
    void oneStepAcrossDictionaries();
    void unrecordedChangeKeepsRedoHistory();
    void cleanState_data();
    void cleanState();
    void shrinkingTheLimitDeletesRedoStepsFirst();
    void undoPutsTheSameDictionaryBack();
    void emptyStacksDoNothing();
};

void TestQmdHistory::stepsFollowRequestIds()
{
    QmdMemModel model(Qmd::StrDict);
    QmdDirectModelInterface d;
    d.setModel(&model);
    inRequest(model, 2, [&] { d.setData("a", 1); }, {}, "First");
    inRequest(model, 3, [&] { d.setData("b", 1); }, {}, "Second");
    // A later request under the id of the step on top joins that step; the
    // step keeps the text of its first command.
    inRequest(model, 3, [&] { d.setData("c", 1); }, {}, "Third");
    QCOMPARE(model.undoRedoCount(), 2);
    QCOMPARE(model.undoText(), QStringLiteral("Second"));

    inRequest(model, 4, [&] { model.undo(); }, Qmd::NoUndo, "Undo");
    QCOMPARE(model.keys(), QStringList{"a"});
    QCOMPARE(model.redoText(), QStringLiteral("Second"));
    QCOMPARE(model.undoText(), QStringLiteral("First"));

    // Once another step is on top, the old id starts a step of its own.
    inRequest(model, 5, [&] { model.redo(); }, Qmd::NoUndo, "Redo");
    inRequest(model, 6, [&] { d.setData("d", 1); }, {}, "Fourth");
    inRequest(model, 3, [&] { d.setData("e", 1); }, {}, "Fifth");
    QCOMPARE(model.undoRedoCount(), 4);
    QCOMPARE(model.undoText(), QStringLiteral("Fifth"));
}

void TestQmdHistory::oneStepAcrossDictionaries()
{
    QmdMemModel model(Qmd::StrDict);
    QmdDirectModelInterface d;
    d.setModel(&model);
    for (const char *name : {"one", "two", "three"}) {
        d.setType(name, Qmd::StrDict);
        d.setData("old", 0, d.index(name));
    }
    const int before = model.undoRedoCount();
    ModelSignalLog log(&model);

    inRequest(model, 7, [&] {
        d.setData("k", 1, d.index("one"));
        d.setData("k", 2, d.index("two"));
        d.setData("k", 3, d.index("three"));
        d.remove("old", d.index("two"));
    }, {}, "Several");
    QCOMPARE(model.undoRedoCount(), before + 1);
    log.take();

    inRequest(model, 8, [&] { model.undo(); }, Qmd::NoUndo);
    QCOMPARE(log.take("items"), (QStringList{
                                    "itemsChanged(two: old) #8",
                                    "itemsRemoved(three: k) #8",
                                    "itemsRemoved(two: k) #8",
                                    "itemsRemoved(one: k) #8",
                                }));
    QCOMPARE(model.redoText(), QStringLiteral("Several"));
    QCOMPARE(model.keys(d.index("two")), QStringList{"old"});

    inRequest(model, 9, [&] { model.redo(); }, Qmd::NoUndo);
    QCOMPARE(log.take("items"), (QStringList{
                                    "itemsChanged(one: k) #9",
                                    "itemsChanged(two: k) #9",
                                    "itemsChanged(three: k) #9",
                                    "itemsRemoved(two: old) #9",
                                }));
}

void TestQmdHistory::unrecordedChangeKeepsRedoHistory()
{
    QmdMemModel model(Qmd::StrDict);
    QmdDirectModelInterface d;
    d.setModel(&model);
    inRequest(model, 2, [&] { d.setData("a", 1); });
    inRequest(model, 3, [&] { model.undo(); }, Qmd::NoUndo);
    ModelSignalLog log(&model);

    inRequest(model, 4, [&] { d.setData("zoom", 0.75); }, Qmd::NoUndo, QString());
    QCOMPARE(log.take(), (QStringList{"itemsChanged(root: zoom) #4", "requestFinished(1, 0) #4"}));
    QVERIFY(model.canRedo());
    inRequest(model, 5, [&] { model.redo(); }, Qmd::NoUndo);
    QCOMPARE(d.data("a"), QVariant(1));
    QCOMPARE(d.data("zoom"), QVariant(0.75));
}

// Each token is one request: e (an edit), j (an edit under the id of the
// last edit, joining its step), n (an edit not recorded for undo), u (undo),
// r (redo), m (mark clean), L<n> (set the limit). After each token
// the model reports clean (1) or not (0).
void TestQmdHistory::cleanState_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("clean");
    QTest::newRow("change, undo, redo") << "m e u r" << "1010";
    QTest::newRow("unrecorded changes leave it") << "m n e n u n r" << "1100110";
    QTest::newRow("a new document is clean") << "e u" << "01";
    QTest::newRow("marked with nothing to undo") << "e u m e e u u" << "0110001";
    QTest::newRow("marked step undone, then two edits") << "e m u e e u u" << "0100000";
    QTest::newRow("marked again after that") << "e m u e m u r" << "0100101";
    QTest::newRow("limit drops the marked step") << "L2 e m e e u u" << "1010001";
    QTest::newRow("limit drops the step after the mark") << "L2 m e e e u u" << "1100000";
    QTest::newRow("shrinking drops the step after the mark") << "m e e L1 u" << "10000";
    QTest::newRow("an edit joins the marked step") << "e m j u r" << "01000";
    QTest::newRow("an edit joins a step after the mark") << "e m e j u" << "01001";
}

void TestQmdHistory::cleanState()
{
    QFETCH(QString, script);
    QFETCH(QString, clean);
    QmdMemModel model(Qmd::StrDict);
    QmdDirectModelInterface d;
    d.setModel(&model);
    QmdRequestId rid = 1;
    QmdRequestId lastEdit = 0;
    QString actual;
    for (const QString &token : script.split(' ')) {
        ++rid;
        const QString text = QStringLiteral("Edit %1").arg(rid);
        if (token == "e" || token == "j") {
            if (token == "e")
                lastEdit = rid;
            inRequest(model, lastEdit, [&] { d.setData(text, rid); }, {}, text);
        } else if (token == "n")
            inRequest(model, rid, [&] { d.setData("unrecorded", rid); }, Qmd::NoUndo);
        else if (token == "u")
            inRequest(model, rid, [&] { model.undo(); }, Qmd::NoUndo);
        else if (token == "r")
            inRequest(model, rid, [&] { model.redo(); }, Qmd::NoUndo);
        else if (token == "m")
            inRequest(model, rid, [&] { model.markAsCleanState(); }, Qmd::NoUndo);
        else if (token.startsWith('L'))
            inRequest(model, rid, [&] { model.setUndoRedoLimit(token.mid(1).toInt()); }, Qmd::NoUndo);
        else
            QFAIL(qPrintable("unknown token " + token));
        actual += model.isAtCleanState() ? '1' : '0';
    }
    QCOMPARE(actual, clean);
}

void TestQmdHistory::shrinkingTheLimitDeletesRedoStepsFirst()
{
    QmdMemModel model(Qmd::StrDict);
    QmdDirectModelInterface d;
    d.setModel(&model);
    for (QmdRequestId rid = 1; rid <= 6; ++rid)
        inRequest(model, rid, [&] { d.setData(QString::number(rid), rid); }, {}, QString::number(rid));
    inRequest(model, 7, [&] { model.undo(); model.undo(); }, Qmd::NoUndo);
    ModelSignalLog log(&model);

    inRequest(model, 8, [&] { model.setUndoRedoLimit(3); }, Qmd::NoUndo);
    QCOMPARE(log.take(), (QStringList{
                             "canRedoChanged(false) #8",
                             "redoTextChanged() #8",
                             "requestFinished(1, 0) #8",
                         }));
    QCOMPARE(model.undoRedoCount(), 3);
    QStringList undone;
    while (model.canUndo()) {
        undone << model.undoText();
        model.undo();
    }
    QCOMPARE(undone, (QStringList{"4", "3", "2"}));
    QCOMPARE(model.keys(), QStringList{"1"});

    // Further steps never take the count above the limit.
    for (QmdRequestId rid = 10; rid < 15; ++rid)
        inRequest(model, rid, [&] { d.setData("x", rid); });
    QCOMPARE(model.undoRedoCount(), 3);
}

void TestQmdHistory::undoPutsTheSameDictionaryBack()
{
    QmdMemModel model(Qmd::StrDict);
    QmdDirectModelInterface d;
    d.setModel(&model);
    inRequest(model, 1, [&] {
        d.setType("dict", Qmd::IntDict);
        d.addData(QList<QVariant>{"a", "b"}, d.index("dict"));
    }, Qmd::NoUndo);
    const QmdIndex dict = d.index("dict");
    const QmdIndex b = d.index(2, dict);
    inRequest(model, 2, [&] { d.setData("dict", "plain"); }, {}, "Flatten");
    ModelSignalLog log(&model);

    inRequest(model, 3, [&] { model.undo(); }, Qmd::NoUndo, "Undo");
    QCOMPARE(d.index("dict"), dict);
    QCOMPARE(d.index(2, d.index("dict")), b);
    QCOMPARE(model.data(b), QVariant("b"));
    // The item signals first, then the history, all with the id of the
    // undo request.
    QCOMPARE(log.take(), (QStringList{
                             "itemsChanged(root: dict) #3",
                             "atCleanStateChanged(true) #3",
                             "canRedoChanged(true) #3",
                             "canUndoChanged(false) #3",
                             "redoTextChanged(Flatten) #3",
                             "undoTextChanged() #3",
                             "requestFinished(1, 0) #3",
                         }));

    inRequest(model, 4, [&] { model.redo(); }, Qmd::NoUndo, "Redo");
    QVERIFY(b.isValid());
    QCOMPARE(log.take("items"), (QStringList{"itemsRemoved(root: dict) #4", "itemsChanged(root: dict) #4"}));
}

void TestQmdHistory::emptyStacksDoNothing()
{
    QmdMemModel model(Qmd::StrDict);
    ModelSignalLog log(&model);
    model.undo();
    model.redo();
    model.setUndoRedoLimit(5);
    model.markAsCleanState();
    QCOMPARE(log.take(), QStringList());
    QVERIFY(model.isAtCleanState());
    QCOMPARE(model.undoRedoLimit(), 5);
}

QTEST_GUILESS_MAIN(TestQmdHistory)
#include "tst_qmdhistory.moc"
