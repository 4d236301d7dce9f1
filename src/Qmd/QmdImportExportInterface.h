#ifndef QMD_QMDIMPORTEXPORTINTERFACE_H
#define QMD_QMDIMPORTEXPORTINTERFACE_H

#include "Qmd/QmdDirectModelInterface.h"

#include <QObject>

class QIODevice;

// Common base of the document readers and writers: a model and a device.
// The caller opens and closes the device and keeps the model from changing
// while a reader or writer works on it.
class QmdImportExportInterface : public QObject, public QmdDirectModelInterface
{
    Q_OBJECT

public:
    QmdImportExportInterface(QmdModel *model, QIODevice *device, QObject *parent = nullptr);
    ~QmdImportExportInterface() override;

    QIODevice *device() const { return m_device; }

signals:
    // For users of the interface; the property-list reader and writer emit
    // neither.
    void progressChanged(double progress);
    void finished();

private:
    QIODevice *m_device;
};

#endif
