#!/usr/bin/env python3
"""Writes the archive fuzzer's seed corpus: copies of the real archives found in
TESTDATA (if any) and small hand-made archives with packed streams that reach
each part of the unpacker (literals and matches, multimedia channels, solid
continuation, table switches).

usage: make_seeds.py TESTDATA_RAR_DIR OUT_DIR
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


def main():
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
