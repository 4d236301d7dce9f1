// The manual's printing: Markdown with pictures laid out on PDF pages, with
// its headings, lists, tables, code and contents, and written as a PDF.

#include "ManualPdf.h"

#include "GuiTestMain.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QFontInfo>
#include <QImage>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>
#include <QtTest>

namespace {

// A picture drawn at three times its printed size, as the image generator
// draws them: 300 x 150 pixels at 288 per inch print as 100 x 50 pixels of a
// 96-per-inch page.
QImage sharpPicture()
{
    QImage picture(300, 150, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    picture.setDotsPerMeterX(qRound(288 / 0.0254));
    picture.setDotsPerMeterY(qRound(288 / 0.0254));
    return picture;
}

// At 96 per inch, far wider than a page.
QImage widePicture()
{
    QImage picture(3000, 300, QImage::Format_RGB32);
    picture.fill(Qt::darkRed);
    return picture;
}

const char *const Manual = R"(# The Manual

![Cover](sharp.png)

A caption.

# Contents

# First chapter

Text with `C3:96:100%` in it.

- one
- two

| Key | Action |
|---|---|
| Ctrl+1 | Selection |
| Space | Play |

```
C3:96:100%
[C3 E3 G3]
```

## A section

![Wide](wide.png)

# Second chapter

Last words.
)";

QVector<QTextBlock> blocks(const QTextDocument &document, const std::function<bool(const QTextBlock &)> &test)
{
    QVector<QTextBlock> found;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (test(block))
            found << block;
    }
    return found;
}

QTextBlock heading(const QTextDocument &document, const QString &text)
{
    const auto found = blocks(document, [&text](const QTextBlock &block) {
        return block.blockFormat().headingLevel() > 0 && block.text() == text;
    });
    return found.isEmpty() ? QTextBlock() : found.first();
}

int pageOf(const QTextDocument &document, const QTextBlock &block)
{
    return int((document.documentLayout()->blockBoundingRect(block).top() + 1) / document.pageSize().height()) + 1;
}

QList<QTextImageFormat> pictures(const QTextDocument &document)
{
    QList<QTextImageFormat> found;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isImageFormat())
                found << it.fragment().charFormat().toImageFormat();
        }
    }
    return found;
}

} // namespace

class TestManualPdf : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void layOutKeepsTheMarkdownsStructure();
    void picturesPrintAtTheirResolutionWithinThePage();
    void chaptersStartPagesListedInTheContents();
    void shortTablesAndHeadingsAreNotCutAtAPageEnd();
    void missingPictureIsAnError();
    void writesAPdfWithAllPagesAndPictures();

private:
    std::unique_ptr<QTextDocument> layOut(const QString &markdown, QString *error = nullptr);

    QTemporaryDir m_dir;
    // The pages the documents are laid out on; they outlive the documents.
    std::unique_ptr<QPdfWriter> m_device;
};

void TestManualPdf::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(sharpPicture().save(m_dir.filePath(QStringLiteral("sharp.png"))));
    QVERIFY(widePicture().save(m_dir.filePath(QStringLiteral("wide.png"))));
    m_device = std::make_unique<QPdfWriter>(m_dir.filePath(QStringLiteral("layout.pdf")));
}

std::unique_ptr<QTextDocument> TestManualPdf::layOut(const QString &markdown, QString *error)
{
    return ManualPdf::layOut(markdown, QDir(m_dir.path()), *m_device, error);
}

void TestManualPdf::layOutKeepsTheMarkdownsStructure()
{
    QString error;
    const auto document = layOut(QString::fromUtf8(Manual), &error);
    QVERIFY2(document, qPrintable(error));

    // Headings stand out from the text, a chapter more than a section.
    const QTextBlock chapter = heading(*document, QStringLiteral("First chapter"));
    const QTextBlock section = heading(*document, QStringLiteral("A section"));
    QVERIFY(chapter.isValid() && section.isValid());
    const qreal text = document->defaultFont().pointSizeF();
    QVERIFY(chapter.charFormat().font().pointSizeF() > section.charFormat().font().pointSizeF());
    QVERIFY(section.charFormat().font().pointSizeF() > text);
    QVERIFY(section.charFormat().font().bold());

    const auto items = blocks(*document, [](const QTextBlock &block) { return block.textList() != nullptr; });
    QCOMPARE(items.size(), 2);
    QCOMPARE(items.first().textList()->count(), 2);

    QTextTable *table = nullptr;
    for (QTextFrame *frame : document->rootFrame()->childFrames()) {
        if (auto *candidate = qobject_cast<QTextTable *>(frame); candidate && candidate->columns() == 2
            && candidate->cellAt(0, 0).firstCursorPosition().block().text() == QStringLiteral("Key"))
            table = candidate;
    }
    QVERIFY(table);
    QCOMPARE(table->rows(), 3);
    QVERIFY(table->format().border() > 0);
    QCOMPARE(table->cellAt(2, 1).firstCursorPosition().block().text(), QStringLiteral("Play"));

    // Code keeps its lines, in a fixed-pitch font on a shaded box.
    const auto code = blocks(*document, [](const QTextBlock &block) {
        return block.text() == QStringLiteral("C3:96:100%") || block.text() == QStringLiteral("[C3 E3 G3]");
    });
    QCOMPARE(code.size(), 2);
    for (const QTextBlock &line : code) {
        QVERIFY(QFontInfo(line.begin().fragment().charFormat().font()).fixedPitch());
        QTextFrame *box = document->frameAt(line.position());
        QVERIFY(box && box != document->rootFrame());
        QVERIFY(box->frameFormat().background().style() != Qt::NoBrush);
    }
    // Inline code too.
    const QTextBlock withCode = blocks(*document, [](const QTextBlock &block) {
        return block.text().startsWith(QStringLiteral("Text with"));
    }).value(0);
    bool fixedInline = false;
    for (auto it = withCode.begin(); !it.atEnd(); ++it) {
        if (it.fragment().text() == QStringLiteral("C3:96:100%"))
            fixedInline = QFontInfo(it.fragment().charFormat().font()).fixedPitch();
    }
    QVERIFY(fixedInline);
}

