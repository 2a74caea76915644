#!/usr/bin/env python3
"""Writes a help project of generated topics for timing `htmltopic check`
and `keywords` on a large project.

    bench/make_project.py FOLDER [TOPICS]

The same arguments always give the same bytes. Topics live in twenty
folders, link to each other (often into a bookmark or an element id), show
images from a shared folder through image maps and carry keyword objects;
about one reference in fifty is broken in one of the ways `check` reports.
"""
import os
import random
import sys

KEYWORD_OBJECT = ('<object type="application/x-oleobject" '
                  'classid="clsid:1e2a7bd0-dab9-11d0-b93a-00c04fc99f9e">\n{}</object>\n')
WORDS = ("printing setup report margins toolbar export import fonts colours "
         "tables charts queries filters layout preview pages headers footers").split()
FOLDERS = 20
IMAGES = 200


def topic_path(index):
    return "part%02d/topic%05d.htm" % (index % FOLDERS, index)


def link(rng, here, count):
    """A reference from topic `here` to another topic, sometimes broken."""
    target = rng.randrange(count)
    path = "../" + topic_path(target)
    roll = rng.random()
    if roll < 0.005:
        return path.replace("topic", "gone")              # missing file
    if roll < 0.010:
        return path.replace("topic", "Topic")             # case differs
    if roll < 0.015:
        return path + "#nowhere"                          # missing bookmark
    if roll < 0.017:
        return "../../outside.htm"                        # outside the project
    if roll < 0.5:
        return path + "#" + rng.choice(("s1", "s2", "intro"))
    return path


def topic(rng, index, count):
    words = [rng.choice(WORDS) for _ in range(4)]
    title = " ".join(words).capitalize()
    params = "".join('\t<param name="Keyword" value="%s, %s">\n' % (w, rng.choice(WORDS)) for w in words[:3])
    image = "../images/img%03d.gif" % rng.randrange(IMAGES)
    usemap = "#m" if rng.random() > 0.01 else "#missing"
    parts = [
        "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n",
        "<title>%s</title>\n<link rel=\"stylesheet\" href=\"../styles/help.css\">\n</head>\n" % title,
        "<body background=\"../images/paper.gif\">\n",
        KEYWORD_OBJECT.format(params),
        "<h1><a name=\"intro\"></a>%s</h1>\n" % title,
        "<p><img src=\"%s\" usemap=\"%s\" alt=\"\"></p>\n" % (image, usemap),
        "<map name=\"m\"><area shape=\"rect\" coords=\"0,0,10,10\" href=\"%s\"></map>\n" % link(rng, index, count),
    ]
    for section in ("s1", "s2"):
        parts.append("<h2 id=\"%s\">Section %s</h2>\n" % (section, section))
        for _ in range(6):
            text = " ".join(rng.choice(WORDS) for _ in range(12))
            parts.append("<p>%s <a href=\"%s\">%s</a> and see <a href=\"http://example.com/%d\">the web</a>.</p>\n"
                         % (text, link(rng, index, count), rng.choice(WORDS), index))
    parts.append("</body>\n</html>\n")
    return "".join(parts)


def main():
    root = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 20000
    rng = random.Random(20261206)
    for folder in ["images", "styles"] + ["part%02d" % i for i in range(FOLDERS)]:
        os.makedirs(os.path.join(root, folder), exist_ok=True)
    for name in ["images/img%03d.gif" % i for i in range(IMAGES)] + ["images/paper.gif", "styles/help.css"]:
        with open(os.path.join(root, name), "wb") as out:
            out.write(b"GIF89a")
    for index in range(count):
        with open(os.path.join(root, topic_path(index)), "w", encoding="utf-8", newline="\r\n") as out:
            out.write(topic(rng, index, count))


if __name__ == "__main__":
    main()
