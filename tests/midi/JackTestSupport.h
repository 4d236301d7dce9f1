#ifndef TESTS_QMDVORMA_JACKTESTSUPPORT_H
#define TESTS_QMDVORMA_JACKTESTSUPPORT_H

// Test devices on the private JACK server that scripts/test starts: virtual
// ports of this process that the port layer sees as other programs' ports.
#include "midi/RtMidiBackend.h"

#include <QCoreApplication>
#include <QDebug>
#include <QStringList>

#include <RtMidi.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#if defined(__SANITIZE_THREAD__)
#define VORMA_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VORMA_THREAD_SANITIZER 1
#endif
#endif

#ifdef VORMA_THREAD_SANITIZER
// Slowed down this much, our clients miss the server's cycle deadlines and
// lose messages, and libjack cancels its threads inside intercepted calls,
// which the sanitizer cannot follow. The engine's own threads are checked
// with the fake MIDI system instead.
#define VORMA_SKIP_UNDER_TSAN() QSKIP("Real JACK clients cannot keep up under ThreadSanitizer.")
#else
#define VORMA_SKIP_UNDER_TSAN() \
    do {                        \
    } while (false)
#endif

// For initTestCase: skips when no JACK server answers (fails with CI=true,
// where scripts/test must have started one).
#define VORMA_REQUIRE_JACK_SERVER()                                                         \
    do {                                                                                    \
        VORMA_SKIP_UNDER_TSAN();                                                            \
        if (!RtMidiBackend::jackServerRuns()) {                                             \
            if (qEnvironmentVariable("CI") == QLatin1String("true"))                        \
                QFAIL("No JACK server answers; scripts/test starts one (jackd2).");         \
            QSKIP("No JACK server runs; scripts/test starts one.");                         \
        }                                                                                   \
    } while (false)

inline QString deviceClient(const char *role)
{
    return QStringLiteral("VormaTest%1%2").arg(QCoreApplication::applicationPid()).arg(role);
}

// The test devices' clients come and go under the same process-wide lock
// as the port layer's: libjack crashes when two threads of a process open
// or close clients at once, and the port layer closes clients on threads of
// its own.
template <class Port, class... Args>
std::unique_ptr<Port> openClient(Args &&...args)
{
    std::lock_guard<std::mutex> lock(RtMidiBackend::clientMutex());
    return std::make_unique<Port>(std::forward<Args>(args)...);
}

template <class Port>
void closeClient(std::unique_ptr<Port> &port)
{
    std::lock_guard<std::mutex> lock(RtMidiBackend::clientMutex());
    port.reset();
}

// A destination other programs can send to.
class VirtualSink
{
public:
    explicit VirtualSink(const char *role)
        : m_port(openClient<RtMidiIn>(RtMidi::UNIX_JACK, deviceClient(role).toStdString()))
        , name(deviceClient(role) + QStringLiteral(":sink"))
    {
        m_port->ignoreTypes(false, false, false);
        m_port->setCallback(&VirtualSink::onMessage, this);
        std::lock_guard<std::mutex> lock(RtMidiBackend::clientMutex());
        m_port->openVirtualPort("sink");
    }
    ~VirtualSink() { closeClient(m_port); }

    bool waitFor(int count, int timeoutMs)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                  [&] { return int(m_received.size()) >= count; });
    }
    void clear()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_received.clear();
    }
    // Each message as hex, so a failed comparison shows them.
    QStringList received()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        QStringList hex;
        for (const auto &m : m_received)
            hex << QByteArray(reinterpret_cast<const char *>(m.data()), int(m.size())).toHex(' ');
        return hex;
    }

private:
    static void onMessage(double, std::vector<unsigned char> *message, void *self)
    {
        auto *sink = static_cast<VirtualSink *>(self);
        std::lock_guard<std::mutex> lock(sink->m_mutex);
        sink->m_received.emplace_back(message->begin(), message->end());
        sink->m_changed.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::vector<quint8>> m_received;
    std::unique_ptr<RtMidiIn> m_port;

public:
    const QString name;
};

// A source other programs can read.
class VirtualSource
{
public:
    explicit VirtualSource(const char *role)
        : m_port(openClient<RtMidiOut>(RtMidi::UNIX_JACK, deviceClient(role).toStdString()))
        , name(deviceClient(role) + QStringLiteral(":source"))
    {
        std::lock_guard<std::mutex> lock(RtMidiBackend::clientMutex());
        m_port->openVirtualPort("source");
    }
    ~VirtualSource()
    {
        // The library frees the port's buffer while its JACK thread may still
        // read it; let that thread see the port closed first.
        {
            std::lock_guard<std::mutex> lock(RtMidiBackend::clientMutex());
            m_port->closePort();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        closeClient(m_port);
    }
    void send(std::vector<quint8> bytes) { m_port->sendMessage(&bytes); }

private:
    std::unique_ptr<RtMidiOut> m_port;

public:
    const QString name;
};

// The dummy server's 1.3 ms cycle is missed now and then on a busy
// machine, and JACK then drops or repeats that cycle's MIDI. So a delivery
// check tries a few times: what it shows is that the bytes can get through
// intact, each way.
constexpr int Attempts = 10;

inline bool sinkReceives(VirtualSink &sink, const std::function<void()> &send, const QStringList &expected)
{
    for (int i = 0; i < Attempts; ++i) {
        sink.clear();
        send();
        if (sink.waitFor(expected.size(), 1000) && sink.received() == expected)
            return true;
    }
    qWarning() << "last received:" << sink.received();
    return false;
}

#endif
