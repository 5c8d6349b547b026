// SPDX-License-Identifier: GPL-3.0-or-later
// SANE's worker threads (the test device's reader among them) ask for
// asynchronous cancellation. A cancel that lands while such a thread is
// inside a sanitizer's runtime (in a free(), say) unwinds it there, with the
// runtime's own lock held, and the unwinder then waits for that lock for
// ever: a scan that never ends, seen under ThreadSanitizer on Debian 13. The
// SANE test programs export this definition, so SANE's requests reach it
// instead of the C library's, and make them deferred: the worker is still
// cancelled, at its next cancellation point (its pipe writes). The program
// itself is not built with it.

#include <dlfcn.h>
#include <pthread.h>

extern "C" int pthread_setcanceltype(int /*type*/, int* oldType) noexcept
{
    using Function = int (*)(int, int*);
    static const auto next = reinterpret_cast<Function>(dlsym(RTLD_NEXT, "pthread_setcanceltype"));
    return next ? next(PTHREAD_CANCEL_DEFERRED, oldType) : 0;
}
