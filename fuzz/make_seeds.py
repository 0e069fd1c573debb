#!/usr/bin/env python3
"""Writes the archive fuzzer's seed corpus: copies of the real archives found in
TESTDATA (if any) and small hand-made archives with packed streams that reach
each part of the unpacker (literals and matches, multimedia channels, solid
continuation, table switches).

With --streams, writes the differential unpack fuzzer's seeds instead: a stream
for each result code, the hand-made streams, and the packed entries of the
given archives (or of the archives in the given directories), each with the
entry after it.

usage: make_seeds.py TESTDATA_RAR_DIR OUT_DIR
       make_seeds.py --streams OUT_DIR ARCHIVE_OR_DIR...
"""
import os
import shutil
import struct
import sys
import zlib

MAIN, DISTANCE, LENGTH, AUDIO = 298, 48, 28, 257


class Bits:
    """Most significant bit first."""

    def __init__(self):
        self.bits = []

    def put(self, value, count):
        self.bits += [(value >> i) & 1 for i in range(count - 1, -1, -1)]

    def data(self):
        padded = self.bits + [0] * (-len(self.bits) % 8)
        return bytes(int("".join(map(str, padded[i:i + 8])), 2) for i in range(0, len(padded), 8))


def canonical(lengths):
    """Codes by length, then by symbol: {symbol: (bits, length)}."""
    codes, code = {}, 0
    for length in range(1, 16):
        for symbol, l in enumerate(lengths):
            if l == length:
                codes[symbol] = (code, length)
                code += 1
        code <<= 1
    return codes


def lengths_of(count, coded):
    lengths = [0] * count
    for symbol, length in coded.items():
        lengths[symbol] = length
    return lengths


def tables(bits, header, header_bits, lengths):
    """A table set sending each length as a delta through 4-bit pre-codes 0..15."""
    bits.put(header, header_bits)
    for symbol in range(19):
        bits.put(4 if symbol < 16 else 0, 4)
    for length in lengths:
        bits.put(length, 4)


def normal_tables(bits, main, distance=None, length=None):
    all_lengths = (lengths_of(MAIN, main) + lengths_of(DISTANCE, distance or {}) +
                   lengths_of(LENGTH, length or {}))
    tables(bits, 0, 2, all_lengths)
    return canonical(lengths_of(MAIN, main)), canonical(lengths_of(DISTANCE, distance or {}))


def put(bits, code):
    bits.put(*code)


def archive(entries, solid=False):
    """entries: (name, packed bytes, unpacked bytes, method, flags)."""
    out = bytearray(b"Rar!\x1a\x07\x00")
    main = struct.pack("<BHHHI", 0x73, 0x0008 if solid else 0, 13, 0, 0)
    out += struct.pack("<H", zlib.crc32(main) & 0xFFFF) + main
    for name, packed, unpacked, method, flags in entries:
        name = name.encode()
        header = struct.pack("<BHHIIBIIBBHI", 0x74, flags | 0x8000, 32 + len(name), len(packed),
                             len(unpacked), 2, zlib.crc32(unpacked), 0, 20, method, len(name),
                             0x20) + name
        out += struct.pack("<H", zlib.crc32(header) & 0xFFFF) + header + packed
    end = struct.pack("<BHH", 0x7B, 0x4000, 7)
    return bytes(out + struct.pack("<H", zlib.crc32(end) & 0xFFFF) + end)


def run_stream():
    """'A', then a long match of distance 1 and length 10, then a short match."""
    bits = Bits()
    main, distance = normal_tables(bits, {65: 2, 261: 2, 277: 2, 269: 2}, {0: 1})
    put(bits, main[65])
    put(bits, main[277])
    put(bits, distance[0])
    put(bits, main[261])
    bits.put(0, 2)
    return bits.data(), b"A" * 13


def audio_stream():
    """Two channels of the multimedia mode, 40 bytes each, then back to normal mode."""
    bits = Bits()
    channel = lengths_of(AUDIO, {0x10: 1, 256: 2, 0xF0: 2})
    tables(bits, 0b1001, 4, channel + channel)
    codes = canonical(channel)
    for i in range(80):
        put(bits, codes[0x10 if i % 3 else 0xF0])
    put(bits, codes[256])
    main, _ = normal_tables(bits, {66: 1, 269: 1})
    put(bits, main[66])
    return bits.data()


