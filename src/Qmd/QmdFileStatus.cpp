#include "Qmd/QmdFileStatus.h"

QmdFileStatus QmdFileStatus::invalidContent(qint64 line, qint64 column, const QString &reason)
{
    QmdFileStatus status(QFile::ReadError);
    status.m_invalidContent = true;
    status.m_line = line;
    status.m_column = column;
    status.m_reason = reason;
    return status;
}
