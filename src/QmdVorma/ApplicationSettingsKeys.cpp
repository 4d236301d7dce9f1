#include "QmdVorma/ApplicationSettingsKeys.h"

QString autoCheckForUpdateKey()
{
    return QStringLiteral("AutoCheckForUpdate");
}

QString checkForUpdateLatestKnownVersionKey()
{
    return QStringLiteral("CheckForUpdateLatestKnownVersion");
}

QString controllersAutoLsbKey()
{
    return QStringLiteral("ControllersAutoLsb");
}

QString controllersSmartResetKey()
{
    return QStringLiteral("ControllersSmartReset");
}

QString midiInputEnabledKey()
{
    return QStringLiteral("MidiInputEnabled");
}

QString midiEntryPortKey()
{
    return QStringLiteral("MidiEntryPort");
}

QString midiThruEnabledKey()
{
    return QStringLiteral("MidiThruEnabled");
}

QString midiThruPortKey()
{
    return QStringLiteral("MidiThruPort");
}

QString midiTriggeringMsecToggleTimeoutKey()
{
    return QStringLiteral("MidiTriggeringMsecToggleTimeout");
}

QString openDialogGeometryKey()
{
    return QStringLiteral("OpenDialogGeometry");
}

QString openDialogStateKey()
{
    return QStringLiteral("OpenDialogState");
}

QString recentFilesKey()
{
    return QStringLiteral("RecentFiles");
}

QString recentFilesPathKey()
{
    return QStringLiteral("Path");
}

QString templateFileKey()
{
    return QStringLiteral("TemplateFile");
}

QString midiSynthDialogGeometryKey()
{
    return QStringLiteral("MidiSynthDialogGeometry");
}

QString alternateColorPaletteKey()
{
    return QStringLiteral("AlternateColorPalette");
}
