#!/usr/bin/env python3
"""An independent port of the lookup textures' random sequence, written from
its definition: prints the first states, the shuffled order of the
permutation texture and the noise texture (smoothed in double precision)."""
import struct
import sys

MASK = (1 << 64) - 1
SEED = 0xE6664C4F32C445C6
SIZE = 256


def next_random(s):
    b = (97555 * s - 135829 * (s // 135829)) & MASK
    t = b ^ ((b << 17) & MASK) ^ 0x137BD137BD137BD1
    u = t ^ (t >> 19) ^ 0x37BD137BD137BD13
    v = u ^ ((u << 41) & MASK) ^ 0x7BD137BD137BD137
    return v ^ (v >> 47) ^ 0xBD137BD137BD137B


def to_float32(x):
    return struct.unpack("f", struct.pack("f", x))[0]


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 1000
    s = SEED
    states = []
    for _ in range(count):
        s = next_random(s)
        states.append(s)
    print("sequence", *states)

    order = list(range(SIZE * SIZE))
    s = SEED
    for i in range(SIZE * SIZE):
        for _ in range(4):
            s = next_random(s)
            j = s & 0xFFFF
            order[i], order[j] = order[j], order[i]
    print("permutation", *order)

    s = SEED
    r = []
    for _ in range(SIZE * SIZE):
        s = next_random(s)
        r.append(to_float32(float(s % 4294967297)) * 2.0 ** -32)

    def at(x, y):
        return r[(y % SIZE) * SIZE + (x % SIZE)]

    n = []
    for y in range(SIZE):
        for x in range(SIZE):
            n.append(4 * at(x, y) + 2 * (at(x - 1, y) + at(x + 1, y) + at(x, y - 1) + at(x, y + 1))
                     + at(x - 1, y - 1) + at(x + 1, y - 1) + at(x - 1, y + 1) + at(x + 1, y + 1))
    low, high = min(n), max(n)
    print("noise", *("%.7f" % ((v - low) / (high - low) - 0.5) for v in n))


if __name__ == "__main__":
    main()