def solid_pair():
    """An entry whose last symbol announces new tables, and a solid one using them."""
    first = Bits()
    main, _ = normal_tables(first, {65: 2, 66: 2, 67: 2, 269: 2})
    for symbol in (65, 66, 67, 269):
        put(first, main[symbol])
    main, distance = normal_tables(first, {65: 1, 270: 1}, {2: 1})
    second = Bits()
    put(second, main[270])
    put(second, distance[2])
    put(second, main[65])
    return first.data(), second.data()


def result_code_stream():
    """'A', then a long match of distance 1 and length 10: complete with size 11,
    an overrun with size 5, exhausted with size 1000 (see UnpackResult.h)."""
    bits = Bits()
    main, distance = normal_tables(bits, {65: 1, 277: 1}, {0: 1})
    for code in (main[65], main[277], distance[0]):
        put(bits, code)
    return bits.data()


def flush_margin_stream():
    """Bytes i % 100: 100 literals, matches of 258 at distance 100, then matches of
    260 at distance 262200, one of which comes exactly 260 bytes behind the
    window's unflushed start: only a flush before it keeps those bytes. Literals
    at the end make the size a multiple of 32, the seed's unit for large sizes."""
    bits = Bits()
    coded = {symbol: 7 for symbol in list(range(100)) + [256, 297]}
    main, distance = normal_tables(bits, coded, {13: 1, 36: 1})

    def longest_match(slot, extra, extra_bits):
        put(bits, main[297])
        bits.put(31, 5)
        put(bits, distance[slot])
        bits.put(extra, extra_bits)

    for literal in range(100):
        put(bits, main[literal])
    near, far = 1092, 2951
    longest_match(13, 3, 5)
    for _ in range(near - 1):
        put(bits, main[256])
    longest_match(36, 55, 16)
    for _ in range(far - 1):
        put(bits, main[256])
    size = 100 + 258 * near + 260 * far
    while size % 32:
        put(bits, main[size % 100])
        size += 1
    return bits.data(), size


def last_symbol_pair(left):
    """An entry of "AA" ending on a byte boundary, then `left` bytes that start
    with the table switch and read as tables that clear every length; a solid
    entry of zero bits after it. The switch counts only with 5 bytes left."""
    bits = Bits()
    main, _ = normal_tables(bits, {65: 1, 269: 1})
    for _ in range(2):
        put(bits, main[65])
    assert len(bits.bits) % 8 == 0
    return bits.data() + b"\x80" + bytes(left - 1), bytes(6)


def precode_clamp_stream():
    """Two audio channels set lengths up to 513; normal tables that keep them end
    in a zero run that would pass 374; audio tables that keep every length then
    decode channel 1 with the codes at 385 and 513 that the cut run left."""
    bits = Bits()
    channel0 = lengths_of(AUDIO, {0x10: 1, 256: 1})
    channel1 = lengths_of(AUDIO, {0x80: 2, 256: 2})
    tables(bits, 0b1001, 4, channel0 + channel1)
    codes0, codes1 = canonical(channel0), canonical(channel1)
    for code in (codes0[0x10], codes1[0x80], codes0[256]):
        put(bits, code)
    previous = channel0 + channel1
    normal = lengths_of(MAIN, {65: 1, 269: 1})
    bits.put(1, 2)
    for symbol in range(19):  # deltas 1xxxx, the long zero run 0
        bits.put(5 if symbol < 16 else 1 if symbol == 18 else 0, 4)
    run_start = MAIN + DISTANCE + LENGTH - 14
    for i in range(run_start):
        bits.put(0x10 | ((normal[i] if i < MAIN else 0) - previous[i]) & 15, 5)
    bits.put(0, 1)
    bits.put(138 - 11, 7)
    main = canonical(normal)
    put(bits, main[65])
    put(bits, main[269])
    tables(bits, 0b1101, 4, [0] * (2 * AUDIO))
    bits.put(0, 1)
    bits.put(2, 2)
    return bits.data()


