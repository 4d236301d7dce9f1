#ifndef QMD_QMDDOCCONTROLLER_H
#define QMD_QMDDOCCONTROLLER_H

#include "Qmd/QmdController.h"
#include "Qmd/QmdFileStatus.h"

#include <QFile>
#include <QString>

class QSaveFile;
class QmdPropertyListExporter;
class QmdPropertyListImporter;

// A document controller tied to a file: it keeps the document's file name and
// runs save, load and template load as requests that are not recorded for
// undo. The file work itself is done by saveToFile and loadFromFile, which
// read and write nothing here; the document layer overrides them.
//
// A successful save marks the document clean and takes the file name over. A
// successful load or template load also forgets the undo and redo history
// (its steps belong to the replaced document) and resets the controller. A
// failure changes neither the file name nor the clean state.
//
// The file signals, and for a load the reset and modelReset(), are emitted
// inside the slot, before the queued change signals of the same request.
class QmdDocController : public QmdController
{
    Q_OBJECT

public:
    explicit QmdDocController(QObject *parent = nullptr);
    ~QmdDocController() override;

    // Empty while the document is untitled.
    QString fileName() const;

public slots:
    QmdRequestId requestSave(const QString &fileName);
    QmdRequestId requestLoad(const QString &fileName);
    // Loads the file's content but keeps the current file name.
    QmdRequestId requestLoadTemplate(const QString &fileName);

signals:
    void fileSaved(const QString &fileName, QmdRequestId rid);
    void fileLoaded(const QString &fileName, QmdRequestId rid);
    void templateLoaded(const QString &fileName, QmdRequestId rid);
    void fileSaveError(const QString &fileName, QFile::FileError error, QmdRequestId rid);
    // `status` tells a file that could not be read from one that holds no
    // valid document.
    void fileLoadError(const QString &fileName, const QmdFileStatus &status, QmdRequestId rid);
    void templateLoadError(const QString &fileName, const QmdFileStatus &status, QmdRequestId rid);
    void fileNameChanged(const QString &fileName, QmdRequestId rid);

protected:
    // Run inside the open request `rid`, holding the write lock; they may
    // change the model directly. QFile::NoError is success. A load that fails
    // must leave the document as it was.
    virtual QFile::FileError saveToFile(const QString &fileName, QmdRequestId rid);
    virtual QmdFileStatus loadFromFile(const QString &fileName, QmdRequestId rid);

    // For overrides of saveToFile: writes the whole document with `exporter`
    // into `file` (which the exporter writes to and the caller has opened)
    // and commits it. When anything could not be written the file is
    // cancelled, so the target stays as it was.
    static QFile::FileError exportDocument(QmdPropertyListExporter &exporter, QSaveFile &file);
    // For overrides of loadFromFile: replaces the document with what
    // `importer` reads, but only once the text has passed the checks of a
    // property list; otherwise the document stays as it was and the result is
    // the importer's status. The model's signals are blocked while the
    // content is read: views rebuild on the reset that follows a load.
    QmdFileStatus importDocument(QmdPropertyListImporter &importer);

private:
    enum class Operation { Save, Load, LoadTemplate };
    QmdRequestId runFileRequest(Operation operation, const QString &fileName);

    QString m_fileName;
};

#endif
