#!/usr/bin/env bash
# Speed and memory of the three jobs, side by side with the tools a user
# would take instead, on the same data in one run (ratios, not absolute
# times, are what we compare across machines):
#   raw create      drivecopy create --compression raw  vs  dd if=DEV of=FILE bs=64K conv=fsync
#   raw restore     drivecopy restore RAW-IMAGE DEV     vs  dd if=FILE of=DEV bs=64K conv=fsync
#   clone           drivecopy clone DEV DEV2            vs  dd if=DEV of=DEV2 bs=64K conv=fsync
#   headed create   drivecopy create --compression medium  vs  pigz -6 -p 2 (and fsync)
#   headed restore  drivecopy restore HEADED-IMAGE DEV  vs  our raw restore
# The source is a 1 GiB disk with an MBR partition holding ext4 filled with
# up to ~850 MB of this machine's /usr/lib and /usr/share, built once and
# kept in BENCH_CACHE (default /var/tmp/drivecopy-bench). Both disks are
# loop devices this script attaches; it writes to none but its own second
# loop device. Page caches are dropped before every timed run. Each job
# runs BENCH_REPEAT times (default 3); the median counts.
# Needs root. Usage: bench/run.sh [PATH-TO-DRIVECOPY]   (default build/src/drivecopy)
# BENCH_PREPARE_ONLY=1 builds the source disk and stops.
set -euo pipefail
cd "$(dirname "$0")/.."
program=$(realpath "${1:-build/src/drivecopy}")
cache=${BENCH_CACHE:-/var/tmp/drivecopy-bench}
repeat=${BENCH_REPEAT:-3}
disk_bytes=$((1024 * 1024 * 1024))
fill_limit=$((850 * 1000 * 1000))

