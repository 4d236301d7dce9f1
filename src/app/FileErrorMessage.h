#ifndef APP_FILEERRORMESSAGE_H
#define APP_FILEERRORMESSAGE_H

#include "Qmd/QmdFileStatus.h"

#include <QCoreApplication>
#include <QFile>
#include <QString>

// The texts of the boxes that report a failed save or load, apart from the
// boxes so they can be checked without showing one.
class FileErrorMessage
{
    Q_DECLARE_TR_FUNCTIONS(FileErrorMessage)

public:
    QString text;
    // Empty when the error is one the text already explains.
    QString informativeText;

    static FileErrorMessage forSave(const QString &fileName, QFile::FileError error);
    // A file that was read but holds no valid document is named damaged, with
    // the reader's position and reason; one that could not be read, not.
    static FileErrorMessage forLoad(const QString &fileName, const QmdFileStatus &status);

    // The file's name as the messages quote it: what follows the last "/",
    // or "Untitled" for a name without one.
    static QString quotedName(const QString &fileName);
};

#endif
