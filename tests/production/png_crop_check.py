#!/usr/bin/env python3
"""Compares a recorded frame with a picture recorded alone: the picture must equal the frame's
pixels at LEFT,TOP and every other pixel of the frame must be exactly black.
    png_crop_check.py FRAME.png PICTURE.png LEFT TOP
Reads the 8-bit RGB PNGs the recorder writes (rows filtered with None or Up)."""
import struct
import sys
import zlib


def read_png(path):
    data = open(path, 'rb').read()
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        sys.exit(f'{path}: not a PNG')
    pos, idat = 8, b''
    while pos < len(data):
        length, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b'IHDR':
            width, height, depth, colour = struct.unpack('>IIBB', body[:10])
            if depth != 8 or colour != 2:
                sys.exit(f'{path}: not 8-bit RGB')
        elif kind == b'IDAT':
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = width * 3
    rows, previous = [], bytes(stride)
    for y in range(height):
        kind, row = raw[y * (stride + 1)], raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)]
        if kind == 2:
            row = bytes((a + b) & 255 for a, b in zip(row, previous))
        elif kind != 0:
            sys.exit(f'{path}: row filter {kind}')
        rows.append(row)
        previous = row
    return width, height, rows


def main():
    frame_path, picture_path, left, top = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
    width, height, frame = read_png(frame_path)
    picture_width, picture_height, picture = read_png(picture_path)
    for y in range(height):
        row = frame[y]
        if top <= y < top + picture_height:
            if row[left * 3:(left + picture_width) * 3] != picture[y - top]:
                sys.exit(f'{frame_path}: row {y} differs from {picture_path}')
            bars = row[:left * 3] + row[(left + picture_width) * 3:]
        else:
            bars = row
        if any(bars):
            sys.exit(f'{frame_path}: row {y} has a bar that is not black')


main()