void TestManualPdf::picturesPrintAtTheirResolutionWithinThePage()
{
    const auto document = layOut(QString::fromUtf8(Manual));
    QVERIFY(document);
    const QList<QTextImageFormat> found = pictures(*document);
    QCOMPARE(found.size(), 2);
    // Within what a resolution stored in whole dots per metre allows.
    QVERIFY(qAbs(found.at(0).width() - 100) < 0.01);
    QVERIFY(qAbs(found.at(0).height() - 50) < 0.01);
    // The wide one is made as wide as the text, not wider; its proportions stay.
    const qreal textWidth = document->pageSize().width() * 96.0 / 1200.0;
    QVERIFY(qAbs(found.at(1).width() - textWidth) < 0.5);
    QVERIFY(qAbs(found.at(1).height() - found.at(1).width() / 10) < 0.5);
}

void TestManualPdf::chaptersStartPagesListedInTheContents()
{
    const auto document = layOut(QString::fromUtf8(Manual));
    QVERIFY(document);
    QVector<int> chapterPages;
    for (const QString &title : {QStringLiteral("The Manual"), QStringLiteral("Contents"),
                                 QStringLiteral("First chapter"), QStringLiteral("Second chapter")})
        chapterPages << pageOf(*document, heading(*document, title));
    QCOMPARE(chapterPages, (QVector<int>{1, 2, 3, 4}));
    QCOMPARE(document->pageCount(), 4);

    // Each chapter and section once, with the page it is on.
    const QTextBlock contents = heading(*document, QStringLiteral("Contents"));
    QTextTable *list = qobject_cast<QTextTable *>(document->frameAt(contents.next().position()));
    QVERIFY(list);
    QStringList lines;
    for (int row = 0; row < list->rows(); ++row)
        lines << list->cellAt(row, 0).firstCursorPosition().block().text() + QLatin1Char(' ')
                     + list->cellAt(row, 1).firstCursorPosition().block().text();
    const int sectionPage = pageOf(*document, heading(*document, QStringLiteral("A section")));
    QCOMPARE(lines, (QStringList{QStringLiteral("First chapter 3"),
                                 QStringLiteral("A section %1").arg(sectionPage),
                                 QStringLiteral("Second chapter 4")}));
}

void TestManualPdf::shortTablesAndHeadingsAreNotCutAtAPageEnd()
{
    // The filler moves the section down the page in small steps, so some
    // step puts the page end through it: the heading, its line and the table
    // always stand on one page.
    for (int lines = 0; lines < 90; lines += 3) {
        QString markdown = QStringLiteral("# Title\n\n");
        for (int line = 0; line < lines; ++line)
            markdown += QStringLiteral("Filler line %1.\n\n").arg(line);
        markdown += QStringLiteral("## Section\n\nIt introduces the table.\n\n| Key | Action |\n|---|---|\n");
        for (int row = 0; row < 6; ++row)
            markdown += QStringLiteral("| Ctrl+%1 | tool %1 |\n").arg(row);
        const auto document = layOut(markdown);
        QVERIFY(document);
        const qreal pageHeight = document->pageSize().height();
        const auto page = [pageHeight](qreal y) { return int((y + 1) / pageHeight); };
        const QTextBlock section = heading(*document, QStringLiteral("Section"));
        QTextTable *table = qobject_cast<QTextTable *>(document->rootFrame()->childFrames().value(0));
        QVERIFY(section.isValid() && table);
        const QRectF rect = document->documentLayout()->frameBoundingRect(table);
        QVERIFY2(page(rect.top()) == page(rect.bottom() - 1), qPrintable(QString::number(lines)));
        QVERIFY2(pageOf(*document, section) == pageOf(*document, section.next()), qPrintable(QString::number(lines)));
        QVERIFY2(pageOf(*document, section) - 1 == page(rect.top()), qPrintable(QString::number(lines)));
    }
}

void TestManualPdf::missingPictureIsAnError()
{
    QString error;
    QVERIFY(!layOut(QStringLiteral("# Title\n\n![Gone](gone.png)\n"), &error));
    QVERIFY2(error.contains(QStringLiteral("gone.png")), qPrintable(error));
    QVERIFY(!ManualPdf::write(QStringLiteral("![Gone](gone.png)"), QDir(m_dir.path()),
                              m_dir.filePath(QStringLiteral("gone.pdf")), &error));
}

void TestManualPdf::writesAPdfWithAllPagesAndPictures()
{
    const QString path = m_dir.filePath(QStringLiteral("Manual.pdf"));
    QString error;
    QVERIFY2(ManualPdf::write(QString::fromUtf8(Manual), QDir(m_dir.path()), path, &error), qPrintable(error));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray pdf = file.readAll();
    QVERIFY(pdf.startsWith("%PDF-"));
    QVERIFY(pdf.trimmed().endsWith("%%EOF"));
    // The dictionaries stand uncompressed between the compressed pages.
    QCOMPARE(pdf.count("/Type /Page") - pdf.count("/Type /Pages"), 4);
    QVERIFY(pdf.count("/Subtype /Image") >= 2);
    // Line drawings are kept whole, not as JPEG.
    QCOMPARE(pdf.count("/DCTDecode"), 0);
}

VORMA_GUI_TEST_MAIN(TestManualPdf)
#include "tst_manualpdf.moc"
