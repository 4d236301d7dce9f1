// Prints the manual, written in Markdown with its pictures beside it, to a PDF.
// Run offscreen: QT_QPA_PLATFORM=offscreen vorma_manual_generator manual.md "Vorma Manual.pdf"

#include "ManualPdf.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <manual.md> <manual.pdf>\n", argv[0]);
        return 2;
    }
    const QString source = QString::fromLocal8Bit(argv[1]);
    const QString target = QString::fromLocal8Bit(argv[2]);
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    QString error;
    if (!ManualPdf::write(QString::fromUtf8(file.readAll()), QFileInfo(source).dir(), target, &error)) {
        std::fprintf(stderr, "%s: %s\n", argv[2], qPrintable(error));
        QFile::remove(target);
        return 1;
    }
    return 0;
}
