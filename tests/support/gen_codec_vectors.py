#!/usr/bin/env python3
"""Writes tests/data/codec_vectors.txt, the decoding vectors of
encodings_test.cpp.

Each byte sequence is decoded twice: by the Python codec closest to the
encoding, and by the pointer arithmetic of the WHATWG Encoding Standard over
its index files (../shared/whatwg-encoding). Where the two agree the value is
what both give; where they differ the Encoding Standard's value is kept and
the sequence is counted in the summary at the top of the output, so the test
checks the browser's reading. A sequence the Encoding Standard rejects is
expected as raw-byte units (U+DC80 + byte): the lead alone when the byte
after it is ASCII (read again as itself), both otherwise.

Single-byte encodings: all 128 bytes above ASCII. Multi-byte: every
sequence where either side decodes something, one in SAMPLE of those where
both agree, and every one where they differ. ISO-2022-JP: one in SAMPLE of
the JIS X 0208 characters, each between escape sequences.

Usage: python3 gen_codec_vectors.py [data folder] [output path]
"""

import os
import sys

SAMPLE = 6
PER_LINE = 24

SINGLE_BYTE = {
    "IBM866": "cp866", "ISO-8859-2": "iso8859_2", "ISO-8859-3": "iso8859_3", "ISO-8859-4": "iso8859_4",
    "ISO-8859-5": "iso8859_5", "ISO-8859-6": "iso8859_6", "ISO-8859-7": "iso8859_7", "ISO-8859-8": "iso8859_8",
    "ISO-8859-10": "iso8859_10", "ISO-8859-13": "iso8859_13", "ISO-8859-14": "iso8859_14",
    "ISO-8859-15": "iso8859_15", "ISO-8859-16": "iso8859_16", "KOI8-R": "koi8_r", "KOI8-U": "koi8_u",
    "macintosh": "mac_roman", "windows-874": "cp874", "windows-1250": "cp1250", "windows-1251": "cp1251",
    "windows-1252": "cp1252", "windows-1253": "cp1253", "windows-1254": "cp1254", "windows-1255": "cp1255",
    "windows-1256": "cp1256", "windows-1257": "cp1257", "windows-1258": "cp1258", "x-mac-cyrillic": "mac_cyrillic",
}
MULTI_BYTE = {"Shift_JIS": "cp932", "GBK": "gb18030", "gb18030": "gb18030", "Big5": "big5hkscs",
              "EUC-KR": "cp949", "EUC-JP": "euc_jp"}


def read_index(folder, name):
    table = {}
    with open(os.path.join(folder, "index-%s.txt" % name), encoding="utf-8") as f:
        for line in f:
            line = line.split("#", 1)[0].split()
            if line:
                table[int(line[0])] = int(line[1], 16)
    return table


def rejected(lead, trail):
    return [0xDC80 + lead] + ([trail] if trail < 0x80 else [0xDC80 + trail])


