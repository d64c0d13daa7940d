#!/usr/bin/env python3
"""Writes the application's country table (resources/app/countries.json) from the VPN SDK's
server list (platform/zevu/resources/servers.json).

The table is keyed by the SDK's country code; each entry holds:
  "priority"              how high the country stands in the popularity order (larger first)
  "is_p2p"                whether any of its data centres allows peer-to-peer traffic
  "is_quantum_resistant"  whether any of its data centres offers quantum-resistant tunnels

The popularity order is a fixed list (the countries most users pick first); every other country
follows with a lower priority, alphabetically. The output is deterministic: run it again after the
server list changes and commit the result.

Usage: tools/catalog/make_country_table.py [server list] [output]
"""
import json
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]

# Most chosen first.
POPULAR = ["US", "GB", "DE", "NL", "CH", "FR", "CA", "SE", "JP", "AU", "ES", "IT", "AT", "SG", "HK"]


def main() -> None:
    source = Path(sys.argv[1]) if len(sys.argv) > 1 else ROOT / "platform/zevu/resources/servers.json"
    target = Path(sys.argv[2]) if len(sys.argv) > 2 else ROOT / "resources/app/countries.json"
    servers = json.loads(source.read_text(encoding="utf-8"))
    table = {}
    others = sorted(c["country"] for c in servers["countries"] if c["country"] not in POPULAR)
    for country in servers["countries"]:
        code = country["country"]
        centres = [dc for city in country["cities"] for dc in city["data_centers"]]
        if code in POPULAR:
            priority = 1000 - 10 * POPULAR.index(code)
        else:
            priority = 500 - others.index(code)
        table[code] = {
            "priority": priority,
            "is_p2p": any(dc.get("p2p", False) for dc in centres),
            "is_quantum_resistant": any(dc.get("quantumResistant", False) for dc in centres),
        }
    ordered = {code: table[code] for code in sorted(table)}
    target.write_text(json.dumps(ordered, indent=1) + "\n", encoding="utf-8")


if __name__ == "__main__":
    main()
