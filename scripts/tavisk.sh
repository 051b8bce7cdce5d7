#!/usr/bin/env bash
# Sets Tavisk up on a Debian 12 machine and builds it.
#   scripts/tavisk.sh run    install what is missing, build, start Tavisk
#   scripts/tavisk.sh test   install what is missing, build, run every test (the
#                            registry layer's also built for Windows, under Wine)
# Environment: BUILD_DIR (default build), TAVISK_WERROR=ON, TAVISK_SANITIZE=ON.
set -euo pipefail

# Every Debian package the build, the program and the tests need.
PACKAGES=(
    build-essential cmake ninja-build pkg-config git
    libsqlite3-dev sqlite3
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6 qt6-qpa-plugins
    libx11-dev libxkbcommon-dev
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    unicode-data shared-mime-info
    xvfb xauth desktop-file-utils libglib2.0-bin libglib2.0-dev libxml2-utils
    python3 python3-gi
    fonts-dejavu-core
    dpkg-dev help2man man-db lintian bash-completion
    g++-mingw-w64-x86-64 wine wine64
)

# Only for fuzzing by hand (scripts/tavisk.sh fuzz): clang and its libFuzzer.
FUZZ_PACKAGES=(clang libclang-rt-14-dev)

root_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${BUILD_DIR:-$root_dir/build}

install_packages() {
    local missing=()
    for p in "${PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

configure_and_build() {
    cmake -S "$root_dir" -B "$build_dir" -G Ninja \
        -DCMAKE_BUILD_TYPE="${CMAKE_BUILD_TYPE:-RelWithDebInfo}" \
        -DTAVISK_WERROR="${TAVISK_WERROR:-OFF}" \
        -DTAVISK_SANITIZE="${TAVISK_SANITIZE:-OFF}"
    cmake --build "$build_dir" -j "$(nproc)"
}

# The registry layer and its contract tests built for Windows with mingw-w64 and
# run under Wine, on Wine's registry, in a prefix the build folder keeps.
test_under_wine() {
    local windows_dir="$build_dir-windows"
    cmake -S "$root_dir" -B "$windows_dir" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$root_dir/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVISK_WERROR="${TAVISK_WERROR:-OFF}"
    cmake --build "$windows_dir" -j "$(nproc)"
    WINEDEBUG=-all ctest --test-dir "$windows_dir" -L wine --output-on-failure -j "$(nproc)"
}

case "${1:-}" in
run)
    install_packages
    configure_and_build
    exec "$build_dir/src/app/tavisk"
    ;;
test)
    install_packages
    configure_and_build
    ctest --test-dir "$build_dir" --output-on-failure -j "$(nproc)" -LE wine
    # The sanitizers cannot follow the cross-built programs into Wine.
    if [ "${TAVISK_SANITIZE:-OFF}" != ON ]; then
        test_under_wine
    fi
    ;;
packages)
    install_packages
    ;;
fuzz)
    # Each libFuzzer harness of tests/fuzz for SECONDS (default 300), one
    # after the other, on a corpus folder of its own under the build folder.
    install_packages "${FUZZ_PACKAGES[@]}"
    fuzz_dir="$build_dir-fuzz"
    cmake -S "$root_dir" -B "$fuzz_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_COMPILER=clang++ -DTAVISK_FUZZ=ON -DTAVISK_BUILD_BENCH=OFF
    targets=$(cmake --build "$fuzz_dir" --target help | sed -n 's/^\([a-z0-9_]*_fuzzer\):.*/\1/p')
    cmake --build "$fuzz_dir" -j "$(nproc)" --target $targets
    for target in $targets; do
        name=${target%_fuzzer}
        mkdir -p "$fuzz_dir/corpus/$name"
        (cd "$fuzz_dir" && "$fuzz_dir/tests/fuzz/$target" -max_total_time="${2:-300}" \
            -max_len=4096 "corpus/$name" "$root_dir/tests/fuzz/corpus/$name")
    done
    ;;
*)
    echo "usage: $0 run|test|packages|fuzz [SECONDS]" >&2
    exit 2
    ;;
esac
