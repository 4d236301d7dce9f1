#include "Qmd/QmdDocController.h"

#include "Qmd/QmdPropertyListExporter.h"
#include "Qmd/QmdPropertyListImporter.h"

#include <QSaveFile>
#include <QSignalBlocker>

QmdDocController::QmdDocController(QObject *parent)
    : QmdController(parent)
{
    qRegisterMetaType<QFile::FileError>("QFile::FileError");
    qRegisterMetaType<QmdFileStatus>();
}

QmdDocController::~QmdDocController() = default;

QString QmdDocController::fileName() const
{
    readLock();
    const QString name = m_fileName;
    readUnlock();
    return name;
}

QmdRequestId QmdDocController::requestSave(const QString &fileName)
{
    return runFileRequest(Operation::Save, fileName);
}

QmdRequestId QmdDocController::requestLoad(const QString &fileName)
{
    return runFileRequest(Operation::Load, fileName);
}

QmdRequestId QmdDocController::requestLoadTemplate(const QString &fileName)
{
    return runFileRequest(Operation::LoadTemplate, fileName);
}

QmdRequestId QmdDocController::runFileRequest(Operation operation, const QString &fileName)
{
    const bool saving = operation == Operation::Save;
    const QString oldName = QmdDocController::fileName();
    const QmdRequestId rid = nextRequestId();
    beginRequest(rid, Qmd::NoUndo, saving ? tr("Save") : tr("Load"));
    const QmdFileStatus status = saving ? saveToFile(fileName, rid) : loadFromFile(fileName, rid);
    const bool ok = status.isOk();
    if (ok) {
        if (operation != Operation::LoadTemplate)
            m_fileName = fileName;
        // The old steps would apply to content that is no longer there.
        if (!saving)
            model()->clearUndoRedoHistory();
        model()->markAsCleanState();
        // A step that went on after the save would carry the saved state
        // away with it.
        startNewMergedSteps();
    }
    model()->setRequestStatus(ok ? 0 : -1);
    const QString newName = m_fileName;
    endRequest(rid);

    switch (operation) {
    case Operation::Save:
        if (ok)
            emit fileSaved(newName, rid);
        else
            emit fileSaveError(fileName, status.error(), rid);
        break;
    case Operation::Load:
        if (ok) {
            reset();
            emit fileLoaded(newName, rid);
        } else {
            emit fileLoadError(fileName, status, rid);
        }
        break;
    case Operation::LoadTemplate:
        if (ok) {
            reset();
            emit templateLoaded(newName, rid);
        } else {
            emit templateLoadError(fileName, status, rid);
        }
        break;
    }
    if (ok && newName != oldName)
        emit fileNameChanged(newName, rid);
    return rid;
}

QFile::FileError QmdDocController::saveToFile(const QString &, QmdRequestId)
{
    return QFile::NoError;
}

QmdFileStatus QmdDocController::loadFromFile(const QString &, QmdRequestId)
{
    return QFile::NoError;
}

QFile::FileError QmdDocController::exportDocument(QmdPropertyListExporter &exporter, QSaveFile &file)
{
    if (!exporter.exportIndex(QmdIndex())) {
        file.cancelWriting();
        return QFile::WriteError;
    }
    if (file.commit())
        return QFile::NoError;
    return file.error() != QFile::NoError ? file.error() : QFile::WriteError;
}

QmdFileStatus QmdDocController::importDocument(QmdPropertyListImporter &importer)
{
    if (!importer.parse())
        return importer.status();
    model()->clear(QmdIndex());
    const QSignalBlocker blocker(model());
    importer.importIndex(QmdIndex());
    return QFile::NoError;
}
