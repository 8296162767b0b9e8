#!/usr/bin/env python3
"""Writes data.bin and one zlib stream of it per way of compressing (stored, fixed and
dynamic Huffman codes, run-length only), plus empty.z, into the given folder."""
import os
import sys
import zlib

out = sys.argv[1]
os.makedirs(out, exist_ok=True)
state = 12345
noise = bytearray()
for _ in range(40000):
    state = (state * 1103515245 + 12345) & 0x7FFFFFFF
    noise.append(state >> 16 & 0xFF)
data = b'a picture row ' * 3000 + bytes(noise) + b'\xf4' * 70000 + bytes(range(256)) * 40
with open(os.path.join(out, 'data.bin'), 'wb') as f:
    f.write(data)
ways = {
    'stored': (0, zlib.Z_DEFAULT_STRATEGY),
    'fast': (1, zlib.Z_DEFAULT_STRATEGY),
    'best': (9, zlib.Z_DEFAULT_STRATEGY),
    'fixed': (6, zlib.Z_FIXED),
    'huffman': (6, zlib.Z_HUFFMAN_ONLY),
    'rle': (6, zlib.Z_RLE),
}
for name, (level, strategy) in ways.items():
    c = zlib.compressobj(level, zlib.DEFLATED, 15, 9, strategy)
    with open(os.path.join(out, name + '.z'), 'wb') as f:
        f.write(c.compress(data) + c.flush())
with open(os.path.join(out, 'empty.z'), 'wb') as f:
    f.write(zlib.compress(b''))
