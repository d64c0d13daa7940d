#!/usr/bin/env python3
"""Writes the VPN SDK's server list (platform/zevu/resources/servers.json).

The list is generated, not hand-kept: every country gets its cities, every city one to three data
centres. Output is deterministic (a fixed seed and fixed tables), so re-running the script gives
the same file. Addresses come only from the documentation ranges 192.0.2.0/24, 198.51.100.0/24 and
203.0.113.0/24 and host names lie under ".invalid": nothing in the list names a real host. Tests and
`./dev run` point the hosts at local listeners through the SDK's host override.

Usage: tools/zevu/make_server_list.py [output path]
"""
import json
import random
import sys
from pathlib import Path

# Country code, name, cities. City names are plain ASCII so the file stays simple to diff.
COUNTRIES = [
    ("AE", "United Arab Emirates", ["Dubai", "Abu Dhabi"]),
    ("AL", "Albania", ["Tirana", "Durres"]),
    ("AR", "Argentina", ["Buenos Aires", "Cordoba", "Rosario"]),
    ("AT", "Austria", ["Vienna", "Graz", "Salzburg"]),
    ("AU", "Australia", ["Sydney", "Melbourne", "Brisbane", "Perth"]),
    ("BA", "Bosnia and Herzegovina", ["Sarajevo", "Banja Luka"]),
    ("BE", "Belgium", ["Brussels", "Antwerp", "Ghent"]),
    ("BG", "Bulgaria", ["Sofia", "Plovdiv", "Varna"]),
    ("BR", "Brazil", ["Sao Paulo", "Rio de Janeiro", "Brasilia"]),
    ("CA", "Canada", ["Toronto", "Montreal", "Vancouver", "Calgary"]),
    ("CH", "Switzerland", ["Zurich", "Geneva", "Basel"]),
    ("CL", "Chile", ["Santiago", "Valparaiso"]),
    ("CO", "Colombia", ["Bogota", "Medellin", "Cali"]),
    ("CR", "Costa Rica", ["San Jose", "Alajuela"]),
    ("CY", "Cyprus", ["Nicosia", "Limassol"]),
    ("CZ", "Czech Republic", ["Prague", "Brno", "Ostrava"]),
    ("DE", "Germany", ["Frankfurt", "Berlin", "Munich", "Hamburg"]),
    ("DK", "Denmark", ["Copenhagen", "Aarhus"]),
    ("EE", "Estonia", ["Tallinn", "Tartu"]),
    ("EG", "Egypt", ["Cairo", "Alexandria"]),
    ("ES", "Spain", ["Madrid", "Barcelona", "Valencia"]),
    ("FI", "Finland", ["Helsinki", "Espoo", "Tampere"]),
    ("FR", "France", ["Paris", "Marseille", "Lyon", "Bordeaux"]),
    ("GB", "United Kingdom", ["London", "Manchester", "Edinburgh", "Glasgow"]),
    ("GE", "Georgia", ["Tbilisi", "Batumi"]),
    ("GR", "Greece", ["Athens", "Thessaloniki"]),
    ("HK", "Hong Kong", ["Hong Kong", "Kowloon"]),
    ("HR", "Croatia", ["Zagreb", "Split"]),
    ("HU", "Hungary", ["Budapest", "Debrecen"]),
    ("ID", "Indonesia", ["Jakarta", "Surabaya"]),
    ("IE", "Ireland", ["Dublin", "Cork"]),
    ("IL", "Israel", ["Tel Aviv", "Jerusalem"]),
    ("IN", "India", ["Mumbai", "Chennai", "Bangalore"]),
    ("IS", "Iceland", ["Reykjavik", "Akureyri"]),
    ("IT", "Italy", ["Milan", "Rome", "Naples", "Turin"]),
    ("JP", "Japan", ["Tokyo", "Osaka", "Yokohama"]),
    ("KE", "Kenya", ["Nairobi", "Mombasa"]),
    ("KR", "South Korea", ["Seoul", "Busan", "Incheon"]),
    ("KZ", "Kazakhstan", ["Almaty", "Astana"]),
    ("LT", "Lithuania", ["Vilnius", "Kaunas"]),
    ("LU", "Luxembourg", ["Luxembourg", "Esch-sur-Alzette"]),
    ("LV", "Latvia", ["Riga", "Daugavpils"]),
    ("MA", "Morocco", ["Casablanca", "Rabat"]),
    ("MD", "Moldova", ["Chisinau", "Balti"]),
    ("MK", "North Macedonia", ["Skopje", "Bitola"]),
    ("MT", "Malta", ["Valletta", "Birkirkara"]),
    ("MX", "Mexico", ["Mexico City", "Guadalajara", "Monterrey"]),
    ("MY", "Malaysia", ["Kuala Lumpur", "Penang"]),
    ("NG", "Nigeria", ["Lagos", "Abuja"]),
    ("NL", "Netherlands", ["Amsterdam", "Rotterdam", "The Hague"]),
    ("NO", "Norway", ["Oslo", "Bergen", "Trondheim"]),
    ("NZ", "New Zealand", ["Auckland", "Wellington", "Christchurch"]),
    ("PA", "Panama", ["Panama City", "Colon"]),
    ("PE", "Peru", ["Lima", "Arequipa"]),
    ("PH", "Philippines", ["Manila", "Cebu"]),
    ("PK", "Pakistan", ["Karachi", "Lahore"]),
    ("PL", "Poland", ["Warsaw", "Krakow", "Wroclaw", "Gdansk"]),
    ("PT", "Portugal", ["Lisbon", "Porto"]),
    ("RO", "Romania", ["Bucharest", "Cluj-Napoca", "Timisoara"]),
    ("RS", "Serbia", ["Belgrade", "Novi Sad"]),
    ("SA", "Saudi Arabia", ["Riyadh", "Jeddah"]),
    ("SE", "Sweden", ["Stockholm", "Gothenburg", "Malmo"]),
    ("SG", "Singapore", ["Singapore", "Jurong"]),
    ("SI", "Slovenia", ["Ljubljana", "Maribor"]),
    ("SK", "Slovakia", ["Bratislava", "Kosice"]),
    ("TH", "Thailand", ["Bangkok", "Chiang Mai"]),
    ("TR", "Turkey", ["Istanbul", "Ankara", "Izmir"]),
    ("TW", "Taiwan", ["Taipei", "Kaohsiung"]),
    ("UA", "Ukraine", ["Kyiv", "Lviv", "Odesa"]),
    ("US", "United States", ["New York", "Los Angeles", "Chicago", "Dallas", "Miami", "Seattle"]),
    ("UY", "Uruguay", ["Montevideo", "Punta del Este"]),
    ("VE", "Venezuela", ["Caracas", "Maracaibo"]),
    ("VN", "Vietnam", ["Hanoi", "Ho Chi Minh City"]),
    ("ZA", "South Africa", ["Johannesburg", "Cape Town", "Durban"]),
    ("AM", "Armenia", ["Yerevan", "Gyumri"]),
    ("AZ", "Azerbaijan", ["Baku", "Ganja"]),
    ("BD", "Bangladesh", ["Dhaka", "Chittagong"]),
    ("CN", "China", ["Beijing", "Shanghai"]),
    ("EC", "Ecuador", ["Quito", "Guayaquil"]),
    ("LK", "Sri Lanka", ["Colombo", "Kandy"]),
    ("NP", "Nepal", ["Kathmandu", "Pokhara"]),
    ("QA", "Qatar", ["Doha", "Al Rayyan"]),
]

