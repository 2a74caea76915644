#!/usr/bin/env python3
"""Writes EncodingTables.inc, the label table and index tables behind the
codecs in this folder, from the WHATWG Encoding Standard's encodings.json and
index-*.txt, and the two small tables inside its algorithms (encoding.bs).

The forward tables are dense arrays of 16-bit code points indexed by
pointer (0: no character); Big5, whose index also reaches into plane 2,
keeps a bit per pointer saying "add 0x20000". The reverse tables the
encoders search are parallel arrays of code points and pointers sorted by
code point, holding for each code point the pointer its encoder uses (the
first in the index, except where the Shift_JIS and Big5 encoders skip
entries).

Usage: python3 gen_encoding_tables.py [data folder] [output path]
The data folder defaults to ../shared/whatwg-encoding beside the repository.
"""

import json
import os
import re
import sys

VALUES_PER_LINE = 20

# The encodings the codecs implement, in the order of the EncodingId enum in
# Encodings.h (the order of encodings.json); the label table refers to the
# enumerators by these names, so a mismatch fails to compile.
ENUMERATORS = {
    "UTF-8": "kUtf8", "IBM866": "kIbm866",
    "ISO-8859-2": "kIso8859_2", "ISO-8859-3": "kIso8859_3", "ISO-8859-4": "kIso8859_4",
    "ISO-8859-5": "kIso8859_5", "ISO-8859-6": "kIso8859_6", "ISO-8859-7": "kIso8859_7",
    "ISO-8859-8": "kIso8859_8", "ISO-8859-8-I": "kIso8859_8I", "ISO-8859-10": "kIso8859_10",
    "ISO-8859-13": "kIso8859_13", "ISO-8859-14": "kIso8859_14", "ISO-8859-15": "kIso8859_15",
    "ISO-8859-16": "kIso8859_16", "KOI8-R": "kKoi8R", "KOI8-U": "kKoi8U", "macintosh": "kMacintosh",
    "windows-874": "kWindows874", "windows-1250": "kWindows1250", "windows-1251": "kWindows1251",
    "windows-1252": "kWindows1252", "windows-1253": "kWindows1253", "windows-1254": "kWindows1254",
    "windows-1255": "kWindows1255", "windows-1256": "kWindows1256", "windows-1257": "kWindows1257",
    "windows-1258": "kWindows1258", "x-mac-cyrillic": "kXMacCyrillic",
    "GBK": "kGbk", "gb18030": "kGb18030", "Big5": "kBig5", "EUC-JP": "kEucJp",
    "ISO-2022-JP": "kIso2022Jp", "Shift_JIS": "kShiftJis", "EUC-KR": "kEucKr",
    "UTF-16BE": "kUtf16BE", "UTF-16LE": "kUtf16LE", "x-user-defined": "kXUserDefined",
}
# Decodes no text (one U+FFFD for a whole input), so it is left out.
EXCLUDED = {"replacement"}
# Single-byte encodings whose table is another's.
SHARED_INDEX = {"ISO-8859-8-I": "iso-8859-8"}


def read_index(folder, name):
    """{pointer: code point} of index-<name>.txt."""
    table = {}
    with open(os.path.join(folder, "index-%s.txt" % name), encoding="utf-8") as f:
        for line in f:
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            pointer, code = line.split()[:2]
            table[int(pointer)] = int(code, 16)
    return table


def read_encodings(folder):
    with open(os.path.join(folder, "encodings.json"), encoding="utf-8") as f:
        groups = json.load(f)
    encodings = [e for g in groups for e in g["encodings"] if e["name"] not in EXCLUDED]
    names = [e["name"] for e in encodings]
    if names != list(ENUMERATORS):
        raise ValueError("encodings.json lists %r, the enum expects %r" % (names, list(ENUMERATORS)))
    return encodings, groups


def numbers(values, fmt="%d"):
    values = list(values)
    lines = []
    for start in range(0, len(values), VALUES_PER_LINE):
        lines.append("    " + ", ".join(fmt % v for v in values[start:start + VALUES_PER_LINE]) + ",")
    return lines


def array(ctype, name, values, fmt="%d"):
    values = list(values)
    return ["inline constexpr %s %s[%d] = {" % (ctype, name, max(len(values), 1))] + numbers(values or [0], fmt) + ["};"]


