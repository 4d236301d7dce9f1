#include "midi/PriorityInheritanceMutex.h"

#include <cerrno>
#include <system_error>

namespace {

void check(int error, const char *what)
{
    if (error != 0)
        throw std::system_error(error, std::generic_category(), what);
}

} // namespace

PriorityInheritanceMutex::PriorityInheritanceMutex(Kind kind)
{
    pthread_mutexattr_t attributes;
    check(pthread_mutexattr_init(&attributes), "pthread_mutexattr_init");
    check(pthread_mutexattr_setprotocol(&attributes, PTHREAD_PRIO_INHERIT), "pthread_mutexattr_setprotocol");
    check(pthread_mutexattr_settype(&attributes, kind == Recursive ? PTHREAD_MUTEX_RECURSIVE : PTHREAD_MUTEX_NORMAL),
          "pthread_mutexattr_settype");
    const int error = pthread_mutex_init(&m_mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
    check(error, "pthread_mutex_init");
}

PriorityInheritanceMutex::~PriorityInheritanceMutex()
{
    pthread_mutex_destroy(&m_mutex);
}

void PriorityInheritanceMutex::lock()
{
    check(pthread_mutex_lock(&m_mutex), "pthread_mutex_lock");
}

bool PriorityInheritanceMutex::try_lock()
{
    const int error = pthread_mutex_trylock(&m_mutex);
    if (error == EBUSY)
        return false;
    check(error, "pthread_mutex_trylock");
    return true;
}

void PriorityInheritanceMutex::unlock()
{
    pthread_mutex_unlock(&m_mutex);
}
