#!/usr/bin/env python3
"""Draws the bundled sample card (sample-card.png, 1024 x 640): a colour header band, a photo-like
landscape with smooth gradients, pure black text and a barcode-like pattern. Standard library only.

    python3 tools/samples/make_sample_card.py tools/samples/sample-card.png
"""
import math
import random
import struct
import sys
import zlib

W, H = 1024, 640

# A 5 x 7 font: one string of five characters per row, '#' for a dot.
FONT = {
    'A': [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    'B': ["####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."],
    'C': [".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."],
    'D': ["####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."],
    'E': ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
    'I': [".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."],
    'L': ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    'M': ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
    'N': ["#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"],
    'O': [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    'P': ["####.", "#...#", "#...#", "####.", "#....", "#....", "#...."],
    'Q': [".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"],
    'R': ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    'S': [".####", "#....", "#....", ".###.", "....#", "....#", "####."],
    'T': ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    'V': ["#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    'X': ["#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"],
    'Y': ["#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."],
    '0': [".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."],
    '1': ["..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."],
    '2': [".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"],
    '3': ["#####", "...#.", "..#..", "...#.", "....#", "#...#", ".###."],
    '4': ["...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."],
    '5': ["#####", "#....", "####.", "....#", "....#", "#...#", ".###."],
    '6': ["..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."],
    '7': ["#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."],
    '8': [".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."],
    '9': [".###.", "#...#", "#...#", ".####", "....#", "...#.", ".##.."],
    '/': ["....#", "...#.", "...#.", "..#..", ".#...", ".#...", "#...."],
    ' ': [".....", ".....", ".....", ".....", ".....", ".....", "....."],
}


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def draw():
    px = [[(255, 255, 255)] * W for _ in range(H)]

    # Header band: a horizontal gradient from deep blue to teal, with a thin red accent line below.
    for y in range(0, 112):
        for x in range(W):
            px[y][x] = mix((18, 52, 150), (0, 150, 160), x / (W - 1))
    for y in range(112, 120):
        for x in range(W):
            px[y][x] = (200, 30, 40)

    # The "photo": a sunset sky, a soft sun, layered hills and a lake.
    x0, y0, pw, ph = 40, 150, 300, 400
    for y in range(ph):
        for x in range(pw):
            t = y / (ph - 1)
            sky = mix((110, 60, 150), (250, 185, 90), min(1.0, t / 0.6))
            d = math.hypot(x - 190, y - 160)
            colour = mix(sky, (255, 240, 170), max(0.0, 1 - d / 150) ** 2)
            if d < 38:
                colour = mix((255, 250, 200), colour, min(1.0, max(0.0, (d - 32) / 6)))
            hill1 = 235 + 22 * math.sin(x / 37.0) + 10 * math.sin(x / 11.0 + 1)
            hill2 = 262 + 16 * math.sin(x / 53.0 + 2)
            if y > hill2:
                colour = mix((40, 110, 60), (10, 50, 30), (y - hill2) / (ph - hill2))
            elif y > hill1:
                colour = mix((90, 120, 110), (50, 80, 90), min(1.0, (y - hill1) / 40))
            if y > 330:  # the lake mirrors the sky, darker, with ripples
                mirrored = mix((110, 60, 150), (250, 185, 90), min(1.0, max(0, 330 - (y - 330) * 2) / (ph - 1) / 0.6))
                colour = mix(mirrored, (30, 60, 110), 0.45 + 0.06 * math.sin(y * 0.35 + x * 0.03))
            px[y0 + y][x0 + x] = colour
    # A thin dark frame around the photo (not pure black).
    for x in range(x0 - 2, x0 + pw + 2):
        for y in (y0 - 2, y0 - 1, y0 + ph, y0 + ph + 1):
            px[y][x] = (60, 60, 60)
    for y in range(y0 - 2, y0 + ph + 2):
        for x in (x0 - 2, x0 - 1, x0 + pw, x0 + pw + 1):
            px[y][x] = (60, 60, 60)

    def text(s, x, y, scale, colour):
        for ch in s:
            glyph = FONT[ch]
            for gy, row in enumerate(glyph):
                for gx, dot in enumerate(row):
                    if dot == '#':
                        for yy in range(scale):
                            for xx in range(scale):
                                px[y + gy * scale + yy][x + gx * scale + xx] = colour
            x += 6 * scale

    text("TOLMA Q47X", 40, 28, 8, (255, 255, 255))
    text("SAMPLE CARD", 380, 160, 6, (0, 0, 0))
    text("NAME", 380, 250, 3, (0, 0, 0))
    text("ADA EXAMPLE", 380, 280, 5, (0, 0, 0))
    text("ID", 380, 340, 3, (0, 0, 0))
    text("0047 1234 5678", 380, 370, 5, (0, 0, 0))
    text("VALID 12/29", 380, 430, 4, (0, 0, 0))

    # A barcode-like pattern in pure black.
    rng = random.Random(47)
    x = 380
    while x < 980:
        bar = rng.choice((3, 3, 6, 9))
        gap = rng.choice((3, 6, 6, 9))
        if x + bar > 980:
            break
        for yy in range(510, 590):
            for xx in range(x, x + bar):
                px[yy][xx] = (0, 0, 0)
        x += bar + gap
    return px


def png(px):
    raw = bytearray()
    prev = bytes(W * 3)
    for row in px:
        line = bytes(c for p in row for c in p)
        # Per row, the filter (none, sub or up) whose bytes are smallest: smooth gradients pack well.
        sub = bytes((line[i] - (line[i - 3] if i >= 3 else 0)) & 255 for i in range(len(line)))
        up = bytes((line[i] - prev[i]) & 255 for i in range(len(line)))
        cost = lambda b: sum(v if v < 128 else 256 - v for v in b)
        best = min(((0, line), (1, sub), (2, up)), key=lambda f: cost(f[1]))
        raw.append(best[0])
        raw += best[1]
        prev = line

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "sample-card.png"
    with open(out, "wb") as f:
        f.write(png(draw()))