def dense(table, name, first=0):
    """A forward table from pointer `first` on; code points must be in the BMP."""
    last = max(table)
    values = [table.get(p, 0) for p in range(first, last + 1)]
    if any(v > 0xFFFF for v in values):
        raise ValueError("%s holds code points beyond the BMP" % name)
    return array("std::uint16_t", name, values)


def reverse(pairs, name):
    """Parallel sorted arrays: code points (16-bit) and their pointers."""
    rows = sorted(pairs.items())
    if any(code > 0xFFFF or pointer > 0xFFFF for code, pointer in rows):
        raise ValueError("%s does not fit 16 bits" % name)
    return (array("std::uint16_t", name + "Codes", (c for c, _ in rows))
            + array("std::uint16_t", name + "Pointers", (p for _, p in rows)))


def first_pointers(table, skip=lambda pointer: False):
    result = {}
    for pointer in sorted(table):
        if not skip(pointer):
            result.setdefault(table[pointer], pointer)
    return result


def label_rows(encodings, groups):
    rows = []
    for group in groups:
        for e in group["encodings"]:
            if e["name"] in ENUMERATORS:
                rows.extend((label, "EncodingId::" + ENUMERATORS[e["name"]]) for label in e["labels"])
    rows.sort()
    return ["inline constexpr EncodingLabel kEncodingLabels[%d] = {" % len(rows)] + [
        '    {"%s", %s},' % row for row in rows] + ["};"]


def single_byte(folder, encodings):
    lines = []
    names = [e["name"] for e in encodings]
    single = names[names.index("IBM866"):names.index("x-mac-cyrillic") + 1]
    lines.append("// Bytes 0x80..0xFF of each single-byte encoding, from IBM866 to x-mac-cyrillic in")
    lines.append("// enum order; 0 where the byte has no character.")
    lines.append("inline constexpr std::uint16_t kSingleByteIndexes[%d][128] = {" % len(single))
    for name in single:
        table = read_index(folder, SHARED_INDEX.get(name, name.lower()))
        codes = [table.get(p, 0) for p in range(128)]
        mapped = [c for c in codes if c]
        if len(set(mapped)) != len(mapped) or any(c > 0xFFFF for c in mapped):
            raise ValueError("%s repeats a code point or leaves the BMP" % name)
        lines.append("    { // %s" % name)
        lines.extend("    " + line for line in numbers(codes, "0x%X"))
        lines.append("    },")
    lines.append("};")
    return lines


