#pragma once

// Marks for ThreadSanitizer where one thread hands memory to another through Qt's own
// synchronisation (QThread::wait(), the event queue): in an uninstrumented Qt those are
// futex-based locks that the sanitizer cannot see. Without the sanitizer they are nothing.
#if defined(__SANITIZE_THREAD__)
#define TESSALY_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TESSALY_THREAD_SANITIZER 1
#endif
#endif

#ifdef TESSALY_THREAD_SANITIZER
#include <sanitizer/tsan_interface.h>
#endif

namespace tessaly {

// Everything this thread did so far happens before what follows a takeOver(token) elsewhere.
inline void handOver([[maybe_unused]] void* token) {
#ifdef TESSALY_THREAD_SANITIZER
    __tsan_release(token);
#endif
}

inline void takeOver([[maybe_unused]] void* token) {
#ifdef TESSALY_THREAD_SANITIZER
    __tsan_acquire(token);
#endif
}

} // namespace tessaly
