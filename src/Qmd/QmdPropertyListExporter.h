#ifndef QMD_QMDPROPERTYLISTEXPORTER_H
#define QMD_QMDPROPERTYLISTEXPORTER_H

#include "Qmd/QmdImportExportInterface.h"

#include <QSet>
#include <QString>
#include <QXmlStreamWriter>

// Writes a subtree of a document to a device as an XML property list
// (version 1.0): one element per line, indented by 4 spaces per level, every
// `dict` opening with the "ContainerType" pair that names its kind, no line
// break after the closing `plist`. Stored documents depend on this exact
// form.
//
// A subclass that gives some values a form of its own overrides
// writePlainValue. A user writing a fragment of its own calls writeHeader,
// writeIntDict with the entries it chooses and writeFooter.
class QmdPropertyListExporter : public QmdImportExportInterface
{
    Q_OBJECT

public:
    QmdPropertyListExporter(QmdModel *model, QIODevice *device, QObject *parent = nullptr);
    ~QmdPropertyListExporter() override;

    // Writes a whole file holding the value at the index (the root index
    // writes the whole document). False when writing failed: the device
    // refused data or a text holds characters that XML cannot carry. What
    // reached the device then is no usable file.
    virtual bool exportIndex(const QmdIndex &index);
    virtual void writeHeader();
    virtual void writeKeyValue(const QmdIndex &index);
    virtual void writeValue(const QmdIndex &index);
    virtual void writeFooter();
    virtual void writeIntDict(const QmdIndexList &children);
    virtual void writeStrDict(const QmdIndexList &children);
    virtual void writePlainValue(const QmdIndex &index);

    // Leaves the entries out, with their keys and everything below them.
    // Indexes must come from the same model.
    void excludeIndex(const QmdIndex &index);
    void excludeIndexes(const QSet<QmdIndex> &indexes);

    // True once anything failed to be written since the header.
    bool hasError() const;

protected:
    void writeDict(const QString &kind, const QmdIndexList &children);
    // One element holding the text; carriage returns are written as
    // character references, which every reader keeps as they are.
    void writeTextElement(const QString &name, const QString &text);
    QXmlStreamWriter &writer() { return m_writer; }

private:
    QXmlStreamWriter m_writer;
    QSet<QmdIndex> m_excluded;
};

#endif
