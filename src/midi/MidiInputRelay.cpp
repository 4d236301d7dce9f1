#include "midi/MidiInputRelay.h"

#include "midi/KeyboardModifierTracker.h"
#include "midi/Platform.h"

#include <QDebug>

#include <pthread.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

struct RecordHeader
{
    quint64 receivedNs;
    double deltaTime;
    qint32 modifiers;
    quint32 size;
};

constexpr std::size_t recordLength(std::size_t size)
{
    return (sizeof(RecordHeader) + size + 7) & ~std::size_t(7);
}

} // namespace

std::shared_ptr<MidiInputRelay> MidiInputRelay::start()
{
    std::shared_ptr<MidiInputRelay> relay(new MidiInputRelay);
    // The thread keeps the relay alive until it has finished, so a relay
    // stopped from its own thread (a subscriber closing from its handler)
    // goes away only after the thread has left it.
    relay->m_thread = std::thread([relay] { relay->run(); });
    relay->m_threadId = relay->m_thread.get_id();
    return relay;
}

MidiInputRelay::MidiInputRelay()
    : m_ring(new unsigned char[RingSize])
{
    sem_init(&m_wake, 0, 0);
}

MidiInputRelay::~MidiInputRelay()
{
    sem_destroy(&m_wake);
}

void MidiInputRelay::writeRing(std::size_t pos, const void *data, std::size_t size)
{
    const std::size_t offset = pos % RingSize;
    const std::size_t first = std::min(size, RingSize - offset);
    std::memcpy(m_ring.get() + offset, data, first);
    std::memcpy(m_ring.get(), static_cast<const unsigned char *>(data) + first, size - first);
}

void MidiInputRelay::readRing(std::size_t pos, void *data, std::size_t size) const
{
    const std::size_t offset = pos % RingSize;
    const std::size_t first = std::min(size, RingSize - offset);
    std::memcpy(data, m_ring.get() + offset, first);
    std::memcpy(static_cast<unsigned char *>(data) + first, m_ring.get(), size - first);
}

void MidiInputRelay::driverMessage(double deltaTime, const unsigned char *bytes, std::size_t size)
{
    const RecordHeader header{currentTimeNs(), deltaTime, qint32(KeyboardModifierTracker::current()),
                              quint32(size)};
    const std::size_t length = recordLength(size);
    const std::size_t write = m_writePos.load(std::memory_order_relaxed);
    const std::size_t read = m_readPos.load(std::memory_order_acquire);
    if (size == 0 || length > RingSize - (write - read)) {
        m_dropped.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    writeRing(write, &header, sizeof header);
    writeRing(write + sizeof header, bytes, size);
    m_writePos.store(write + length, std::memory_order_release);
    sem_post(&m_wake);
}

bool MidiInputRelay::readMessage(MidiInputMessage &message)
{
    const std::size_t read = m_readPos.load(std::memory_order_relaxed);
    const std::size_t write = m_writePos.load(std::memory_order_acquire);
    if (read == write)
        return false;
    RecordHeader header;
    readRing(read, &header, sizeof header);
    message.receivedNs = header.receivedNs;
    message.deltaTime = header.deltaTime;
    message.modifiers = header.modifiers;
    // A fresh vector each time: the previous one is shared with the queues.
    message.bytes = QVector<quint8>(int(header.size));
    readRing(read + sizeof header, message.bytes.data(), header.size);
    m_readPos.store(read + recordLength(header.size), std::memory_order_release);
    return true;
}

void MidiInputRelay::run()
{
    pthread_setname_np(pthread_self(), "vorma-midi-in");
    applyCurrentThreadPriority(QThread::TimeCriticalPriority);
    MidiInputMessage message;
    quint64 reportedDrops = 0;
    for (;;) {
        while (sem_wait(&m_wake) != 0 && errno == EINTR) {
        }
        if (m_stop.load(std::memory_order_acquire))
            break;
        while (readMessage(message))
            deliver(message);
        const quint64 drops = droppedCount();
        if (drops != reportedDrops) {
            qDebug() << "MIDI input: lost" << drops - reportedDrops << "messages (receiver too slow)";
            reportedDrops = drops;
        }
    }
}

void MidiInputRelay::deliver(const MidiInputMessage &message)
{
    {
        std::lock_guard<std::mutex> lock(m_subscribersMutex);
        m_snapshot = m_subscribers;
        ++m_deliveriesBegun;
    }
    for (MidiInputSubscriber *subscriber : m_snapshot)
        subscriber->relayMessage(message);
    {
        std::lock_guard<std::mutex> lock(m_subscribersMutex);
        ++m_deliveriesFinished;
    }
    m_deliveryDone.notify_all();
}

void MidiInputRelay::subscribe(MidiInputSubscriber *subscriber)
{
    std::lock_guard<std::mutex> lock(m_subscribersMutex);
    if (std::find(m_subscribers.begin(), m_subscribers.end(), subscriber) == m_subscribers.end())
        m_subscribers.push_back(subscriber);
}

void MidiInputRelay::unsubscribe(MidiInputSubscriber *subscriber)
{
    std::unique_lock<std::mutex> lock(m_subscribersMutex);
    m_subscribers.erase(std::remove(m_subscribers.begin(), m_subscribers.end(), subscriber),
                        m_subscribers.end());
    // A subscriber leaving from inside its own handler cannot wait for it.
    if (std::this_thread::get_id() == m_threadId)
        return;
    const quint64 begun = m_deliveriesBegun;
    m_deliveryDone.wait(lock, [&] { return m_deliveriesFinished >= begun; });
}

std::size_t MidiInputRelay::subscriberCount() const
{
    std::lock_guard<std::mutex> lock(m_subscribersMutex);
    return m_subscribers.size();
}

int MidiInputRelay::combinedIgnoreFlags() const
{
    std::lock_guard<std::mutex> lock(m_subscribersMutex);
    if (m_subscribers.empty())
        return MidiIgnoreDefault;
    int flags = MidiIgnoreDefault;
    for (const MidiInputSubscriber *subscriber : m_subscribers)
        flags &= subscriber->subscriberIgnoreFlags();
    return flags;
}

void MidiInputRelay::stop()
{
    m_stop.store(true, std::memory_order_release);
    sem_post(&m_wake);
    if (!m_thread.joinable())
        return;
    if (std::this_thread::get_id() == m_threadId)
        m_thread.detach();
    else
        m_thread.join();
}
