#!/usr/bin/env python3
"""Writes the worst cache pages for memory: each near SIZE MiB, one page per waypoint file.

    worst_pages.py OUT_DIR SIZE_MIB

OUT_DIR/site/1.html has an author field that is all "<" (every byte of it grows fivefold in
the XML guard, and the author stands four times in an element); OUT_DIR/site/2.html has both
descriptions made of entities only. OUT_DIR/lt.wpt and OUT_DIR/entities.wpt name one of them
each.
"""

import os
import sys

HEAD = ("<html><body>\r\n<p><b>Тайник</b><br>\r\n"
        '<b><a href="profile.php?uid=1">"')
TAIL = ('"</a></b>\r\n<i>(Традиционный TR1)</i><br>\r\n'
        "Создан: <b>01.01.2010</b><br>\r\nКоординаты: N 55&deg;<br>\r\n"
        "Страна: <b>Россия</b><br>\r\nДоступность: <b>2</b><br>\r\nМестность: <b>3</b><br>\r\n"
        "<p><b>Описание тайника</b></p>\r\n<div>")
MIDDLE = "</div>\r\n<br><p><b>Описание окружающей местности</b></p>\r\n<div>"
END = "</div>\r\n<br><p><b>Содержимое тайника</b></p>\r\n<div>x</div></body></html>\r\n"
ENTITIES = "&nbsp;&amp;&laquo;&raquo;&mdash;&quot;&hellip;&deg;&gt;&copy;"


def page(author, first, second):
    return (HEAD + author + TAIL + first + MIDDLE + second + END).encode("cp1251")


def main():
    out, size = sys.argv[1], int(float(sys.argv[2]) * 1024 * 1024) - 8192
    os.makedirs(os.path.join(out, "site"), exist_ok=True)
    with open(os.path.join(out, "site", "1.html"), "wb") as f:
        f.write(page("<" * size, "x", "x"))
    half = size // 2 // len(ENTITIES)
    with open(os.path.join(out, "site", "2.html"), "wb") as f:
        f.write(page("A", ENTITIES * half, ENTITIES * half))
    header = "OziExplorer Waypoint File Version 1.1\r\nWGS 84\r\nReserved 2\r\nReserved 3\r\n"
    for name, cid in (("lt", 1), ("entities", 2)):
        with open(os.path.join(out, name + ".wpt"), "wb") as f:
            f.write((header + f"1,TR{cid},55.75,37.61,\r\n").encode())


if __name__ == "__main__":
    main()
