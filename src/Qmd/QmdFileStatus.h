#ifndef QMD_QMDFILESTATUS_H
#define QMD_QMDFILESTATUS_H

#include <QFile>
#include <QMetaType>
#include <QString>

// What became of reading a document file. A file that could not be opened
// or read carries the file's error; a file that was read but holds no valid
// document carries where the reader stopped and why, so that the user can be
// told the file is damaged rather than that it was out of reach.
class QmdFileStatus
{
public:
    QmdFileStatus() = default;
    // A plain file error (QFile::NoError: success); implicit, so that a
    // reader returns the file's error as it is.
    QmdFileStatus(QFile::FileError error)
        : m_error(error)
    {
    }
    // The content is no valid document. `line` and `column` are the
    // reader's, 0 when it had no position to give; `reason` is its message.
    static QmdFileStatus invalidContent(qint64 line, qint64 column, const QString &reason);

    bool isOk() const { return m_error == QFile::NoError; }
    // QFile::ReadError for invalid content, which the file's error alone
    // cannot tell from a failed read.
    QFile::FileError error() const { return m_error; }
    bool isInvalidContent() const { return m_invalidContent; }
    qint64 line() const { return m_line; }
    qint64 column() const { return m_column; }
    QString reason() const { return m_reason; }

private:
    QFile::FileError m_error = QFile::NoError;
    bool m_invalidContent = false;
    qint64 m_line = 0;
    qint64 m_column = 0;
    QString m_reason;
};

Q_DECLARE_METATYPE(QmdFileStatus)

#endif
