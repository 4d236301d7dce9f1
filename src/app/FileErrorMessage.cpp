#include "app/FileErrorMessage.h"

#include "app/ProductInfo.h"

namespace {

QString code(QFile::FileError error)
{
    return FileErrorMessage::tr("Code: %1").arg(int(error));
}

// A reader's message as the end of a sentence: "Premature end of document."
// becomes "premature end of document"; a leading abbreviation ("XML ...")
// keeps its capitals.
QString reasonClause(QString reason)
{
    reason = reason.trimmed();
    while (reason.endsWith(QLatin1Char('.')))
        reason.chop(1);
    if (reason.size() >= 2 && reason.at(0).isUpper() && !reason.at(1).isUpper())
        reason[0] = reason.at(0).toLower();
    return reason;
}

} // namespace

QString FileErrorMessage::quotedName(const QString &fileName)
{
    const int slash = fileName.lastIndexOf(QLatin1Char('/'));
    const QString shown = slash < 0 ? tr("Untitled") : fileName.mid(slash + 1);
    return tr("\u201c%1\u201d").arg(shown);
}

FileErrorMessage FileErrorMessage::forSave(const QString &fileName, QFile::FileError error)
{
    const QString name = quotedName(fileName);
    if (error == QFile::WriteError || error == QFile::OpenError || error == QFile::PermissionsError)
        return {tr("The network could not be saved as %1. You may not have permission.").arg(name), QString()};
    return {tr("The network could not be saved as %1. An unknown error occurred.").arg(name), code(error)};
}

FileErrorMessage FileErrorMessage::forLoad(const QString &fileName, const QmdFileStatus &status)
{
    const QString name = quotedName(fileName);
    if (status.isInvalidContent()) {
        const QString reason = reasonClause(status.reason());
        if (status.line() > 0)
            return {tr("The network %1 is not a valid %2 document: line %3, column %4: %5.")
                        .arg(name, productDisplayName(), QString::number(status.line()),
                             QString::number(status.column()), reason),
                    QString()};
        return {tr("The network %1 is not a valid %2 document: %3.").arg(name, productDisplayName(), reason),
                QString()};
    }
    const QFile::FileError error = status.error();
    if (error == QFile::ReadError || error == QFile::OpenError || error == QFile::PermissionsError)
        return {tr("The network %1 could not be opened. You may not have permission.").arg(name), QString()};
    return {tr("The network %1 could not be opened. An unknown error occurred.").arg(name), code(error)};
}
