#ifndef QMDVORMA_PLAYBACK_SYNCTIMINGLISTENER_H
#define QMDVORMA_PLAYBACK_SYNCTIMINGLISTENER_H

class AbstractSync;

// Told, on the thread that changed the clock, whenever the relation between
// real time and clock position changes: tempo or ratio, start, stop, rewind.
// A thread sleeping until a tick is due uses it to compute its wake-up
// again. Calls come with the clock's listener mutex held and no clock lock:
// keep them short and call nothing of the clock from them.
class SyncTimingListener
{
public:
    virtual ~SyncTimingListener() = default;

    virtual void syncTimingChanged() = 0;
    // The clock is being destroyed; it must no longer be used.
    virtual void syncDestroyed(AbstractSync *sync) = 0;
};

#endif
