#!/usr/bin/env bash
# Builds the bundled sample disk samples/sample.vmdk and writes samples/manifest.tsv
# and samples/README beside it.
#
# The disk is made with the real tools only: an MBR written by sfdisk, partition 1
# FAT32 (mkfs.fat, filled and partly deleted with mtools), partition 2 NTFS (mkntfs,
# filled and partly deleted through an ntfs-3g FUSE mount of a loop device), then
# converted by qemu-img to a monolithic sparse VMDK. Before the conversion The Sleuth
# Kit checks the raw disk against the manifest: every listed entry is found with its
# kind, deleted flag, size and write time, every file's content (deleted ones too) is
# read back with icat and compared by sha256, and nothing else is there. The VMDK is
# then converted back to raw and compared byte for byte.
#
# Deleted files are made recoverable: on FAT they are written after all live data,
# contiguous, and nothing is written after they are deleted; on NTFS their records and
# runs are left as ntfs-3g leaves them, again with nothing written afterwards.
#
# Run as root (loop device, FUSE mount): sudo samples/make-sample.sh
# The FAT half and the MBR are reproducible byte for byte; NTFS internals (record
# creation times, log file, security ids) differ from one build to the next.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export TZ=UTC LC_ALL=C MTOOLS_SKIP_CHECK=1 MTOOLSRC=/dev/null

die() { echo "make-sample: $*" >&2; exit 1; }

[ "$(id -u)" -eq 0 ] || die "run as root: the NTFS half needs a loop device and a FUSE mount"
for tool in sfdisk mkfs.fat mcopy mdel mdeltree mkntfs ntfs-3g losetup blockdev mountpoint \
            qemu-img fls icat sha256sum; do
  command -v "$tool" >/dev/null || die "$tool is missing (tools/install-deps.sh installs it)"
done

# Disk layout, in 512-byte sectors. FAT32 with one sector per cluster needs at least
# 65525 clusters, hence the 34 MiB of partition 1.
P1_START=2048;  P1_SECTORS=69632     # FAT32, 34 MiB
P2_START=71680; P2_SECTORS=24576     # NTFS, 12 MiB
DISK_SECTORS=$((P2_START + P2_SECTORS))
FAT_LABEL="VANTOR FAT"; FAT_SERIAL=56540001
NTFS_LABEL="VANTOR NTFS"
MAX_VMDK_BYTES=8000000

