#!/usr/bin/env bash
# The packer and unpacker as a demo maker uses them: pack files, list, extract,
# and the exit statuses (0 success, 1 entry cannot be extracted, 2 bad usage).
set -u
bin="$1"
testdata="$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

printf 'hello\r\nworld\r\n' > "$work/a.txt"
head -c 5000 /dev/urandom > "$work/b.bin"
mkdir "$work/dir"
"$bin/glimmer-pack" "$work/t.rar" 'data=' 2>/dev/null && fail "an empty FILE was accepted"
"$bin/glimmer-pack" "$work/t.rar" "data=$work/dir" "data\\a.txt=$work/a.txt" \
    "DATA\\B.BIN=$work/b.bin" || fail "pack"

listing=$("$bin/glimmer-unpack" "$work/t.rar") || fail "list: $listing"
echo "$listing" | grep -q '^data\\a.txt .* ok$' || fail "listing lacks a.txt: $listing"
[ "$(echo "$listing" | grep -c ' ok$')" -eq 3 ] || fail "not every entry checks: $listing"

"$bin/glimmer-unpack" "$work/t.rar" 'data/A.TXT' "$work/out.txt" || fail "extract to file"
cmp -s "$work/a.txt" "$work/out.txt" || fail "extracted text differs"
"$bin/glimmer-unpack" "$work/t.rar" 'data_b.bin' | cmp -s - "$work/b.bin" || fail "extract to stdout"

"$bin/glimmer-unpack" "$work/t.rar" 'data\missing' >/dev/null 2>&1
[ $? -eq 1 ] || fail "missing entry must give 1"
"$bin/glimmer-unpack" 2>/dev/null
[ $? -eq 2 ] || fail "no arguments must give 2"
"$bin/glimmer-pack" 2>/dev/null
[ $? -eq 2 ] || fail "pack without arguments must give 2"

# Packed, solid, harder and audio-mode archives extract byte for byte.
seq 1 20000 > "$work/c.txt"
for options in "" "--solid" "-m5" "--solid -m5" "--audio"; do
  # shellcheck disable=SC2086
  "$bin/glimmer-pack" $options "$work/p.rar" "data\\c.txt=$work/c.txt" \
      "data\\b.bin=$work/b.bin" "data\\a.txt=$work/a.txt" || fail "pack $options"
  for entry in c.txt b.bin a.txt; do
    "$bin/glimmer-unpack" "$work/p.rar" "data\\$entry" | cmp -s - "$work/$entry" ||
      fail "$entry after packing with '$options'"
  done
  [ "$(stat -c %s "$work/p.rar")" -lt 60000 ] || fail "'$options' did not compress the text"
done
"$bin/glimmer-unpack" "$work/p.rar" | grep -q 'data\\c.txt .* 0x3[1-5] ok$' ||
  fail "the text entry is not packed"

# Only what the archive can hold is written: the longest name the reader keeps
# (259 bytes) goes in and comes out under that name; one byte more, the issue's
# 70,000-letter name that wrapped the 16-bit size fields, and a (sparse) file of
# 4 GiB are refused with status 1, naming the entry, before anything is written.
longest=$(head -c 259 /dev/zero | tr '\0' n)
"$bin/glimmer-pack" "$work/long.rar" "$longest=$work/a.txt" || fail "a 259-byte name"
"$bin/glimmer-unpack" "$work/long.rar" "$longest" | cmp -s - "$work/a.txt" ||
  fail "the entry with a 259-byte name"
cp "$work/long.rar" "$work/kept.rar"
truncate -s 4G "$work/huge.bin"
for entry in "${longest}x=$work/a.txt" "$(head -c 70000 /dev/zero | tr '\0' n)=$work/a.txt" \
    "huge=$work/huge.bin"; do
  name=${entry%%=*}
  for target in new.rar long.rar; do
    "$bin/glimmer-pack" "$work/$target" "first=$work/a.txt" "$entry" 2>"$work/err"
    [ $? -eq 1 ] || fail "an entry the archive cannot hold must give 1: ${name:0:40}"
    grep -q "cannot add \"${name:0:20}.*no archive written" "$work/err" ||
      fail "the refusal must name the entry: $(head -c 300 "$work/err")"
  done
  [ ! -e "$work/new.rar" ] || fail "a refused run left an archive: ${name:0:40}"
  cmp -s "$work/long.rar" "$work/kept.rar" || fail "a refused run changed the archive"
done
rm "$work/huge.bin"

# A write that fails midway (the file size limit) leaves neither a partial
# archive nor a temporary file, and the archive that was there stays.
(trap '' XFSZ; ulimit -f 1; exec "$bin/glimmer-pack" --store "$work/long.rar" "b=$work/b.bin") \
    2>/dev/null && fail "a failed write must give 1"
cmp -s "$work/long.rar" "$work/kept.rar" || fail "a failed write changed the archive"
(trap '' XFSZ; ulimit -f 1; exec "$bin/glimmer-pack" --store "$work/cut.rar" "b=$work/b.bin") \
    2>/dev/null && fail "a failed write must give 1"
leftovers=$(find "$work" -name 'cut.rar*')
[ -z "$leftovers" ] || fail "a failed write left $leftovers"

if [ -f "$testdata/rar/rar202-comment-nopsw.rar" ]; then
  "$bin/glimmer-unpack" "$testdata/rar/rar202-comment-nopsw.rar" FILE1.TXT "$work/file1" ||
    fail "FILE1.TXT of a real archive"
  [ "$(stat -c %s "$work/file1")" -eq 7 ] || fail "FILE1.TXT must be 7 bytes"
fi
# The show's own archive, built into the program: every entry checks.
listing=$("$bin/glimmer-unpack" --embedded) || fail "the embedded archive: $listing"
echo "$listing" | grep -q '^DATA\\SCRIPT\.TXT .* 0x3[0-9] ok$' ||
  fail "the embedded archive lacks the script: $listing"

if [ -f "$testdata/rar/test_v2.rar" ]; then
  # The fourth block's header size set to 3: the listing shows what comes before
  # the damage, says where it stopped, and fails.
  cp "$testdata/rar/test_v2.rar" "$work/damaged.rar"
  chmod u+w "$work/damaged.rar"
  printf '\003\000' | dd of="$work/damaged.rar" bs=1 seek=16447 conv=notrunc status=none
  listing=$("$bin/glimmer-unpack" "$work/damaged.rar" 2>"$work/err")
  [ $? -eq 1 ] || fail "a damaged archive must give 1"
  echo "$listing" | grep -q '^p0.bin .* ok$' || fail "entries before the damage: $listing"
  grep -q 'offset 16442' "$work/err" || fail "where the listing stopped: $(cat "$work/err")"
fi
echo "pack and unpack behave"
