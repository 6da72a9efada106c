#!/usr/bin/env bash
# Builds the Debian package from the built tree build/ (cpack -G DEB), installs
# it with dpkg, checks the installed program, menu entry, icons and polkit
# action from outside the source and build trees, and removes the package
# again, also when a check fails. Needs root; the package's dependencies are
# among what scripts/setup.sh installs, so nothing is fetched.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$PWD/build

if [ "$(id -u)" -ne 0 ]; then
  echo "package: skipped: installing the package needs root"
  exit 0
fi
if dpkg-query -W -f='${Status}' drivecopy 2>/dev/null | grep -q "ok installed"; then
  echo "package: skipped: a drivecopy package is installed on this machine, and the check would remove it"
  exit 0
fi

rm -rf "$build/package"
(cd "$build" && cpack -G DEB -B "$build/package" >"$build/package.log" 2>&1) ||
  { cat "$build/package.log"; exit 1; }
debs=("$build"/package/drivecopy_*.deb)
deb=${debs[0]}
echo "package: built $(basename "$deb") ($(du -k "$deb" | cut -f1) KiB)"

failures=0
check() {  # check DESCRIPTION COMMAND...: runs the command and counts a failure
  local description=$1
  shift
  if "$@"; then
    echo "package: ok: $description"
  else
    echo "package: FAILED: $description"
    failures=$((failures + 1))
  fi
}
contains() { grep -qF -- "$2" <<<"$1"; }

scratch=$(mktemp -d)
remove_package() {
  dpkg --purge drivecopy >/dev/null 2>&1 || true
  rm -rf "$scratch"
}
trap remove_package EXIT

depends=$(dpkg-deb -f "$deb" Depends)
check "depends on Qt, blkid and pkexec: $depends" \
  bash -c 'for p in libqt6widgets6 libblkid1 qt6-qpa-plugins pkexec; do grep -q "$p" <<<"$1" || exit 1; done' _ "$depends"
check "recommends a Japanese font" contains "$(dpkg-deb -f "$deb" Recommends)" fonts-noto-cjk

dpkg -i "$deb" >"$scratch/dpkg.log" 2>&1 || { cat "$scratch/dpkg.log"; exit 1; }
installed_files=$(dpkg -L drivecopy)
check "everything lies under /usr, nothing under /usr/local" \
  bash -c '! grep -vxE "/\.|/usr(/.*)?" <<<"$1" && ! grep "^/usr/local" <<<"$1"' _ "$installed_files"

# Run as a user would, from / and with an empty home, with the trees out of
# reach of the working directory.
listing=$(cd / && env -i PATH=/usr/bin:/bin HOME="$scratch" /usr/bin/drivecopy --machine demo list 2>&1) || true
check "the installed program lists the demo machine" contains "$listing" 'physical drive  \\.\PhysicalDrive0'
check "... with its partitions" contains "$listing" '\\.\PhysicalDrive1#1  sectors 2048 to 524288'
shots=$(cd / && env -i PATH=/usr/bin:/bin HOME="$scratch" QT_QPA_PLATFORM=offscreen \
  /usr/bin/drivecopy --machine demo --screenshots "$scratch/shots" 2>/dev/null) || true
check "the installed program draws its windows" contains "$shots" "$scratch/shots/info-window.png"

entry=/usr/share/applications/drivecopy.desktop
check "menu entry starts the installed program asking for rights" \
  grep -qx 'Exec=/usr/bin/drivecopy --ask-for-rights' "$entry"
if command -v desktop-file-validate >/dev/null; then
  check "desktop-file-validate accepts the menu entry" desktop-file-validate "$entry"
fi
policy=/usr/share/polkit-1/actions/org.talvo.drivecopy.policy
check "polkit action names the installed program" \
  grep -qF '<annotate key="org.freedesktop.policykit.exec.path">/usr/bin/drivecopy</annotate>' "$policy"
if command -v xmllint >/dev/null; then
  check "polkit action is well-formed XML" xmllint --noout "$policy"
fi
check "polkit action lets it open windows" \
  grep -qF '<annotate key="org.freedesktop.policykit.exec.allow_gui">true</annotate>' "$policy"
for size in 16 32 48 256; do
  icon=/usr/share/icons/hicolor/${size}x${size}/apps/drivecopy.png
  check "icon ${size}x${size}" contains "$(file "$icon")" "PNG image data, $size x $size"
done

dpkg -r drivecopy >/dev/null
check "removing the package takes the program away" test ! -e /usr/bin/drivecopy
check "... and the menu entry" test ! -e "$entry"

if ((failures)); then
  echo "package: $failures checks failed"
  exit 1
fi
