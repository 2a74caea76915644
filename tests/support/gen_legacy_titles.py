#!/usr/bin/env python3
"""Writes the titles that the topics of the shared corpus in legacy 8-bit
encodings must read as, for legacy_encodings_corpus_test, worked out here on
their own, without the library:

    gen_legacy_titles.py [SHARED_DIR] > tests/data/legacy_titles.tsv

SHARED_DIR defaults to ../shared beside the repository. Run it again only
when the corpus changes; the output is committed.

For each file the manifest lists as `other-8bit`:
  - the encoding is the one the file declares in a <meta> of its first 1,024
    bytes, found by the browsers' prescan, its label mapped to an encoding
    through the label table encodings.json; else UTF-8 when the whole file
    is valid UTF-8; else windows-1252;
  - the file is decoded with the Python codec nearest to the browsers'
    decoder, a byte it rejects kept as U+DC80 + byte; the title is then
    checked against a decoder built from the browsers' own index tables
    (a difference is reported and the script fails: the expectation would
    be wrong). A single-byte codec's unassigned bytes read as the index
    tables read them (windows-1252's five as the controls of the same value);
  - the title is the text of the first <title> element outside <svg> and
    <math> that has its end tag, character references decoded, white space
    as it stands.

Columns (one header line): file (relative to the corpus folder), encoding
(its name in the label table), found (declared, utf-8, assumed), first and
past (byte offsets of the title element's '<' and just past its '>'; -1
without a title), title, new_title (a title in the file's own script that
the test sets), new_title_hex (the bytes the encoding writes for it, a
character it lacks as &#N;). Text fields escape backslash, tab, LF and CR as
\\\\, \\t, \\n, \\r, and a rejected byte as \\xHH.
"""
import codecs
import functools
import html
import json
import os
import re
import sys

# The Python codec nearest to each encoding's decoder in browsers.
CODECS = {
    "UTF-8": "utf-8", "IBM866": "cp866", "ISO-8859-2": "iso8859_2", "ISO-8859-3": "iso8859_3",
    "ISO-8859-4": "iso8859_4", "ISO-8859-5": "iso8859_5", "ISO-8859-6": "iso8859_6",
    "ISO-8859-7": "iso8859_7", "ISO-8859-8": "iso8859_8", "ISO-8859-8-I": "iso8859_8",
    "ISO-8859-10": "iso8859_10", "ISO-8859-13": "iso8859_13", "ISO-8859-14": "iso8859_14",
    "ISO-8859-15": "iso8859_15", "ISO-8859-16": "iso8859_16", "KOI8-R": "koi8_r", "KOI8-U": "koi8_u",
    "macintosh": "mac_roman", "windows-874": "cp874", "windows-1250": "cp1250", "windows-1251": "cp1251",
    "windows-1252": "cp1252", "windows-1253": "cp1253", "windows-1254": "cp1254", "windows-1255": "cp1255",
    "windows-1256": "cp1256", "windows-1257": "cp1257", "windows-1258": "cp1258", "GBK": "gb18030",
    "gb18030": "gb18030", "Big5": "big5hkscs", "EUC-JP": "euc_jp", "Shift_JIS": "cp932", "EUC-KR": "cp949",
}

# A title in each file's own script, as the test sets it.
NEW_TITLES = {
    "Shift_JIS": "日本語のタイトル", "EUC-JP": "日本語のタイトル", "GBK": "中文标题", "gb18030": "中文标题",
    "Big5": "中文標題", "EUC-KR": "제목", "windows-1251": "Заголовок", "KOI8-R": "Заголовок",
    "KOI8-U": "Заголовок", "IBM866": "Заголовок", "ISO-8859-5": "Заголовок", "windows-1250": "Łódź",
    "ISO-8859-2": "Łódź",
}
OTHER_NEW_TITLE = "Œuvre"

SPACE = b"\t\n\x0c\r "
SHARED = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "shared")
SINGLE_BYTE_INDEXES = {name: name.lower() for name in CODECS if name not in (
    "UTF-8", "ISO-8859-8-I", "GBK", "gb18030", "Big5", "EUC-JP", "Shift_JIS", "EUC-KR")}
SINGLE_BYTE_INDEXES["ISO-8859-8-I"] = "iso-8859-8"


# Bytes a single-byte Python codec leaves unassigned where the browsers'
# index tables give a character (windows-1252 reads its five unassigned
# bytes as the control characters of the same value, and so do the other
# windows code pages), by encoding; set before each decode.
assigned_by_index = {}


