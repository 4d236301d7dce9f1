#include "Qmd/QmdPropertyListImporter.h"

#include <QDebug>
#include <QFileDevice>
#include <QHash>
#include <QIODevice>
#include <QXmlStreamReader>

namespace {

const QString DictName = QStringLiteral("dict");
const QString KeyName = QStringLiteral("key");
const QString StringName = QStringLiteral("string");
const QString IntegerName = QStringLiteral("integer");
const QString RealName = QStringLiteral("real");
const QString TrueName = QStringLiteral("true");
const QString FalseName = QStringLiteral("false");
const QString ContainerTypeKey = QStringLiteral("ContainerType");

// The names of a document share one string each instead of one per element.
QString elementName(const QStringRef &name)
{
    for (const QString *known : {&KeyName, &StringName, &IntegerName, &RealName, &DictName, &TrueName, &FalseName}) {
        if (name == *known)
            return *known;
    }
    return name.toString();
}

// The kind a `dict` names in its first "ContainerType" pair; NoContainer
// when it names none.
Qmd::ContainerType dictKind(const QmdPropertyListImporter::Element &dict)
{
    const auto &children = dict.children;
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (children[i].name != KeyName || children[i].text != ContainerTypeKey)
            continue;
        if (i + 1 < children.size() && children[i + 1].name == StringName) {
            if (children[i + 1].text == QLatin1String("IntDict"))
                return Qmd::IntDict;
            if (children[i + 1].text == QLatin1String("StrDict"))
                return Qmd::StrDict;
        }
        break;
    }
    return Qmd::NoContainer;
}

bool toKey(const QString &text, QString &key)
{
    key = text;
    return true;
}

bool toKey(const QString &text, QmdItemId &id)
{
    bool ok = false;
    id = text.toUInt(&ok, 10);
    return ok && id != 0;
}

void reportContainerTypeError()
{
    qDebug("TODO: handle ContainerType error");
}

} // namespace

QmdPropertyListImporter::QmdPropertyListImporter(QmdModel *model, QIODevice *device, QObject *parent)
    : QmdImportExportInterface(model, device, parent)
{
}

QmdPropertyListImporter::~QmdPropertyListImporter() = default;

void QmdPropertyListImporter::fail(const QString &message, qint64 line, qint64 column, const QString &reason)
{
    m_errorString = message;
    qDebug().noquote() << message;
    auto *file = qobject_cast<QFileDevice *>(device());
    if (file && file->error() != QFileDevice::NoError)
        m_status = file->error();
    else
        m_status = QmdFileStatus::invalidContent(line, column, reason);
}

bool QmdPropertyListImporter::parse()
{
    if (m_parsed)
        return m_ok;
    m_parsed = true;

    QXmlStreamReader reader(device());
    reader.setNamespaceProcessing(false);
    bool rootSeen = false;
    bool valueSeen = false;
    // The open dictionaries, innermost last. Only the innermost one grows,
    // so the addresses of the others stay put.
    std::vector<Element *> open;
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::EndElement) {
            if (!open.empty())
                open.pop_back();
            continue;
        }
        if (reader.tokenType() != QXmlStreamReader::StartElement)
            continue;
        if (!rootSeen) {
            rootSeen = true;
            if (reader.qualifiedName() != QLatin1String("plist")) {
                const QString reason = tr("The file is not a plist file.");
                fail(reason, reader.lineNumber(), reader.columnNumber(), reason);
                return false;
            }
            const QXmlStreamAttributes attributes = reader.attributes();
            if (attributes.hasAttribute(QLatin1String("version"))
                && attributes.value(QLatin1String("version")) != QLatin1String("1.0")) {
                const QString reason = tr("The file is not a plist version 1.0 file.");
                fail(reason, reader.lineNumber(), reader.columnNumber(), reason);
                return false;
            }
            m_plist.name = QStringLiteral("plist");
            continue;
        }
        Element *holder = nullptr;
        if (!open.empty()) {
            holder = open.back();
        } else if (!valueSeen) {
            holder = &m_plist;
            valueSeen = true;
        } else {
            reader.skipCurrentElement(); // further values of `plist` are ignored
            continue;
        }
        holder->children.emplace_back();
        Element &element = holder->children.back();
        element.name = elementName(reader.qualifiedName());
        if (element.name == DictName) {
            if (open.size() >= std::size_t(MaxDictDepth)) {
                const QString reason = tr("The file nests dictionaries too deeply.");
                fail(reason, reader.lineNumber(), reader.columnNumber(), reason);
                return false;
            }
            open.push_back(&element);
        } else {
            element.text = reader.readElementText(QXmlStreamReader::IncludeChildElements);
        }
    }
    if (reader.hasError()) {
        fail(tr("Parse error at line %1, column %2:\n%3")
                 .arg(reader.lineNumber())
                 .arg(reader.columnNumber())
                 .arg(reader.errorString()),
             reader.lineNumber(), reader.columnNumber(), reader.errorString());
        m_plist = Element();
        return false;
    }
    m_ok = true;
    return true;
}

