#!/usr/bin/env python3
"""Checks a GPX 1.0 document against the published GPX 1.0 schema and the Groundspeak cache
element's order.

    check_gpx10_schema.py GPX10_XSD GPX_FILE

The GPX 1.0 schema takes the elements of other namespaces strictly, and the Groundspeak cache
1.0 schema is not at hand, so xmllint validates the document without its cache elements; each
cache element's children are then checked to follow the order of the pocket query files,
every one of them required here, and its attributes to be what those files hold.
"""

import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

GPX10 = "{http://www.topografix.com/GPX/1/0}"
GROUNDSPEAK = "{http://www.groundspeak.com/cache/1/0}"
# The cache element's children in the pocket query files' order; those the catalogue has no
# value for (attributes, country, state, logs, travelbugs) are not written.
CACHE_ORDER = ["name", "placed_by", "owner", "type", "container", "difficulty", "terrain",
               "short_description", "long_description", "encoded_hints"]


def main():
    xsd, gpx = sys.argv[1:3]
    failed = passed = 0

    def check(ok, what):
        nonlocal failed, passed
        if ok:
            passed += 1
        else:
            failed += 1
            print("FAILED:", what)

    tree = ET.parse(gpx)
    root = tree.getroot()
    check(root.tag == GPX10 + "gpx" and root.get("version") == "1.0", "a GPX 1.0 root")
    waypoints = root.findall(GPX10 + "wpt")
    check(len(waypoints) > 0, "waypoints")
    for wpt in waypoints:
        caches = [c for c in wpt if c.tag.startswith(GROUNDSPEAK)]
        check(len(caches) == 1 and wpt[-1] is caches[0], "one cache element, last, in %s" % wpt.findtext(GPX10 + "name"))
        for cache in caches:
            children = [c.tag[len(GROUNDSPEAK):] for c in cache]
            check(children == CACHE_ORDER, "the cache's children in order: %s" % children)
            check(cache.get("id", "").isdigit(), "a numeric cache id")
            check((cache.get("archived"), cache.get("available")) == ("False", "True"),
                  "archived and available")
            wpt.remove(cache)

    with tempfile.NamedTemporaryFile(suffix=".gpx") as stripped:
        tree.write(stripped.name, encoding="utf-8", xml_declaration=True)
        result = subprocess.run(["xmllint", "--nonet", "--noout", "--schema", xsd, stripped.name],
                                capture_output=True, text=True)
        check(result.returncode == 0, "valid GPX 1.0 without the cache elements:\n" + result.stderr[-2000:])

    print("%d passed, %d failed" % (passed, failed))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
