#include "Qmd/QmdImportExportInterface.h"

QmdImportExportInterface::QmdImportExportInterface(QmdModel *model, QIODevice *device, QObject *parent)
    : QObject(parent), m_device(device)
{
    setModel(model);
}

QmdImportExportInterface::~QmdImportExportInterface() = default;
