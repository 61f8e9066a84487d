#!/usr/bin/env python3
"""Writes a catalogue page service and a waypoint file for the end-to-end tests.

    make_site.py OUT_DIR [COUNT] [--page-kb KB]

OUT_DIR/site/N.html is the windows-1251 page of cache N (what nginx answers for
/cache.php?cid=N), OUT_DIR/caches.wpt lists every cache as the catalogue's export does, and
OUT_DIR/expected.json holds what each cache's element must carry. The codes' letters go
through the catalogue's cache kinds, so GPX 1.0 types vary; some caches have no attributes, some half grades, some ids answer a page without a cache title (no element), and
OUT_DIR/with_missing.wpt adds an id that has no page at all (404). Pages are 5-80 KB unless
--page-kb fixes their size. The output depends only on COUNT and the size, never on chance.
"""

import argparse
import json
import os
import random

NAMES = ["Старая мельница", "Ёлка у ручья", "Камень «Великан»", "Под мостом", "Tom & Jerry",
         "Берёзовая роща", "Часовня", "Вид на реку", "Лесное озеро", "Граница эпох"]
AUTHORS = ["Иван", "Ольга К.", "Geo&Co", "Старый Лис", "Mike", "Ёжик"]
KINDS = ["Традиционный", "Пошаговый", "Виртуальный"]
# The codes' letters, by cache number, and the GPX 1.0 type each stands for.
PREFIXES = [("TR", "Traditional Cache"), ("MS", "Multi-cache"), ("VI", "Virtual Cache"),
            ("MV", "Virtual Cache"), ("EV", "Event Cache"), ("LT", "Unknown Cache"),
            ("LV", "Unknown Cache"), ("CT", "Unknown Cache"), ("TR", "Traditional Cache")]
REGIONS = ["Московская область", "Тверская область", "Ленинградская область", "Карелия"]
ATTRIBUTES = ["можно с детьми", "круглый год", "нужен фонарь", "рядом парковка"]
WORDS = ("тропа лес камень берег ручей поляна дерево мост дорога старый вдоль налево "
         "направо метров тайник рядом под корнями").split()


def paragraph(rng, length):
    words = []
    while sum(len(w) + 1 for w in words) < length:
        r = rng.random()
        if r < 0.08:
            words.append("&nbsp;")
        elif r < 0.12:
            words.append("&laquo;" + rng.choice(WORDS) + "&raquo;")
        elif r < 0.15:
            words.append("&mdash;")
        elif r < 0.17:
            words.append("&quot;" + rng.choice(WORDS) + "&quot;")
        elif r < 0.19:
            words.append("<b>" + rng.choice(WORDS) + "</b>")
        elif r < 0.21:
            words.append('<a href="http://example.test/p' + str(rng.randrange(99)) + '">ссылка</a>')
        elif r < 0.22:
            words.append("15&deg;")
        else:
            words.append(rng.choice(WORDS))
    return " ".join(words)


def text_block(rng, size):
    parts = []
    while sum(len(p) for p in parts) < size:
        parts.append(paragraph(rng, rng.randrange(200, 900)) + "<br>\r\n")
    return "".join(parts)


