#pragma once
// The store's file: where it lives, how a new one is made, and how a file is
// recognised as a store of ours before anything touches it.
#include "RegistryStore.h"
#include "SqliteDb.h"

#include <string>

namespace tavisk::registry::detail {

/// Marks the file as ours (the database header's application id, "TAVR").
constexpr std::int64_t ApplicationId = 0x54415652;
/// The layout of the tables; a file with a higher number is refused.
constexpr std::int64_t SchemaVersion = 1;

/// Row ids of the keys every store has.
constexpr std::int64_t LocalMachineId = 1;
constexpr std::int64_t CurrentUserId = 2;
constexpr std::int64_t SoftwareId = 3;
constexpr std::int64_t ClassesId = 4;

/// How long a call waits for another process's lock before it gives up.
constexpr int BusyTimeoutMs = 5000;

/// A connection to a checked store file, or the reason there is none.
struct OpenedFile {
    OpenResult result;
    Connection connection;
};

/// Opens the store at path, creating it (and its folders) when it does not
/// exist. A file that is not a store of ours is refused without being
/// changed; one this process may not write is opened read-only.
OpenedFile openStoreFile(const std::string& path);

} // namespace tavisk::registry::detail
