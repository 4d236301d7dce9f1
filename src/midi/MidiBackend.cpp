#include "midi/MidiBackend.h"

#include "midi/RtMidiBackend.h"

#include <mutex>

namespace {

std::mutex backendMutex;
std::shared_ptr<MidiBackend> installedBackend;
std::shared_ptr<MidiBackend> platformBackend;

} // namespace

bool midiIgnores(int flags, quint8 status)
{
    switch (status) {
    case 0xF0:
        return flags & MidiIgnoreSysex;
    case 0xF1:
    case 0xF8:
    case 0xF9:
        return flags & MidiIgnoreTiming;
    case 0xFE:
        return flags & MidiIgnoreActiveSensing;
    default:
        return false;
    }
}

MidiBackend::~MidiBackend() = default;

std::shared_ptr<MidiBackend> MidiBackend::current()
{
    std::lock_guard<std::mutex> lock(backendMutex);
    if (installedBackend)
        return installedBackend;
    if (!platformBackend)
        platformBackend = RtMidiBackend::createDefault();
    return platformBackend;
}

void MidiBackend::setCurrent(std::shared_ptr<MidiBackend> backend)
{
    std::lock_guard<std::mutex> lock(backendMutex);
    installedBackend = std::move(backend);
}

void MidiBackend::finishClosing()
{
    RtMidiBackend::finishClosing();
}
