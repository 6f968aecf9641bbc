#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the fuzz targets' seed files into corpus/<target>/: small files of
each kind the game reads, made here, so that every seed is our own.

Usage: python3 fuzz/make-seeds.py   (from anywhere; rewrites the seeds)
Crash inputs kept as regression cases sit beside the seeds and are left alone.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def put(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("latin-1")
    with open(os.path.join(folder, name), "wb") as out:
        out.write(data)


# --- Morrow.ini -------------------------------------------------------------
GAME = ("[CurrentGame]\nGameName=CurrentGame\nGameDate=10/31/98\nCredits=1250\nBorrowed=2000\n"
        "Spins=412\nTotalBets=1187\nNudges=2\nNudgesUsed=9\nTricksWon=150\n")
SLOTS = GAME + "\n[GameNo2]\nGameName=Lucky run\nGameDate=10/31/98\nCredits=-50\nBorrowed=0x10\nSpins=$FF\n"
ODD = ("\xef\xbb\xbf; a comment\r\n[ gameno1 ]\r\n  credits = \"  7 \"\r\nGameName='  Bat cave '\r\n"
       "# Credits=9\r\n[GameNo1]\r\nCredits=8\r\nSpins=2147483648\r\nNudges=+12\r\nTricksWon=0x\r\n[Other]\r\nx")
for target in ("fuzz_record_read", "fuzz_record_rewrite"):
    prefix = "\x08" if target == "fuzz_record_rewrite" else ""
    put(target, "current-game.ini", prefix + GAME)
    put(target, "two-slots.ini", ("\x01" if prefix else "") + SLOTS)
    put(target, "odd-spellings.ini", ("\x00" if prefix else "") + ODD)
    put(target, "empty.ini", prefix)


# --- MIDI ---------------------------------------------------------------------
def vlq(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.insert(0, 0x80 | (n & 0x7F))
        n >>= 7
    return bytes(out)


def track(events):
    body = b"".join(vlq(delta) + data for delta, data in events) + b"\x00\xff\x2f\x00"
    return b"MTrk" + struct.pack(">I", len(body)) + body


def midi(fmt, tracks, division=96):
    return b"MThd" + struct.pack(">IHHH", 6, fmt, len(tracks), division) + b"".join(tracks)


TEMPO = lambda micros: b"\xff\x51\x03" + struct.pack(">I", micros)[1:]
notes = [(0, b"\xc0\x13"), (0, b"\x90\x3c\x50"), (48, b"\x40\x00"), (0, b"\x43\x60"), (48, b"\x80\x43\x00")]
put("fuzz_midi", "type0-running-status.mid",
    midi(0, [track([(0, TEMPO(500000)), (0, b"\xf0\x05\x7e\x7f\x09\x01\xf7")] + notes
                   + [(96, TEMPO(400000)), (0, b"\x99\x24\x64"), (24, b"\x24\x00")])]))
put("fuzz_midi", "type1-tempo-track-long.mid",
    midi(1, [track([(0, TEMPO(600000)), (0, b"\xff\x58\x04\x04\x02\x18\x08"), (384, TEMPO(450000)),
                    (960, b"\xff\x01\x03end")]),
             track([(0, b"\xb0\x00\x08"), (0, b"\xc1\x04")] + notes),
             track([(0, b"\x99\x26\x70"), (12, b"\x89\x26\x00"), (0, b"\xf7\x02\x01\x02")])]))
put("fuzz_midi", "player-quirks.mid",
    midi(1, [track([(0, b"\x90\x40\x40"), (10, b"\x40\x00")]),
             b"JUNK\x00\x00\x00\x02ab",
             track([(0, b"\x41\x40"), (5, b"\xff\x59\x02\x00\x00"), (0, b"\xc9\x05")])]))
built = os.path.join(HERE, "..", "build", "game", "Morro3.mid")
if os.path.exists(built):
    with open(built, "rb") as f:
        put("fuzz_midi", "Morro3.mid", f.read())

# --- SoundFont ------------------------------------------------------------------
def chunk(cid, body):
    return cid + struct.pack("<I", len(body)) + body + (b"\x00" if len(body) % 2 else b"")


def lst(kind, body):
    return chunk(b"LIST", kind + body)


def name20(text):
    return text.encode().ljust(20, b"\x00")


def soundfont(stereo=False, drums=True):
    points = 200
    samples = struct.pack("<%dh" % points, *[(i * 331) % 20000 - 10000 for i in range(points)])
    smpl = samples + b"\x00\x00" * 46
    info = chunk(b"ifil", struct.pack("<HH", 2, 1)) + chunk(b"isng", b"EMU8000\x00") + chunk(b"INAM", b"Tiny\x00\x00")
    presets = [(b"Piano", 0, 0)] + ([(b"Kit", 0, 128)] if drums else [])
    phdr = b""
    pbag = b""
    pgen = b""
    for i, (name, program, bank) in enumerate(presets):
        phdr += name20(name.decode()) + struct.pack("<HHHIII", program, bank, 2 * i, 0, 0, 0)
        pbag += struct.pack("<HH", 2 * i, 0) + struct.pack("<HH", 2 * i + 1, 0)
        pgen += struct.pack("<HH", 43, 0x7F00) + struct.pack("<HH", 41, i % 1)
    phdr += name20("EOP") + struct.pack("<HHHIII", 0, 0, 2 * len(presets), 0, 0, 0)
    pbag += struct.pack("<HH", 2 * len(presets), 0)
    pgen += struct.pack("<HH", 0, 0)
    pmod = b"\x00" * 10
    inst = name20("Tone") + struct.pack("<H", 0) + name20("EOI") + struct.pack("<H", 2 if stereo else 1)
    ibag = struct.pack("<HH", 0, 0) + struct.pack("<HH", 2 if stereo else 1, 0) + struct.pack("<HH", 3 if stereo else 2, 0)
    igen = struct.pack("<HH", 43, 0x4000 | 0x7F00) + struct.pack("<HH", 53, 0)
    igen += (struct.pack("<HH", 53, 1) if stereo else b"") + struct.pack("<HH", 0, 0)
    if not stereo:
        ibag = struct.pack("<HH", 0, 0) + struct.pack("<HH", 2, 0)
    imod = b"\x00" * 10
    shdr = name20("Wave") + struct.pack("<IIIIIBbHH", 0, 120, 20, 100, 22050, 60, 0, 1 if stereo else 0, 4 if stereo else 1)
    if stereo:
        shdr += name20("WaveR") + struct.pack("<IIIIIBbHH", 120, 200, 130, 190, 22050, 60, 0, 0, 2)
    shdr += name20("EOS") + struct.pack("<IIIIIBbHH", 0, 0, 0, 0, 0, 0, 0, 0, 0)
    pdta = b"".join(chunk(c, b) for c, b in [(b"phdr", phdr), (b"pbag", pbag), (b"pmod", pmod), (b"pgen", pgen),
                                              (b"inst", inst), (b"ibag", ibag), (b"imod", imod), (b"igen", igen),
                                              (b"shdr", shdr)])
    body = b"sfbk" + lst(b"INFO", info) + lst(b"sdta", chunk(b"smpl", smpl)) + lst(b"pdta", pdta)
    return b"RIFF" + struct.pack("<I", len(body)) + body


put("fuzz_soundfont", "tiny-mono.sf2", soundfont())
put("fuzz_soundfont", "tiny-stereo-no-kit.sf2", soundfont(stereo=True, drums=False))


# --- BMP ------------------------------------------------------------------------
def bmp(width, height, bits=24, palette=b"", pixels=None, compression=0, claimed_size=None):
    row = ((width * bits + 31) // 32) * 4
    if pixels is None:
        pixels = bytes((x * 37 + y * 11) & 0xFF for y in range(height) for x in range(row))
    offset = 14 + 40 + len(palette)
    size = claimed_size if claimed_size is not None else offset + len(pixels)
    head = b"BM" + struct.pack("<IHHI", size, 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, len(pixels), 2835, 2835,
                       len(palette) // 4, 0)
    return head + info + palette + pixels


gray16 = b"".join(bytes((i * 17, i * 17, i * 17, 0)) for i in range(16))
gray256 = b"".join(bytes((i, i, i, 0)) for i in range(256))
put("fuzz_bitmap", "rgb-5x3.bmp", bmp(5, 3))
put("fuzz_bitmap", "indexed-4bit-7x2.bmp", bmp(7, 2, 4, gray16))
put("fuzz_bitmap", "rle8-4x2.bmp", bmp(4, 2, 8, gray256, b"\x04\x01\x00\x00\x02\x05\x02\x06\x00\x01", 1))
put("fuzz_bitmap", "claims-60000x60000.bmp", bmp(60000, 60000, 24, b"", b"\x00" * 64))
put("fuzz_bitmap", "claims-4000x3000-short.bmp", bmp(4000, 3000, 24, b"", b"\x55" * 256))


# --- WAV ------------------------------------------------------------------------
def wav(channels=1, rate=22050, bits=16, frames=64, data_size=None, fmt_tag=1):
    block = channels * bits // 8
    data = bytes((i * 7) & 0xFF for i in range(frames * block))
    fmt = struct.pack("<HHIIHH", fmt_tag, channels, rate, rate * block, block, bits)
    size = data_size if data_size is not None else len(data)
    body = b"WAVE" + chunk(b"fmt ", fmt) + b"data" + struct.pack("<I", size) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


put("fuzz_wave", "mono16.wav", wav())
put("fuzz_wave", "stereo8.wav", wav(2, 11025, 8, 40))
put("fuzz_wave", "claims-4gb-data.wav", wav(data_size=0xFFFFFFF0))
put("fuzz_wave", "float32.wav", wav(1, 8000, 32, 16, fmt_tag=3))
