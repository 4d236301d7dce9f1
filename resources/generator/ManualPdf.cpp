#include "ManualPdf.h"

#include <QAbstractTextDocumentLayout>
#include <QFileInfo>
#include <QFontDatabase>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFrame>
#include <QTextTable>

#include <cmath>

namespace ManualPdf {

namespace {

const QString BodyFamily = QStringLiteral("DejaVu Sans");
const QString CodeFamily = QStringLiteral("DejaVu Sans Mono");
const qreal BodySize = 9.5;
const qreal CodeSize = 8.5;
const qreal CaptionSize = 8.5;
const qreal HeadingSizes[] = {20, 13.5, 11};
const QColor HeadingInk(32, 60, 96);
const QColor CaptionInk(96, 102, 112);
const QColor RuleInk(176, 184, 196);
const QColor CodeGround(240, 243, 247);
const QColor TableHeadGround(226, 232, 240);
const QString ContentsTitle = QStringLiteral("Contents");
// Room below the text for the page number.
const qreal FootPoints = 22;

// The layout measures text on the device's own resolution, so nothing is
// rounded to a screen's pixels; the lengths of formats (margins, borders,
// padding, picture sizes) are given in pixels of 96 per inch, which it scales
// to the device, while page sizes and positions are device pixels.
class Units
{
public:
    explicit Units(const QPaintDevice &device) : m_dpi(device.logicalDpiY()) {}
    // Points as a length of formats.
    qreal pt(qreal points) const { return points * 96.0 / 72.0; }
    // A device length as a length of formats.
    qreal fromDevice(qreal devicePixels) const { return devicePixels * 96.0 / m_dpi; }
    // Points in device pixels.
    qreal devicePt(qreal points) const { return points * m_dpi / 72.0; }

private:
    qreal m_dpi;
};

QList<QTextTable *> tables(QTextFrame *frame)
{
    QList<QTextTable *> found;
    for (QTextFrame *child : frame->childFrames()) {
        if (auto *table = qobject_cast<QTextTable *>(child))
            found << table;
        found << tables(child);
    }
    return found;
}

bool isCode(const QTextBlock &block)
{
    return block.blockFormat().hasProperty(QTextFormat::BlockCodeFence)
           || block.blockFormat().hasProperty(QTextFormat::BlockCodeLanguage);
}

// A paragraph written all in italics.
bool isEmphasized(const QTextBlock &block)
{
    bool italic = false;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        if (it.fragment().text().trimmed().isEmpty())
            continue;
        if (!it.fragment().charFormat().fontItalic())
            return false;
        italic = true;
    }
    return italic;
}

bool isPicture(const QTextBlock &block)
{
    bool picture = false;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        if (!it.fragment().charFormat().isImageFormat() && !it.fragment().text().trimmed().isEmpty())
            return false;
        picture = picture || it.fragment().charFormat().isImageFormat();
    }
    return picture;
}

bool startsPage(const QTextBlock &block)
{
    return block.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore;
}

void breakPageBefore(const QTextBlock &block)
{
    QTextBlockFormat format = block.blockFormat();
    format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    QTextCursor(block).setBlockFormat(format);
}

void mergeCharFormat(const QTextBlock &block, const QTextCharFormat &format)
{
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.mergeCharFormat(format);
    // An empty block keeps the format for what is typed into it, which
    // sets its height.
    cursor.mergeBlockCharFormat(format);
}

QTextCharFormat fontFormat(const QString &family, qreal points)
{
    QTextCharFormat format;
    format.setFontFamily(family);
    format.setFontPointSize(points);
    return format;
}

