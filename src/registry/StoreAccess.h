#pragma once
// The process's one store, for the registry API's functions. Every use holds
// the process-wide lock for the whole call.
#include "Store.h"

#include <mutex>

namespace tavisk::registry::detail {

std::recursive_mutex& storeMutex();

/// The open store, opening the default one on first use; nothing when no store
/// can be opened. The caller holds storeMutex().
Store* currentStore();

/// The open store without opening one.
Store* openedStore();

} // namespace tavisk::registry::detail
