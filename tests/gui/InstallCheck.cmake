# Installs the build under PREFIX and checks what landed there.
# -DBUILD_DIR -DPREFIX -DBIN_DIR -DDATA_DIR -DHELP_DIR -DVALIDATE -DHELP_TEST
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(entry ${PREFIX}/${DATA_DIR}/applications/tavisk.desktop)
foreach(file
        ${BIN_DIR}/tavisk ${BIN_DIR}/tavisk-reg ${BIN_DIR}/tavisk-shell
        ${HELP_DIR}/index.html ${HELP_DIR}/style.css
        ${DATA_DIR}/icons/hicolor/scalable/apps/tavisk.svg
        ${DATA_DIR}/applications/tavisk.desktop)
    if(NOT EXISTS ${PREFIX}/${file})
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()

# The desktop entry runs the installed program and shows the installed icon.
file(STRINGS ${entry} exec REGEX "^Exec=")
if(NOT exec STREQUAL "Exec=${PREFIX}/${BIN_DIR}/tavisk")
    message(FATAL_ERROR "the desktop entry runs '${exec}', not the installed program")
endif()
file(STRINGS ${entry} icon REGEX "^Icon=")
if(NOT icon STREQUAL "Icon=tavisk")
    message(FATAL_ERROR "the desktop entry shows '${icon}'")
endif()
if(VALIDATE)
    execute_process(COMMAND ${VALIDATE} ${entry} RESULT_VARIABLE result
                    OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT result EQUAL 0 OR NOT out STREQUAL "")
        message(FATAL_ERROR "desktop-file-validate: ${out}")
    endif()
endif()

# The installed program finds the installed guide.
execute_process(COMMAND ${CMAKE_COMMAND} -E env TAVISK_INSTALLED_PREFIX=${PREFIX}
                        ${HELP_TEST} installedGuideIsFound
                RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT result EQUAL 0 OR out MATCHES "SKIP")
    message(FATAL_ERROR "the installed guide was not found:\n${out}")
endif()
file(REMOVE_RECURSE ${PREFIX})
