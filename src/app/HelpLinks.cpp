#include "app/HelpLinks.h"

#include <QDir>
#include <QFileInfo>

namespace HelpLinks {

QUrl manualUrl(const QString &applicationDir)
{
    // A local file URL, so names with spaces or '#' stay one path.
    return QUrl::fromLocalFile(QDir::cleanPath(applicationDir + QStringLiteral("/Vorma Manual.pdf")));
}

bool manualExists(const QString &applicationDir)
{
    return QFileInfo::exists(manualUrl(applicationDir).toLocalFile());
}

QUrl websiteUrl(const QString &website)
{
    // Only a secure web page: whatever else a build was given (plain HTTP, a
    // local file, a script) is not opened for the user.
    const QUrl url(website.trimmed(), QUrl::StrictMode);
    return url.isValid() && url.scheme() == QLatin1String("https") && !url.host().isEmpty() ? url : QUrl();
}

QUrl communityUrl(const QString &website)
{
    const QUrl home = websiteUrl(website);
    return home.isEmpty() ? QUrl() : home.resolved(QUrl(QStringLiteral("/community/")));
}

QUrl supportUrl(const QString &address, const QString &applicationId)
{
    const QString trimmed = address.trimmed();
    if (trimmed.isEmpty() || !trimmed.contains(QLatin1Char('@')))
        return QUrl();
    QUrl url;
    url.setScheme(QStringLiteral("mailto"));
    url.setPath(trimmed);
    // The subject holds blanks, a slash, parentheses and a semicolon: the
    // query encodes what a mail program would misread.
    url.setQuery(QStringLiteral("subject=")
                 + QString::fromLatin1(QUrl::toPercentEncoding(QStringLiteral("%1 Support").arg(applicationId))));
    return url;
}

QString configuredWebsite()
{
    return QStringLiteral(VORMA_WEBSITE_URL);
}

QString configuredSupportAddress()
{
    return QStringLiteral(VORMA_SUPPORT_EMAIL);
}

} // namespace HelpLinks