void styleHeading(const QTextBlock &block, int level, const Units &u)
{
    const int index = qBound(1, level, 3) - 1;
    QTextCharFormat chars = fontFormat(BodyFamily, HeadingSizes[index]);
    chars.setFontWeight(QFont::Bold);
    chars.setForeground(HeadingInk);
    // Replaced, not merged: the reader's relative size would win over ours.
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    cursor.setCharFormat(chars);
    cursor.setBlockCharFormat(chars);
    QTextBlockFormat format = block.blockFormat();
    format.setTopMargin(u.pt(index == 0 ? 0 : index == 1 ? 14 : 9));
    format.setBottomMargin(u.pt(index == 0 ? 14 : 4));
    format.setLineHeight(100, QTextBlockFormat::SingleHeight);
    QTextCursor(block).setBlockFormat(format);
}

void styleCode(const QTextBlock &block)
{
    mergeCharFormat(block, fontFormat(CodeFamily, CodeSize));
    QTextBlockFormat format = block.blockFormat();
    format.setNonBreakableLines(true);
    format.setLineHeight(100, QTextBlockFormat::SingleHeight);
    QTextCursor(block).setBlockFormat(format);
}

// Code is one block per line, the reader ending each listing with an empty
// one; a shaded box holds its lines.
void boxCode(QTextDocument &document, const Units &u)
{
    QVector<QPair<int, int>> runs;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (!isCode(block) || isCode(block.previous()))
            continue;
        QTextBlock last = block;
        while (isCode(last.next()))
            last = last.next();
        runs.append({block.position(), last.position() + last.length() - 1});
    }
    QTextFrameFormat box;
    box.setBackground(CodeGround);
    box.setPadding(u.pt(5));
    box.setTopMargin(u.pt(2));
    box.setBottomMargin(u.pt(4));
    // From the end, so the positions still to come stay where they were.
    for (auto run = runs.crbegin(); run != runs.crend(); ++run) {
        QTextCursor cursor(&document);
        cursor.setPosition(run->second);
        if (cursor.block().text().isEmpty() && cursor.block().position() > run->first) {
            cursor.movePosition(QTextCursor::PreviousCharacter, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        }
        const int end = cursor.position();
        cursor.setPosition(run->first);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.insertFrame(box);
    }
}

// Inline code: the Markdown reader gives it the platform's fixed font,
// which need not be one installed here.
void styleInlineCode(QTextDocument &document, const QTextBlock &block, const QString &readerFixedFamily)
{
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const QTextCharFormat format = fragment.charFormat();
        if (format.isImageFormat() || format.fontFamily().isEmpty() || format.fontFamily() != readerFixedFamily)
            continue;
        QTextCursor cursor(&document);
        cursor.setPosition(fragment.position());
        cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
        QTextCharFormat code = fontFormat(CodeFamily, CodeSize);
        code.setBackground(CodeGround);
        cursor.mergeCharFormat(code);
    }
}

bool placePictures(QTextDocument &document, const QTextBlock &block, const QDir &pictureDir, qreal textWidth,
                   QString *error)
{
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!fragment.charFormat().isImageFormat())
            continue;
        QTextImageFormat format = fragment.charFormat().toImageFormat();
        const QString path = pictureDir.filePath(format.name());
        const QImage picture(path);
        if (picture.isNull()) {
            *error = QStringLiteral("cannot read the picture %1").arg(QDir::toNativeSeparators(path));
            return false;
        }
        const qreal pictureDpi = picture.dotsPerMeterX() > 0 ? picture.dotsPerMeterX() * 0.0254 : 96.0;
        QSizeF size = QSizeF(picture.size()) * (96.0 / pictureDpi);
        if (size.width() > textWidth)
            size *= textWidth / size.width();
        document.addResource(QTextDocument::ImageResource, QUrl(format.name()), picture);
        format.setWidth(size.width());
        format.setHeight(size.height());
        QTextCursor cursor(&document);
        cursor.setPosition(fragment.position());
        cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
        cursor.setCharFormat(format);
    }
    return true;
}

