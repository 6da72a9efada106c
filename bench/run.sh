#!/usr/bin/env bash
# Speed and memory of the three jobs, side by side with the tools a user
# would take instead, on the same data in one run (ratios, not absolute
# times, are what we compare across machines):
#   raw create      drivecopy create --compression raw  vs  dd if=DEV of=FILE bs=64K conv=fsync
#   raw restore     drivecopy restore RAW-IMAGE DEV     vs  dd if=FILE of=DEV bs=64K conv=fsync
#   clone           drivecopy clone DEV DEV2            vs  dd if=DEV of=DEV2 bs=64K conv=fsync
#   headed create   drivecopy create --compression medium, and high  vs  pigz -6 -p 2 (and fsync)
#   headed restore  drivecopy restore HEADED-IMAGE DEV  vs  our raw restore
#   verify passes   the time --verify adds to restore, clone and create (the job with it minus
#                   the job without)  vs  dd reading what the pass reads back, iflag=direct
# The source is a 1 GiB disk with an MBR partition holding ext4 filled with
# up to ~850 MB of this machine's /usr/lib and /usr/share, built once and
# kept in BENCH_CACHE (default /var/tmp/drivecopy-bench). Both disks are
# loop devices this script attaches; it writes to none but its own second
# loop device. Page caches are dropped before every timed run. Each job
# runs BENCH_REPEAT times (default 5), alternating with the ones it is
# compared with; the median counts. Every copy is compared with the source.
# Needs root. Usage: bench/run.sh [PATH-TO-DRIVECOPY]   (default build/src/drivecopy)
# BENCH_PREPARE_ONLY=1 builds the source disk and stops.
set -euo pipefail
cd "$(dirname "$0")/.."
program=$(realpath "${1:-build/src/drivecopy}")
cache=${BENCH_CACHE:-/var/tmp/drivecopy-bench}
repeat=${BENCH_REPEAT:-5}
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

ours_raw=$work/ours-raw.img
ours_medium=$work/ours-medium.img
ours_high=$work/ours-high.img
dd_image=$work/dd.img
pigz_image=$work/pigz.gz

# The jobs, one function each. prepare_JOB runs before each run of JOB and
# check_JOB after it; neither is timed.
ours_raw_create() { "$program" create "$source" "$ours_raw" --compression raw --yes; }
check_ours_raw_create() { same_content "$source" "$ours_raw" "our raw create"; }
dd_create() { dd if="$source" of="$dd_image" bs=64K conv=fsync; }

prepare_ours_raw_restore() { wipe_destination; }
ours_raw_restore() { "$program" restore "$ours_raw" "$destination" --yes; }
check_ours_raw_restore() { same_content "$source" "$destination" "our raw restore"; }
dd_restore() { dd if="$dd_image" of="$destination" bs=64K conv=fsync; }

prepare_ours_clone() { wipe_destination; }
ours_clone() { "$program" clone "$source" "$destination" --yes; }
check_ours_clone() { same_content "$source" "$destination" "our clone"; }
dd_clone() { dd if="$source" of="$destination" bs=64K conv=fsync; }

ours_medium_create() { "$program" create "$source" "$ours_medium" --compression medium --yes; }
ours_high_create() { "$program" create "$source" "$ours_high" --compression high --yes; }
pigz_create() { pigz -6 -p 2 <"$source" >"$pigz_image" && sync "$pigz_image"; }

prepare_ours_medium_restore() { wipe_destination; }
ours_medium_restore() { "$program" restore "$ours_medium" "$destination" --yes; }
check_ours_medium_restore() { same_content "$source" "$destination" "our headed restore"; }

# Jobs measured once more in a later round, under names of their own so that
# each round's medians stay side by side.
prepare_ours_raw_restore_again() { wipe_destination; }
ours_raw_restore_again() { ours_raw_restore; }
check_ours_raw_restore_again() { check_ours_raw_restore; }
prepare_ours_raw_restore_unverified() { wipe_destination; }
ours_raw_restore_unverified() { ours_raw_restore; }
prepare_ours_clone_unverified() { wipe_destination; }
ours_clone_unverified() { ours_clone; }
ours_medium_create_unverified() { ours_medium_create; }