[ "$(id -u)" -eq 0 ] || { echo "bench: needs root (loop devices, dropping caches)" >&2; exit 1; }
for tool in losetup sfdisk mkfs.ext4 pigz dd /usr/bin/time cmp; do
  command -v "$tool" >/dev/null || { echo "bench: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done
[ -x "$program" ] || { echo "bench: no program at $program" >&2; exit 1; }

mkdir -p "$cache"
work=$(mktemp -d "$cache/run.XXXXXX")
attached=()   # loop devices we attached, detached on exit
mounted=()
cleanup() {
  local m d
  for m in "${mounted[@]}"; do umount "$m" 2>/dev/null || true; done
  for d in "${attached[@]}"; do losetup -d "$d" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# attach FILE [--read-only]: a new loop device over FILE (partition
# scanning on), its path left in $device.
attach() {
  device=$(losetup --find --show --partscan ${2:-} "$1")
  attached+=("$device")
}

# Refuses to go on unless DEVICE is a loop device backed by FILE, i.e. ours.
require_own_loop() {
  local device=$1 file=$2 backing
  backing=$(losetup --noheadings --output BACK-FILE "$device" 2>/dev/null | sed 's/ *$//')
  [ "$backing" = "$(realpath "$file")" ] || { echo "bench: $device is not our loop device over $file" >&2; exit 1; }
}

# The source disk, made once: MBR, one Linux partition, ext4 with real files.
source_disk=$cache/source-disk.img
if [ ! -f "$cache/source-disk.ready" ]; then
  echo "bench: building the source disk in $source_disk (once)"
  rm -f "$source_disk"
  truncate -s "$disk_bytes" "$source_disk"
  echo 'label: dos
start=2048, type=83' | sfdisk --quiet "$source_disk"
  attach "$source_disk"
  require_own_loop "$device" "$source_disk"
  for _ in $(seq 50); do
    [ -b "${device}p1" ] && break
    # Without udev the kernel may need telling about the partition.
    partx -a "$device" 2>/dev/null || true
    sleep 0.1
  done
  mkfs.ext4 -q -L bench "${device}p1"
  mkdir -p "$work/fill"
  mount "${device}p1" "$work/fill"
  mounted+=("$work/fill")
  # A fixed mixed order of files (libraries, data, text), counted in 4 KiB blocks.
  { find /usr/lib /usr/share -xdev -type f -printf '%s\t%p\n' 2>/dev/null || true; } |
    sort -R --random-source=<(yes) >"$work/all-files"
  awk -F'\t' -v limit="$fill_limit" '{ used += int(($1 + 4095) / 4096) * 4096; if (used > limit) exit; print $2 }' \
    "$work/all-files" >"$cache/source-files"
  tar -cf - --files-from="$cache/source-files" 2>/dev/null | tar -xf - -C "$work/fill"
  df -h "$work/fill" | tail -1
  umount "$work/fill" && mounted=()
  losetup -d "$device" && attached=()
  touch "$cache/source-disk.ready"
fi
[ "${BENCH_PREPARE_ONLY:-0}" = 1 ] && exit 0

destination_file=$work/destination-disk.img
truncate -s "$disk_bytes" "$destination_file"
attach "$source_disk" --read-only
source=$device
attach "$destination_file"
destination=$device
require_own_loop "$source" "$source_disk"
require_own_loop "$destination" "$destination_file"
echo "bench: source $source (read-only), destination $destination; $repeat runs each"

drop_caches() { sync; echo 3 >/proc/sys/vm/drop_caches; }

# measure NAME COMMAND...: runs the command $repeat times from cold caches;
# records the median wall time and the largest peak resident memory.
declare -A seconds memory
measure() {
  local name=$1 run times=() peak=0
  shift
  for run in $(seq "$repeat"); do
    drop_caches
    if ! /usr/bin/time -f '%e %M' -o "$work/time" "$@" >"$work/output" 2>&1; then
      echo "bench: $name failed:" >&2
      cat "$work/output" >&2
      exit 1
    fi
    read -r elapsed kilobytes <"$work/time"
    times+=("$elapsed")
    ((kilobytes > peak)) && peak=$kilobytes
  done
  seconds[$name]=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((repeat + 1) / 2))p")
  memory[$name]=$peak
  printf 'bench: %-22s %7.2f s  (runs: %s)  peak %d MB\n' "$name" "${seconds[$name]}" "${times[*]}" $((peak / 1024))
}

# same_content A B: the destination holds exactly the source's bytes.
same_content() { cmp -s "$1" "$2" || { echo "bench: $2 differs from $1 after $3" >&2; exit 1; }; }

ours_raw=$work/ours-raw.img
ours_medium=$work/ours-medium.img
dd_image=$work/dd.img
pigz_image=$work/pigz.gz

measure "ours raw create" "$program" create "$source" "$ours_raw" --compression raw --yes
measure "dd create" dd if="$source" of="$dd_image" bs=64K conv=fsync
same_content "$source" "$ours_raw" "raw create"

measure "ours raw restore" "$program" restore "$ours_raw" "$destination" --yes
same_content "$source" "$destination" "raw restore"
measure "dd restore" dd if="$dd_image" of="$destination" bs=64K conv=fsync

blkdiscard "$destination" 2>/dev/null || dd if=/dev/zero of="$destination" bs=1M count=1 conv=fsync status=none
measure "ours clone" "$program" clone "$source" "$destination" --yes
same_content "$source" "$destination" "clone"
measure "dd clone" dd if="$source" of="$destination" bs=64K conv=fsync

measure "ours medium create" "$program" create "$source" "$ours_medium" --compression medium --yes
measure "pigz -6 -p 2" sh -c 'pigz -6 -p 2 <"$1" >"$2" && sync "$2"' pigz "$source" "$pigz_image"

blkdiscard "$destination" 2>/dev/null || dd if=/dev/zero of="$destination" bs=1M count=1 conv=fsync status=none
measure "ours medium restore" "$program" restore "$ours_medium" "$destination" --yes
same_content "$source" "$destination" "headed restore"

ratio() { awk -v a="${seconds[$1]}" -v b="${seconds[$2]}" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
verdict() { awk -v r="$1" -v g="$2" 'BEGIN { print (r <= g ? "met" : "NOT met") }'; }
mb() { echo $(( ${memory[$1]} / 1024 )); }
row() {  # row JOB OURS THEIRS GOAL
  local r
  r=$(ratio "$2" "$3")
  printf '| %s | %.2f s | %s: %.2f s | %s | %s MB / %s MB | ≤ %s×: %s |\n' "$1" "${seconds[$2]}" "$3" "${seconds[$3]}" \
    "$r" "$(mb "$2")" "$(mb "$3")" "$4" "$(verdict "$r" "$4")"
}

echo
echo "Source: 1 GiB disk, ext4 partition with $(wc -l <"$cache/source-files") files;" \
  "image sizes: raw $(($(stat -c %s "$ours_raw") / 1048576)) MiB, medium $(($(stat -c %s "$ours_medium") / 1048576)) MiB," \
  "pigz $(($(stat -c %s "$pigz_image") / 1048576)) MiB; median of $repeat runs, cold caches; $(nproc) cores."
echo
echo "| Job | drivecopy | compared with | ratio | peak memory (ours / theirs) | goal |"
echo "|---|---:|---|---:|---:|---|"
row "raw create" "ours raw create" "dd create" 1.15
row "raw restore" "ours raw restore" "dd restore" 1.15
row "clone" "ours clone" "dd clone" 1.15
row "headed create, medium" "ours medium create" "pigz -6 -p 2" 1.00
row "headed restore, medium" "ours medium restore" "ours raw restore" 1.30
peak=0
for name in "${!memory[@]}"; do
  case $name in ours*) ((memory[$name] > peak)) && peak=${memory[$name]} ;; esac
done
echo
echo "Largest peak memory of a drivecopy job: $((peak / 1024)) MB (goal: under 100 MB: $( ((peak < 100 * 1024)) && echo met || echo 'NOT met'))."