class Standard:
    """The Encoding Standard's reading of one- and two-byte sequences (and
    gb18030's four-byte ones), straight from its index files."""

    def __init__(self, folder):
        self.jis0208_index = read_index(folder, "jis0208")
        self.jis0212_index = read_index(folder, "jis0212")
        self.gb18030_index = read_index(folder, "gb18030")
        self.big5_index = read_index(folder, "big5")
        self.euc_kr_index = read_index(folder, "euc-kr")
        self.ranges = sorted(read_index(folder, "gb18030-ranges").items())

    @staticmethod
    def look_up(index, pointer, lead, trail):
        return [index[pointer]] if pointer in index else rejected(lead, trail)

    def decode(self, name, b):
        return getattr(self, name.replace("-", "_").lower())(b)

    def shift_jis(self, b):
        lead = b[0]
        if len(b) == 1:
            if lead == 0x80:
                return [0x80]
            if 0xA1 <= lead <= 0xDF:
                return [0xFF61 - 0xA1 + lead]
            return [0xDC80 + lead]
        trail = b[1]
        if 0x40 <= trail <= 0x7E or 0x80 <= trail <= 0xFC:
            pointer = (lead - (0x81 if lead < 0xA0 else 0xC1)) * 188 + trail - (0x40 if trail < 0x7F else 0x41)
            if 8836 <= pointer <= 10715:
                return [0xE000 - 8836 + pointer]
            if pointer in self.jis0208_index:
                return [self.jis0208_index[pointer]]
        return rejected(lead, trail)

    def gb18030_four(self, b):
        pointer = (b[0] - 0x81) * 12600 + (b[1] - 0x30) * 1260 + (b[2] - 0x81) * 10 + b[3] - 0x30
        if (39419 < pointer < 189000) or pointer > 1237575:
            return [0xDC80 + x for x in b]
        if pointer == 7457:
            return [0xE7C7]
        offset, code = [r for r in self.ranges if r[0] <= pointer][-1]
        return [code + pointer - offset]

    def gbk(self, b):
        if len(b) == 4:
            return self.gb18030_four(b)
        lead = b[0]
        if len(b) == 1:
            return [0x20AC] if lead == 0x80 else [0xDC80 + lead]
        trail = b[1]
        if 0x40 <= trail <= 0x7E or 0x80 <= trail <= 0xFE:
            pointer = (lead - 0x81) * 190 + trail - (0x40 if trail < 0x7F else 0x41)
            if pointer in self.gb18030_index:
                return [self.gb18030_index[pointer]]
        return rejected(lead, trail)

    gb18030 = gbk

    def big5(self, b):
        lead = b[0]
        if len(b) == 1:
            return [0xDC80 + lead]
        trail = b[1]
        if 0x40 <= trail <= 0x7E or 0xA1 <= trail <= 0xFE:
            pointer = (lead - 0x81) * 157 + trail - (0x40 if trail < 0x7F else 0x62)
            pairs = {1133: [0xCA, 0x304], 1135: [0xCA, 0x30C], 1164: [0xEA, 0x304], 1166: [0xEA, 0x30C]}
            return pairs.get(pointer) or self.look_up(self.big5_index, pointer, lead, trail)
        return rejected(lead, trail)

    def euc_kr(self, b):
        lead = b[0]
        if len(b) == 1:
            return [0xDC80 + lead]
        trail = b[1]
        pointer = (lead - 0x81) * 190 + trail - 0x41 if 0x41 <= trail <= 0xFE else None
        return self.look_up(self.euc_kr_index, pointer, lead, trail)

    def euc_jp(self, b):
        lead = b[0]
        if len(b) == 1:
            return [0xDC80 + lead]
        trail = b[1]
        if len(b) == 3:
            pointer = (trail - 0xA1) * 94 + b[2] - 0xA1
            if 0xA1 <= b[2] <= 0xFE and pointer in self.jis0212_index:
                return [self.jis0212_index[pointer]]
            return [0xDC80 + lead] + rejected(trail, b[2])
        if lead == 0x8E and 0xA1 <= trail <= 0xDF:
            return [0xFF61 - 0xA1 + trail]
        if 0xA1 <= lead <= 0xFE and 0xA1 <= trail <= 0xFE:
            pointer = (lead - 0xA1) * 94 + trail - 0xA1
            if pointer in self.jis0208_index:
                return [self.jis0208_index[pointer]]
        return rejected(lead, trail)


def python_decode(codec, b):
    try:
        return [ord(c) for c in b.decode(codec)]
    except UnicodeDecodeError:
        return None


LEADS = {
    "Shift_JIS": set(range(0x81, 0xA0)) | set(range(0xE0, 0xFD)),
    "EUC-JP": {0x8E} | set(range(0xA1, 0xFF)),
}