void styleTables(QTextDocument &document, const Units &u)
{
    for (QTextTable *table : tables(document.rootFrame())) {
        QTextTableFormat format = table->format();
        format.setBorder(u.pt(0.75));
        format.setBorderBrush(RuleInk);
        format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        format.setBorderCollapse(true);
        format.setCellPadding(u.pt(3));
        format.setCellSpacing(0);
        format.setTopMargin(u.pt(4));
        format.setBottomMargin(u.pt(8));
        format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
        format.setHeaderRowCount(1);
        table->setFormat(format);
        for (int column = 0; column < table->columns(); ++column) {
            QTextTableCell cell = table->cellAt(0, column);
            QTextTableCellFormat cellFormat = cell.format().toTableCellFormat();
            cellFormat.setBackground(TableHeadGround);
            cell.setFormat(cellFormat);
        }
    }
}

void styleBlocks(QTextDocument &document, const QDir &pictureDir, qreal textWidth, const Units &u, QString *error)
{
    const QString readerFixedFamily = QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    bool first = true;
    bool afterPicture = false;
    for (QTextBlock block = document.begin(); block.isValid() && error->isEmpty(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        if (level > 0) {
            styleHeading(block, level, u);
        } else if (isCode(block)) {
            styleCode(block);
        } else {
            styleInlineCode(document, block, readerFixedFamily);
            QTextBlockFormat format = block.blockFormat();
            format.setTopMargin(0);
            format.setBottomMargin(u.pt(block.textList() && block.next().textList() == block.textList() ? 2 : 6));
            format.setLineHeight(118, QTextBlockFormat::ProportionalHeight);
            if (block.text().isEmpty() && !block.textList()) {
                // What the reader leaves after a table or a code box.
                mergeCharFormat(block, fontFormat(BodyFamily, 2));
                format.setBottomMargin(0);
                format.setLineHeight(100, QTextBlockFormat::SingleHeight);
            } else if (isPicture(block)) {
                if (!placePictures(document, block, pictureDir, textWidth, error))
                    return;
                format.setAlignment(Qt::AlignHCenter);
                format.setTopMargin(u.pt(6));
                format.setBottomMargin(u.pt(6));
                format.setLineHeight(100, QTextBlockFormat::SingleHeight);
            } else if (afterPicture && isEmphasized(block)) {
                // A line in italics under a picture is its caption.
                QTextCharFormat caption = fontFormat(BodyFamily, CaptionSize);
                caption.setForeground(CaptionInk);
                mergeCharFormat(block, caption);
                format.setAlignment(Qt::AlignHCenter);
                format.setBottomMargin(u.pt(10));
            }
            QTextCursor(block).setBlockFormat(format);
        }
        if (level == 1 && !first)
            breakPageBefore(block);
        afterPicture = level == 0 && isPicture(block);
        first = false;
    }
}

int pageOf(const QTextDocument &document, const QTextBlock &block)
{
    // A block that a page break moved starts where the page starts, which
    // the sum of page heights reaches only within rounding.
    const qreal top = document.documentLayout()->blockBoundingRect(block).top() + 1;
    return int(std::floor(top / document.pageSize().height())) + 1;
}

struct ContentsLine
{
    QTextBlock heading;
    QTextBlock pageNumber;
};

// The chapters and their sections after the contents heading, one row each
// with a page number that is filled in once the pages are known.
QVector<ContentsLine> addContents(QTextDocument &document, const Units &u)
{
    QVector<ContentsLine> lines;
    QTextBlock contents;
    for (QTextBlock block = document.begin(); block.isValid() && !contents.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 1 && block.text().trimmed() == ContentsTitle)
            contents = block;
    }
    if (!contents.isValid())
        return lines;
    QVector<QTextBlock> headings;
    for (QTextBlock block = contents.next(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        if (level == 1 || level == 2)
            headings << block;
    }
    if (headings.isEmpty())
        return lines;
    QTextTableFormat format;
    format.setBorder(0);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_None);
    format.setCellSpacing(0);
    format.setCellPadding(u.pt(1));
    format.setTopMargin(u.pt(6));
    format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    format.setColumnWidthConstraints({QTextLength(QTextLength::PercentageLength, 90),
                                      QTextLength(QTextLength::PercentageLength, 10)});
    QTextCursor cursor(contents);
    cursor.movePosition(QTextCursor::EndOfBlock);
    QTextTable *table = cursor.insertTable(headings.size(), 2, format);
    for (int row = 0; row < headings.size(); ++row) {
        const QTextBlock heading = headings.at(row);
        const bool chapter = heading.blockFormat().headingLevel() == 1;
        QTextCharFormat chars = fontFormat(BodyFamily, BodySize);
        chars.setFontWeight(chapter ? QFont::Bold : QFont::Normal);
        // Lengths inside table cells are device pixels.
        QTextBlockFormat title;
        title.setLeftMargin(chapter ? 0 : u.devicePt(16));
        QTextBlockFormat number = title;
        number.setLeftMargin(0);
        number.setAlignment(Qt::AlignRight);
        if (chapter && row > 0) {
            for (int column = 0; column < 2; ++column) {
                QTextTableCell cell = table->cellAt(row, column);
                QTextTableCellFormat cellFormat = cell.format().toTableCellFormat();
                cellFormat.setTopPadding(u.pt(7));
                cell.setFormat(cellFormat);
            }
        }
        QTextCursor titleCursor = table->cellAt(row, 0).firstCursorPosition();
        titleCursor.setBlockFormat(title);
        titleCursor.insertText(heading.text(), chars);
        QTextCursor numberCursor = table->cellAt(row, 1).firstCursorPosition();
        numberCursor.setBlockFormat(number);
        numberCursor.insertText(QStringLiteral("00"), chars);
        lines.append({heading, numberCursor.block()});
    }
    return lines;
}

