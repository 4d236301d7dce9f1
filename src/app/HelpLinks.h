#ifndef APP_HELPLINKS_H
#define APP_HELPLINKS_H

#include <QString>
#include <QUrl>

// The addresses the Help menu opens. Web and mail addresses are build
// settings (VORMA_WEBSITE_URL, VORMA_SUPPORT_EMAIL), empty unless a packager
// sets them; an empty one, or a web address that is not https, gives an empty
// URL and its entry stays disabled.
namespace HelpLinks {

// The manual beside the program.
QUrl manualUrl(const QString &applicationDir);
// Whether a build put the manual there.
bool manualExists(const QString &applicationDir);
// The web site's home page: an https address, else empty.
QUrl websiteUrl(const QString &website);
// The community page below the web site's root.
QUrl communityUrl(const QString &website);
// A mail to the support address with the subject "<application id> Support".
QUrl supportUrl(const QString &address, const QString &applicationId);

// The addresses this build was made with.
QString configuredWebsite();
QString configuredSupportAddress();

} // namespace HelpLinks

#endif