# The tree. One line per folder and file, parents before children:
#   partition | state | kind | write time (UTC) | path | content
# state "live" stays, "del" is deleted (a deleted folder takes its contents with it,
# which are marked "del" too). Content: "text SIZE TITLE" (SIZE bytes of numbered text
# lines), "bmp W H" (a 24-bit gradient BMP, W a multiple of 4), "bytes" (0..255).
# FAT times are even seconds (FAT keeps 2-second steps). A FAT name that fits 8.3 must
# be in capitals (stored without a long name) or mix cases in its base or extension
# (mtools then writes a long name); an all-lowercase 8.3 name would only live in the
# case bits.
TREE=$(cat <<'EOF'
1|live|F|2023-01-09 08:00:00|README.TXT|text 420 Vantor sample disk, FAT32 partition
1|live|D|2023-01-10 09:00:00|Documents|-
1|live|F|2023-01-11 10:15:30|Documents/Letter to Anna about the summer holiday.txt|text 700 Dear Anna
1|live|D|2023-01-12 11:00:00|Documents/Reports|-
1|live|F|2023-01-13 12:30:44|Documents/Reports/NOTES.TXT|text 260 Notes on the reports
1|live|D|2023-01-14 13:00:00|Documents/Reports/2023|-
1|live|F|2023-03-31 17:45:02|Documents/Reports/2023/Quarterly summary.txt|text 6000 Quarterly summary, first quarter 2023
1|live|D|2023-02-01 08:30:00|Media files|-
1|live|F|2023-02-02 09:40:10|Media files/Gradient image.bmp|bmp 16 16
1|live|F|2023-02-03 10:50:20|Media files/BYTES.BIN|bytes
1|del|F|2023-04-01 07:00:00|Documents/Draft notes.txt|text 300 Draft notes, to be thrown away
1|del|F|2023-04-02 07:30:06|Documents/OLDLOG.TXT|text 2000 Old log of the sample machine
1|del|D|2023-04-03 08:00:00|Old Projects|-
1|del|F|2023-04-04 08:10:12|Old Projects/Project plan.txt|text 480 Project plan
1|del|F|2023-04-05 08:20:24|Old Projects/BUDGET.CSV|text 350 Budget 2019, in euros
1|del|F|2023-04-06 08:30:36|Old Projects/Meeting minutes.txt|text 1300 Minutes of the weekly meeting
1|del|D|2023-04-07 08:40:48|Old Projects/Sketches|-
1|del|F|2023-04-08 08:50:58|Old Projects/Sketches/Idea one.txt|text 200 First idea
1|del|F|2023-04-09 09:00:00|Old Projects/Sketches/IDEA2.TXT|text 210 Second idea
2|live|F|2023-05-01 08:00:01|Readme.txt|text 300 Vantor sample disk, NTFS partition
2|live|D|2023-05-02 09:00:00|Users|-
2|live|D|2023-05-03 10:00:00|Users/Anna|-
2|live|D|2023-05-04 11:00:00|Users/Anna/Documents|-
2|live|F|2023-05-05 12:00:05|Users/Anna/Documents/Budget 2023.csv|text 5000 Budget 2023, month by month
2|live|F|2023-05-06 13:14:15|Users/Anna/Documents/A letter with a rather long file name, written in the spring of 2023.txt|text 1500 Dear friend
2|live|D|2023-05-07 14:00:00|Users/Anna/Pictures|-
2|live|F|2023-05-08 15:16:17|Users/Anna/Pictures/Sunset.bmp|bmp 32 32
2|del|F|2023-06-01 08:00:00|Users/Anna/todo.txt|text 120 Things to do
2|del|F|2023-06-02 09:10:11|Users/Anna/Documents/Old budget 2022.csv|text 2600 Budget 2022, month by month
2|del|D|2023-06-03 10:00:00|Archive 2019|-
2|del|F|2023-06-04 11:11:11|Archive 2019/Report.txt|text 9000 Yearly report 2019
2|del|F|2023-06-05 12:12:12|Archive 2019/Chart.bmp|bmp 16 16
2|del|D|2023-06-06 13:00:00|Archive 2019/Drafts|-
2|del|F|2023-06-07 14:14:14|Archive 2019/Drafts/First draft.txt|text 1200 First draft of the report
EOF
)

E_PART=(); E_STATE=(); E_KIND=(); E_TIME=(); E_PATH=(); E_CONTENT=()
declare -A STATE_OF=()
while IFS='|' read -r part state kind when path content; do
  E_PART+=("$part"); E_STATE+=("$state"); E_KIND+=("$kind"); E_TIME+=("$when")
  E_PATH+=("$path"); E_CONTENT+=("$content"); STATE_OF["$part/$path"]=$state