PROTOCOLS = ["IPSEC", "IKEV", "TCP", "UDP", "WireGuard"]
PORTS = {"IPSEC": 500, "IKEV": 500, "TCP": 443, "UDP": 1194, "WireGuard": 51820}
# Smaller places offer fewer protocols; some data centres are peer-to-peer friendly, some carry
# quantum-resistant keys, some offer obfuscated OpenVPN.
RANGES = ["192.0.2", "198.51.100", "203.0.113"]


def slug(text):
    return "".join(c for c in text.lower() if c.isalnum())[:6]


def addresses():
    for prefix in RANGES:
        for last in range(1, 255):
            yield f"{prefix}.{last}"


def build():
    rng = random.Random(20260101)
    ips = addresses()
    dc_id = 1000
    city_id = 100
    countries = []
    for code, name, cities in sorted(COUNTRIES):
        big = len(cities) >= 3
        country = {"country": code, "name": name, "iso_code": code, "cities": []}
        for city_name in cities:
            city_id += 1
            city = {"cityId": city_id, "name": city_name, "country": code, "data_centers": []}
            for n in range(1, rng.choice([1, 2, 2, 3] if big else [1, 1, 2]) + 1):
                dc_id += 1
                protocols = [p for p in PROTOCOLS if p in ("IKEV", "UDP") or rng.random() < (0.9 if big else 0.6)]
                host = f"{code.lower()}-{slug(city_name)}-{n:02d}.zevu.invalid"
                city["data_centers"].append({
                    "dataCenterId": dc_id,
                    "hostname": host,
                    "ip": next(ips),
                    "port": 443,
                    "ports": {p: PORTS[p] for p in protocols},
                    "protocols": protocols,
                    "nasIdentifier": f"{code.lower()}-{slug(city_name)}-nas{n:02d}",
                    "p2p": rng.random() < 0.45,
                    "quantumResistant": "WireGuard" in protocols and rng.random() < 0.35,
                    "obfuscated": ("TCP" in protocols or "UDP" in protocols) and rng.random() < 0.3,
                    "load": rng.randint(5, 90),
                })
            country["cities"].append(city)
        countries.append(country)
    return {
        "version": 1,
        # The location answered as recommended before any latency has been measured.
        "defaultRecommendedCountry": "US",
        "countries": countries,
    }


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else \
        Path(__file__).resolve().parents[2] / "platform/zevu/resources/servers.json"
    out.write_text(json.dumps(build(), indent=1) + "\n")
    print(f"wrote {out}")


if __name__ == "__main__":
    main()
