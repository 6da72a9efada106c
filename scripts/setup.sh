#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (only those that
# are missing, so it is safe to run again), then configures and builds
# everything into build/.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake ninja-build g++ pkg-config          # build
  zlib1g-dev libdeflate-dev libblkid-dev nlohmann-json3-dev  # core, Linux backend, JSON
  libgtest-dev libgmock-dev                  # tests
  libfuse3-dev fuse3                         # fault-injecting device files in tests
  util-linux mount fdisk e2fsprogs dosfstools # loop devices, partition tables, file systems in tests
  btrfs-progs                                # a mounted btrfs as a destination in the guard tests
  fuse2fs                                    # a file system mounted from a regular file by FUSE (guard tests)
  clang-14 libclang-rt-14-dev                # fuzzing the image readers (fuzz/run.sh)
  pigz time                                  # benchmarks: the tool we race, peak memory (bench/run.sh)
  qt6-base-dev qt6-qpa-plugins libqt6test6   # desktop application and its tests (offscreen platform)
  qt6-translations-l10n                      # Qt's own dialog texts in the program's language
  fonts-dejavu-core fonts-noto-cjk fonts-ipafont-gothic  # Latin and Japanese text (with bold) in the windows
  xvfb openbox x11-utils                     # the windows under a real X server and window manager (tests)
  dpkg-dev                                   # the Debian package's library dependencies (cpack)
  file desktop-file-utils libxml2-utils      # checks of the installed package
  pkexec                                     # what the package depends on, so that it installs offline
  mingw-w64 g++-mingw-w64-x86-64-posix libz-mingw-w64-dev googletest  # the Windows build (cross-compiled)
  wine64                                     # running the Windows build and its tests
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  as_root=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "setup: need root (or sudo) to install: ${missing[*]}" >&2; exit 1; }
    as_root=(sudo)
  fi
  "${as_root[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
