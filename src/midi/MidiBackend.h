#ifndef MIDI_MIDIBACKEND_H
#define MIDI_MIDIBACKEND_H

#include <QString>
#include <QStringList>

#include <cstddef>
#include <memory>

enum class MidiDirection { Input, Output };

// Bits of an input's ignore flags, as the MIDI library groups message types.
enum MidiIgnoreFlag {
    MidiIgnoreSysex = 0x1,          // 0xF0 system exclusive
    MidiIgnoreTiming = 0x2,         // 0xF1 time code, 0xF8 clock, 0xF9 tick
    MidiIgnoreActiveSensing = 0x4,  // 0xFE
    MidiIgnoreDefault = 0x7
};

// True when flags ignore the message whose status byte is given.
bool midiIgnores(int flags, quint8 status);

// Receives what a driver delivers, on the driver's own thread. That thread
// may be a JACK real-time thread: an implementation must not block,
// allocate or take a lock that another thread may hold for long.
class MidiInputSink
{
public:
    virtual void driverMessage(double deltaTime, const unsigned char *bytes, std::size_t size) = 0;

protected:
    ~MidiInputSink() = default;
};

// One open device port. Device objects are used under their shared port's
// mutex only, so implementations need no locking of their own.
class MidiOutputDevice
{
public:
    virtual ~MidiOutputDevice() = default;
    // False when the driver reports an error.
    virtual bool send(const unsigned char *bytes, std::size_t size) = 0;
    // Closes the port; false when the driver reports an error. What was
    // sent before reaches the port first. A device may hand the close to a
    // thread of its own and return at once (MidiBackend::finishClosing()).
    virtual bool close() = 0;
    // False once the port is known to be gone or no longer linked to (its
    // device unplugged, say, even when one of the same name came back).
    virtual bool reachesPort() { return true; }
};

class MidiInputDevice
{
public:
    virtual ~MidiInputDevice() = default;
    virtual void setIgnoreFlags(int flags) = 0;
    // Closes the port. Once it returns the sink is never called again.
    virtual bool close() = 0;
};

// The seam below the shared ports: the real MIDI library, or an in-process
// fake in tests. Port names here are raw, as the driver spells them; the
// port layer turns them into the names users see (MidiPortNames.h).
class MidiBackend
{
public:
    virtual ~MidiBackend();

    // "alsa", "jack", "fake" or "none".
    virtual QString apiName() const = 0;

    // The ports present now, in the driver's port order.
    virtual QStringList portNames(MidiDirection direction) = 0;

    // Opens the port with that raw name as a client of the given name; null
    // when it is not present or the driver fails. Never throws.
    virtual std::unique_ptr<MidiOutputDevice> openOutput(const QString &rawName,
                                                         const QString &clientName) = 0;
    // The sink must outlive the device.
    virtual std::unique_ptr<MidiInputDevice> openInput(const QString &rawName,
                                                       const QString &clientName,
                                                       int ignoreFlags, MidiInputSink *sink) = 0;

    // The backend every port opened from now on uses. Until one is set this
    // is the platform's MIDI library with its API chosen on first use.
    static std::shared_ptr<MidiBackend> current();
    // Installs a backend (tests install a fake); null returns to the
    // platform default. Ports already open keep the backend they came from.
    static void setCurrent(std::shared_ptr<MidiBackend> backend);
    // Returns once the platform library's ports closed so far are closed
    // and their clients gone: some close on a thread of their own after
    // the closing call returned. The program waits for this before it exits.
    static void finishClosing();
};

#endif
