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