SECOND_STARTS_CLEAN, SIZES_IN_32_BYTES = 4, 8


def stream_seed(sizes, first, second=b"", flags=0):
    """The differential fuzzer's input: two unpacked sizes, the first stream's
    length, the flags, then both streams."""
    if max(sizes) > 0xFFFF:
        sizes, flags = [(size + 31) // 32 for size in sizes], flags | SIZES_IN_32_BYTES
    sizes = [min(size, 0xFFFF) for size in sizes]
    first = first[:0xFFFF]
    return struct.pack("<HHHB", sizes[0], sizes[1], len(first), flags) + first + second


def packed_entries(path):
    """(packed bytes, unpacked size, solid) for each packed entry of an archive."""
    with open(path, "rb") as file:
        data = file.read()
    entries = []
    block = 7 + struct.unpack_from("<H", data, 7 + 5)[0]
    while block + 32 <= len(data):
        kind, flags, size, packed, unpacked = struct.unpack_from("<BHHII", data, block + 2)
        if size < 7:
            break
        start = block + size
        if kind == 0x74 and data[block + 25] != 0x30:
            entries.append((data[start:start + packed], unpacked, bool(flags & 0x0010)))
        block = start + (packed if flags & 0x8000 else 0)
    return entries


def archive_paths(paths):
    for path in paths:
        if os.path.isdir(path):
            yield from (os.path.join(path, name) for name in sorted(os.listdir(path))
                        if name.endswith(".rar"))
        elif os.path.isfile(path):
            yield path


def stream_seeds(out, paths):
    os.makedirs(out, exist_ok=True)
    code = result_code_stream()
    first, second = solid_pair()
    run, run_bytes = run_stream()
    seeds = {
        "complete": stream_seed((11, 0), code),
        "overrun": stream_seed((5, 0), code),
        "exhausted": stream_seed((1000, 0), code),
        "run": stream_seed((len(run_bytes), 0), run),
        "audio": stream_seed((81, 0), audio_stream()),
        "solid": stream_seed((3, 4), first, second),
        "precode-clamp": stream_seed((5, 0), precode_clamp_stream()),
    }
    margin, margin_size = flush_margin_stream()
    seeds["flush-margin"] = stream_seed((margin_size, 0), margin)
    for left in (4, 5):
        seeds[f"last-symbol-{left}"] = stream_seed((2, 3), *last_symbol_pair(left))
    for path in archive_paths(paths):
        entries = packed_entries(path)
        for i, (packed, unpacked, _) in enumerate(entries):
            following, following_size, solid = (entries[i + 1] if i + 1 < len(entries)
                                                else (b"", 0, False))
            seeds[f"{os.path.basename(path)}-{i}"] = stream_seed(
                (unpacked, following_size), packed, following, 0 if solid else SECOND_STARTS_CLEAN)
    for name, data in seeds.items():
        with open(os.path.join(out, name), "wb") as file:
            file.write(data)


def main():
    if sys.argv[1] == "--streams":
        stream_seeds(sys.argv[2], sys.argv[3:])
        return
    testdata, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    if os.path.isdir(testdata):
        for name in sorted(os.listdir(testdata)):
            if name.endswith(".rar"):
                shutil.copyfile(os.path.join(testdata, name), os.path.join(out, name))
    run, run_bytes = run_stream()
    seeds = {
        "stored.rar": archive([("data\\script.txt", b"[a]\r\n@\r\n", b"[a]\r\n@\r\n", 0x30, 0)]),
        "run.rar": archive([("data\\run.bin", run, run_bytes, 0x33, 0)]),
        "audio.rar": archive([("data\\audio.bin", audio_stream(), b"?" * 81, 0x33, 0)]),
    }
    first, second = solid_pair()
    seeds["solid.rar"] = archive([("a.bin", first, b"ABC", 0x35, 0),
                                  ("b.bin", second, b"ABCA", 0x35, 0x0010)], solid=True)
    for name, data in seeds.items():
        with open(os.path.join(out, name), "wb") as file:
            file.write(data)


if __name__ == "__main__":
    main()
