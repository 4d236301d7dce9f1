#ifndef QMD_QMDPROPERTYLISTIMPORTER_H
#define QMD_QMDPROPERTYLISTIMPORTER_H

#include "Qmd/QmdFileStatus.h"
#include "Qmd/QmdImportExportInterface.h"

#include <QString>
#include <QVariant>

#include <vector>

// Reads an XML property list, as QmdPropertyListExporter writes it, into a
// document under a chosen entry.
//
// The whole text is parsed, and the document-level checks (well-formed XML,
// a `plist` root, version 1.0 when given) pass, before anything is written:
// a text that is not a property list leaves the document untouched. Damage
// inside dictionaries is skipped with a debug message, so a damaged file
// loads partially. A subclass that reads some values in a form of its own
// overrides readPlainValue.
//
// The model writes belong to whatever request the caller has opened.
class QmdPropertyListImporter : public QmdImportExportInterface
{
    Q_OBJECT

public:
    // One parsed element. A `dict` keeps its child elements; any other
    // element keeps its text (all text inside it, nested elements included).
    struct Element
    {
        QString name;
        QString text;
        std::vector<Element> children;
    };

    // Deeper dictionaries than this make the text unreadable: nothing in a
    // document comes near, and a writer or reader walking such a tree could
    // exhaust the stack.
    static constexpr int MaxDictDepth = 256;

    QmdPropertyListImporter(QmdModel *model, QIODevice *device, QObject *parent = nullptr);
    ~QmdPropertyListImporter() override;

    // Parses the device's whole content and runs the document-level checks,
    // once; writes nothing. Callers that clear the document before importing
    // call it first, so that a text that is not a property list leaves the
    // document as it was.
    bool parse();
    // Why parse() failed; empty when it did not.
    QString errorString() const { return m_errorString; }
    // The same as a status: the device's own error when reading the file
    // failed (what was read then says nothing of the file), else invalid
    // content with the reader's line, column and message; success when
    // parse() succeeded or has not run.
    QmdFileStatus status() const { return m_status; }

    // Parses (unless done) and reads the value under `plist` into the entry
    // at `target` (the root index: the whole document). False, with nothing
    // written, when the text is not a property list; a `plist` without a
    // value reads nothing and succeeds.
    virtual bool importIndex(const QmdIndex &target);
    // Reads one value element into the entry at `target`.
    virtual void readElement(const Element &element, const QmdIndex &target);
    // The value of an element that is not a `dict`, to be stored at
    // `target` (which exists already); an invalid value stores nothing.
    virtual QVariant readPlainValue(const Element &element, const QmdIndex &target);

private:
    void readEntries(const Element &dict, Qmd::ContainerType kind, const QmdIndex &target);
    void fail(const QString &message, qint64 line, qint64 column, const QString &reason);

    Element m_plist; // the `plist` element with its value as only child
    bool m_parsed = false;
    bool m_ok = false;
    QString m_errorString;
    QmdFileStatus m_status;
};

#endif
