#include "app/ProductInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QSysInfo>

QString productDisplayName()
{
    return QCoreApplication::translate("QObject", "Vorma");
}

QString versionString()
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(VORMA_VERSION_MAJOR)
        .arg(VORMA_VERSION_MINOR)
        .arg(VORMA_VERSION_PATCH)
        .arg(VORMA_VERSION_TWEAK);
}

QString applicationId()
{
    return QStringLiteral("%1/%2 (%3; %4)")
        .arg(productDisplayName(), versionString(), QStringLiteral("Linux"), QSysInfo::currentCpuArchitecture());
}

QString documentExtension()
{
    return QStringLiteral("vrm");
}

QString documentFileFilter()
{
    return productDisplayName() + QStringLiteral(" Network ( *.") + documentExtension() + QLatin1Char(')');
}

QStringList activationMessages(const QStringList &arguments, const QString &workingDirectory)
{
    if (arguments.size() <= 1)
        return {QStringLiteral("new")};
    const QDir base(workingDirectory);
    QStringList messages;
    for (int i = 1; i < arguments.size(); ++i)
        messages << QDir::cleanPath(base.absoluteFilePath(arguments.at(i)));
    return messages;
}
