#include "app/FileErrorMessage.h"

namespace {

QString code(QFile::FileError error)
{
    return FileErrorMessage::tr("Code: %1").arg(int(error));
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

FileErrorMessage FileErrorMessage::forLoad(const QString &fileName, QFile::FileError error)
{
    const QString name = quotedName(fileName);
    if (error == QFile::ReadError || error == QFile::OpenError || error == QFile::PermissionsError)
        return {tr("The network %1 could not be opened. You may not have permission.").arg(name), QString()};
    return {tr("The network %1 could not be opened. An unknown error occurred.").arg(name), code(error)};
}
