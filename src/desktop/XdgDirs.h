#pragma once
// The user's and the system's base folders, as the XDG base directory rules
// name them, the places each file manager reads its entries from, and where
// programs and running processes are looked up.
#include <string>
#include <vector>

namespace tavisk::desktop {

struct XdgDirs {
    std::string dataHome;                ///< $XDG_DATA_HOME, else ~/.local/share
    std::string configHome;              ///< $XDG_CONFIG_HOME, else ~/.config
    std::vector<std::string> dataDirs;   ///< $XDG_DATA_DIRS, else /usr/local/share:/usr/share
    std::vector<std::string> configDirs; ///< $XDG_CONFIG_DIRS, else /etc/xdg
    std::vector<std::string> desktops;   ///< $XDG_CURRENT_DESKTOP, lower-cased
    std::vector<std::string> path;       ///< $PATH, else /usr/local/bin:/usr/bin:/bin
    std::string procRoot = "/proc";      ///< where this user's processes are found
    /// The library folders of the prefixes whose data folders dataDirs names
    /// (/usr/share gives /usr/lib/<multiarch> and /usr/lib): where file
    /// managers' extension modules are installed.
    std::vector<std::string> libDirs;

    /// The folders as the environment names them now. Relative paths are
    /// ignored, as the rules require.
    static XdgDirs fromEnvironment();

    std::string applicationsDir() const { return dataHome + "/applications"; }
    std::string nemoActionsDir() const { return dataHome + "/nemo/actions"; }
    std::string serviceMenusDir() const { return dataHome + "/kio/servicemenus"; }
    std::string fileManagerActionsDir() const { return dataHome + "/file-manager/actions"; }
    std::string thunarActionsFile() const { return configHome + "/Thunar/uca.xml"; }
    std::string mimeAppsFile() const { return configHome + "/mimeapps.list"; }
    /// Where nautilus-python loads the user's extensions from.
    std::string nautilusExtensionsDir() const { return dataHome + "/nautilus-python/extensions"; }
    /// Where the bridge keeps its lock.
    std::string lockFile() const { return dataHome + "/tavisk/desktop-bridge.lock"; }
    /// Where the bridge keeps what its last full sync left in each file.
    std::string stateFile() const { return dataHome + "/tavisk/desktop-bridge.state"; }
};

} // namespace tavisk::desktop