# The verify passes: each job with --verify, against the same job without.
prepare_ours_raw_restore_verified() { wipe_destination; }
ours_raw_restore_verified() { "$program" restore "$ours_raw" "$destination" --yes --verify; }
check_ours_raw_restore_verified() { check_ours_raw_restore; }
prepare_ours_clone_verified() { wipe_destination; }
ours_clone_verified() { "$program" clone "$source" "$destination" --yes --verify; }
check_ours_clone_verified() { check_ours_clone; }
ours_medium_create_verified() { "$program" create "$source" "$ours_medium" --compression medium --yes --verify; }
# What each pass reads back, read by dd bypassing the page cache: the
# destination (restore, clone; measured again beside the clone) and the
# finished image (create). The passes also read what they compare with: the
# image or the source, through the cache.
dd_read_destination() { dd if="$destination" of=/dev/null bs=1M iflag=direct; }
dd_read_destination_again() { dd_read_destination; }
dd_read_medium_image() { dd if="$ours_medium" of=/dev/null bs=1M iflag=direct; }

# /usr/bin/time runs programs, not shell functions: the jobs go to a child bash.
export program source destination ours_raw ours_medium ours_high dd_image pigz_image
export -f ours_raw_create dd_create ours_raw_restore dd_restore ours_clone dd_clone \
  ours_medium_create ours_high_create pigz_create ours_medium_restore \
  ours_raw_restore_verified ours_clone_verified ours_medium_create_verified \
  dd_read_destination dd_read_destination_again dd_read_medium_image \
  ours_raw_restore_again ours_raw_restore_unverified ours_clone_unverified ours_medium_create_unverified

# Every byte of our own destination reads as zero again.
wipe_destination() {
  require_own_loop "$destination" "$destination_file"
  blkdiscard "$destination" 2>/dev/null || dd if=/dev/zero of="$destination" bs=1M conv=fsync status=none
}

# same_content A B WHAT: B holds exactly A's bytes.
same_content() { cmp -s "$1" "$2" || { echo "bench: $2 differs from $1 after $3" >&2; exit 1; }; }

median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# run_once JOB: one timed run from cold caches; keeps its time and peak memory.
declare -A times memory seconds
run_once() {
  local job=$1 elapsed kilobytes
  if declare -F "prepare_$job" >/dev/null; then "prepare_$job"; fi
  drop_caches
  if ! /usr/bin/time -f '%e %M' -o "$work/time" bash -c "$job" >"$work/output" 2>&1; then
    echo "bench: $job failed:" >&2
    cat "$work/output" >&2
    exit 1
  fi
  read -r elapsed kilobytes <"$work/time"
  times[$job]="${times[$job]:-} $elapsed"
  ((kilobytes > ${memory[$job]:-0})) && memory[$job]=$kilobytes
  if declare -F "check_$job" >/dev/null; then "check_$job"; fi
}

# alternate JOB...: runs the jobs in turn, $repeat times each, so that load
# from elsewhere on the machine falls on all alike; reports the medians. A
# job measured in an earlier round is measured again.
alternate() {
  local run job
  for job in "$@"; do times[$job]=""; done
  for run in $(seq "$repeat"); do
    for job in "$@"; do run_once "$job"; done
  done
  for job in "$@"; do
    # shellcheck disable=SC2086
    seconds[$job]=$(median ${times[$job]})
    printf 'bench: %-28s median %6.2f s  (runs:%s)  peak %d MB\n' "$job" "${seconds[$job]}" "${times[$job]}" \
      $((${memory[$job]} / 1024))
  done
}

