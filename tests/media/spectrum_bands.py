#!/usr/bin/env python3
"""Display bands of an audio block, written apart from the program's code in
plain Python (double precision, a textbook recursive FFT), for the spectrum
tests to compare against.

usage: spectrum_bands.py BLOCK COUNT...
BLOCK holds little-endian float32 samples: the left channel, then the right
channel, each of the same length. Prints one band value per line for each
count, each list followed by a line "end".
"""
import cmath
import math
import struct
import sys

N = 2048


def fft(x):
    n = len(x)
    if n == 1:
        return list(x)
    even = fft(x[0::2])
    odd = fft(x[1::2])
    out = [0j] * n
    for k in range(n // 2):
        t = cmath.exp(2j * math.pi * k / n) * odd[k]
        out[k] = even[k] + t
        out[k + n // 2] = even[k] - t
    return out


def edges():
    q = 384.0 ** (1.0 / 512.0)
    result = [2.0]
    g = 2.0
    for e in range(1, 513):
        g *= q
        result.append(256.0 * (e / 512.0) ** 9 + g)
    result[512] = 1024.0
    return result


def integrate(p, lo, hi):
    """Power over [lo, hi) of the bin axis, bins weighted by their covered part."""
    h = int(lo)
    if hi - lo < 1.0:
        return ((h + 1 - lo) * p[h] + (lo - h) * p[h + 1]) * (hi - lo)
    total = 0.0
    f = lo
    if f != math.floor(f):
        total += (math.floor(f) + 1 - f) * p[int(f)]
        f = math.floor(f) + 1
    while int(f) < int(hi):
        total += p[int(f)]
        f += 1
    if f < hi:
        total += (hi - f) * p[int(f)]
    return total


def weighted_mean(values, weights_by_distance):
    r = len(weights_by_distance) - 1
    out = []
    for j in range(len(values)):
        num = den = 0.0
        for d in range(-r, r + 1):
            if 0 <= j + d < len(values):
                w = weights_by_distance[abs(d)]
                num += w * values[j + d]
                den += w
        out.append(num / den)
    return out


def peaks_of(left, right):
    n = len(left)
    peaks = [0.0] * 512
    edge = edges()
    for start in range(0, n, N):
        for channel in (left, right):
            window = [channel[(start + k) % n] for k in range(N)]
            spectrum = fft(window)
            p = [abs(v) ** 2 for v in spectrum[:1024]] + [0.0]
            filled = list(p)
            for k in range(1, 511):
                filled[k] = max(p[k], min(p[k - 1], p[k + 1]))
            for e in range(512):
                v = math.sqrt(integrate(filled, edge[e], edge[e + 1])) * 48 - 64
                peaks[e] = max(peaks[e], min(max(v, 0.0), 32767.0))
    return peaks


def bands(peaks, count):
    c = min(count, 1024)
    s = weighted_mean(peaks, [512, 256]) + [0.0]
    r = [0.0] * c
    if c <= 512:
        for src in range(512):
            j = (src * c + 256) // 512
            if j < c:
                r[j] = max(r[j], s[src])
    else:
        for j in range(c):
            x = j * 512 / c
            i = int(x)
            w = i + 1 - x
            r[j] = w * s[i] + (1 - w) * s[i + 1]
    if c < 16:
        return r
    if c < 128:
        return weighted_mean(r, [512, 2 * c])
    radius = (2 * c) >> 8
    return weighted_mean(r, [(radius + 1 - d) * 256 for d in range(radius + 1)])


def main():
    data = open(sys.argv[1], "rb").read()
    values = struct.unpack("<%df" % (len(data) // 4), data)
    half = len(values) // 2
    peaks = peaks_of(values[:half], values[half:])
    for count in sys.argv[2:]:
        for v in bands(peaks, int(count)):
            print(repr(v))
        print("end")


if __name__ == "__main__":
    main()
