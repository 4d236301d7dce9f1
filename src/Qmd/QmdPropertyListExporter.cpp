#include "Qmd/QmdPropertyListExporter.h"

#include <QIODevice>

namespace {
const QString ContainerTypeKey = QStringLiteral("ContainerType");
} // namespace

QmdPropertyListExporter::QmdPropertyListExporter(QmdModel *model, QIODevice *device, QObject *parent)
    : QmdImportExportInterface(model, device, parent)
{
}

QmdPropertyListExporter::~QmdPropertyListExporter() = default;

bool QmdPropertyListExporter::exportIndex(const QmdIndex &index)
{
    if (!device() || !model())
        return false;
    writeHeader();
    if (!m_excluded.contains(index))
        writeValue(index);
    writeFooter();
    return !hasError();
}

void QmdPropertyListExporter::writeHeader()
{
    m_writer.setDevice(device());
    m_writer.setAutoFormatting(true);
    m_writer.setCodec("UTF-8");
    m_writer.writeStartDocument(QStringLiteral("1.0"));
    m_writer.writeDTD(QStringLiteral("<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
                                     "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">"));
    m_writer.writeStartElement(QStringLiteral("plist"));
    m_writer.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
}

void QmdPropertyListExporter::writeFooter()
{
    m_writer.writeEndElement();
}

void QmdPropertyListExporter::writeKeyValue(const QmdIndex &index)
{
    writeTextElement(QStringLiteral("key"), index.itemId() ? QString::number(index.itemId()) : index.key());
    writeValue(index);
}

void QmdPropertyListExporter::writeValue(const QmdIndex &index)
{
    switch (model()->type(index)) {
    case Qmd::NoContainer:
        writePlainValue(index);
        break;
    case Qmd::IntDict:
        writeIntDict(model()->indexes(index));
        break;
    case Qmd::StrDict:
        writeStrDict(model()->indexes(index));
        break;
    }
}

void QmdPropertyListExporter::writeIntDict(const QmdIndexList &children)
{
    writeDict(QStringLiteral("IntDict"), children);
}

void QmdPropertyListExporter::writeStrDict(const QmdIndexList &children)
{
    writeDict(QStringLiteral("StrDict"), children);
}

void QmdPropertyListExporter::writeDict(const QString &kind, const QmdIndexList &children)
{
    m_writer.writeStartElement(QStringLiteral("dict"));
    m_writer.writeTextElement(QStringLiteral("key"), ContainerTypeKey);
    m_writer.writeTextElement(QStringLiteral("string"), kind);
    for (const QmdIndex &child : children) {
        if (m_excluded.isEmpty() || !m_excluded.contains(child))
            writeKeyValue(child);
    }
    m_writer.writeEndElement();
}

void QmdPropertyListExporter::writePlainValue(const QmdIndex &index)
{
    const QVariant value = model()->data(index);
    switch (value.userType()) {
    case QMetaType::Bool:
        m_writer.writeEmptyElement(value.toBool() ? QStringLiteral("true") : QStringLiteral("false"));
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        m_writer.writeTextElement(QStringLiteral("integer"), value.toString());
        break;
    case QMetaType::Double:
        // 15 significant digits: what a double holds exactly in decimal.
        m_writer.writeTextElement(QStringLiteral("real"), QString::number(value.toDouble(), 'g', 15));
        break;
    default:
        writeTextElement(QStringLiteral("string"), value.toString());
        break;
    }
}

void QmdPropertyListExporter::writeTextElement(const QString &name, const QString &text)
{
    // A raw carriage return would come back as a line feed: XML readers
    // normalise line ends in text.
    if (!text.contains(QLatin1Char('\r'))) {
        m_writer.writeTextElement(name, text);
        return;
    }
    m_writer.writeStartElement(name);
    const QStringList parts = text.split(QLatin1Char('\r'));
    for (int i = 0; i < parts.size(); ++i) {
        if (i > 0)
            m_writer.writeEntityReference(QStringLiteral("#13"));
        if (!parts.at(i).isEmpty())
            m_writer.writeCharacters(parts.at(i));
    }
    m_writer.writeEndElement();
}

void QmdPropertyListExporter::excludeIndex(const QmdIndex &index)
{
    m_excluded.insert(index);
}

void QmdPropertyListExporter::excludeIndexes(const QSet<QmdIndex> &indexes)
{
    m_excluded.unite(indexes);
}

bool QmdPropertyListExporter::hasError() const
{
    return m_writer.hasError();
}
