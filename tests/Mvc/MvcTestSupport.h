#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

// Delivers posted events, including those that handlers post in turn, until
// none is left.
inline void settleEvents()
{
    for (int pass = 0; pass < 20; ++pass)
        QCoreApplication::sendPostedEvents();
}

// Points every settings store of the process into a temporary folder, so
// tests never read or write the user's real settings. Construct it before
// the first QSettings.
class SettingsSandbox
{
public:
    SettingsSandbox()
    {
        QStandardPaths::setTestModeEnabled(true);
        if (!m_dir.isValid())
            return;
        for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
            QSettings::setPath(format, QSettings::UserScope, m_dir.path());
            QSettings::setPath(format, QSettings::SystemScope, m_dir.filePath("system"));
        }
        QCoreApplication::setOrganizationName(QStringLiteral("VormaTests"));
        startFreshStore();
    }

    bool isReady() const { return m_dir.isValid(); }
    QString folder() const { return m_dir.path(); }

    // The file behind the current application's store.
    QString storeFile() const
    {
        return m_dir.filePath(QCoreApplication::organizationName() + QLatin1Char('/')
                              + QCoreApplication::applicationName() + QStringLiteral(".conf"));
    }

    // Switches to an application name no QSettings of this process has used.
    void startFreshStore()
    {
        QCoreApplication::setApplicationName(QStringLiteral("store%1").arg(++m_generation));
    }

    // QSettings caches what it parsed per file for the whole process, typed
    // values included; a copy under a fresh name is read from disk alone, as
    // the next start of the program would. Destroy every user of the store
    // (which writes it out) before calling this.
    bool restartFromStoredFile()
    {
        const QString stored = storeFile();
        startFreshStore();
        return QFile::copy(stored, storeFile());
    }

private:
    QTemporaryDir m_dir;
    int m_generation = 0;
};