void fillContents(QTextDocument &document, const QVector<ContentsLine> &lines)
{
    // The pages first: every change lays the document out again.
    QVector<int> pages;
    for (const ContentsLine &entry : lines)
        pages << pageOf(document, entry.heading);
    QTextCursor edit(&document);
    edit.beginEditBlock();
    for (int i = 0; i < lines.size(); ++i) {
        QTextCursor cursor(lines.at(i).pageNumber);
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        cursor.insertText(QString::number(pages.at(i)));
    }
    edit.endEditBlock();
}

// Where a page would end too soon, the next page starts earlier: before a
// section heading with none of its text below it, and before a short table
// that the page end would cut (with the heading that introduces it, when that
// stands a few lines above it on the same page).
void keepTogether(QTextDocument &document, const Units &u)
{
    const qreal pageHeight = document.pageSize().height();
    QAbstractTextDocumentLayout *layout = document.documentLayout();
    const auto page = [pageHeight](qreal y) { return int(std::floor((y + 1) / pageHeight)); };
    for (int pass = 0; pass < 3; ++pass) {
        // Found on one layout, moved together: each move lays out again.
        QVector<QTextBlock> headings;
        QVector<QTextTable *> tablesToMove;
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
            if (block.blockFormat().headingLevel() < 2 || startsPage(block))
                continue;
            const QRectF rect = layout->blockBoundingRect(block);
            if (std::ceil(rect.bottom() / pageHeight) * pageHeight - rect.bottom() < u.devicePt(48))
                headings << block;
        }
        for (QTextTable *table : tables(document.rootFrame())) {
            const QRectF rect = layout->frameBoundingRect(table);
            if (rect.height() > pageHeight / 2)
                continue;
            const int lastPage = page(rect.bottom() - 1);
            QTextBlock lead = table->firstCursorPosition().block().previous();
            for (int lines = 0; lead.isValid() && lines < 3 && lead.blockFormat().headingLevel() == 0; ++lines)
                lead = lead.previous();
            if (lead.isValid() && lead.blockFormat().headingLevel() > 0) {
                // The heading and its few lines go where the table ends.
                if (page(layout->blockBoundingRect(lead).top()) != lastPage && !startsPage(lead)
                    && !headings.contains(lead))
                    headings << lead;
            } else if (page(rect.top()) != lastPage
                       && !(table->format().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)) {
                tablesToMove << table;
            }
        }
        if (headings.isEmpty() && tablesToMove.isEmpty())
            break;
        QTextCursor edit(&document);
        edit.beginEditBlock();
        for (const QTextBlock &block : qAsConst(headings))
            breakPageBefore(block);
        for (QTextTable *table : qAsConst(tablesToMove)) {
            QTextTableFormat format = table->format();
            format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            table->setFormat(format);
        }
        edit.endEditBlock();
    }
}

