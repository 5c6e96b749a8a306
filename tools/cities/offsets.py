#!/usr/bin/python3
"""Standard UTC offsets of time zones, from the system's time-zone database.

Reads a JSON list of zone names on standard input and writes a JSON object
mapping each name to its standard offset in whole hours.

The standard offset is the smaller of the zone's offsets on 15 January and
15 July of REFERENCE_YEAR (at 12:00 UTC). Taking the smaller one instead of
"offset minus daylight saving" keeps zones such as Europe/Dublin, whose rules
describe winter time as a negative saving, at their usual value. Offsets that
are not whole hours (India, Iran, Newfoundland, ...) are truncated toward
zero.
"""
import json
import sys
from datetime import datetime, timezone
from zoneinfo import ZoneInfo

REFERENCE_YEAR = 2024


def standard_offset_hours(name: str) -> int:
    zone = ZoneInfo(name)
    seconds = []
    for month in (1, 7):
        moment = datetime(REFERENCE_YEAR, month, 15, 12, tzinfo=timezone.utc)
        seconds.append(int(moment.astimezone(zone).utcoffset().total_seconds()))
    s = min(seconds)
    hours = abs(s) // 3600
    return hours if s >= 0 else -hours


def main() -> None:
    names = json.load(sys.stdin)
    json.dump({n: standard_offset_hours(n) for n in sorted(set(names))}, sys.stdout, sort_keys=True)


if __name__ == "__main__":
    main()
