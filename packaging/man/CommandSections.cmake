# Writes a help2man include with a COMMANDS section: one subsection per command
# of PROGRAM, made from the program's own "PROGRAM COMMAND --help", so that the
# manual page says what the program says.
#   cmake -DPROGRAM=path/to/tavisk-reg -DOUTPUT=commands.h2m -P CommandSections.cmake

# Text as roff reads it literally: backslashes, minus signs, and lines that
# would start with a control character.
function(roff_text out text)
    string(REPLACE "\\" "\\e" text "${text}")
    string(REPLACE "-" "\\-" text "${text}")
    string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

execute_process(COMMAND ${PROGRAM} --help
                OUTPUT_VARIABLE usage RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} --help failed: ${result}")
endif()
get_filename_component(name ${PROGRAM} NAME)
# The usage lists the commands as "  NAME COMMAND ARGUMENTS".
string(REGEX MATCHALL "\n  ${name} [a-z-]+" listed "${usage}")

set(page "[COMMANDS]\n")
foreach(entry ${listed})
    string(REGEX REPLACE ".* " "" command "${entry}")
    execute_process(COMMAND ${PROGRAM} ${command} --help
                    OUTPUT_VARIABLE help RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${PROGRAM} ${command} --help failed: ${result}")
    endif()
    # The first line is the synopsis, the heading here; the text runs to the
    # --help line, which every command shares, as it does the key names' rules
    # after it, which the page says once.
    string(FIND "${help}" "\n" end)
    string(SUBSTRING "${help}" 0 ${end} synopsis)
    string(SUBSTRING "${help}" ${end} -1 body)
    string(FIND "${body}" "\n  -h, --help" end)
    string(SUBSTRING "${body}" 0 ${end} body)
    string(REGEX REPLACE "^Usage: " "" synopsis "${synopsis}")
    string(STRIP "${body}" body)
    roff_text(synopsis "${synopsis}")
    roff_text(body "${body}")
    string(APPEND page ".SS \"${synopsis}\"\n.nf\n${body}\n.fi\n")
endforeach()
if(NOT listed)
    message(FATAL_ERROR "${PROGRAM} --help lists no commands")
endif()
file(WRITE ${OUTPUT} "${page}")
