#ifndef MIDI_MIDIINPUTRELAY_H
#define MIDI_MIDIINPUTRELAY_H

#include "midi/MidiBackend.h"
#include "midi/MidiInputMessage.h"

#include <semaphore.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// A user of a shared input port, told of every message on the relay's thread.
class MidiInputSubscriber
{
public:
    virtual void relayMessage(const MidiInputMessage &message) = 0;
    virtual int subscriberIgnoreFlags() const = 0;

protected:
    ~MidiInputSubscriber() = default;
};

// Carries the messages of one input port off the driver's thread. The
// driver may call from a JACK real-time thread, where nothing may block: the
// callback only stamps the message, copies it into a lock-free
// single-producer ring and posts a semaphore. The relay's own thread builds
// the messages and hands them to the subscribers.
//
// Unsubscribing waits until a delivery in progress has finished, so a
// subscriber that has left is never called again. The wait holds no lock
// that the delivery takes.
class MidiInputRelay : public MidiInputSink
{
public:
    static std::shared_ptr<MidiInputRelay> start();
    ~MidiInputRelay();

    // The driver side; any single thread at a time.
    void driverMessage(double deltaTime, const unsigned char *bytes, std::size_t size) override;

    void subscribe(MidiInputSubscriber *subscriber);
    void unsubscribe(MidiInputSubscriber *subscriber);
    std::size_t subscriberCount() const;
    // The types the port may ignore: only those every subscriber ignores.
    int combinedIgnoreFlags() const;

    // Ends the relay's thread; joins it unless called on that thread.
    void stop();

    // Messages lost because the ring was full.
    quint64 droppedCount() const { return m_dropped.load(std::memory_order_relaxed); }

private:
    MidiInputRelay();
    void run();
    bool readMessage(MidiInputMessage &message);
    void deliver(const MidiInputMessage &message);
    void writeRing(std::size_t pos, const void *data, std::size_t size);
    void readRing(std::size_t pos, void *data, std::size_t size) const;

    static constexpr std::size_t RingSize = 1 << 16;
    std::unique_ptr<unsigned char[]> m_ring;
    // Positions only grow; the ring offset is the position modulo RingSize.
    std::atomic<std::size_t> m_writePos{0};
    std::atomic<std::size_t> m_readPos{0};
    std::atomic<quint64> m_dropped{0};
    sem_t m_wake;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    std::thread::id m_threadId;

    mutable std::mutex m_subscribersMutex;
    std::condition_variable m_deliveryDone;
    std::vector<MidiInputSubscriber *> m_subscribers;
    // Deliveries begun and finished; a leaving subscriber waits for the
    // ones begun before it left, not for later ones, which no longer see it.
    quint64 m_deliveriesBegun = 0;
    quint64 m_deliveriesFinished = 0;
    std::vector<MidiInputSubscriber *> m_snapshot; // the relay thread's own
};

#endif
