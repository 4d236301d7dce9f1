#include "QmdVorma/antlr/NotesTreeShapeMaker.h"

#include <algorithm>

#ifdef __linux__
#include <sched.h>
#endif

namespace {

// Texts per unit of work: large enough that the lock is rare, small enough
// that the taker soon has something to write.
constexpr int ChunkSize = 32;
// How many chunks the workers may be ahead of the taker: the shapes waiting
// meanwhile hold memory.
constexpr int ChunksAhead = 16;
constexpr unsigned MaxWorkers = 7;

// The cores this process may run on: more threads than that only take turns.
unsigned usableCores()
{
#ifdef __linux__
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof(set), &set) == 0)
        return unsigned(CPU_COUNT(&set));
#endif
    return std::thread::hardware_concurrency();
}

} // namespace

NotesTreeShapeMaker::NotesTreeShapeMaker(const QStringList &texts)
    : m_texts(texts),
      m_chunkCount((texts.size() + ChunkSize - 1) / ChunkSize),
      m_shapes(std::size_t(texts.size())),
      m_chunkDone(std::size_t(m_chunkCount), 0)
{
    // The taker works too: a short list is not worth a thread.
    const unsigned cores = usableCores();
    const unsigned workers = std::min({cores > 1 ? cores - 1 : 0u, unsigned(std::max(0, m_chunkCount - 1)),
                                       MaxWorkers});
    m_workers.reserve(workers);
    for (unsigned i = 0; i < workers; ++i)
        m_workers.emplace_back(&NotesTreeShapeMaker::work, this);
}

NotesTreeShapeMaker::~NotesTreeShapeMaker()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    for (std::thread &worker : m_workers)
        worker.join();
}

NotesTreeShape NotesTreeShapeMaker::take(int index)
{
    const int chunk = index / ChunkSize;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (chunk > m_takenChunk) {
            m_takenChunk = chunk;
            m_changed.notify_all(); // room ahead for the workers
        }
        // Rather than wait, the taker makes the next chunk nobody has
        // started: its own when the workers have not reached it, else one
        // the workers would make next.
        while (!m_chunkDone[std::size_t(chunk)]) {
            if (m_nextChunk < m_chunkCount && m_nextChunk < m_takenChunk + ChunksAhead) {
                const int other = m_nextChunk++;
                lock.unlock();
                makeChunk(other);
                lock.lock();
                m_chunkDone[std::size_t(other)] = 1;
                continue;
            }
            m_changed.wait(lock);
        }
    }
    return std::move(m_shapes[std::size_t(index)]);
}

void NotesTreeShapeMaker::work()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] {
            return m_stopping || m_nextChunk >= m_chunkCount || m_nextChunk < m_takenChunk + ChunksAhead;
        });
        if (m_stopping || m_nextChunk >= m_chunkCount)
            return;
        const int chunk = m_nextChunk++;
        lock.unlock();
        makeChunk(chunk);
        lock.lock();
        m_chunkDone[std::size_t(chunk)] = 1;
        m_changed.notify_all();
    }
}

void NotesTreeShapeMaker::makeChunk(int chunk)
{
    const int last = std::min((chunk + 1) * ChunkSize, m_texts.size());
    for (int i = chunk * ChunkSize; i < last; ++i)
        m_shapes[std::size_t(i)] = NotesTreeShape::fromText(m_texts.at(i));
}