qreal footHeight(const Units &u)
{
    return u.devicePt(FootPoints);
}

} // namespace

std::unique_ptr<QTextDocument> layOut(const QString &markdown, const QDir &pictureDir, QPagedPaintDevice &device,
                                      QString *error)
{
    QString ignored;
    if (!error)
        error = &ignored;
    error->clear();
    const Units u(device);
    auto document = std::make_unique<QTextDocument>();
    QFont body(BodyFamily);
    body.setPointSizeF(BodySize);
    document->setDefaultFont(body);
    document->documentLayout()->setPaintDevice(&device);
    document->setDocumentMargin(0);
    document->setUndoRedoEnabled(false);
    document->setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);

    const QRectF paper = device.pageLayout().paintRectPixels(device.logicalDpiY());
    const QSizeF page(paper.width(), paper.height() - footHeight(u));
    document->setPageSize(page);

    const qreal textWidth = u.fromDevice(page.width());
    // One edit: the layout follows once, not after every change.
    QTextCursor edit(document.get());
    edit.beginEditBlock();
    styleBlocks(*document, pictureDir, textWidth, u, error);
    if (!error->isEmpty())
        return nullptr;
    styleTables(*document, u);
    boxCode(*document, u);
    const QVector<ContentsLine> contents = addContents(*document, u);
    edit.endEditBlock();
    keepTogether(*document, u);
    fillContents(*document, contents);
    return document;
}

bool write(const QString &markdown, const QDir &pictureDir, const QString &pdfPath, QString *error)
{
    QString ignored;
    if (!error)
        error = &ignored;
    QPdfWriter writer(pdfPath);
    writer.setResolution(600);
    writer.setTitle(QStringLiteral("Vorma Manual"));
    writer.setCreator(QStringLiteral("Vorma"));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(22, 18, 22, 12), QPageLayout::Millimeter));
    const std::unique_ptr<QTextDocument> document = layOut(markdown, pictureDir, writer, error);
    if (!document)
        return false;

    QPainter painter;
    if (!painter.begin(&writer)) {
        *error = QStringLiteral("cannot write %1").arg(QDir::toNativeSeparators(pdfPath));
        return false;
    }
    // Line drawings, which JPEG would blur.
    painter.setRenderHint(QPainter::LosslessImageRendering);
    const Units u(writer);
    const QSizeF page = document->pageSize();
    QFont foot(BodyFamily);
    foot.setPointSizeF(CaptionSize);
    const int pages = document->pageCount();
    for (int index = 0; index < pages; ++index) {
        if (index > 0)
            writer.newPage();
        painter.save();
        painter.translate(0, -index * page.height());
        document->drawContents(&painter, QRectF(0, index * page.height(), page.width(), page.height()));
        painter.restore();
        if (index > 0) {
            painter.setFont(foot);
            painter.setPen(CaptionInk);
            painter.drawText(QRectF(0, page.height(), page.width(), footHeight(u)), Qt::AlignHCenter | Qt::AlignBottom,
                             QString::number(index + 1));
        }
    }
    if (!painter.end() || QFileInfo(pdfPath).size() == 0) {
        *error = QStringLiteral("cannot write %1").arg(QDir::toNativeSeparators(pdfPath));
        return false;
    }
    return true;
}

} // namespace ManualPdf