def index_or_raw(error):
    """A rejected byte as the index table reads it, else kept raw."""
    kept = []
    for b in error.object[error.start:error.end]:
        kept.append(chr(assigned_by_index[b - 0x80]) if b - 0x80 in assigned_by_index else chr(0xDC00 + b))
    return "".join(kept), error.end


codecs.register_error("index-or-raw", index_or_raw)


def load_labels(path):
    labels = {}
    for group in json.load(open(path, encoding="utf-8")):
        for encoding in group["encodings"]:
            for label in encoding["labels"]:
                labels[label] = encoding["name"]
    return labels


def get_attribute(data, i):
    """One attribute of a tag as the prescan reads it: (name, value, next),
    or (None, None, next) at the tag's end or the end of the bytes."""
    n = len(data)
    while i < n and data[i] in SPACE + b"/":
        i += 1
    if i >= n or data[i] == 0x3E:
        return None, None, i
    name = bytearray()
    while True:
        if i >= n:
            return None, None, i
        c = data[i]
        if c == 0x3D and name:
            i += 1
            break
        if c in SPACE:
            while i < n and data[i] in SPACE:
                i += 1
            if i >= n:
                return None, None, i
            if data[i] != 0x3D:
                return bytes(name), b"", i
            i += 1
            break
        if c in b"/>":
            return bytes(name), b"", i
        name.append(c + 0x20 if 0x41 <= c <= 0x5A else c)
        i += 1
    while i < n and data[i] in SPACE:
        i += 1
    if i >= n:
        return None, None, i
    value = bytearray()
    if data[i] in b"\"'":
        quote = data[i]
        i += 1
        while True:
            if i >= n:
                return None, None, i
            c = data[i]
            i += 1
            if c == quote:
                return bytes(name), bytes(value), i
            value.append(c + 0x20 if 0x41 <= c <= 0x5A else c)
    if data[i] == 0x3E:
        return bytes(name), b"", i
    while i < n and data[i] not in SPACE + b">":
        c = data[i]
        value.append(c + 0x20 if 0x41 <= c <= 0x5A else c)
        i += 1
    if i >= n:
        return None, None, i
    return bytes(name), bytes(value), i


def charset_in_content(value):
    """The label an http-equiv content value names after "charset=", or None."""
    i = 0
    while True:
        found = value.find(b"charset", i)
        if found < 0:
            return None
        i = found + 7
        while i < len(value) and value[i] in SPACE:
            i += 1
        if i < len(value) and value[i] == 0x3D:
            break
    i += 1
    while i < len(value) and value[i] in SPACE:
        i += 1
    if i >= len(value):
        return None
    if value[i] in b"\"'":
        end = value.find(value[i:i + 1], i + 1)
        return value[i + 1:end] if end >= 0 else None
    end = i
    while end < len(value) and value[end] not in SPACE + b";":
        end += 1
    return value[i:end]


def prescan(data, labels):
    """The encoding the first 1,024 bytes declare, or None."""
    data = data[:1024]
    lookup = lambda label: labels.get(label.decode("latin-1").strip("\t\n\x0c\r ").lower())
    i, n = 0, len(data)
    while i < n:
        if data.startswith(b"<!--", i):
            end = data.find(b"-->", i + 2)
            if end < 0:
                return None
            i = end + 3
        elif data[i:i + 5].lower() == b"<meta" and i + 5 < n and data[i + 5] in SPACE + b"/":
            i += 6
            seen, got_pragma, need_pragma, charset = set(), False, None, None
            while True:
                name, value, i = get_attribute(data, i)
                if name is None:
                    break
                if name in seen:
                    continue
                seen.add(name)
                if name == b"http-equiv":
                    got_pragma = got_pragma or value == b"content-type"
                elif name == b"content" and charset is None:
                    label = charset_in_content(value)
                    if label is not None:
                        charset, need_pragma = lookup(label) or False, True
                elif name == b"charset":
                    charset, need_pragma = lookup(value) or False, False
            if i >= n:
                return None  # a tag cut off by the end of what is read declares nothing
            if need_pragma is None or (need_pragma and not got_pragma) or not charset:
                i += 1
                continue
            if charset in ("UTF-16BE", "UTF-16LE"):
                return "UTF-8"
            return "windows-1252" if charset == "x-user-defined" else charset
        elif data[i] == 0x3C and i + 1 < n and (chr(data[i + 1]).isascii() and chr(data[i + 1]).isalpha() or
                                                 data[i + 1] == 0x2F and i + 2 < n and
                                                 chr(data[i + 2]).isascii() and chr(data[i + 2]).isalpha()):
            while i < n and data[i] not in SPACE + b">":
                i += 1
            while True:
                name, _, i = get_attribute(data, i)
                if name is None:
                    break
            i += 1
        elif data[i:i + 2] in (b"<!", b"</", b"<?"):
            end = data.find(b">", i + 2)
            if end < 0:
                return None
            i = end + 1
        else:
            i += 1
    return None


