# The registry tests of a Windows build: the contract tests, built against the
# platform's registry API, with a ScratchRegistry that works below a key of its
# own. Built here with the cross compiler, they run under Wine (CTest label
# "wine") in a Wine prefix kept in the build folder.

# Debian ships GoogleTest as sources, which the cross compiler builds.
set(TAVISK_GOOGLETEST_SOURCE /usr/src/googletest
    CACHE PATH "GoogleTest's sources, for targets without a GoogleTest of their own")
if(NOT TARGET GTest::gtest_main)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(${TAVISK_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()

add_executable(tavisk_registry_contract_tests
    ${registry_contract_sources}
    ScratchRegistryWindows.cpp
)
target_link_libraries(tavisk_registry_contract_tests PRIVATE
    tavisk_build tavisk_registry GTest::gtest GTest::gtest_main)

include(GoogleTest)
if(CMAKE_HOST_WIN32)
    gtest_discover_tests(tavisk_registry_contract_tests PROPERTIES LABELS registry)
    return()
endif()

find_program(TAVISK_WINE wine)
find_program(TAVISK_WINEBOOT wineboot)
find_program(TAVISK_WINESERVER wineserver)
if(NOT TAVISK_WINE OR NOT TAVISK_WINEBOOT OR NOT TAVISK_WINESERVER)
    message(STATUS "Wine not found: the Windows registry tests are built but not run")
    return()
endif()

# Every run goes through this script: it makes the prefix on first use (once,
# under a lock, without Mono or Gecko prompts and without a display) and then
# runs the program in it.
set(wine_folder ${CMAKE_BINARY_DIR}/wine)
set(wine_runner ${wine_folder}/run-under-wine)
file(CONFIGURE OUTPUT ${wine_runner} @ONLY CONTENT [=[
#!/bin/sh
# Runs a Windows program under Wine, in this build's own prefix.
set -e
export WINEPREFIX='@wine_folder@/prefix'
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
unset DISPLAY WAYLAND_DISPLAY
if [ ! -e "$WINEPREFIX/.tavisk-ready" ]; then
    exec 9>'@wine_folder@/prefix.lock'
    flock 9
    if [ ! -e "$WINEPREFIX/.tavisk-ready" ]; then
        rm -rf "$WINEPREFIX"
        if ! '@TAVISK_WINEBOOT@' -i >'@wine_folder@/wineboot.log' 2>&1 ||
           ! '@TAVISK_WINESERVER@' -w; then
            echo "run-under-wine: wineboot failed:" >&2
            cat '@wine_folder@/wineboot.log' >&2
            exit 1
        fi
        touch "$WINEPREFIX/.tavisk-ready"
    fi
    exec 9>&-
fi
exec '@TAVISK_WINE@' "$@"
]=])
file(CHMOD ${wine_runner} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
     GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set_target_properties(tavisk_registry_contract_tests PROPERTIES CROSSCOMPILING_EMULATOR
                                                                ${wine_runner})
gtest_discover_tests(tavisk_registry_contract_tests
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 300
    TEST_PREFIX wine.
    PROPERTIES LABELS wine TIMEOUT 300)
