#ifndef QMDVORMA_APPLICATIONSETTINGSKEYS_H
#define QMDVORMA_APPLICATIONSETTINGSKEYS_H

#include <QString>

// The keys of the application's settings store, each defined here once and
// read through its function everywhere. They live this low because the
// document layer reads one of them (the instrument palette) and the
// inspector others.
QString autoCheckForUpdateKey();
QString checkForUpdateLatestKnownVersionKey();
QString controllersAutoLsbKey();
QString controllersSmartResetKey();
QString midiInputEnabledKey();
QString midiEntryPortKey();
QString midiThruEnabledKey();
QString midiThruPortKey();
QString midiTriggeringMsecToggleTimeoutKey();
QString openDialogGeometryKey();
QString openDialogStateKey();
QString recentFilesKey();
// The key of each entry of the recent-files array.
QString recentFilesPathKey();
QString templateFileKey();
QString midiSynthDialogGeometryKey();
QString alternateColorPaletteKey();

#endif