def cache(rng, cid, page_kb):
    name = rng.choice(NAMES) + " " + str(cid)
    author = rng.choice(AUTHORS)
    code = code_of(cid)
    difficulty = rng.choice(["1", "2", "3", "4", "5", "1.5", "2.5", "3.5"])
    terrain = rng.choice(["1", "2", "3", "4", "5", "2.5", "4.5"])
    created = "%02d.%02d.%d" % (rng.randrange(1, 29), rng.randrange(1, 13), rng.randrange(2002, 2010))
    region = rng.choice(REGIONS)
    attributes = rng.sample(ATTRIBUTES, rng.randrange(0, 3))
    target = (page_kb if page_kb else rng.randrange(5, 78)) * 1024
    head = (
        '<html><head><meta http-equiv="Content-Type" content="text/html; charset=windows-1251">'
        "<title>" + code + "</title></head><body>\r\n"
        "<p><b>" + name + "</b><br>\r\n"
        'Автор: <b><a href="profile.php?uid=' + str(cid * 7) + '">"' + author + '"</a></b><br>\r\n'
        "<i>(" + rng.choice(KINDS) + " " + code + ")</i><br>\r\n"
        "<b>Создан:</b> " + created + "<br>\r\n"
        "<b>Координаты</b>: N 55&deg; 45.075' E 37&deg; 37.105'<br>\r\n"
        "<b>Страна:</b> Россия, <b>область:</b> " + region + "<br>\r\n"
        "Доступность: <b>" + difficulty + "</b>, Местность: <b>" + terrain + "</b></p>\r\n")
    if attributes:
        head += ("<p><b>Атрибуты</b><br>" + "".join(
            '<img src="/a/%d.gif" alt="%s">' % (i, a) for i, a in enumerate(attributes)) + "</p>\r\n")
    description_size = (target - len(head)) * 2 // 3
    description = text_block(rng, max(description_size, 200))
    surroundings = text_block(rng, max(target - len(head) - len(description) - 200, 100))
    page = (head + "<p><b>Описание тайника</b><br></p><p>" + description +
            "</p><p><b>Описание окружающей местности</b><br>" + surroundings +
            "</p><p><b>Содержимое тайника</b><br>блокнот, карандаш</p></body></html>\r\n")
    expected = {
        "id": str(cid), "name": name, "code": code, "author": author,
        "difficulty": difficulty[0], "terrain": terrain[0], "created": created,
        "region": region, "attributes": bool(attributes), "type": PREFIXES[cid % len(PREFIXES)][1],
    }
    return page, expected


def code_of(cid):
    return PREFIXES[cid % len(PREFIXES)][0] + str(cid)


def waypoint_line(number, cid, rng, code=None):
    lat = "%.6f" % rng.uniform(55.0, 57.5)
    lon = "%.6f" % rng.uniform(35.5, 39.5)
    return ("%d,%s,  %s,  %s,40000.0000000,0, 1, 3, 0, 65535,Тайник %d,0,0,0,-777,6,0,17,0,10.0,2,,,\r\n"
            % (number, code or code_of(cid), lat, lon, cid)), lat, lon


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("out")
    parser.add_argument("count", nargs="?", type=int, default=220)
    parser.add_argument("--page-kb", type=int, default=0)
    args = parser.parse_args()
    rng = random.Random(args.count * 1000 + args.page_kb)
    site = os.path.join(args.out, "site")
    os.makedirs(site, exist_ok=True)

    header = ("OziExplorer Waypoint File Version 1.1\r\nWGS 84\r\nReserved 2\r\n"
              "garmin\r\n")
    lines, expected = [], []
    for number, cid in enumerate(range(1001, 1001 + args.count), start=1):
        line, lat, lon = waypoint_line(number, cid, rng)
        lines.append(line)
        if cid % 37 == 0:
            page = "<html><body><p>Тайник не найден</p></body></html>\r\n"
            expected.append({"id": str(cid), "element": False})
        else:
            page, fields = cache(rng, cid, args.page_kb)
            fields.update({"element": True, "lat": lat, "lon": lon})
            expected.append(fields)
        with open(os.path.join(site, "%d.html" % cid), "wb") as f:
            f.write(page.encode("cp1251"))

    with open(os.path.join(args.out, "caches.wpt"), "wb") as f:
        f.write((header + "".join(lines)).encode("cp1251"))
    missing, _, _ = waypoint_line(len(lines) + 1, 999999, rng, "TR999999")
    with open(os.path.join(args.out, "with_missing.wpt"), "wb") as f:
        f.write((header + "".join(lines[:3]) + missing + "".join(lines[3:6])).encode("cp1251"))
    with open(os.path.join(args.out, "expected.json"), "w", encoding="utf-8") as f:
        json.dump(expected, f, ensure_ascii=False, indent=1)


if __name__ == "__main__":
    main()