alternate ours_raw_create dd_create
alternate ours_raw_restore dd_restore
alternate ours_clone dd_clone
alternate ours_medium_create ours_high_create pigz_create
alternate ours_medium_restore ours_raw_restore_again
# The time a pass adds is the difference of two medians measured side by side.
alternate ours_raw_restore_verified ours_raw_restore_unverified dd_read_destination
seconds[raw_restore_pass]=$(awk -v a="${seconds[ours_raw_restore_verified]}" -v b="${seconds[ours_raw_restore_unverified]}" 'BEGIN { print a - b }')
memory[raw_restore_pass]=${memory[ours_raw_restore_verified]}
alternate ours_clone_verified ours_clone_unverified dd_read_destination_again
seconds[clone_pass]=$(awk -v a="${seconds[ours_clone_verified]}" -v b="${seconds[ours_clone_unverified]}" 'BEGIN { print a - b }')
memory[clone_pass]=${memory[ours_clone_verified]}
alternate ours_medium_create_verified ours_medium_create_unverified dd_read_medium_image
seconds[medium_create_pass]=$(awk -v a="${seconds[ours_medium_create_verified]}" -v b="${seconds[ours_medium_create_unverified]}" 'BEGIN { print a - b }')
memory[medium_create_pass]=${memory[ours_medium_create_verified]}

ratio() { awk -v a="${seconds[$1]}" -v b="${seconds[$2]}" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
verdict() { awk -v r="$1" -v g="$2" 'BEGIN { print (r <= g ? "met" : "NOT met") }'; }
mb() { echo $((${memory[$1]:-0} / 1024)); }
row() {  # row JOB OURS THEIRS THEIR-NAME GOAL
  local r
  r=$(ratio "$2" "$3")
  printf '| %s | %.2f s | %s: %.2f s | %s | %s MB / %s MB | ≤ %s×: %s |\n' "$1" "${seconds[$2]}" "$4" \
    "${seconds[$3]}" "$r" "$(mb "$2")" "$(mb "$3")" "$5" "$(verdict "$r" "$5")"
}

bytes() { stat -c %s "$1"; }
mib() { echo $(($(bytes "$1") / 1048576)); }
size_ratio=$(awk -v a="$(bytes "$ours_medium")" -v b="$(bytes "$pigz_image")" 'BEGIN { printf "%.3f", a / b }')
echo
echo "Source: 1 GiB disk, ext4 partition with $(wc -l <"$cache/source-files") files;" \
  "median of $repeat alternating runs from cold caches; $(nproc) cores; load average before: $(cut -d' ' -f1-3 /proc/loadavg)."
echo "Images: raw $(mib "$ours_raw") MiB, medium $(mib "$ours_medium") MiB, high $(mib "$ours_high") MiB," \
  "pigz -6 $(mib "$pigz_image") MiB; medium / pigz -6 = $size_ratio (goal ≤ 1.03: $(verdict "$size_ratio" 1.03))."
echo
echo "| Job | drivecopy | compared with | ratio | peak memory (ours / theirs) | goal |"
echo "|---|---:|---|---:|---:|---|"
row "raw create" ours_raw_create dd_create "dd" 1.05
row "raw restore" ours_raw_restore dd_restore "dd" 1.05
row "clone" ours_clone dd_clone "dd" 1.05
row "headed create, medium" ours_medium_create pigz_create "pigz -6 -p 2" 0.40
row "headed create, high" ours_high_create pigz_create "pigz -6 -p 2" 1.00
row "headed restore, medium" ours_medium_restore ours_raw_restore_again "our raw restore" 1.15
row "verify pass after a raw restore" raw_restore_pass dd_read_destination "dd iflag=direct" 1.10
row "verify pass after a clone" clone_pass dd_read_destination_again "dd iflag=direct" 1.10
row "verify pass after a medium create" medium_create_pass dd_read_medium_image "dd iflag=direct" 1.10
peak=0
for job in "${!memory[@]}"; do
  case $job in ours_*) ((memory[$job] > peak)) && peak=${memory[$job]} ;; esac
done
echo
echo "Largest peak memory of a drivecopy job: $((peak / 1024)) MB (goal under 100 MB: $( ((peak < 100 * 1024)) && echo met || echo 'NOT met'))."
