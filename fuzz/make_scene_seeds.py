#!/usr/bin/env python3
"""Writes the 3DS fuzzer's seed corpus: copies of the given scene files (the
show's and the real test files, where present) and small hand-made scenes that
reach each part of the walk: materials and their maps, meshes with material and
smoothing groups, a camera, a spot light, the viewport and background chunks,
and a keyframer with nodes and every kind of track.

usage: make_scene_seeds.py OUT_DIR SCENE_FILE...
"""
import os
import shutil
import struct
import sys


def chunk(cid, payload=b""):
    return struct.pack("<HI", cid, 6 + len(payload)) + payload


def text(name):
    return name.encode() + b"\0"


def floats(*values):
    return struct.pack("<%df" % len(values), *values)


def words(*values):
    return struct.pack("<%dH" % len(values), *values)


def texture_map(cid, name):
    return chunk(cid, chunk(0x0030, words(100)) + chunk(0xA300, text(name)) +
                 chunk(0xA354, floats(1)) + chunk(0xA360, b"\1\2\3"))


def material(name, texture, opacity=None):
    body = chunk(0xA000, text(name)) + chunk(0xA020, chunk(0x0011, b"\x80\x80\x80"))
    body += chunk(0xA040, chunk(0x0030, words(50))) + texture_map(0xA200, texture)
    if opacity:
        body += texture_map(0xA210, opacity)
    return chunk(0xAFFF, body)


def mesh(name, material_name):
    points = [(0, 0, 0), (10, 0, 0), (0, 10, 0), (0, 0, 10)]
    faces = [(0, 1, 2), (0, 3, 1), (1, 3, 2), (2, 3, 0)]
    body = chunk(0x4110, words(len(points)) + b"".join(floats(*p) for p in points))
    body += chunk(0x4140, words(len(points)) + b"".join(floats(p[0] / 10, p[1] / 10) for p in points))
    groups = chunk(0x4130, text(material_name) + words(len(faces), *range(len(faces))))
    groups += chunk(0x4150, struct.pack("<%dI" % len(faces), *([1] * len(faces))))
    body += chunk(0x4120, words(len(faces)) + b"".join(words(*f, 7) for f in faces) + groups)
    body += chunk(0x4160, floats(1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0))
    return chunk(0x4000, text(name) + chunk(0x4100, body))


def camera(name):
    return chunk(0x4000, text(name) + chunk(0x4700, floats(0, -100, 20, 0, 0, 0, 0, 50) +
                                            chunk(0x4720, floats(1, 1000))))


def light():
    spot = chunk(0x4610, floats(0, 0, 0, 20, 30) + chunk(0x4656, floats(0)) +
                 chunk(0x4653, text("proj")))
    return chunk(0x4000, text("Light") + chunk(0x4600, floats(50, 50, 50) +
                                               chunk(0x0010, floats(1, 1, 1)) + spot))


def surroundings():
    gradient = chunk(0x1300, floats(0.5) + b"".join(chunk(0x0010, floats(i, i, i)) for i in range(3)))
    fog = chunk(0x2200, floats(1, 0, 100, 1) + chunk(0x0010, floats(1, 1, 1)) + chunk(0x2210))
    layout = chunk(0x7001, words(0, 0, 0, 0, 0, 0, 0) + chunk(0x7020, words(0, 0, 640, 480)) +
                   chunk(0x7012, b"\0" * 49))
    view = chunk(0x3000, chunk(0x3080, b"Camera01\0\0\0"))
    return (chunk(0x0100, floats(1)) + chunk(0x2100, chunk(0x0013, floats(0.2, 0.2, 0.2))) +
            gradient + fog + layout + view + chunk(0x1100, text("sky.png")))


def track(cid, value_bytes, flags=0, frames=(0, 50, 100)):
    keys = b""
    for index, frame in enumerate(frames):
        spline = 0x1F if index == 1 else 0
        keys += struct.pack("<iH", frame, spline) + (floats(0.1) * bin(spline).count("1"))
        keys += value_bytes(index)
    return chunk(cid, struct.pack("<HIIi", flags, 0, 0, len(frames)) + keys)


def node(tag, node_id, name, parent, *tracks):
    body = chunk(0xB030, words(node_id)) + chunk(0xB010, text(name) + words(0, 0, parent))
    return chunk(tag, body + b"".join(tracks))


def keyframer():
    vector = lambda i: floats(i, i * 2, i * 3)
    scalar = lambda i: floats(40 + i)
    rotation = lambda i: floats(0.5 * i, 0, 0, 1)
    body = chunk(0xB00A, words(5) + text("seed") + struct.pack("<i", 100))
    body += chunk(0xB008, struct.pack("<ii", 0, 100)) + chunk(0xB009, struct.pack("<i", 0))
    body += node(0xB002, 0, "Box", 0xFFFF, chunk(0xB013, floats(0, 0, 0)),
                 track(0xB020, vector, flags=1), track(0xB021, rotation), track(0xB022, vector),
                 track(0xB029, lambda i: b""), track(0xB026, lambda i: text("Box")))
    body += node(0xB002, 1, "$$$DUMMY", 0, chunk(0xB011, text("Helper")), track(0xB020, vector))
    body += node(0xB002, 2, "Tip", 1, track(0xB020, vector))
    body += node(0xB003, 3, "Camera01", 0xFFFF, track(0xB020, vector), track(0xB023, scalar),
                 track(0xB024, scalar))
    body += node(0xB004, 4, "Camera01", 0xFFFF, track(0xB020, vector))
    body += node(0xB005, 5, "Light", 0xFFFF, track(0xB020, vector), track(0xB025, vector))
    return chunk(0xB000, body)


def scene(*editor):
    return chunk(0x4D4D, chunk(0x0002, struct.pack("<I", 3)) + chunk(0x3D3D, b"".join(editor)) +
                 keyframer())


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for path in sys.argv[2:]:
        if os.path.isfile(path):
            shutil.copyfile(path, os.path.join(out, os.path.basename(path)))
    seeds = {
        "plain.3ds": scene(material("Steel", "dunkelr.png"), mesh("Box", "Steel"),
                           mesh("Tip", "Steel"), camera("Camera01")),
        "modes.3ds": scene(material("Veil", "2dunkelr.png"), material("Chrome", "3dunkelr.png"),
                           material("Glass", "1glass.png", "mask.png"), mesh("Box", "Chrome"),
                           mesh("Tip", "Glass"), camera("Camera01")),
        "everything.3ds": scene(surroundings(), material("Steel", "dunkelr.png"),
                                mesh("Box", "Steel"), mesh("Tip", "Steel"), camera("Camera01"),
                                light()),
    }
    for name, data in seeds.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