def big5(folder):
    table = read_index(folder, "big5")
    first = min(table)
    planes = {p: c >> 16 for p, c in table.items()}
    if set(planes.values()) - {0, 2}:
        raise ValueError("Big5 reaches beyond planes 0 and 2")
    low = {p: c & 0xFFFF for p, c in table.items()}
    count = max(table) - first + 1
    bits = [0] * ((count + 31) // 32)
    for p, plane in planes.items():
        if plane:
            bits[(p - first) // 32] |= 1 << ((p - first) % 32)
    lines = ["inline constexpr unsigned kBig5FirstPointer = %d;" % first]
    lines += dense(low, "kBig5Index", first)
    lines += ["// Bit (pointer - kBig5FirstPointer): the code point is in plane 2."]
    lines += array("std::uint32_t", "kBig5Plane2", bits, "0x%X")
    # The encoder skips the Hong Kong extensions below lead 0xA1 and, for six
    # code points, takes the last pointer rather than the first.
    limit = (0xA1 - 0x81) * 157
    last_wins = {0x2550, 0x255E, 0x2561, 0x256A, 0x5341, 0x5345}
    chosen = first_pointers(table, lambda p: p < limit)
    for pointer in sorted(table):
        if pointer >= limit and table[pointer] in last_wins:
            chosen[table[pointer]] = pointer
    bmp = {c: p for c, p in chosen.items() if c <= 0xFFFF}
    plane2 = {c & 0xFFFF: p for c, p in chosen.items() if c > 0xFFFF}
    return lines + reverse(bmp, "kBig5Reverse") + reverse(plane2, "kBig5ReversePlane2")


def jis0208(folder):
    table = read_index(folder, "jis0208")
    everywhere = first_pointers(table)
    # Shift_JIS skips the NEC-selected IBM extensions (8272..8835) so that
    # their code points go to the IBM extensions later in the index; only the
    # code points whose pointer that changes are listed for it.
    shift_jis = first_pointers(table, lambda p: 8272 <= p <= 8835)
    overrides = {c: shift_jis.get(c, 0xFFFF) for c in everywhere if shift_jis.get(c) != everywhere[c]}
    return (dense(table, "kJis0208Index") + reverse(everywhere, "kJis0208Reverse")
            + ["// Where the Shift_JIS pointer differs from the first one (0xFFFF: none)."]
            + reverse(overrides, "kShiftJisReverseOverride"))


def gb18030(folder):
    table = read_index(folder, "gb18030")
    ranges = read_index(folder, "gb18030-ranges")
    rows = sorted(ranges.items())
    return (dense(table, "kGb18030Index") + reverse(first_pointers(table), "kGb18030Reverse")
            + ["// The four-byte ranges: first pointer and first code point of each."]
            + array("std::uint32_t", "kGb18030RangePointers", (p for p, _ in rows))
            + array("std::uint32_t", "kGb18030RangeCodes", (c for _, c in rows), "0x%X"))


def algorithm_tables(folder):
    """The two small tables inside the algorithms of encoding.bs: code points
    the gb18030 encoder writes with fixed bytes, and the Big5 pointers that
    decode to two code points."""
    with open(os.path.join(folder, "encoding.bs"), encoding="utf-8") as f:
        text = f.read()
    extras = re.findall(r"<td>U\+(E[0-9A-F]{3})\s*<td>0x([0-9A-F]{2}) 0x([0-9A-F]{2})", text)
    pairs = re.findall(r"<tr><td>(\d+)<!--[^>]*--><td>U\+([0-9A-F]{4}) U\+([0-9A-F]{4})", text)
    if len(extras) != 18 or len(pairs) != 4:
        raise ValueError("encoding.bs: %d gb18030 encoder rows, %d Big5 pairs" % (len(extras), len(pairs)))
    lines = ["// Code points the gb18030 encoder writes as these two bytes, which decode otherwise."]
    lines += ["inline constexpr Gb18030EncoderExtra kGb18030EncoderExtras[%d] = {" % len(extras)]
    lines += ["    {0x%s, 0x%s, 0x%s}," % row for row in extras] + ["};"]
    lines += ["// Big5 pointers that decode to a letter and a combining mark."]
    lines += ["inline constexpr Big5Pair kBig5Pairs[%d] = {" % len(pairs)]
    lines += ["    {%s, 0x%s, 0x%s}," % row for row in pairs] + ["};"]
    return lines


def euc_kr(folder):
    table = read_index(folder, "euc-kr")
    return dense(table, "kEucKrIndex") + reverse(first_pointers(table), "kEucKrReverse")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    root = os.path.dirname(os.path.dirname(here))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "..", "shared", "whatwg-encoding")
    target = sys.argv[2] if len(sys.argv) > 2 else os.path.join(here, "EncodingTables.inc")
    encodings, groups = read_encodings(folder)
    lines = [
        "// Generated by htmlfile/text/gen_encoding_tables.py from the WHATWG Encoding Standard's",
        "// encodings.json, index-*.txt and encoding.bs; do not edit. Those tables are Copyright (c) WHATWG",
        "// (Apple, Google, Mozilla, Microsoft), licensed under the BSD 3-Clause License where",
        "// incorporated into source code (see NOTICE in this folder).",
        "",
        "// Every label of an encoding the codecs implement, ASCII lowercase and sorted.",
    ]
    lines += label_rows(encodings, groups)
    lines += ["", "// Canonical names in enum order."]
    lines += ["inline constexpr const char* kEncodingNames[%d] = {" % len(encodings)]
    lines += ['    "%s",' % e["name"] for e in encodings] + ["};", ""]
    lines += single_byte(folder, encodings) + [""]
    lines += jis0208(folder) + [""]
    lines += dense(read_index(folder, "jis0212"), "kJis0212Index") + [""]
    lines += dense(read_index(folder, "iso-2022-jp-katakana"), "kIso2022JpKatakana") + [""]
    lines += gb18030(folder) + [""]
    lines += big5(folder) + [""]
    lines += euc_kr(folder) + [""]
    lines += algorithm_tables(folder)
    with open(target, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