done <<<"$TREE"
N=${#E_PATH[@]}

parent_of() { [[ $1 == */* ]] && echo "${1%/*}" || echo ""; }
single_case() { [[ $1 == "${1^^}" || $1 == "${1,,}" ]]; }
# True when mtools stores NAME as a short entry without a long name.
fat_short_only() {
  local n=$1 base ext=""
  [[ $n =~ ^[A-Za-z0-9_-]{1,8}(\.[A-Za-z0-9_-]{1,3})?$ ]] || return 1
  base=${n%%.*}; [[ $n == *.* ]] && ext=${n#*.}
  single_case "$base" && single_case "$ext"
}

# A deleted entry that is not inside a deleted folder is deleted by itself.
deleted_on_its_own() {
  local part=$1 path=$2 parent
  parent=$(parent_of "$path")
  [ "${STATE_OF["$part/$path"]}" = del ] && { [ -z "$parent" ] || [ "${STATE_OF["$part/$parent"]}" = live ]; }
}

# The path as a scan lists it: a deleted FAT entry without a long name has lost its
# first character, which is shown as "_".
listed_as() {
  local part=$1 path=$2 out="" prefix="" comp
  local IFS=/
  for comp in $path; do
    prefix=${prefix:+$prefix/}$comp
    if [ "$part" = 1 ] && [ "${STATE_OF["$part/$prefix"]}" = del ] && fat_short_only "$comp"; then
      comp="_${comp:1}"
    fi
    out=${out:+$out/}$comp
  done
  echo "$out"
}

for ((i = 0; i < N; i++)); do
  p=${E_PATH[i]}; name=${p##*/}; parent=$(parent_of "$p")
  [ -z "$parent" ] || [ -n "${STATE_OF["${E_PART[i]}/$parent"]+x}" ] || die "$p: parent not listed before it"
  [ -z "$parent" ] || [ "${STATE_OF["${E_PART[i]}/$parent"]}" = live ] || [ "${E_STATE[i]}" = del ] \
    || die "$p: a live entry inside a deleted folder"
  if [ "${E_PART[i]}" = 1 ]; then
    [ $(( ${E_TIME[i]: -1} % 2 )) -eq 0 ] || die "$p: FAT keeps even seconds only"
    if fat_short_only "$name" && [ "$name" != "${name^^}" ]; then
      die "$p: an 8.3 name in small letters would have no long name on FAT"
    fi
  fi
done

# Content makers.
text() {   # SIZE TITLE...: exactly SIZE bytes of numbered lines
  local size=$1; shift
  awk -v size="$size" -v title="$*" 'BEGIN {
    s = title "\n\n"
    for (i = 1; length(s) < size; i++)
      s = s sprintf("%s, line %d: the quick brown fox jumps over the lazy dog.\n", title, i)
    printf "%s", substr(s, 1, size) }'
}
le16() { printf '\\x%02x\\x%02x' $(($1 & 255)) $((($1 >> 8) & 255)); }
le32() { printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $((($1 >> 8) & 255)) \
                $((($1 >> 16) & 255)) $((($1 >> 24) & 255)); }
bmp() {    # W H: a 24-bit bottom-up BMP with a colour gradient
  local w=$1 h=$2 x y px esc data=$(($1 * $2 * 3))
  esc="\\x42\\x4d$(le32 $((54 + data)))$(le32 0)$(le32 54)$(le32 40)$(le32 "$w")$(le32 "$h")"
  esc+="$(le16 1)$(le16 24)$(le32 0)$(le32 "$data")$(le32 2835)$(le32 2835)$(le32 0)$(le32 0)"
  for ((y = 0; y < h; y++)); do
    for ((x = 0; x < w; x++)); do
      printf -v px '\\x%02x\\x%02x\\x%02x' $((x * 255 / (w - 1))) $((y * 255 / (h - 1))) \
             $(((x + y) * 255 / (w + h - 2)))
      esc+=$px
    done
  done
  printf '%b' "$esc"
}
bytes() {  # the 256 byte values in order
  local i e esc=""
  for ((i = 0; i < 256; i++)); do printf -v e '\\x%02x' "$i"; esc+=$e; done
  printf '%b' "$esc"
}
make_content() {  # CONTENT > file
  local -a words
  read -r -a words <<<"$1"
  case ${words[0]} in
    text)  text "${words[@]:1}" ;;
    bmp)   bmp "${words[1]}" "${words[2]}" ;;
    bytes) bytes ;;
    *)     die "unknown content: $1" ;;
  esac
}

work=$(mktemp -d /tmp/vantor-sample.XXXXXX)
mnt=$work/mnt
loop=""
cleanup() {
  set +e
  if mountpoint -q "$mnt" 2>/dev/null; then umount "$mnt"; fi
  if [ -n "$loop" ]; then losetup -d "$loop"; fi
  rm -rf "$work"
}
trap cleanup EXIT
raw=$work/sample.raw
mkdir "$mnt" "$work/one" "$work/content"

# The content of every file, kept for the manifest and the checks.
for ((i = 0; i < N; i++)); do
  [ "${E_KIND[i]}" = F ] && make_content "${E_CONTENT[i]}" >"$work/content/$i"
done

# --- The disk and its partition table ------------------------------------------
truncate -s $((DISK_SECTORS * 512)) "$raw"
sfdisk --quiet "$raw" <<EOF
label: dos
label-id: 0x56544f52
unit: sectors

start=$P1_START, size=$P1_SECTORS, type=c
start=$P2_START, size=$P2_SECTORS, type=7
EOF

# --- Partition 1: FAT32 ----------------------------------------------------------
# --invariant fixes the label entry's time; -i after it sets the serial.
# Its warning that the file is larger than the volume is expected.
out=$(mkfs.fat -F 32 -s 1 -S 512 -h $P1_START --offset $P1_START --invariant -i $FAT_SERIAL \
               -n "$FAT_LABEL" "$raw" $((P1_SECTORS / 2)) 2>&1 >/dev/null) \
  || { echo "$out" >&2; die "mkfs.fat failed"; }
grep -v '^Warning: block count mismatch' <<<"$out" >&2 || true
fat="$raw@@$((P1_START * 512))"

