# The Debian package: `cmake --build build-release --target package` writes
# tavisk_<version>_amd64.deb, holding under /usr what `cmake --install` installs.
# Its library dependencies come from the binaries (dpkg-shlibdeps); the MIME
# database, which the programs read for the file types, is named by hand.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavisk)
set(CPACK_PACKAGE_VENDOR Quorvane)
set(CPACK_PACKAGE_CONTACT "Tavisk <support@tavisk.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "add entries of your own to the right-click menu of files")
set(CPACK_PACKAGE_DESCRIPTION "\
Tavisk lets you define applications, each a menu caption and an executable,
and tick the file types each one belongs to. For every file type it writes a
shell verb into its own registry store, an SQLite file in your home folder,
marked as its own so that it only ever removes what it created, and turns the
verb into the menu entries the file managers read: Open With in every
freedesktop file manager, Nemo actions, Dolphin service menus, Thunar custom
actions, and Caja and PCManFM-Qt actions.

Besides the window, tavisk, the package holds two console tools: tavisk-reg
queries, changes, exports and imports the registry store, and tavisk-shell
writes, lists and removes the file managers' entries.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Folders the package makes are 0755 whatever the umask of the build.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS shared-mime-info)

include(CPack)
