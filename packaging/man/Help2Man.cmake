# Runs help2man on PROGRAM and writes OUTPUT, then keeps a command list as the
# program prints it: help2man fills the lines of a list without a description
# column ("  tavisk-reg query KEY ...") into one paragraph, so such a list is
# set line by line, in roman, after the fact.
#   cmake -DHELP2MAN=... -DPROGRAM=... -DSUMMARY=... -DOUTPUT=... "-DINCLUDES=a;b"
#         -P Help2Man.cmake
set(includes)
foreach(include ${INCLUDES})
    list(APPEND includes --include=${include})
endforeach()
execute_process(
    COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8
            ${HELP2MAN} --no-info --section=1 --name=${SUMMARY} ${includes}
            --output=${OUTPUT} ${PROGRAM}
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "help2man ${PROGRAM} failed: ${result}")
endif()

file(READ ${OUTPUT} page)
set(list_start ".SS \"Commands:\"\n.IP\n")
string(FIND "${page}" "${list_start}" start)
if(start GREATER_EQUAL 0)
    string(LENGTH "${list_start}" length)
    math(EXPR start "${start} + ${length}")
    string(SUBSTRING "${page}" 0 ${start} before)
    string(SUBSTRING "${page}" ${start} -1 rest)
    string(FIND "${rest}" "\n." end)
    string(SUBSTRING "${rest}" 0 ${end} list)
    string(SUBSTRING "${rest}" ${end} -1 after)
    # help2man's font changes, meant for options in running text.
    string(REGEX REPLACE "\\\\f[BIRP]|\\\\[,/]" "" list "${list}")
    string(REGEX REPLACE "\\.IP\n$" "" before "${before}")
    file(WRITE ${OUTPUT} "${before}.nf\n${list}\n.fi${after}")
endif()
