// SPDX-License-Identifier: GPL-3.0-or-later
// The manager library's one export. All calls are serialised: the library
// may be used by more than one connection in a process.

#include "platform/SaneManager.h"

#include <mutex>
#include <new>

using namespace vestiscop::scanner;

namespace {

std::mutex& entryLock()
{
    static std::mutex lock;
    return lock;
}

vestiscop::platform::SaneManager& manager()
{
    static vestiscop::platform::SaneManager instance;
    return instance;
}

} // namespace

extern "C" __attribute__((visibility("default"))) TW_UINT16 DSM_Entry(TW_IDENTITY* origin, TW_IDENTITY* destination,
                                                                      TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg,
                                                                      TW_MEMREF data)
{
    std::lock_guard<std::mutex> guard(entryLock());
    try {
        return manager().entry(origin, destination, group, dat, msg, data);
    } catch (...) {
        // Nothing may unwind into the application through a C entry point.
        return TWRC_FAILURE;
    }
}