def sequences(name):
    leads = LEADS.get(name, set(range(0x81, 0xFF)))
    for lead in range(0x80, 0x100):
        if lead not in leads:
            yield bytes([lead])
            continue
        for trail in range(0x40, 0x100):
            yield bytes([lead, trail])
    if name == "EUC-JP":
        for lead in range(0xA1, 0xFF):
            for trail in range(0xA1, 0xFF):
                yield bytes([0x8F, lead, trail])
    if name in ("GBK", "gb18030"):
        for first in (0x81, 0x82, 0x84, 0x85, 0x90, 0xE3, 0xFE):
            for second in (0x30, 0x31, 0x35, 0x39):
                for third in (0x81, 0x8A, 0xA4, 0xD2, 0xFE):
                    yield bytes([first, second, third, 0x30 + (first + third) % 10])


def describe(b, codes):
    return "%s=%s" % (b.hex().upper(), "+".join("%X" % c for c in codes))


def single_byte_lines(folder):
    lines = []
    for name, codec in SINGLE_BYTE.items():
        index = read_index(folder, name.lower())
        entries, differ = [], []
        for byte in range(0x80, 0x100):
            standard = [index[byte - 0x80]] if byte - 0x80 in index else [0xDC80 + byte]
            python = python_decode(codec, bytes([byte]))
            entries.append(describe(bytes([byte]), standard))
            if python != standard and not (python is None and standard == [0xDC80 + byte]):
                differ.append(entries[-1])
        lines.append((name, codec, entries, differ))
    return lines


def multi_byte_lines(folder):
    standard = Standard(folder)
    lines = []
    for name, codec in MULTI_BYTE.items():
        entries, differ, agreed = [], [], 0
        for b in sequences(name):
            ours = standard.decode(name, b)
            python = python_decode(codec, b)
            valid = not all(0xDC80 <= c <= 0xDD7F or c < 0x80 for c in ours)
            if python is None and not valid:
                continue
            if python == ours:
                agreed += 1
                if agreed % SAMPLE:
                    continue
            else:
                differ.append(describe(b, ours))
            entries.append(describe(b, ours))
        lines.append((name, codec, entries, differ))
    return lines


def iso2022_jp_lines(folder):
    """Characters of JIS X 0208 between the escape sequences that select it and
    ASCII again, and a Roman-set yen sign; each followed by a space, since two
    escape sequences in a row are an error."""
    jis0208 = read_index(folder, "jis0208")
    entries, differ = [], []
    for pointer in sorted(jis0208)[::SAMPLE]:
        if pointer >= 94 * 94:
            continue
        b = bytes([0x1B, 0x24, 0x42, pointer // 94 + 0x21, pointer % 94 + 0x21, 0x1B, 0x28, 0x42, 0x20])
        entries.append(describe(b, [jis0208[pointer], 0x20]))
        if python_decode("iso2022_jp", b) != [jis0208[pointer], 0x20]:
            differ.append(entries[-1])
    yen = bytes([0x1B, 0x28, 0x4A, 0x5C, 0x1B, 0x28, 0x42, 0x20])
    entries.append(describe(yen, [0xA5, 0x20]))
    return [("ISO-2022-JP", "iso2022_jp", entries, differ)]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    root = os.path.dirname(os.path.dirname(here))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "..", "shared", "whatwg-encoding")
    target = sys.argv[2] if len(sys.argv) > 2 else os.path.join(root, "tests", "data", "codec_vectors.txt")
    groups = single_byte_lines(folder) + multi_byte_lines(folder) + iso2022_jp_lines(folder)
    out = ["# Generated by tests/support/gen_codec_vectors.py; do not edit.",
           "# <encoding> <bytes>=<code points>...; bytes and code points in hex; DC80..DD7F a raw-byte unit (DC80 + byte).",
           "# Where the Python codec reads a sequence otherwise than the Encoding Standard:"]
    for name, codec, _, differ in groups:
        if differ:
            out.append("#   %s (%s): %d, e.g. %s" % (name, codec, len(differ), " ".join(differ[:4])))
    for name, _, entries, _ in groups:
        for start in range(0, len(entries), PER_LINE):
            out.append(name + " " + " ".join(entries[start:start + PER_LINE]))
    os.makedirs(os.path.dirname(target), exist_ok=True)
    with open(target, "w", encoding="ascii", newline="\n") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