# One entry at a time, in table order, so that entry and cluster order do not depend
# on the order in which this machine lists a folder. mcopy -m stamps the entry (write,
# creation and access) with the source's time; a folder is copied as an empty one.
fat_add() {
  local i=$1 p=${E_PATH[$1]} name=${E_PATH[$1]##*/} parent
  parent=$(parent_of "$p")
  if [ "${E_KIND[i]}" = D ]; then
    mkdir "$work/one/$name"
    touch -d "${E_TIME[i]}" "$work/one/$name"
    mcopy -s -m -i "$fat" "$work/one/$name" "::/$parent${parent:+/}"
    rmdir "$work/one/$name"
  else
    cp "$work/content/$i" "$work/one/$name"
    touch -d "${E_TIME[i]}" "$work/one/$name"
    mcopy -m -i "$fat" "$work/one/$name" "::/$parent${parent:+/}"
    rm "$work/one/$name"
  fi
}
for state in live del; do
  for ((i = 0; i < N; i++)); do
    [ "${E_PART[i]}" = 1 ] && [ "${E_STATE[i]}" = $state ] && fat_add "$i"
  done
done
# Deleting writes nothing but the 0xE5 marks and the freed FAT entries.
for ((i = 0; i < N; i++)); do
  [ "${E_PART[i]}" = 1 ] && deleted_on_its_own 1 "${E_PATH[i]}" || continue
  if [ "${E_KIND[i]}" = D ]; then mdeltree -i "$fat" "::/${E_PATH[i]}"
  else mdel -i "$fat" "::/${E_PATH[i]}"; fi
done

# --- Partition 2: NTFS -----------------------------------------------------------
loop=$(losetup --find --show --offset $((P2_START * 512)) --sizelimit $((P2_SECTORS * 512)) "$raw")
# -T takes the epoch for every time mkntfs writes and so makes its output repeatable.
mkntfs -Q -q -T -s 512 -p $P2_START -H 255 -S 63 -L "$NTFS_LABEL" "$loop"

ntfs_touch() { touch -d "${E_TIME[$1]}" "$mnt/${E_PATH[$1]}"; }
ntfs-3g "$loop" "$mnt"
for state in live del; do
  for ((i = 0; i < N; i++)); do
    [ "${E_PART[i]}" = 2 ] && [ "${E_STATE[i]}" = $state ] || continue
    if [ "${E_KIND[i]}" = D ]; then mkdir "$mnt/${E_PATH[i]}"
    else cp "$work/content/$i" "$mnt/${E_PATH[i]}"; fi
  done
done
# Times last: writing into a folder changes its write time.
for ((i = N - 1; i >= 0; i--)); do [ "${E_PART[i]}" = 2 ] && ntfs_touch "$i"; done
umount "$mnt"

# Deleting in a second session. A folder goes with its contents, deepest first; each
# folder's time is set again just before it is removed, since removing its children
# changed it.
ntfs-3g "$loop" "$mnt"
for ((i = 0; i < N; i++)); do
  [ "${E_PART[i]}" = 2 ] && deleted_on_its_own 2 "${E_PATH[i]}" || continue
  if [ "${E_KIND[i]}" = F ]; then rm "$mnt/${E_PATH[i]}"; continue; fi
  for ((j = N - 1; j >= i; j--)); do
    [ "${E_PART[j]}" = 2 ] || continue
    [ "${E_PATH[j]}" = "${E_PATH[i]}" ] || [[ ${E_PATH[j]} == "${E_PATH[i]}"/* ]] || continue
    if [ "${E_KIND[j]}" = F ]; then rm "$mnt/${E_PATH[j]}"
    else ntfs_touch "$j"; rmdir "$mnt/${E_PATH[j]}"; fi
  done
done
for ((i = N - 1; i >= 0; i--)); do
  [ "${E_PART[i]}" = 2 ] && [ "${E_STATE[i]}" = live ] && [ "${E_KIND[i]}" = D ] && ntfs_touch "$i"
done
umount "$mnt"
blockdev --flushbufs "$loop"
losetup -d "$loop"; loop=""

# --- Manifest --------------------------------------------------------------------
manifest=$work/manifest.tsv
{
  printf '# Bundled sample disk sample.vmdk: one line per folder and file, written by make-sample.sh.\n'
  printf '# Times are the last-write times, UTC. recovery: live = present; identical = deleted,\n'
  printf '# content expected byte-identical; listed = deleted folder, expected with its contents.\n'
  printf '# listed_as is the path as a scan lists it (a deleted 8.3 FAT name starts with "_").\n'
  printf '#partition\tfs\tkind\tdeleted\tsize\tsha256\tmodified\tpath\trecovery\tlisted_as\n'
  for ((i = 0; i < N; i++)); do
    fs=FAT32; [ "${E_PART[i]}" = 2 ] && fs=NTFS
    deleted=n; [ "${E_STATE[i]}" = del ] && deleted=y
    if [ "${E_KIND[i]}" = F ]; then
      size=$(stat -c %s "$work/content/$i")
      sha=$(sha256sum "$work/content/$i" | cut -d' ' -f1)
      recovery=live; [ $deleted = y ] && recovery=identical
    else
      size=0; sha=-
      recovery=live; [ $deleted = y ] && recovery=listed
    fi
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "${E_PART[i]}" $fs "${E_KIND[i]}" $deleted \
      "$size" "$sha" "${E_TIME[i]/ /T}Z" "${E_PATH[i]}" $recovery "$(listed_as "${E_PART[i]}" "${E_PATH[i]}")"
  done
} >"$manifest"

# --- Checks with The Sleuth Kit on the raw disk ------------------------------------
# Every user entry fls lists must be a manifest entry with the same kind, deleted flag,
# write time and size, and every file's content (deleted ones included) read by icat
# must have the manifest's sha256; every manifest entry must be listed.
failures=0
fail() { echo "make-sample: check failed: $*" >&2; failures=$((failures + 1)); }
check_partition() {
  local part=$1 start=$2 head path mtime atime ctime crtime size rest
  local kind deleted inode key
  declare -A want=() seen=()
  while IFS=$'\t' read -r _ fs kind deleted size sha mtime path _ listed; do
    want["$listed"]="$kind|$deleted|$size|$sha|$mtime"
  done < <(awk -F'\t' -v p="$part" '$1 == p' "$manifest")

  fls -l -r -p -o "$start" "$raw" >"$work/fls.$part" || { fail "fls on partition $part"; return; }
  while IFS=$'\t' read -r head path mtime atime ctime crtime size rest; do
    case $path in '$'*|*'(Volume Label Entry)') continue ;; esac
    kind=F; [ "${head:2:1}" = d ] && kind=D
    deleted=n; [[ $head == *' * '* ]] && deleted=y
    inode=${head##* }; inode=${inode%:}
    key=$path
    if [ -n "${seen["$key"]+x}" ]; then
      [ "${seen["$key"]}" = "$inode" ] || fail "partition $part: $path listed twice"
      continue
    fi
    seen["$key"]=$inode
    if [ -z "${want["$key"]+x}" ]; then fail "partition $part: unexpected entry $path"; continue; fi
    IFS='|' read -r wkind wdeleted wsize wsha wmtime <<<"${want["$key"]}"
    [ "$kind" = "$wkind" ] || fail "partition $part: $path is $kind, expected $wkind"
    [ "$deleted" = "$wdeleted" ] || fail "partition $part: $path deleted=$deleted, expected $wdeleted"
    wmtime="${wmtime/T/ }"; wmtime="${wmtime%Z} (UTC)"
    [ "$mtime" = "$wmtime" ] || fail "partition $part: $path written $mtime, expected $wmtime"
    if [ "$kind" = F ]; then
      [ "$size" = "$wsize" ] || fail "partition $part: $path has $size bytes, expected $wsize"
      got=$(icat -o "$start" "$raw" "$inode" | sha256sum | cut -d' ' -f1)
      [ "$got" = "$wsha" ] || fail "partition $part: content of $path (inode $inode) differs"
    fi
  done <"$work/fls.$part"
  for key in "${!want[@]}"; do
    [ -n "${seen["$key"]+x}" ] || fail "partition $part: $key not listed by fls"
  done
}
check_partition 1 $P1_START
check_partition 2 $P2_START
[ "$failures" -eq 0 ] || die "$failures check(s) failed"

# --- The VMDK --------------------------------------------------------------------
vmdk=$work/sample.vmdk
qemu-img convert -f raw -O vmdk -o subformat=monolithicSparse "$raw" "$vmdk"
qemu-img convert -f vmdk -O raw "$vmdk" "$work/back.raw"
cmp "$raw" "$work/back.raw" || die "the VMDK does not convert back to the same raw disk"
vmdk_bytes=$(stat -c %s "$vmdk")
[ "$vmdk_bytes" -le $MAX_VMDK_BYTES ] || die "sample.vmdk is $vmdk_bytes bytes, more than $MAX_VMDK_BYTES"

# --- README ----------------------------------------------------------------------
readme=$work/README
{
cat <<EOF
The bundled sample disk
=======================

sample.vmdk is a small VMware virtual disk (monolithic sparse, $((DISK_SECTORS * 512)) bytes
virtual, $vmdk_bytes bytes on disk) with live and deleted folders and files on a FAT32
and an NTFS partition. "vantor demo" scans and recovers it; the tests use it too.
make-sample.sh builds it (as root) and wrote this file and manifest.tsv.

Layout (512-byte sectors, MBR partition table, disk id 0x56544f52):

  partition 1  sectors $P1_START-$((P1_START + P1_SECTORS - 1))  type 0x0C  FAT32, label "$FAT_LABEL", serial ${FAT_SERIAL:0:4}-${FAT_SERIAL:4:4},
               512-byte clusters (made by mkfs.fat, filled with mtools)
  partition 2  sectors $P2_START-$((P2_START + P2_SECTORS - 1))  type 0x07  NTFS, label "$NTFS_LABEL", 4096-byte clusters
               (made by mkntfs, filled through an ntfs-3g mount)

What is on it (D folder, F file; "del" = deleted; times are last-write times, UTC):

EOF
for ((i = 0; i < N; i++)); do
  [ $i -eq 0 ] || [ "${E_PART[i]}" = "${E_PART[i - 1]}" ] || echo
  st=""; [ "${E_STATE[i]}" = del ] && st=del
  sz=""; [ "${E_KIND[i]}" = F ] && sz=$(stat -c %s "$work/content/$i")
  printf '  %s %s %-3s %6s  %s  %s\n' "${E_PART[i]}" "${E_KIND[i]}" "$st" "$sz" "${E_TIME[i]}" "${E_PATH[i]}"
done
cat <<EOF

What a recovery is expected to give:

- Live entries: the names, sizes, times and contents listed in manifest.tsv.
- Deleted files (recovery "identical" in the manifest): the content, byte for byte.
  On FAT each deleted file was written after all live data, in consecutive clusters,
  and nothing was written after the deletions, so reading the size's worth of
  consecutive clusters from the entry's first cluster gives the file. On NTFS the
  deleted records still hold their data runs (or, for a small file, the data itself)
  and no cluster or record was reused.
- Deleted folders (recovery "listed"): "Old Projects" on FAT (deleted with mdeltree;
  its folder clusters still begin with "." and ".." and hold its deleted entries)
  and "Archive 2019" on NTFS (removed with its contents). Each is found with its
  files and subfolder, all deleted.
- A deleted FAT entry that has no long name (an 8.3 name in capitals) has lost its
  first character; a scan lists it with "_" in its place: OLDLOG.TXT as _LDLOG.TXT.
  The column listed_as of the manifest gives every path as a scan shows it.
- FAT keeps local times in 2-second steps; the sample was written with TZ=UTC, so the
  stored values are the UTC times listed. Creation and access stamps equal the write
  time (access: the date). NTFS times are the standard-information modification
  times; NTFS creation and MFT-change times are those of the build.
- Not listed: the FAT volume label entry, and the NTFS metadata files (\$MFT, \$LogFile,
  ..., \$Extend and its files), which a scan of the NTFS volume lists as well.

manifest.tsv columns (tab-separated, lines starting with "#" are comments):
partition, fs (FAT32/NTFS), kind (D/F), deleted (y/n), size (bytes, 0 for folders),
sha256 (files; "-" for folders), modified (UTC, ISO 8601), path (under the volume
root, joined by "/"), recovery (live / identical / listed), listed_as.

How it was checked (by make-sample.sh, before it wrote these files): on the raw disk,
"fls -l -r -p -o START" lists exactly the manifest's entries with their kind,
deleted flag, size and write time, and "icat -o START" of each file, deleted ones
included, gives the manifest's sha256; "qemu-img convert -O raw sample.vmdk" gives
back the raw disk byte for byte.
EOF
} >"$readme"

mv "$vmdk" "$here/sample.vmdk"
mv "$manifest" "$here/manifest.tsv"
mv "$readme" "$here/README"
echo "make-sample: wrote $here/sample.vmdk ($vmdk_bytes bytes), manifest.tsv and README"
