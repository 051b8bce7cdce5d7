// The registry API over the process's store. Each function takes the
// process-wide lock, finds the store (opening the default one on first use)
// and hands the call to it; without a store every call fails with ERROR_BADDB.
#include "StandInRegistry.h"

#include "StoreAccess.h"

using tavisk::registry::detail::currentStore;
using tavisk::registry::detail::openedStore;
using tavisk::registry::detail::Store;
using tavisk::registry::detail::storeMutex;

namespace {

template <class Call> LONG withStore(Call&& call) {
    std::lock_guard lock(storeMutex());
    Store* store = currentStore();
    return store ? call(*store) : ERROR_BADDB;
}

void clearHandle(PHKEY result) {
    if (result) {
        *result = nullptr;
    }
}

} // namespace

LONG RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
    clearHandle(phkResult);
    return withStore([&](Store& store) {
        return store.openKey(hKey, lpSubKey, MAXIMUM_ALLOWED, true, phkResult);
    });
}

LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                   PHKEY phkResult) {
    clearHandle(phkResult);
    (void)ulOptions;
    return withStore(
        [&](Store& store) { return store.openKey(hKey, lpSubKey, samDesired, false, phkResult); });
}

LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                      LPBYTE lpData, LPDWORD lpcbData) {
    if (lpReserved) {
        return ERROR_INVALID_PARAMETER;
    }
    return withStore([&](Store& store) {
        return store.queryValue(hKey, lpValueName, lpType, lpData, lpcbData);
    });
}

LONG RegEnumKeyA(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD cchName) {
    return withStore([&](Store& store) { return store.enumKey(hKey, dwIndex, lpName, cchName); });
}

LONG RegCreateKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
    clearHandle(phkResult);
    return withStore([&](Store& store) { return store.createKey(hKey, lpSubKey, phkResult); });
}

LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                    DWORD cbData) {
    (void)Reserved;
    return withStore(
        [&](Store& store) { return store.setValue(hKey, lpValueName, dwType, lpData, cbData); });
}

LONG RegFlushKey(HKEY hKey) {
    return withStore([&](Store& store) { return store.flushKey(hKey); });
}

LONG RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
    return withStore([&](Store& store) { return store.deleteKey(hKey, lpSubKey); });
}

LONG RegCloseKey(HKEY hKey) {
    std::lock_guard lock(storeMutex());
    if (Store* store = openedStore()) {
        return store->closeKey(hKey);
    }
    return Store::predefinedKey(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                   LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
    if (lpReserved) {
        return ERROR_INVALID_PARAMETER;
    }
    return withStore([&](Store& store) {
        return store.enumValue(hKey, dwIndex, lpValueName, lpcchValueName, lpType, lpData,
                               lpcbData);
    });
}

LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
    return withStore([&](Store& store) { return store.deleteValue(hKey, lpValueName); });
}
