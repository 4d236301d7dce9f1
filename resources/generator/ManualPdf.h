#ifndef RESOURCES_GENERATOR_MANUALPDF_H
#define RESOURCES_GENERATOR_MANUALPDF_H

#include <QDir>
#include <QString>
#include <QTextDocument>

#include <memory>

class QPagedPaintDevice;

// The program's manual is written in Markdown and printed to a PDF when the
// program is built. Pictures are PNG files named relative to a folder; each
// is printed at the resolution stored in it, so a picture drawn at three times
// its size comes out sharp at its intended size.
namespace ManualPdf {

// The manual laid out on the pages of device: styled headings, lists, tables,
// code and pictures (a paragraph in italics right under a picture is its
// caption), a page break before every chapter (a first-level
// heading), and the chapter and section list with page numbers under a
// heading "Contents" when there is one. The document measures on device, which
// must outlive it. Null, with the reason in error, when a picture can't be
// read.
std::unique_ptr<QTextDocument> layOut(const QString &markdown, const QDir &pictureDir, QPagedPaintDevice &device,
                                      QString *error);

// The manual printed to pdfPath as A4 pages, numbered at the foot from the
// second page on. False, with the reason in error, when it can't be written.
bool write(const QString &markdown, const QDir &pictureDir, const QString &pdfPath, QString *error);

} // namespace ManualPdf

#endif
