#!/usr/bin/env python3
"""The particles' random sequence, written apart from the program's code in
plain Python integers, for the particle tests to compare against.

usage: particle_random.py STEPS LAYER,START,N...
For each particle N of an object on LAYER (0-based) starting at frame START,
prints STEPS lines: the state (the seed first, then each next state) and its
uniform value as the bits of a single-precision float, both in hexadecimal.
"""
import struct
import sys

MASK = (1 << 64) - 1
K1, K2, K3, K4 = 0x137BD137BD137BD1, 0x37BD137BD137BD13, 0x7BD137BD137BD137, 0xBD137BD137BD137B


def single(v):
    return struct.unpack('<f', struct.pack('<f', v))[0]


def seed(n, layer, start):
    g32 = ((layer << 16) ^ start) & 0xFFFFFFFF
    g = (g32 - (1 << 32) if g32 >= 1 << 31 else g32) & MASK  # sign-extended
    s = (97553 * n + 135829 * g) & MASK
    a = ((s ^ ((s << 17) & MASK) ^ K1) + g) & MASK
    b = ((a ^ (a >> 19) ^ K2) + n) & MASK
    c = ((b ^ ((b << 41) & MASK) ^ K3) + g) & MASK
    return ((c ^ (c >> 47) ^ K4) + n) & MASK


def next_state(x):
    y = (97555 * x - 135829 * (x // 135829)) & MASK
    a = y ^ ((y << 17) & MASK) ^ K1
    b = a ^ (a >> 19) ^ K2
    c = b ^ ((b << 41) & MASK) ^ K3
    return c ^ (c >> 47) ^ K4


def uniform(x):
    return single(single(float(x % 4294967297)) * single(2.3283064e-10))


def main():
    steps = int(sys.argv[1])
    for case in sys.argv[2:]:
        layer, start, n = (int(a) for a in case.split(','))
        x = seed(n, layer, start)
        for _ in range(steps):
            bits = struct.unpack('<I', struct.pack('<f', uniform(x)))[0]
            print('%016x %08x' % (x, bits))
            x = next_state(x)


main()
