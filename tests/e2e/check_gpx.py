#!/usr/bin/env python3
"""Checks a converted document, as GPSBabel read it, against what the site generator expects.

    check_gpx.py EXPECTED_JSON UNICSV_FILE GPX_FILE terrain|plain [1.1|1.0 BABEL_GPX]

Per cache with an element: coordinates equal as numbers to the waypoint file's, the name
with its code, the placer, difficulty and terrain, the cache type, and the information
blocks in the hints; in GPX 1.0 the code as the name, the created date as the time and the
cache's page as the URL. BABEL_GPX is GPSBabel's own GPX of the document: each cache's type,
grades, owner, descriptions and hints there must be the document's. Caches whose page has no
title must have no element. Prints one line per failed check and a closing count.
"""

import csv
import json
import re
import sys
import xml.etree.ElementTree as ET

GROUNDSPEAK = "{http://www.groundspeak.com/cache/1/0}"
CACHE_FIELDS = ("type", "difficulty", "terrain", "owner", "placed_by", "short_description",
                "long_description", "encoded_hints")
SITE = "https://geocaching.su/cache/"


def cache_fields(path):
    """Each groundspeak:cache of a GPX document by its id: the CACHE_FIELDS texts, without the
    blanks at their ends (GPSBabel drops them)."""
    caches = {}
    for cache in ET.parse(path).getroot().iter(GROUNDSPEAK + "cache"):
        caches[cache.get("id")] = {f: (cache.findtext(GROUNDSPEAK + f) or "").strip()
                                   for f in CACHE_FIELDS}
    return caches


def main():
    expected_path, csv_path, gpx_path, mode = sys.argv[1:5]
    shape = sys.argv[5] if len(sys.argv) > 5 else "1.1"
    expected = json.load(open(expected_path, encoding="utf-8"))
    rows = {row["GCID"]: row for row in csv.DictReader(open(csv_path, encoding="utf-8"))}
    gpx = open(gpx_path, encoding="utf-8").read()
    passed = failed = 0

    def check(ok, what):
        nonlocal passed, failed
        if ok:
            passed += 1
        else:
            failed += 1
            print("FAILED:", what)

    for cache in expected:
        cid = cache["id"]
        row = rows.get(cid)
        if not cache["element"]:
            check(row is None, "cache %s has no title yet got an element" % cid)
            continue
        if row is None:
            check(False, "cache %s has no element" % cid)
            continue
        check(float(row["Latitude"]) == float(cache["lat"]), "latitude of %s" % cid)
        check(float(row["Longitude"]) == float(cache["lon"]), "longitude of %s" % cid)
        title = "%s [%s]" % (cache["name"], cache["code"])
        for column in ("Description", "Notes"):
            if column in row and row[column]:
                check(row[column].startswith(title), "%s of %s: %r" % (column, cid, row[column]))
        check(float(row["Difficulty"]) == float(cache["difficulty"]), "difficulty of %s" % cid)
        check(float(row["Terrain"]) == float(cache["terrain"]), "terrain of %s" % cid)
        if "Placer" in row:
            check(row["Placer"] == cache["author"], "placer of %s: %r" % (cid, row["Placer"]))
        hint = row.get("Hint", "")
        check(hint.startswith("Создан:") and cache["created"] in hint and cache["region"] in hint,
              "hints of %s: %r" % (cid, hint[:80]))
        check(("Атрибуты" in hint) == cache["attributes"], "attributes in the hints of %s" % cid)
        gpx10 = shape == "1.0"
        check(row["Name"] == (cache["code"] if gpx10 else cid), "name of %s: %r" % (cid, row["Name"]))
        check(row["Type"] == (cache["type"] if gpx10 else "Traditional Cache"),
              "type of %s: %r" % (cid, row["Type"]))
        if gpx10:
            day, month, year = cache["created"].split(".")
            check(row.get("Date") == "%s/%s/%s" % (year, month, day), "time of %s" % cid)
            check(row.get("URL") == SITE + cid, "url of %s: %r" % (cid, row.get("URL")))

    if len(sys.argv) > 6:
        ours, babel = cache_fields(gpx_path), cache_fields(sys.argv[6])
        check(len(ours) > 0 and ours.keys() == babel.keys(), "GPSBabel's GPX has every cache")
        for cid, fields in ours.items():
            for field, text in fields.items():
                check(babel.get(cid, {}).get(field) == text, "GPSBabel's %s of %s" % (field, cid))

    # What GPSBabel does not show: the title and placer in the document itself, and the
    # surroundings description only where it was asked for.
    for cache in expected:
        if not cache["element"]:
            continue
        title = "<groundspeak:name>%s [%s]</groundspeak:name>" % (
            cache["name"].replace("&", "&#38;"), cache["code"])
        check(title in gpx, "groundspeak:name of %s" % cache["id"])
        placer = "<groundspeak:placed_by>%s</groundspeak:placed_by>" % cache["author"].replace("&", "&#38;")
        check(placer in gpx, "placed_by of %s" % cache["id"])
    long_descriptions = re.findall(r'<groundspeak:long_description html="True">(.*?)</groundspeak:long_description>',
                                   gpx, re.S)
    if mode == "terrain":
        check(all(d.startswith("Описание окружающей местности") for d in long_descriptions),
              "every long description starts with its heading")
    else:
        check(all(d == "" for d in long_descriptions), "no long description without --terrain")

    print("%d passed, %d failed" % (passed, failed))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
