#ifndef APP_PRODUCTINFO_H
#define APP_PRODUCTINFO_H

#include <QString>
#include <QStringList>

// The product's name as titles, filters and the settings store show it.
QString productDisplayName();
// "2.1.0.7": the four numbers of the build's project version.
QString versionString();
// "Vorma/2.1.0.7 (Linux; x86_64)": names this build in update checks and
// support mails.
QString applicationId();
// The document extension without its dot.
QString documentExtension();
QString documentFileFilter();

// What a later start hands over, turned into the running instance's
// messages: "new" when it named nothing, else each named path made absolute
// against the later start's own working folder, in command-line order.
// `arguments` starts with the program path, as a command line does.
QStringList activationMessages(const QStringList &arguments, const QString &workingDirectory);

#endif
