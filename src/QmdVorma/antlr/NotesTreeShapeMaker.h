#ifndef QMDVORMA_ANTLR_NOTESTREESHAPEMAKER_H
#define QMDVORMA_ANTLR_NOTESTREESHAPEMAKER_H

#include "QmdVorma/antlr/NotesTreeShape.h"

#include <QStringList>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

// Makes the shapes of many notes texts on worker threads, a bounded stretch
// ahead of the thread that takes them, and hands them out in text order.
// A load parses thousands of texts this way while its own thread writes the
// trees. Rather than wait, the taking thread parses texts too, so it never
// waits on a thread that has not started.
class NotesTreeShapeMaker
{
public:
    explicit NotesTreeShapeMaker(const QStringList &texts);
    // Stops the workers and waits for them.
    ~NotesTreeShapeMaker();

    NotesTreeShapeMaker(const NotesTreeShapeMaker &) = delete;
    NotesTreeShapeMaker &operator=(const NotesTreeShapeMaker &) = delete;

    // The shape of texts[index], once made. Shapes are taken in ascending
    // order, each once.
    NotesTreeShape take(int index);

private:
    void work();
    void makeChunk(int chunk);

    const QStringList m_texts;
    const int m_chunkCount;
    // Written by whoever makes a chunk, read by the taker once it is done.
    std::vector<NotesTreeShape> m_shapes;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<char> m_chunkDone;
    int m_nextChunk = 0;  // the first chunk nobody has started
    int m_takenChunk = 0; // the chunk the taker is at
    bool m_stopping = false;

    std::vector<std::thread> m_workers;
};

#endif
