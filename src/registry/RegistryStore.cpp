#include "RegistryStore.h"

#include "StoreAccess.h"

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <pwd.h>
#include <unistd.h>

namespace tavisk::registry {
namespace {

std::unique_ptr<detail::Store> g_store;
/// Set when the process has no store on purpose or by failure: the registry
/// API then does not open the default store behind the caller's back.
std::optional<OpenResult> g_failure;
ChangeListener g_listener;

std::string homeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) {
        return home;
    }
    const passwd* entry = ::getpwuid(::getuid());
    return entry && entry->pw_dir ? entry->pw_dir : "";
}

} // namespace

namespace detail {

std::recursive_mutex& storeMutex() {
    static std::recursive_mutex mutex;
    return mutex;
}

Store* openedStore() {
    return g_store.get();
}

Store* currentStore() {
    if (!g_store && !g_failure) {
        const OpenResult result = openDefaultStore();
        if (!result.ok()) {
            std::fprintf(stderr, "tavisk: %s\n", result.message.c_str());
        }
    }
    return g_store.get();
}

} // namespace detail

std::string defaultStorePath() {
    if (const char* path = std::getenv("TAVISK_REGISTRY"); path && *path) {
        return path;
    }
    // A relative XDG_DATA_HOME is invalid and ignored, as the base-directory rules say.
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const std::string base =
        dataHome && dataHome[0] == '/' ? std::string(dataHome) : homeFolder() + "/.local/share";
    return base + "/tavisk/registry.db";
}

OpenResult openStore(const std::string& path) {
    std::lock_guard lock(detail::storeMutex());
    if (g_store && g_store->inUse()) {
        return {OpenStatus::Failed, path,
                "The registry store cannot be changed while a transaction or a change notice "
                "is under way."};
    }
    g_store.reset();
    std::unique_ptr<detail::Store> store;
    OpenResult result = detail::Store::open(path, store);
    if (store) {
        store->setChangeListener(g_listener);
        g_store = std::move(store);
        g_failure.reset();
    } else {
        g_failure = result;
    }
    return result;
}

OpenResult openDefaultStore() {
    return openStore(defaultStorePath());
}

void closeStore() {
    std::lock_guard lock(detail::storeMutex());
    if (g_store && g_store->inUse()) {
        return;
    }
    g_store.reset();
    g_failure.reset();
}

bool storeIsReadOnly() {
    std::lock_guard lock(detail::storeMutex());
    const detail::Store* store = detail::currentStore();
    return store && store->readOnly();
}

std::size_t openHandleCount() {
    std::lock_guard lock(detail::storeMutex());
    const detail::Store* store = detail::openedStore();
    return store ? store->handleCount() : 0;
}

bool runInTransaction(const std::function<bool()>& body, std::string* error) {
    std::lock_guard lock(detail::storeMutex());
    detail::Store* store = detail::currentStore();
    if (!store) {
        if (error) {
            *error = g_failure ? g_failure->message : "No registry store is open.";
        }
        return false;
    }
    return store->runInTransaction(body, error);
}

void setChangeListener(ChangeListener listener) {
    std::lock_guard lock(detail::storeMutex());
    g_listener = std::move(listener);
    if (g_store) {
        g_store->setChangeListener(g_listener);
    }
}

} // namespace tavisk::registry