def find_encoding(data, labels):
    declared = prescan(data, labels)
    if declared:
        return declared, "declared"
    try:
        data.decode("utf-8")
        return "UTF-8", "utf-8"
    except UnicodeDecodeError:
        return "windows-1252", "assumed"


def decode(data, encoding):
    """The text and, for each of its characters and one past the last, the
    byte offset where it starts."""
    codec = CODECS[encoding]
    single_byte = SINGLE_BYTE_INDEXES.get(encoding)
    if single_byte:
        assigned_by_index.clear()
        assigned_by_index.update(read_index(single_byte))
    decoder = codecs.getincrementaldecoder(codec)(errors="index-or-raw" if single_byte else "surrogateescape")
    text, offsets = [], []
    start = 0
    for i in range(len(data)):
        piece = decoder.decode(data[i:i + 1])
        for ch in piece:
            text.append(ch)
            offsets.append(start)
            # A piece of several characters came from one sequence (or a
            # rejected run, one unit per byte).
            if len(piece) > 1 and "\udc80" <= ch <= "\udcff":
                start += 1
        if piece:
            start = i + 1
    piece = decoder.decode(b"", final=True)
    for ch in piece:
        text.append(ch)
        offsets.append(start)
        start += 1
    offsets.append(len(data))
    return "".join(text), offsets


# The title as a browser reads it, on the decoded text: comments, bogus
# comments and the content of raw-text elements hide tags; the first title
# start tag outside svg and math opens an RCDATA run that its own end tag
# ends. Tags are only skipped here, so their attributes are not kept.
TAG = re.compile(r"<(/?)([A-Za-z][^\t\n\f\r />]*)")
RAW_CONTENT = {"script", "style", "xmp", "iframe", "noembed", "noframes", "textarea", "title"}
COMMENT_END = re.compile(r"--!?>")


def skip_tag(text, i):
    """Index just past the '>' that ends the tag whose name ends at i (a
    quoted value may hold '>'), or None when the text ends first."""
    n, space, state = len(text), "\t\n\f\r ", "before name"
    while i < n:
        c = text[i]
        if c == ">" and state != "name":
            return i + 1
        if state == "name" and c in "/>":
            state = "before name"
        elif c in space:
            state = "after name" if state == "name" else state
            i += 1
        elif c == "=" and state != "before name":  # a name may start with '='
            i += 1
            while i < n and text[i] in space:
                i += 1
            if i < n and text[i] in "\"'":
                end = text.find(text[i], i + 1)
                if end < 0:
                    return None
                i = end + 1
            else:
                while i < n and text[i] not in space + ">":
                    i += 1
            state = "before name"
        elif c == "/" and state != "name":
            state = "before name"
            i += 1
        else:
            state = "name"
            i += 1
    return None


def find_title(text):
    """(text, start, past) of the page's title in the decoded text, or None."""
    i, foreign = 0, 0
    while True:
        i = text.find("<", i)
        if i < 0:
            return None
        if text.startswith("<!--", i):
            if text.startswith("<!-->", i) or text.startswith("<!--->", i):
                i = text.index(">", i) + 1
                continue
            m = COMMENT_END.search(text, i + 4)
            if not m:
                return None
            i = m.end()
            continue
        m = TAG.match(text, i)
        if not m:
            if text.startswith(("<!", "<?", "</"), i):
                end = text.find(">", i + 1)
                if end < 0:
                    return None
                i = end + 1
            else:
                i += 1
            continue
        closing, name = m.group(1) == "/", m.group(2).lower()
        past = skip_tag(text, m.end())
        if past is None:
            return None
        if closing:
            if name in ("svg", "math") and foreign > 0:
                foreign -= 1
            i = past
            continue
        if name in ("svg", "math"):
            foreign += 1
        if name == "plaintext":
            return None
        if name in RAW_CONTENT:
            end = re.compile(r"</" + name + r"(?=[\t\n\f\r />])", re.I).search(text, past)
            close = end and skip_tag(text, end.end())
            if not close:
                return None
            if name == "title" and foreign == 0:
                return html.unescape(text[past:end.start()]), i, close
            i = close
            continue
        i = past


