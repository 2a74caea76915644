#!/usr/bin/env python3
"""An independent reading of a help project's index keywords, to test
`htmltopic keywords` against: Python's own HTML parser, not the library.

    keywords_reference.py FOLDER

Prints one JSON object per keyword, {"keyword": K, "files": [F, ...]}, sorted
by keyword and with each file once, in path order; a file is FOLDER joined
with its path below it, as the tool writes it. A file is decoded the way a
browser reads it: a byte-order mark decides, else the encoding its first
1,024 bytes declare, else UTF-8 when the whole file is valid UTF-8, else
windows-1252 (the declaration and the decoding are gen_legacy_titles.py's,
itself independent of the library).
"""
import codecs
import json
import os
import sys
from html.parser import HTMLParser

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import gen_legacy_titles  # noqa: E402

SHARED = os.environ.get("HTMLFILE_SHARED_DIR") or os.path.join(
    os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "shared")
LABELS = gen_legacy_titles.load_labels(os.path.join(SHARED, "whatwg-encoding", "encodings.json"))

KEYWORD_CLASS = "clsid:1e2a7bd0-dab9-11d0-b93a-00c04fc99f9e"


def decode(data):
    for mark, encoding in ((codecs.BOM_UTF8, "utf-8"), (codecs.BOM_UTF16_LE, "utf-16-le"),
                           (codecs.BOM_UTF16_BE, "utf-16-be")):
        if data.startswith(mark):
            return data[len(mark):].decode(encoding, errors="replace")
    encoding, _ = gen_legacy_titles.find_encoding(data, LABELS)
    return gen_legacy_titles.decode(data, encoding)[0]


class KeywordReader(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.in_keyword_object = False
        self.keywords = []

    def handle_starttag(self, tag, attrs):
        values = {}
        for name, value in attrs:
            values.setdefault(name, value)
        if tag == "object":
            self.in_keyword_object = (values.get("classid") or "").lower() == KEYWORD_CLASS
        elif tag == "param" and self.in_keyword_object and (values.get("name") or "").lower() == "keyword":
            if values.get("value") is not None:
                self.keywords.append(values["value"])

    def handle_endtag(self, tag):
        if tag == "object":
            self.in_keyword_object = False


def keywords_of(path):
    with open(path, "rb") as topic:
        reader = KeywordReader()
        reader.feed(decode(topic.read()))
        reader.close()
        return reader.keywords


def main():
    folder = sys.argv[1]
    index = {}
    for top, folders, names in os.walk(folder):
        folders.sort()
        for name in names:
            if os.path.splitext(name)[1].lower() in (".htm", ".html"):
                path = os.path.join(top, name)
                for keyword in keywords_of(path):
                    index.setdefault(keyword, set()).add(path)
    for keyword in sorted(index):
        print(json.dumps({"keyword": keyword, "files": sorted(index[keyword])}, ensure_ascii=False))


if __name__ == "__main__":
    main()