bool QmdPropertyListImporter::importIndex(const QmdIndex &target)
{
    if (!parse())
        return false;
    if (!m_plist.children.empty())
        readElement(m_plist.children.front(), target);
    return true;
}

void QmdPropertyListImporter::readElement(const Element &element, const QmdIndex &target)
{
    if (element.name != DictName) {
        const QVariant value = readPlainValue(element, target);
        if (value.isValid())
            setData(target, value);
        return;
    }
    const Qmd::ContainerType kind = dictKind(element);
    if (kind == Qmd::NoContainer) {
        reportContainerTypeError();
        return;
    }
    setType(target, kind);
    readEntries(element, kind, target);
}

namespace {

// The entries of one dictionary as the text gives them, each key once (the
// last pair of a key wins).
template <typename Key>
struct EntryList
{
    struct Entry
    {
        Key key;
        const QmdPropertyListImporter::Element *value; // null: a key without value
        Qmd::ContainerType type;
    };

    void add(const Key &key, const QmdPropertyListImporter::Element *value, Qmd::ContainerType type)
    {
        const auto found = positions.constFind(key);
        if (found != positions.cend()) {
            entries[*found] = {key, value, type};
            return;
        }
        positions.insert(key, int(entries.size()));
        entries.push_back({key, value, type});
    }

    std::vector<Entry> entries;
    QHash<Key, int> positions;
};

template <typename Key>
EntryList<Key> collectEntries(const QmdPropertyListImporter::Element &dict)
{
    EntryList<Key> list;
    const auto &children = dict.children;
    std::size_t i = 0;
    while (i < children.size()) {
        const QmdPropertyListImporter::Element &key = children[i];
        if (key.name != KeyName) {
            qDebug("TODO: handle key MISSING error");
            ++i;
            continue;
        }
        if (key.text.isEmpty()) {
            qDebug("TODO: handle key INVALID error");
            ++i;
            continue;
        }
        if (key.text == ContainerTypeKey) {
            i += 2;
            continue;
        }
        const QmdPropertyListImporter::Element *value = i + 1 < children.size() ? &children[i + 1] : nullptr;
        i += 2;
        if (value && value->name == KeyName) {
            qDebug("TODO: handle twos idList in a row error");
            continue;
        }
        Key parsed;
        if (!toKey(key.text, parsed)) {
            // Read as 0, the key would name the root and the value would
            // replace everything read so far.
            qDebug().noquote() << "QmdPropertyListImporter: skipping the entry with the item id" << key.text;
            continue;
        }
        Qmd::ContainerType type = Qmd::NoContainer;
        if (value && value->name == DictName) {
            type = dictKind(*value);
            if (type == Qmd::NoContainer)
                reportContainerTypeError();
        }
        list.add(parsed, value, type);
    }
    return list;
}

} // namespace

// Writes one dictionary's entries in three model operations: all entries are
// created at once (plain ones as invalid values, dictionaries empty), so
// that every value is read for an entry that exists; then the plain values
// are set at once; then each dictionary is filled.
void QmdPropertyListImporter::readEntries(const Element &dict, Qmd::ContainerType kind, const QmdIndex &target)
{
    auto fill = [&](auto list) {
        using Key = decltype(list.entries.front().key);
        QHash<Key, Qmd::ContainerType> types;
        types.reserve(int(list.entries.size()));
        for (const auto &entry : list.entries)
            types.insert(entry.key, entry.type);
        if (types.isEmpty())
            return;
        model()->setTypes(types, target);

        QHash<Key, QVariant> values;
        values.reserve(int(list.entries.size()));
        for (const auto &entry : list.entries) {
            if (!entry.value || entry.value->name == DictName)
                continue;
            const QVariant value = readPlainValue(*entry.value, model()->index(entry.key, target));
            if (value.isValid())
                values.insert(entry.key, value);
        }
        if (!values.isEmpty())
            model()->setData(values, target);

        for (const auto &entry : list.entries) {
            if (entry.type != Qmd::NoContainer)
                readEntries(*entry.value, entry.type, model()->index(entry.key, target));
        }
    };
    if (kind == Qmd::IntDict)
        fill(collectEntries<QmdItemId>(dict));
    else
        fill(collectEntries<QString>(dict));
}

QVariant QmdPropertyListImporter::readPlainValue(const Element &element, const QmdIndex &)
{
    const QString &name = element.name;
    if (name == StringName)
        return element.text.isNull() ? QString(QLatin1String("")) : element.text;
    if (name == IntegerName) {
        // An int when it fits; wider integers (written from 64-bit or
        // unsigned values) keep their value instead of turning into 0.
        bool ok = false;
        const int value = element.text.toInt(&ok);
        if (ok)
            return value;
        const qlonglong wide = element.text.toLongLong(&ok);
        if (ok)
            return wide;
        const qulonglong unsignedWide = element.text.toULongLong(&ok);
        if (ok)
            return unsignedWide;
        return 0;
    }
    if (name == RealName)
        return element.text.toDouble();
    if (name == TrueName)
        return true;
    if (name == FalseName)
        return false;
    return QVariant();
}