def escape(text):
    out = []
    for ch in text:
        if ch == "\\":
            out.append("\\\\")
        elif ch == "\t":
            out.append("\\t")
        elif ch == "\n":
            out.append("\\n")
        elif ch == "\r":
            out.append("\\r")
        elif "\udc80" <= ch <= "\udcff":
            out.append("\\x%02X" % (ord(ch) - 0xDC00))
        else:
            out.append(ch)
    return "".join(out)


# An independent check of the Python codecs against the browsers' index
# tables, for the encodings in the corpus and those like them: the index maps
# a pointer to a code point.
def read_index(name):
    table = {}
    for line in open(os.path.join(SHARED, "whatwg-encoding", "index-%s.txt" % name), encoding="utf-8"):
        fields = line.split("\t")
        if len(fields) >= 2 and fields[0].strip().isdigit():
            table.setdefault(int(fields[0]), int(fields[1], 16))
    return table


@functools.lru_cache(maxsize=None)
def load_index(encoding):
    name = SINGLE_BYTE_INDEXES.get(encoding) or {"Shift_JIS": "jis0208"}.get(encoding)
    return read_index(name) if name else None


def browser_decode(data, encoding, index):
    """The text a browser decodes data to, for the encodings load_index
    knows (those of the corpus), rejected bytes as U+DC80 + byte."""
    out, i, n = [], 0, len(data)
    if encoding in SINGLE_BYTE_INDEXES:
        for b in data:
            out.append(chr(b) if b < 0x80 else chr(index[b - 0x80]) if b - 0x80 in index else chr(0xDC00 + b))
        return "".join(out)
    assert encoding == "Shift_JIS"
    while i < n:
        b = data[i]
        if b <= 0x80:
            out.append(chr(b))
            i += 1
        elif 0xA1 <= b <= 0xDF:
            out.append(chr(0xFF61 - 0xA1 + b))
            i += 1
        elif (0x81 <= b <= 0x9F or 0xE0 <= b <= 0xFC) and i + 1 < n:
            t = data[i + 1]
            offset = 0x40 if t < 0x7F else 0x41
            lead_offset = 0x81 if b < 0xA0 else 0xC1
            pointer = (b - lead_offset) * 188 + t - offset if 0x40 <= t <= 0x7E or 0x80 <= t <= 0xFC else None
            if pointer is not None and 8836 <= pointer <= 10715:
                out.append(chr(0xE000 - 8836 + pointer))
                i += 2
            elif pointer is not None and pointer in index:
                out.append(chr(index[pointer]))
                i += 2
            else:
                out.append(chr(0xDC00 + b))
                i += 1 if t < 0x80 else 2
                if t >= 0x80:
                    out.append(chr(0xDC00 + t))
        else:
            out.append(chr(0xDC00 + b))
            i += 1
    return "".join(out)


def main():
    global SHARED
    SHARED = sys.argv[1] if len(sys.argv) > 1 else SHARED
    corpus = os.path.join(SHARED, "corpus")
    labels = load_labels(os.path.join(SHARED, "whatwg-encoding", "encodings.json"))
    rows, problems = [], []
    with open(os.path.join(corpus, "MANIFEST.tsv"), encoding="utf-8") as manifest:
        header = manifest.readline().rstrip("\n").split("\t")
        for line in manifest:
            fields = dict(zip(header, line.rstrip("\n").split("\t")))
            if fields["encoding"] == "other-8bit":
                rows.append(fields["file"])
    out = sys.stdout
    out.write("file\tencoding\tfound\tfirst\tpast\ttitle\tnew_title\tnew_title_hex\n")
    for path in sorted(rows):
        data = open(os.path.join(corpus, path), "rb").read()
        encoding, found = find_encoding(data, labels)
        text, offsets = decode(data, encoding)
        title = find_title(text)
        if title is None:
            out.write("%s\t%s\t%s\t-1\t-1\t\t\t\n" % (path, encoding, found))
            continue
        value, start, past = title
        first, past = offsets[start], offsets[past]
        assert data[first:first + 1] == b"<" and data[past - 1:past] == b">", path
        index = load_index(encoding)
        if index is None:
            print("%s: %s not checked against the index tables" % (path, encoding), file=sys.stderr)
        else:
            browser = find_title(browser_decode(data, encoding, index))
            if browser is None or browser[0] != value:
                problems.append("%s: %r by the codec, %r by the index" % (path, value, browser and browser[0]))
        new_title = NEW_TITLES.get(encoding, OTHER_NEW_TITLE)
        new_bytes = new_title.encode(CODECS[encoding], errors="xmlcharrefreplace")
        out.write("\t".join([path, encoding, found, str(first), str(past), escape(value), new_title,
                             new_bytes.hex().upper()]) + "\n")
    for problem in problems:
        print(problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
