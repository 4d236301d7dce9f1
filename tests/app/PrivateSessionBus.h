#ifndef TESTS_APP_PRIVATESESSIONBUS_H
#define TESTS_APP_PRIVATESESSIONBUS_H

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <unistd.h>

#include <vector>

// Runs the calling test program again under dbus-run-session, so that it and
// the programs it starts have a session bus of their own and never meet an
// instance the user runs. Call it first thing in main(). Without
// dbus-run-session the program carries on with no session bus at all.
inline void runOnPrivateSessionBus(int argc, char *argv[])
{
    if (qEnvironmentVariableIsSet("VORMA_TEST_PRIVATE_BUS"))
        return;
    qputenv("VORMA_TEST_PRIVATE_BUS", "1");
    std::vector<char *> args;
    char runner[] = "dbus-run-session";
    char separator[] = "--";
    args.push_back(runner);
    args.push_back(separator);
    for (int i = 0; i < argc; ++i)
        args.push_back(argv[i]);
    args.push_back(nullptr);
    execvp(runner, args.data());
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/vorma-test-bus");
}

// The name the program owns on the session bus: the reversed organisation
// domain (none: "local") and the application name.
inline QString programBusName()
{
    return QStringLiteral("local.Vorma");
}

#endif
