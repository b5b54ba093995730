#!/usr/bin/env python3
"""Writes three versions of a small demo game (a few tens of MB) for the demo:

    make-versions.py OUT_DIR GAME_EXECUTABLE

OUT_DIR receives the folders 1.0.0, 1.1.0 and 1.2.0. Each holds the stand-in
game as "qmx_x64.exe" and some generated data; from one version to the next,
files change in scattered places, are added and are removed, so that the
patches carry deltas, added files and removals. The output depends on nothing
but the arguments: the same run gives the same bytes.
"""

import os
import random
import shutil
import sys

MiB = 1024 * 1024


def noise(rng, size):
    return rng.randbytes(size)


def text(rng, lines):
    words = ["quill", "mere", "isle", "tide", "lantern", "reed", "harbour",
             "ember", "north", "stone", "gull", "shore", "mist", "oar"]
    return "".join(" ".join(rng.choice(words) for _ in range(10)) + "\n"
                   for _ in range(lines)).encode()


def scatter_edits(rng, data, count, length):
    data = bytearray(data)
    for _ in range(count):
        at = rng.randrange(0, len(data) - length)
        data[at:at + length] = rng.randbytes(length)
    return bytes(data)


def write(root, path, content):
    full = os.path.join(root, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, "wb") as f:
        f.write(content)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    out, game = sys.argv[1], sys.argv[2]
    rng = random.Random(4)

    world = noise(rng, 20 * MiB)
    music = {i: noise(rng, 2 * MiB) for i in (1, 2, 3)}
    config = text(rng, 200)
    readme = b"Quillmere 4 demo data. Nothing here is a real game.\n"

    versions = {
        "1.0.0": {
            "data/world.pak": world,
            "data/music/theme1.ogg": music[1],
            "data/music/theme2.ogg": music[2],
            "data/music/theme3.ogg": music[3],
            "config/game.cfg": config,
            "readme.txt": readme,
        },
    }
    v11 = dict(versions["1.0.0"])
    v11["data/world.pak"] = scatter_edits(rng, world, 40, 512)
    del v11["data/music/theme2.ogg"]
    v11["data/music/theme4.ogg"] = noise(rng, 2 * MiB)
    v11["config/game.cfg"] = config + text(rng, 20)
    versions["1.1.0"] = v11

    v12 = dict(v11)
    v12["data/world.pak"] = scatter_edits(rng, v11["data/world.pak"], 40, 512) + noise(rng, MiB)
    v12["data/maps/isle.map"] = text(rng, 3000)
    v12["readme.txt"] = readme + b"Version 1.2.0 adds the isle map.\n"
    versions["1.2.0"] = v12

    for version, files in versions.items():
        root = os.path.join(out, version)
        shutil.rmtree(root, ignore_errors=True)
        for path, content in files.items():
            write(root, path, content)
        shutil.copy2(game, os.path.join(root, "qmx_x64.exe"))


if __name__ == "__main__":
    main()
