#include "QmdVorma/ClipboardElements.h"

#include "QmdVorma/QmdVormaExporter.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

// Asking a console application for the clipboard would create one without a
// platform to back it.
QClipboard *systemClipboard()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) ? QGuiApplication::clipboard() : nullptr;
}

const QMimeData *clipboardData()
{
    QClipboard *clipboard = systemClipboard();
    return clipboard ? clipboard->mimeData(QClipboard::Clipboard) : nullptr;
}

} // namespace

const QString &ClipboardElements::mimeType()
{
    static const QString type = QStringLiteral("text/vorma-elements");
    return type;
}

QByteArray ClipboardElements::encode(QmdModel *model, const QmdIndexList &elements)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QmdVormaExporter exporter(model, &buffer);
    exporter.writeHeader();
    exporter.writeIntDict(elements);
    exporter.writeFooter();
    return buffer.data();
}

bool ClipboardElements::available()
{
    const QMimeData *data = clipboardData();
    return data && data->formats().contains(mimeType());
}

QByteArray ClipboardElements::read()
{
    const QMimeData *data = clipboardData();
    return data ? data->data(mimeType()) : QByteArray();
}

void ClipboardElements::put(const QByteArray &text)
{
    QClipboard *clipboard = systemClipboard();
    if (!clipboard)
        return;
    auto *data = new QMimeData;
    data->setData(mimeType(), text);
    clipboard->setMimeData(data, QClipboard::Clipboard);
}
