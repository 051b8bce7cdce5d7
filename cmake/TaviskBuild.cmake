# Shared compile settings: every target links tavisk_build.
add_library(tavisk_build INTERFACE)
target_compile_features(tavisk_build INTERFACE cxx_std_20)
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(tavisk_build INTERFACE -Wall -Wextra -Wpedantic -Wshadow)
    if(TAVISK_WERROR)
        target_compile_options(tavisk_build INTERFACE -Werror)
    endif()
    if(TAVISK_SANITIZE)
        target_compile_options(tavisk_build INTERFACE -fsanitize=address,undefined
                                                      -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
        target_link_options(tavisk_build INTERFACE -fsanitize=address,undefined)
    endif()
endif()
if(TAVISK_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "TAVISK_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++")
    endif()
    # Everything is instrumented for libFuzzer's coverage and checked by the
    # sanitizers; only the fuzz programs link libFuzzer's main.
    target_compile_options(tavisk_build INTERFACE -fsanitize=fuzzer-no-link,address,undefined
                                                  -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(tavisk_build INTERFACE -fsanitize=address,undefined)
endif()
