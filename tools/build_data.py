#!/usr/bin/env python3
"""Rebuilds every file under data/ from the tables in tools/data/ and a few Debian packages.

    python3 tools/build_data.py --tvtr-build build/h-data/tools/tvtr-build

Same sources give the same bytes: every map is written in sorted order, the lexicon TSV is
sorted, and nothing records a time or a path. Python standard library only.
"""

import argparse
import gettext
import gzip
import json
import math
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unicodedata
import zipfile
from collections import Counter
from pathlib import Path

from inflect import (COMMON_NOUN_ENDINGS, IN_USE_FLAG, NOUN_ENDINGS, NOUN_FLAG, PLURAL_ENDINGS,
                     PLURAL_FLAG, TEXT_NOUN_FLAG, VERB_FLAGS, inflect, is_bound_stem, is_verb)
import romanise

REPO = Path(__file__).resolve().parent.parent
TABLES = REPO / "tools" / "data"
DATA = REPO / "data"
TEXT_DIR = TABLES / "nepali-text"

TOP_FREQUENCY = 64675
# Alias words at or above this enter the engine's consonant-skeleton index.
SKELETON_THRESHOLD = 15000
# Curated table words that no ranked list places higher: common enough to beat
# dictionary-only words, too low for the skeleton index on their own.
TABLE_WORD_FLOOR = 9000
# Base frequency by attestation (words found only in the running text have none); counts lift
# it by COUNT_STEP per doubling, up to COUNT_CAP. A message-catalog occurrence counts
# CATALOG_WEIGHT of one in the running text: interface text overstates its own words.
BASE_BOTH, BASE_OCR_ONLY, BASE_DICT_ONLY, BASE_TEXT_ONLY = 1600, 1000, 700, 0
COUNT_STEP = 4000
COUNT_CAP = 60000
CATALOG_WEIGHT = 0.25
# A headword of the standard dictionary is evidence of a standard spelling: half a doubling.
# A word that the inflection forms, too, is a form of the language: a whole doubling, so that
# it comes before a variant that only a word list has (चढी before the stem चढि).
HEADWORD_BONUS = COUNT_STEP // 2
FORMED_BONUS = COUNT_STEP
# The last word of the ranked list of common words; above TABLE_WORD_FLOOR.
RANKED_FLOOR = 10000
# Inflected forms that no source attests stay below BASE_DICT_ONLY.
GENERATED_TOP = 650
# Inflected forms that the running text lacks are spelt for aliases as often as it would show
# them: each ending at least this share of its stem's forms, and forms expected this often.
ENDING_SHARE_FLOOR = 0.005
EXPECTED_MIN = 0.3
# The lexicon frequency from which a word the running text lacks is spelt too, and the count it
# is spelt with.
UNSEEN_SPELT_FREQUENCY, UNSEEN_COUNT = 3000, 0.3
FINAL_SA = re.compile("[\u093f\u0947\u094b]\u0938\u094d$")
# Text-derived bigrams: weight per doubling of a pair's lift, the least count of a pair, the
# discount taken off each seen pair, and the range of weights kept.
BIGRAM_STEP = 4000
BIGRAM_MIN_COUNT = 5
BIGRAM_DISCOUNT = 1
BIGRAM_FLOOR, BIGRAM_TOP = 1000, 40000

ZWJ, ZWNJ = "\u200d", "\u200c"
DIGITS = {str(i): chr(0x966 + i) for i in range(10)}
KINDS = ("consonant", "vowel", "cluster", "nasal", "halanta")

CLASS_TAGS = (
    "PLACE", "FOOD_DRINK", "NUMBER_QUANTIFIER", "WATER_MODIFIER", "CAR_MODIFIER", "TAX_TERM",
    "FORCE_MODIFIER", "CHILD_CONTEXT", "GREETING_SUBJECT", "OPINION_CUE", "SCARCITY_RESOURCE",
    "RATE_PREFIX", "DAL_FOOD_MODIFIER", "POLITICAL_DAL_MODIFIER", "LAKE_TAAL_PREFIX",
    "BELOW_TALA_PREFIX", "WIRE_TAAR_PREFIX", "DEFEAT_GARLAND_HAAR_PREFIX", "RESPECT_MAAN_PREFIX",
    "HEART_MAN_PREFIX", "ROAD_BATO_PREFIX", "CLEVER_BATHO_PREFIX", "FERTILIZER_MAL_PREFIX",
    "GOODS_MAAL_PREFIX", "FIRST_PERSON_SUBJECT",
)

LOOKUP_ORDER = [
    "1. Exact bigram: the weight of (previous word, candidate) in bigrams.json.",
    "2. Stem back-off: the previous word with its case ending removed, at 0.55 of that weight.",
    "3. Class bigram rule: the boost for the rule's target when the previous word is in its class.",
    "4. Right context: a later pass that looks at the word typed after the candidate.",
]


class DataError(Exception):
    pass


# ---------------------------------------------------------------------------------------------
# Plausible Devanagari words

def _char_class(ch):
    o = ord(ch)
    if 0x905 <= o <= 0x90B or o in (0x90F, 0x910, 0x913, 0x914):
        return "V"  # independent vowel
    if 0x915 <= o <= 0x939 and o not in (0x929, 0x931, 0x933, 0x934):
        return "C"  # consonants used in Nepali
    if 0x93E <= o <= 0x944 or o in (0x947, 0x948, 0x94B, 0x94C):
        return "M"  # vowel sign
    if o == 0x94D:
        return "H"  # virama
    if o == 0x93C:
        return "K"  # nukta
    if 0x901 <= o <= 0x903:
        return "S"  # candrabindu, anusvara, visarga
    if ch in (ZWJ, ZWNJ):
        return "J"
    return None


# Which classes may stand directly before each class.
_MAY_FOLLOW = {
    "C": {"C", "V", "M", "H", "K", "S", "J"},
    "V": {"C", "V", "M", "K", "S"},
    "M": {"C", "K"},
    "H": {"C", "K"},
    "K": {"C"},
    "S": {"C", "V", "M", "K"},
    "J": {"H"},
}


def clean_word(word):
    """NFC form of a word with joiners at its edges removed (they change nothing on screen)."""
    return unicodedata.normalize("NFC", word).strip(ZWJ + ZWNJ)


def is_plausible(word):
    """A Nepali word written the way a keyboard produces it: starts with a letter, signs only
    where they can attach, joiners only between a virama and a consonant."""
    if not word:
        return False
    classes = [_char_class(ch) for ch in word]
    if None in classes or classes[0] not in ("C", "V"):
        return False
    for i in range(1, len(classes)):
        if classes[i - 1] not in _MAY_FOLLOW[classes[i]]:
            return False
        if classes[i - 1] == "J" and classes[i] != "C":
            return False
    return classes[-1] != "J"


# ---------------------------------------------------------------------------------------------
# Source tables

def table_lines(name):
    """(line number, fields) for each data line of a tab-separated table."""
    path = TABLES / name
    for number, raw in enumerate(path.read_text(encoding="utf-8").split("\n"), 1):
        line = raw.rstrip("\r")
        if not line.strip() or line.startswith("#"):
            continue
        yield f"{name}:{number}", line.split("\t")


def check_word(word, where):
    if word != unicodedata.normalize("NFC", word) or not is_plausible(word):
        raise DataError(f"{where}: not a plausible Devanagari word: {word!r}")
    return word


_EMISSION = re.compile(r'^"([^"]*)" ([0-9]+(?:\.[0-9]+)?) ([a-z]+)$')


def parse_emissions(text, where):
    if text == "-":
        return None
    out = []
    for part in text.split("; "):
        m = _EMISSION.match(part)
        if not m or m.group(3) not in KINDS:
            raise DataError(f"{where}: bad emission {part!r}")
        penalty = m.group(2)
        out.append({
            "text": m.group(1),
            "penalty": float(penalty) if "." in penalty else int(penalty),
            "kind": m.group(3),
        })
    return out


def load_rules():
    rules = []
    for where, f in table_lines("rules.tsv"):
        if len(f) != 3 or not f[0]:
            raise DataError(f"{where}: expected roman, emissions, matra emissions")
        rule = {"roman": f[0], "emissions": parse_emissions(f[1], where)}
        matra = parse_emissions(f[2], where)
        if matra is not None:
            rule["matraEmissions"] = matra
        rules.append(rule)
    return rules


def load_keyed_rows(name):
    """Rows of a key-first table; a key given twice is a mistake in the table."""
    rows, seen = [], set()
    for where, f in table_lines(name):
        if len(f) < 2 or not all(f):
            raise DataError(f"{where}: malformed row")
        if f[0] in seen:
            raise DataError(f"{where}: {f[0]!r} given twice")
        seen.add(f[0])
        rows.append((where, f))
    return rows


def load_loanwords(warnings):
    out = {}
    for where, f in load_keyed_rows("loanwords.tsv"):
        if not re.fullmatch(r"[a-z]+", f[0]):
            raise DataError(f"{where}: loanword keys are lower-case English words")
        out[f[0]] = dedupe([check_word(w, where) for w in f[1:]], where, warnings)
    return dict(sorted(out.items()))


def load_aliases(warnings):
    out = {}
    for where, f in load_keyed_rows("aliases.tsv"):
        if not re.fullmatch(r"[a-z0-9]{1,19}", f[0]):
            raise DataError(f"{where}: alias keys are 1..19 lower-case ASCII letters or digits")
        out[f[0]] = dedupe([check_word(w, where) for w in f[1:]], where, warnings)
    return dict(sorted(out.items()))


def load_normalization():
    out = {}
    for where, f in table_lines("normalization.tsv"):
        if len(f) != 2 or f[0] in out:
            raise DataError(f"{where}: expected one variant<TAB>standard pair per variant")
        out[check_word(f[0], where)] = check_word(f[1], where)
    return out


def load_bigrams():
    out = {}
    for where, f in table_lines("bigrams.tsv"):
        if len(f) != 3 or not re.fullmatch(r"[0-9]+", f[2]):
            raise DataError(f"{where}: expected previous<TAB>next<TAB>weight")
        prev, nxt, weight = check_word(f[0], where), check_word(f[1], where), int(f[2])
        if not 1000 <= weight <= 75000:
            raise DataError(f"{where}: weight {weight} outside 1000..75000")
        if nxt in out.setdefault(prev, {}):
            raise DataError(f"{where}: pair given twice")
        out[prev][nxt] = weight
    return {p: dict(sorted(n.items())) for p, n in sorted(out.items())}


def load_classes(warnings):
    classes, tag, where = {}, None, "classes.txt"
    for number, raw in enumerate((TABLES / "classes.txt").read_text(encoding="utf-8").split("\n"), 1):
        line = raw.strip()
        where = f"classes.txt:{number}"
        if not line or line.startswith("#"):
            continue
        m = re.fullmatch(r"\[([A-Z_]+)\]", line)
        if m:
            tag = m.group(1)
            if tag not in CLASS_TAGS or tag in classes:
                raise DataError(f"{where}: unknown or repeated class {tag}")
            classes[tag] = []
            continue
        if tag is None:
            raise DataError(f"{where}: words before the first [TAG]")
        classes[tag].extend(check_word(w, where) for w in line.split())
    missing = [t for t in CLASS_TAGS if t not in classes]
    if missing:
        raise DataError(f"classes.txt: classes without words: {', '.join(missing)}")
    return {t: dedupe(classes[t], f"classes.txt [{t}]", warnings) for t in CLASS_TAGS}


def load_class_rules():
    rules = []
    for where, f in table_lines("class_rules.tsv"):
        if len(f) != 5 or f[0] not in CLASS_TAGS or not re.fullmatch(r"[0-9]+", f[2]):
            raise DataError(f"{where}: expected class<TAB>target<TAB>boost<TAB>competes<TAB>notes")
        rules.append({
            "prev_class": f[0],
            "target": check_word(f[1], where),
            "recommended_boost": int(f[2]),
            "competes_with": [check_word(w, where) for w in f[3].split()],
            "notes": f[4],
        })
    return rules


def load_headwords():
    words = set()
    for number, raw in enumerate((TABLES / "headwords.txt").read_text(encoding="utf-8").split("\n"), 1):
        if raw and not raw.startswith("#"):
            words.add(check_word(raw, f"headwords.txt:{number}"))
    return words


def load_ranked_words(warnings):
    words = []
    for number, raw in enumerate((TABLES / "common_words.txt").read_text(encoding="utf-8").split("\n"), 1):
        if raw.startswith("#"):
            continue
        words.extend(check_word(w, f"common_words.txt:{number}") for w in raw.split())
    return dedupe(words, "common_words.txt", warnings)


def dedupe(words, where, warnings):
    out = []
    for w in words:
        if w in out:
            warnings.append(f"{where}: {w} listed twice; the first stays")
        else:
            out.append(w)
    return out


# ---------------------------------------------------------------------------------------------
# Debian sources

def load_source_list():
    out = []
    for where, f in table_lines("sources.tsv"):
        if len(f) != 4:
            raise DataError(f"{where}: expected package<TAB>version<TAB>licence<TAB>use")
        out.append({"package": f[0], "version": f[1], "licence": f[2], "use": f[3]})
    return out


def run(cmd, **kw):
    return subprocess.run(cmd, check=True, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, **kw)


def run_tool(name, cmd, **kw):
    """The output of one of our own programs; its complaint, if it fails."""
    try:
        return run(cmd, **kw).stdout
    except subprocess.CalledProcessError as e:
        raise DataError(f"{name} failed: {e.stderr.strip()}") from e


def candidate_version(package):
    out = run(["apt-cache", "policy", package]).stdout
    m = re.search(r"Candidate:\s*(\S+)", out)
    if not m or m.group(1) == "(none)":
        raise DataError(f"apt-cache knows no candidate for {package} (run apt-get update)")
    return m.group(1)


def source_root(src, cache):
    """The file tree of the pinned package, unpacked from its .deb into the cache. An installed
    copy is never read: its files may differ from the package's (dpkg path excludes, local
    edits, a half-finished upgrade)."""
    package, version = src["package"], src["version"]
    unpacked = cache / f"{package}_{version.replace(':', '%3a')}"
    if unpacked.is_dir():
        return unpacked
    cache.mkdir(parents=True, exist_ok=True)
    with tempfile.TemporaryDirectory(dir=cache) as tmp:
        try:
            run(["apt-get", "download", f"{package}={version}"], cwd=tmp)
        except subprocess.CalledProcessError as e:
            raise DataError(
                f"cannot fetch {package}={version}: {e.stderr.strip()}\n"
                "  if the archive has moved on, rerun with --update-sources") from e
        debs = list(Path(tmp).glob("*.deb"))
        if len(debs) != 1:
            raise DataError(f"apt-get download {package} gave {len(debs)} files")
        run(["dpkg-deb", "-x", str(debs[0]), str(Path(tmp) / "tree")])
        (Path(tmp) / "tree").rename(unpacked)
    return unpacked


def update_sources(sources):
    rows = ["# Debian packages read by the data pipeline: package<TAB>version<TAB>licence<TAB>use"]
    for src in sources:
        src["version"] = candidate_version(src["package"])
        rows.append("\t".join((src["package"], src["version"], src["licence"], src["use"])))
    (TABLES / "sources.tsv").write_text("\n".join(rows) + "\n", encoding="utf-8")


def hunspell_words(root, stats):
    """The dictionary's stems, and the affix flags of each (which give its word class)."""
    text = (root / "usr/share/hunspell/ne_NP.dic").read_text(encoding="utf-8").lstrip("\ufeff")
    kept, flags, dropped = set(), {}, 0
    for line in text.split("\n")[1:]:  # the first line is the entry count
        stem, _, rest = line.split("\t", 1)[0].partition("/")
        stem = stem.strip().lstrip("\ufeff")
        if not stem:
            continue
        # The dictionary writes visarga as an ASCII colon (दु:ख).
        stem = re.sub(r"(?<=[\u0900-\u097f]):", "\u0903", stem)
        word = clean_word(stem)
        if is_plausible(word):
            kept.add(word)
            flags.setdefault(word, set()).update(f for f in rest.strip().split(",") if f)
        else:
            dropped += 1
    stats["hunspell_kept"], stats["hunspell_dropped"] = len(kept), dropped
    return kept, flags


def thesaurus_words(root, stats):
    """The headwords and synonyms of the thesaurus that are single plausible words."""
    text = (root / "usr/share/mythes/th_ne_NP_v2.dat").read_text(encoding="utf-8", errors="replace")
    kept = set()
    for line in text.split("\n")[1:]:
        fields = line.split("|")
        if line.startswith("("):
            fields = fields[1:]
        elif len(fields) == 2:
            fields = fields[:1]
        for field in fields:
            word = clean_word(field.strip())
            if " " not in word and is_plausible(word):
                kept.add(word)
    stats["thesaurus_kept"] = len(kept)
    return kept


def tesseract_words(root, stats):
    tools = [shutil.which(t) for t in ("combine_tessdata", "dawg2wordlist")]
    if None in tools:
        raise DataError("combine_tessdata and dawg2wordlist are needed: apt-get install tesseract-ocr")
    traineddata = root / "usr/share/tesseract-ocr/5/tessdata/nep.traineddata"
    with tempfile.TemporaryDirectory() as tmp:
        run([tools[0], "-u", str(traineddata), f"{tmp}/nep."])
        run([tools[1], f"{tmp}/nep.lstm-unicharset", f"{tmp}/nep.lstm-word-dawg", f"{tmp}/words.txt"])
        forms = Path(tmp, "words.txt").read_text(encoding="utf-8").split()
    kept = {clean_word(f) for f in forms}
    kept = {w for w in kept if is_plausible(w)}
    stats["tesseract_forms"], stats["tesseract_kept"] = len(forms), len(kept)
    return kept


_LETTERS = "\u0901-\u0903\u0905-\u0939\u093c-\u094d\u200c\u200d"
_TOKEN = re.compile(f"[{_LETTERS}]+")


def plausible_words(text):
    for token in _TOKEN.findall(text):
        word = clean_word(token)
        if is_plausible(word):
            yield word


def count_tokens(texts, counts):
    for text in texts:
        counts.update(plausible_words(text))


def catalog_counts(roots, sources, stats):
    counts = Counter()
    ff = sorted(roots["firefox-esr-l10n-ne-np"].glob("usr/lib/firefox-esr/browser/extensions/langpack-ne-NP*.xpi"))
    if not ff:
        raise DataError("firefox-esr-l10n-ne-np: language pack not found")
    for xpi in ff:
        with zipfile.ZipFile(xpi) as z:
            count_tokens((z.read(n).decode("utf-8", "replace") for n in sorted(z.namelist())), counts)
    lo = roots["libreoffice-l10n-ne"] / "usr/lib/libreoffice"
    files = sorted(p for p in lo.rglob("*") if p.suffix in (".mo", ".xcd") and p.is_file())
    if not files:
        raise DataError("libreoffice-l10n-ne: message catalogs not found")
    count_tokens((p.read_bytes().decode("utf-8", "replace") for p in files), counts)
    # The Nepali message catalogs of other packages: only their translations are counted.
    catalog_packages = sorted(s["package"] for s in sources if "counts" in s["use"])
    for package in catalog_packages:
        if package in ("firefox-esr-l10n-ne-np", "libreoffice-l10n-ne"):
            continue
        catalogs = sorted(roots[package].glob("usr/share/locale/ne/LC_MESSAGES/*.mo"))
        if not catalogs:
            raise DataError(f"{package}: no Nepali message catalog")
        for path in catalogs:
            with path.open("rb") as f:
                catalog = gettext.GNUTranslations(f)._catalog
            count_tokens((str(v) for _, v in sorted(catalog.items(), key=lambda kv: str(kv[0]))), counts)
    stats["corpus_tokens"], stats["corpus_types"] = sum(counts.values()), len(counts)
    return counts


# ---------------------------------------------------------------------------------------------
# Running text

# Postpositions that typists often write apart from their noun (कोरोना को): a word ending in one
# also counts as the noun followed by the postposition.
SPLIT_ENDINGS = tuple(sorted(("को", "मा", "ले", "लाई", "का", "की", "बाट", "सँग", "देखि", "सम्म",
                              "भन्दा", "तिर", "भित्र", "माथि"), key=len, reverse=True))
# One space-separated chunk of text: what stands before a word, the word, what follows it.
_CHUNK = re.compile(f"([^{_LETTERS}]*)([{_LETTERS}]+)([^{_LETTERS}]*)")


def load_text_sources():
    out = []
    for where, f in table_lines("text_sources.tsv"):
        if len(f) != 5 or not re.fullmatch(r"[0-9]+(\.[0-9]+)?", f[1]) or not all(f):
            raise DataError(f"{where}: expected file<TAB>weight<TAB>licence<TAB>origin<TAB>text")
        if not (TEXT_DIR / f[0]).is_file():
            raise DataError(f"{where}: {TEXT_DIR / f[0]} not found")
        out.append({"file": f[0], "weight": float(f[1]), "licence": f[2], "origin": f[3], "text": f[4]})
    return out


def text_lines(text_sources):
    """(weight, line) for every line of the running text."""
    for src in text_sources:
        for line in (TEXT_DIR / src["file"]).read_text(encoding="utf-8").split("\n"):
            yield src["weight"], line


def typed_form(word):
    """The word as typing gives it: without joiners inside (गर्‍यो → गर्यो)."""
    bare = word.replace(ZWJ, "").replace(ZWNJ, "")
    return bare if is_plausible(bare) else word


def running_text_counts(text_sources, stats):
    """Weighted occurrences of every plausible word of the running text. A word written with
    joiners (गर्‍यो) also counts under its spelling without them (गर्यो), which is what typing
    gives."""
    counts, tokens = Counter(), 0
    for weight, line in text_lines(text_sources):
        for word in plausible_words(line):
            counts[word] += weight
            tokens += 1
            if typed_form(word) != word:
                counts[typed_form(word)] += weight
    stats["text_tokens"], stats["text_types"] = tokens, len(counts)
    return counts


def typed_sequences(line, normalization):
    """Runs of words as a typist enters them, separated by spaces only; punctuation, digits or
    a word joined to another by a hyphen end a run, since the engine then sees no previous
    word it knows."""
    run = []
    for chunk in line.split():
        m = _CHUNK.fullmatch(chunk)
        word = clean_word(m.group(2)) if m else ""
        if not is_plausible(word):
            if run:
                yield run
            run = []
            continue
        if m.group(1) and run:
            yield run
            run = []
        word = typed_form(word)
        run.append(normalization.get(word, word))
        if m.group(3):
            yield run
            run = []
    if run:
        yield run


def split_ending(word, known, normalization):
    """(stem, postposition) when the word is a known word with a postposition written on."""
    for ending in SPLIT_ENDINGS:
        stem = word[:-len(ending)]
        if word.endswith(ending) and len(stem) >= 2 and stem in known:
            return normalization.get(stem, stem), ending
    return None


def running_text_pairs(text_sources, normalization, known):
    """Weighted counts of (previous word, next word) pairs as typed: words next to each other,
    and a postposition written on a known word also as if written apart (काठमाडौँमा gives
    काठमाडौँ, मा and मा with the word after it)."""
    pairs = Counter()
    for weight, line in text_lines(text_sources):
        for run in typed_sequences(line, normalization):
            for i, word in enumerate(run):
                if i:
                    pairs[run[i - 1], word] += weight
                split = split_ending(word, known, normalization)
                if split:
                    if i:
                        pairs[run[i - 1], split[0]] += weight
                    pairs[split] += weight
                    if i + 1 < len(run):
                        pairs[split[1], run[i + 1]] += weight
    return pairs


def merge_bigrams(written, counted):
    """Our written rows and the counted ones together; where both have a pair, the higher
    weight. Also the number of pairs that the counts added or raised."""
    merged = {prev: dict(nexts) for prev, nexts in written.items()}
    changed = 0
    for prev, nexts in counted.items():
        row = merged.setdefault(prev, {})
        for nxt, weight in nexts.items():
            if weight > row.get(nxt, 0):
                row[nxt] = weight
                changed += 1
    return {p: dict(sorted(n.items())) for p, n in sorted(merged.items())}, changed


def text_bigrams(pairs, lexicon):
    """Bigram weights from pair counts, in the frequencies' own scale: BIGRAM_STEP per doubling
    of how much likelier the next word is after this previous word than an unseen pair would be
    (absolute discounting: an unseen word gets the share BIGRAM_DISCOUNT × the previous word's
    distinct followers, spread by overall frequency). Pairs seen fewer than BIGRAM_MIN_COUNT
    times are left out."""
    followers, as_next = Counter(), Counter()
    for (prev, nxt), c in pairs.items():
        followers[prev] += 1
        as_next[nxt] += c
    total = sum(pairs.values())
    out = {}
    for (prev, nxt), c in sorted(pairs.items()):
        if c < BIGRAM_MIN_COUNT or prev not in lexicon or nxt not in lexicon:
            continue
        lift = (c - BIGRAM_DISCOUNT) * total / (BIGRAM_DISCOUNT * followers[prev] * as_next[nxt])
        weight = min(BIGRAM_TOP, round(BIGRAM_STEP * math.log2(1 + lift)))
        if weight >= BIGRAM_FLOOR:
            out.setdefault(prev, {})[nxt] = weight
    return out


# ---------------------------------------------------------------------------------------------
# Frequencies

def rank_frequency(rank, count):
    """Rank 1 gets the top frequency and the last of count ranked words RANKED_FLOOR, on a
    logarithmic curve, so the whole list stays above the table words' floor."""
    slope = (1 - RANKED_FLOOR / TOP_FREQUENCY) / math.log(max(count, 2))
    return round(TOP_FREQUENCY * (1 - slope * math.log(rank)))


def generated_frequency(stem_frequency, ending_rank):
    """A form that no source attests: below every attested word, higher for a frequent stem
    and a common ending, never 0."""
    share = math.sqrt(stem_frequency / TOP_FREQUENCY) * max(0.3, 1 - 0.025 * ending_rank)
    return max(1, round(GENERATED_TOP * share))


def text_nouns(text_words, known, verb_forms):
    """Words that the running text shows with a case ending or the plural written on: nouns,
    whatever the dictionary's flags say (कोरोना, सम्पति, काठमाडौँ). Verb forms are left out, so
    that गरेको does not make a noun of गरे."""
    endings = set(NOUN_ENDINGS + PLURAL_ENDINGS)
    nouns = set()
    for word in text_words:
        if word in verb_forms:
            continue
        for ending in endings:
            stem = word[:-len(ending)]
            if word.endswith(ending) and len(stem) >= 2 and stem in known and stem not in verb_forms:
                nouns.add(stem)
    return nouns


def inflected_forms(dict_flags, text_words, known, stats):
    """Every inflected form of the dictionary's stems and of the nouns the running text shows,
    with the (stem, place of the ending, ending) triples that form it."""
    verb_forms = {form for stem, flags in dict_flags.items() if is_verb(flags)
                  for form, _, _ in inflect(stem, flags & VERB_FLAGS)}
    nouns = text_nouns(text_words, known, verb_forms)
    flags = {stem: set(f) for stem, f in dict_flags.items()}
    for stem in nouns:
        flags.setdefault(stem, set()).add(TEXT_NOUN_FLAG)
    stats["text_nouns"] = sum(1 for s in nouns if not {NOUN_FLAG, PLURAL_FLAG} & dict_flags.get(s, set()))
    # A stem that the running text shows, alone or in one of its forms, is in use and takes the
    # rarer endings too.
    for stem in sorted(flags):
        if stem in text_words or any(form in text_words for form, _, _ in inflect(stem, flags[stem])):
            flags[stem].add(IN_USE_FLAG)
    stats["stems_in_use"] = sum(1 for f in flags.values() if IN_USE_FLAG in f)
    forms = {}
    for stem in sorted(flags):
        for form, rank, ending in inflect(stem, flags[stem]):
            if is_plausible(form):
                forms.setdefault(form, []).append((stem, rank, ending))
    return forms


def generate_forms(forms, freq, stats):
    """Frequencies of the inflected forms that no source attests."""
    generated = {}
    for form, origins in forms.items():
        if form not in freq:
            generated[form] = max(generated_frequency(
                max(freq.get(stem, 0), freq.get(stem + "नु", 0), BASE_DICT_ONLY), rank) for stem, rank, _ in origins)
    stats["generated"] = len(generated)
    return generated


def expected_counts(forms, text_counts):
    """How often running text of this size would show each inflected form that it does not:
    its stem's occurrences in all its forms times the share of its ending among the forms of
    every stem that takes it. The text is mostly news, which seldom says I or you, so each
    ending counts at least ENDING_SHARE_FLOOR of its stem: a form people type to each other is
    still a form people type. Only forms expected EXPECTED_MIN times or more are kept."""
    family = Counter()
    for form, origins in forms.items():
        for stem, _, _ in origins:
            family[stem] += text_counts.get(form, 0)
    for stem in family:
        family[stem] += text_counts.get(stem, 0)
    seen, base = Counter(), Counter()
    for form, origins in forms.items():
        for stem, _, ending in origins:
            seen[ending] += text_counts.get(form, 0)
            base[ending] += family[stem]
    out = {}
    for form, origins in forms.items():
        if form in text_counts:
            continue
        n = max(family[stem] * max(ENDING_SHARE_FLOOR, seen[ending] / base[ending] if base[ending] else 0)
                for stem, _, ending in origins)
        if n >= EXPECTED_MIN:
            out[form] = n
    return out


def word_counts(text_counts, catalog, normalization):
    """Weighted occurrences of each word; a variant's occurrences also count for its standard
    spelling, which is what the engine looks up in its place."""
    counts = Counter(text_counts)
    for word, n in catalog.items():
        counts[word] += CATALOG_WEIGHT * n
    for variant, standard in normalization.items():
        counts[standard] += counts.get(variant, 0)
    return counts


def assign_frequencies(dict_words, ocr_words, text_words, table_words, headwords, formed, ranked, counts):
    freq = {}
    for word in dict_words | ocr_words | text_words | table_words:
        if word in dict_words and word in ocr_words:
            base = BASE_BOTH
        elif word in ocr_words:
            base = BASE_OCR_ONLY
        elif word in dict_words or word in table_words or word in headwords or word in formed:
            base = BASE_DICT_ONLY
        else:
            base = BASE_TEXT_ONLY
        n = counts.get(word, 0)
        if base == BASE_TEXT_ONLY:
            # Only the running text has it, so it may be a slip: its count counts half, less one.
            n = (n - 1) / 2
        if word in headwords:
            base += HEADWORD_BONUS
        if word in formed:
            base += FORMED_BONUS
        f = min(COUNT_CAP, base + round(COUNT_STEP * math.log2(1 + max(n, 0))))
        if word in table_words:
            f = max(f, TABLE_WORD_FLOOR)
        freq[word] = max(f, 1)
    for rank, word in enumerate(ranked, 1):
        freq[word] = max(freq[word], rank_frequency(rank, len(ranked)))
    for word, f in freq.items():
        if not 1 <= f <= 65535:
            raise DataError(f"frequency {f} of {word} out of range")
    return freq


# ---------------------------------------------------------------------------------------------
# TVTR read-back

def decode_label(data):
    out = []
    i = 0
    while i < len(data):
        b = data[i]
        if 0x01 <= b <= 0x80:
            out.append(chr(0x900 + b - 1))
        elif b == 0x81:
            out.append(ZWJ)
        elif b == 0x82:
            out.append(ZWNJ)
        elif b == 0xFF and i + 2 < len(data):
            out.append(chr(data[i + 1] * 256 + data[i + 2]))
            i += 2
        i += 1
    return "".join(out)


def read_tvtr(raw):
    """Every (word, frequency) of a TVTR file, with its header figures."""
    if raw[:4] != b"TVTR":
        raise DataError("lexicon: bad magic")
    node_count, edge_total, word_count = struct.unpack_from("<III", raw, 4)
    pos = 16

    def varint():
        nonlocal pos
        value, shift = 0, 0
        while True:
            b = raw[pos]
            pos += 1
            value |= (b & 0x7F) << shift
            shift += 7
            if not b & 0x80:
                return value

    paths, words = [""] * node_count, {}
    first_child = 1
    parent_of = {}
    max_children, label_lengths, edge_sum = 0, Counter(), 0
    for i in range(node_count):
        children = varint()
        (f,) = struct.unpack_from("<H", raw, pos)
        pos += 2
        length = varint()
        label = raw[pos:pos + length]
        pos += length
        edge_sum += length
        if i:
            label_lengths[length] += 1
            paths[i] = paths[parent_of.pop(i)] + decode_label(label)
        for c in range(first_child, first_child + children):
            parent_of[c] = i
        first_child += children
        max_children = max(max_children, children)
        if f:
            words[paths[i]] = f
    if pos != len(raw) or edge_sum != edge_total or len(words) != word_count:
        raise DataError("lexicon: header does not match the records")
    return words, {
        "node_count": node_count, "edge_bytes_total": edge_total, "word_count": word_count,
        "max_children": max_children, "max_label": max(label_lengths),
    }


# ---------------------------------------------------------------------------------------------
# Output

def dumps(value, level=0):
    """JSON with one entry per line down to the second level and compact entries below."""
    if level >= 2 or not isinstance(value, (dict, list)) or not value:
        return json.dumps(value, ensure_ascii=False)
    pad, inner = "  " * level, "  " * (level + 1)
    if isinstance(value, dict):
        items = [f"{inner}{json.dumps(k, ensure_ascii=False)}: {dumps(v, level + 1)}" for k, v in value.items()]
        return "{\n" + ",\n".join(items) + "\n" + pad + "}"
    items = [inner + dumps(v, level + 1) for v in value]
    return "[\n" + ",\n".join(items) + "\n" + pad + "]"


# With --check nothing is written: each output is compared with the committed file.
DIFFERENCES = None


def write(path, content):
    data = content.encode("utf-8") if isinstance(content, str) else content
    if DIFFERENCES is not None:
        if not path.exists() or path.read_bytes() != data:
            DIFFERENCES.append(path.name)
    elif not path.exists() or path.read_bytes() != data:
        path.write_bytes(data)


ALIAS_SCHEMA = {
    "$schema": "https://json-schema.org/draft/2020-12/schema",
    "title": "Tarovik aliases",
    "type": "object",
    "required": ["aliases"],
    "properties": {
        "aliases": {
            "type": "object",
            "propertyNames": {"pattern": "^[a-z0-9]{1,19}$"},
            "additionalProperties": {"type": "array", "items": {"type": "string"}, "minItems": 1},
        }
    },
}


def rule_counts(rules):
    kinds = Counter()
    for r in rules:
        for e in r["emissions"] + r.get("matraEmissions", []):
            kinds[e["kind"]] += 1
    return kinds


def check_rule_table(rules):
    kinds = rule_counts(rules)
    expected = {"consonant": 67, "vowel": 62, "cluster": 51, "nasal": 7, "halanta": 2}
    with_matra = sum(1 for r in rules if "matraEmissions" in r)
    if len(rules) != 92 or dict(kinds) != expected or with_matra != 19:
        raise DataError(f"rules.tsv: {len(rules)} rules, {dict(kinds)}, {with_matra} with matra emissions")


def readme(figures):
    f = figures
    habit_odds = ", ".join(f"{h} {p:g}" for h, p in romanise.HABIT_ODDS.items())
    sources = "\n".join(
        f"| {s['package']} | {s['version']} | {s['licence']} | {s['use']} |" for s in f["sources"])
    texts = "\n".join(
        f"| `{s['file']}` | {s['origin']} | {s['licence']} | {s['weight']:g} | {s['text']} |"
        for s in f["text_sources"])
    return f"""# Data

Everything in this folder is generated; edit the tables in `tools/data/` and rebuild.
The program compiles these files in (see `src/CMakeLists.txt`).

| file | content |
|---|---|
| `lexicon.tvtrie.gz` | the lexicon: Devanagari words with 16-bit frequencies, a TVTR trie, gzip |
| `rules.json` | phonetic rules, English loanwords, spelling normalisation, Devanagari digits |
| `aliases.json` | roman keys mapped to ranked Devanagari words |
| `bigrams.json` | weights of (previous word, next word) pairs |
| `semantic_classes.json` | word classes and class-level bigram rules |
| `aliases.schema.json` | JSON schema of `aliases.json` (not compiled in) |

## Rebuilding

    cmake -S . -B build/h-data -G Ninja -DCMAKE_BUILD_TYPE=Release
    cmake --build build/h-data --target tvtr-build engine-probe
    python3 tools/build_data.py --tvtr-build build/h-data/tools/tvtr-build

Adding `--check` writes nothing and fails unless the rebuild equals the files here byte for
byte (about two and a half minutes once the sources are unpacked).

Needs `python3`, `dpkg-deb`, `apt-get` and the `tesseract-ocr` package (for
`combine_tessdata` and `dawg2wordlist`). The Debian packages below are read at the pinned
versions listed in `tools/data/sources.tsv`, always from the package itself: fetched with
`apt-get download` and unpacked into `build/data-sources/` the first time, read from there
afterwards; an installed copy is never read. When the archive no longer carries a pinned version,
`--update-sources` pins the current candidates (the frequencies may then change a little).
The running text and the headword list are part of the repository. Same sources give the
same bytes.

## Sources

| package | version | licence | use |
|---|---|---|---|
{sources}

Running Nepali text in `tools/data/nepali-text/` (one sentence or text unit per line; the
licence texts in `licences/` there), listed with its weights in `tools/data/text_sources.tsv`:
its words join the lexicon and give counts and word pairs.

| file | origin (repository @ commit, path) | licence | weight | text |
|---|---|---|---|---|
{texts}

`tools/data/headwords.txt`: the single-word headwords of the standard Nepali dictionary
(Brihat Shabdakosh) from bisug/Nepali-Wordlist-Dataset @ 6d9d8ad9 (data/words.lst), CC0 1.0;
it adds no words, it only marks standard spellings.

Our own tables in `tools/data/` (rules, normalisation, loanwords, aliases, bigrams, classes,
class rules and the ranked list of common words) are GPL-3.0-or-later, like the rest of the
project. Words are taken only from hunspell-ne, mythes-ne, tesseract-ocr-nep and the running
text (and formed from hunspell-ne's stems and the running text's nouns, below); the packages
read for counts (their Nepali translations) contribute occurrence counts and nothing else.

## Lexicon

- Words: the stems of `ne_NP.dic` (affix flags removed, a colon after a letter read as
  visarga), the single-word headwords and synonyms of `th_ne_NP_v2.dat`, the word forms of
  `nep.traineddata` (unpacked with `combine_tessdata -u`, listed with `dawg2wordlist`), the
  words of the running text, every word of our tables, and inflected forms. Each is put in NFC
  with joiners at its ends removed, and kept only when it is a plausible word: Nepali letters
  and signs only, a letter first, vowel signs, virama and nukta after a consonant, joiners only
  between a virama and a consonant. Dropped: {f['hunspell_dropped']:,} dictionary entries
  (phrases, hyphenated or numbered entries) and {f['tesseract_forms'] - f['tesseract_kept']:,} OCR forms
  (punctuation, digits, broken sign sequences). A dictionary verb stem that ends in a virama or
  is a passive stem (गर्, बोकि) is no word by itself: it stays out unless another source has it
  ({f['bound_stems']:,} left out).
- Inflected forms (`tools/inflect.py`): the dictionary's affix flags give a stem's class, and
  our own endings form its words. Nouns (flag 15) take {len(NOUN_ENDINGS)} case endings and postpositions
  written together (को, मा, ले, लाई … मै, कै, सँगै, भरि), and the {len(PLURAL_ENDINGS)} forms of हरू when the
  dictionary gives a plural (flag 18) or the running text shows the noun with one of these
  endings (सेवामा: सेवाहरू). A word without a noun flag that the running text shows so (सम्पतिहरूमा,
  बालेन्द्रलाई) is a noun too, and takes the {len(COMMON_NOUN_ENDINGS)} endings that at least one noun in fifty
  carries there ({f['text_nouns']:,} such nouns). Verbs (flags 1, 8, 9, 11) take finite forms
  in every person (पढेछु, सुन्थेँ, पढूँ, आउनेछु, खायौ, पढिस्), participles with the emphatic -ै
  (पढेकै), infinitives, imperatives (बनाऊ, देऊ), honorific and negative forms (नपढोस्), and
  a second verb on the conjunctive -इ: रह, दि and सक (पढिरहेछ, लेखिदेऊ, गरिसकेको), by the
  shape of the root (ending in a virama as गर्, in उ as आउ, or in a vowel as खा), with the past
  on another stem where the language has one (जा → गएको, हु → भयो, ला → लग्यो, धु → धोयो,
  दि → देला); passive stems (गरि, बनाइ) take third-person and impersonal forms only; -ो
  adjectives (flag 14) take -ा, -ी and -ै. Stems that the running text shows, alone or in a
  form ({f['stems_in_use']:,}), also take rarer endings: the infinitive with a case ending
  (गर्नको), -नपर्छ as many write -नुपर्छ, the participle in -दो (बग्दो), the passive negative
  (गरिँदैन, and गरिदैन as many write it), the conditional -एमा, -एरै, the second verb after a long
  ई as many write it (गरीरहेको, बनाईदिन्छ), the negative of a second verb (नछोडिदेऊ), and on
  nouns जस्तै and जस्तो (फूलजस्तै). The
  dictionary's own affix rules are not expanded: whole, they also put verb endings on nouns.
- Frequencies (1 to 65,535): the ranked list `tools/data/common_words.txt` gives rank r of
  n the value round({TOP_FREQUENCY} × (1 − s ln r)) with s = (1 − {RANKED_FLOOR:,}/{TOP_FREQUENCY}) / ln n, so its
  {f['ranked']:,} words run from {TOP_FREQUENCY:,} down to {f['ranked_min']:,}. Every other word gets a base
  of {BASE_BOTH:,} when both word lists have it, {BASE_OCR_ONLY:,} for OCR forms only, {BASE_DICT_ONLY:,} for the
  dictionary, the headwords, our tables or the inflection only and {BASE_TEXT_ONLY} for the running text
  only; {HEADWORD_BONUS:,} more when it is a headword and {FORMED_BONUS:,} more when the inflection forms it (so
  that it comes before a variant only a word list has, चढी before the stem चढि); plus
  round({COUNT_STEP} × log2(1 + n)), capped at {COUNT_CAP:,}. n is its weighted count: the sum over the
  running-text files of weight × occurrences (a word written with joiners inside also counting
  for its spelling without them), plus {CATALOG_WEIGHT} × its occurrences in the message catalogs; a
  spelling variant's count also counts for its standard spelling. For a word only the running
  text has, n becomes (n − 1) / 2 (one occurrence may be a slip). Words of
  our tables get at least {TABLE_WORD_FLOOR:,}. An inflected form that nothing else attests gets
  round({GENERATED_TOP} × √(f / {TOP_FREQUENCY}) × max(0.3, 1 − 0.025 k)), at least 1, where f is the
  higher of its stem's and its infinitive's frequency, at least {BASE_DICT_ONLY}, and k the place of
  its ending in its list: below every word that a word list has, higher for a frequent stem and
  a common ending.

| figure | value |
|---|---|
| words | {f['word_count']:,} |
| from the dictionary / OCR forms / both / our tables only | {f['hunspell_kept']:,} / {f['tesseract_kept']:,} / {f['both']:,} / {f['table_only']:,} |
| thesaurus words (not in the dictionary) | {f['thesaurus_kept']:,} ({f['thesaurus_new']:,}) |
| running-text tokens counted (distinct words; in no other source) | {f['text_tokens']:,} ({f['text_types']:,}; {f['text_only']:,}) |
| headwords (lexicon words among them) | {f['headwords']:,} ({f['headwords_in_lexicon']:,}) |
| inflected forms formed (not attested) | {f['generated']:,} |
| message-catalog tokens counted (distinct words) | {f['corpus_tokens']:,} ({f['corpus_types']:,}) |
| highest frequency | {f['max_freq']:,} |
| words at {SKELETON_THRESHOLD:,} or more | {f['above_threshold']:,} |
| nodes / label bytes | {f['node_count']:,} / {f['edge_bytes_total']:,} |
| most children of a node / longest label | {f['max_children']} / {f['max_label']} bytes |
| compressed / inflated size | {f['gz_size']:,} / {f['raw_size']:,} bytes |

## Bigrams

Our written rows in `tools/data/bigrams.tsv`, and pairs counted in the running text: words
next to each other with only spaces between them (punctuation, digits or a hyphenated word
end a run), and a word that carries a postposition ({', '.join(SPLIT_ENDINGS)}) on a known
word also as that word followed by the postposition (काठमाडौँमा gives काठमाडौँ, मा and मा with
the word after it), as typists who write them apart need it. A pair seen c ≥ {BIGRAM_MIN_COUNT} times
(weighted as above) gets round({BIGRAM_STEP} × log2(1 + (c − {BIGRAM_DISCOUNT}) N / ({BIGRAM_DISCOUNT} × D × C))), at most
{BIGRAM_TOP:,} and kept from {BIGRAM_FLOOR:,}, where N is the weighted number of pairs, D the number of
distinct words seen after the previous word and C the weighted count of the next word after
any word: how much likelier the next word is after this one than an unseen pair, on the scale
of the frequencies. Where a written row has the pair too, the higher weight stays.

| figure | value |
|---|---|
| pairs from the running text (added or raised) | {f['text_bigram_pairs']:,} |
| previous words / pairs in all | {f['bigram_prev']:,} / {f['bigram_pairs']:,} |

## Aliases

Our written rows in `tools/data/aliases.tsv` come first and keep their words in their order.
After them, `tools/romanise.py` adds rows for lexicon words that the running text has (not a
word that only it has, once, which may be a slip, nor abbreviations and parts of words the
text broke), and for the
inflected forms it would show ({f['expected_forms']:,} forms; a form is expected its stem's
occurrences in all its forms times its ending's share among the forms of every stem, each ending
at least {ENDING_SHARE_FLOOR}, and kept from {EXPECTED_MIN} occurrences), and for the other words of
frequency {UNSEEN_SPELT_FREQUENCY:,} or more and every form in -ओस्, -इस् or -एस् (the rules never end a key
on that virama), counted {UNSEEN_COUNT} times. It spells each word the ways
typists write it (a for आ, i for ी, u for ू, a dropped ँ, ं or ः, s for श, b for व, ch for छ, ye for
य, d for ढ, a borrowed word as it sounds; at most {romanise.MAX_HABITS} kinds of habit in one
spelling), keeps a spelling only where the phonetic rules cannot read it as that word, or where
a stem and a case ending joined into no word would come before it (aaunale: आउनले before
आउनाले), and
ranks the words of one key by their count, the words that candidate generation already gives
for the key among them, except that no word goes ahead of one the rules read that the lexicon
holds more frequent, so a key that reaches its word by the rules is never taken over by a
rarer word. A spelling's likelihood counts each kind of habit once: the share of typists who
have it where the spelling uses it, the share who have it not where the word gives room for it
and the spelling does not. A word's keys are its {romanise.KEYS_PER_WORD} likeliest spellings that the rules cannot read,
valued at that likelihood times the word's count to the power {romanise.COUNT_POWER} (so that rarer words
get a key too); the {romanise.MAX_KEYS:,} keys of highest value are kept, leaving out a key whose
first word candidate generation joins anyway from another key and a case ending. The shares,
by kind of habit (named in `tools/romanise.py`), were counted on 668 words that people romanised (a
development sample of SushilShrestha/NepaliTransliteralDataset, MIT licence; the pipeline
does not read it); the borrowed-word share is a guess, too
few of them were there to count: {habit_odds}.
A written row whose key spells other words as likely as the least of the made keys, words that
the rules cannot read from it, takes up to {romanise.WRITTEN_EXTRA} of them after its own (bas: बस, then
बाँस).
Last, the keys left to the rules are put to the engine itself (`engine-probe`, built beside
`tvtr-build`, with the tables as written so far) where they are a word's careful spelling or two
spellings of one word claim them (ि/ी, ु/ू, श/ष/स, ब/व, ण/न, ँ/ं folded together, a nasal sign
kept). A key gets a row where the engine does not offer its most typed word for its careful
spelling at all (its beam drops खान्छौ for khaanchhau, which the rules can spell), or puts
first another spelling of it that the running text shows less than 1/{romanise.RANK_MARGIN} as
often and the lexicon holds no more frequent (the expansion's penalty for reading u as ू
outweighs the frequencies: afukaa gave आफुका before आफूका).

| figure | value |
|---|---|
| generated alias keys | {f['generated_alias_keys']:,} |
| of them, keys given a row by the engine's answers | {f['engine_rows']:,} |
| written rows with words added | {f['written_rows_extended']:,} |

## Tables

| figure | value |
|---|---|
| rules (emissions, rules with matra emissions) | {f['rules']} ({f['emissions']}, {f['matra_rules']}) |
| loanword keys (with two or more forms) | {f['loanwords']:,} ({f['loanwords_multi']}) |
| normalisation pairs | {f['normalization']} |
| alias keys (with two or more words) | {f['aliases']:,} ({f['aliases_multi']}) |
| class tags / listed words / distinct words | {f['class_tags']} / {f['class_words']:,} / {f['class_distinct']:,} |
| class bigram rules | {f['class_rules']} |
"""


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--tvtr-build", required=True, type=Path, help="path to the tvtr-build program")
    ap.add_argument("--engine-probe", type=Path,
                    help="path to the engine-probe program (default: beside tvtr-build)")
    ap.add_argument("--sources", type=Path, default=REPO / "build" / "data-sources",
                    help="where unpacked Debian packages are kept (default: build/data-sources)")
    ap.add_argument("--update-sources", action="store_true",
                    help="pin the archive's current versions in tools/data/sources.tsv first")
    ap.add_argument("--check", action="store_true",
                    help="write nothing; fail unless the rebuild equals the committed data/ byte for byte")
    args = ap.parse_args()
    global DIFFERENCES
    if args.check:
        DIFFERENCES = []
    engine_probe = args.engine_probe or args.tvtr_build.with_name("engine-probe" + args.tvtr_build.suffix)
    for tool in (args.tvtr_build, engine_probe):
        if not os.access(tool, os.X_OK):
            raise DataError(f"{tool}: not an executable")

    warnings = []
    rules = load_rules()
    check_rule_table(rules)
    loanwords = load_loanwords(warnings)
    normalization = load_normalization()
    if len(normalization) != 36:
        raise DataError(f"normalization.tsv: {len(normalization)} pairs, expected 36")
    aliases = load_aliases(warnings)
    bigrams = load_bigrams()
    classes = load_classes(warnings)
    class_rules = load_class_rules()
    ranked = load_ranked_words(warnings)

    DATA.mkdir(exist_ok=True)
    # The tables the engine loads, kept to load it from a scratch folder before aliases.json is written.
    documents = {}

    def publish(name, text):
        documents[name] = text
        write(DATA / name, text)

    publish("rules.json", dumps({
        "rules": rules,
        "loanwords": loanwords,
        "normalizationEquivalents": normalization,
        "devanagariDigits": DIGITS,
    }) + "\n")
    write(DATA / "aliases.schema.json", dumps(ALIAS_SCHEMA) + "\n")
    publish("semantic_classes.json", dumps({
        "version": "0.3.1",
        "description": "Word classes of the previous word and the boosts they give to a target "
                       "word that competes with a similar spelling.",
        "classes": classes,
        "class_bigram_rules": class_rules,
        "recommended_lookup_order": LOOKUP_ORDER,
        "right_context_lookahead": [],
    }) + "\n")

    table_words = set(ranked) | set(normalization.values())
    for words in list(aliases.values()) + list(loanwords.values()) + list(classes.values()):
        table_words.update(words)
    for prev, nexts in bigrams.items():
        table_words.add(prev)
        table_words.update(nexts)
    for r in class_rules:
        table_words.add(r["target"])
        table_words.update(r["competes_with"])

    sources = load_source_list()
    if args.update_sources:
        update_sources(sources)
    roots = {s["package"]: source_root(s, args.sources) for s in sources}
    stats = {}
    dict_words, dict_flags = hunspell_words(roots["hunspell-ne"], stats)
    thesaurus = thesaurus_words(roots["mythes-ne"], stats)
    stats["thesaurus_new"] = len(thesaurus - dict_words)
    dict_words |= thesaurus
    ocr_words = tesseract_words(roots["tesseract-ocr-nep"], stats)
    text_sources = load_text_sources()
    text_counts = running_text_counts(text_sources, stats)
    counts = word_counts(text_counts, catalog_counts(roots, sources, stats), normalization)
    # A verb's dictionary entry ending in a virama or the passive -इ is a stem (हेर्, बोकि), not
    # a word anyone writes alone: it is a word only where another source has it.
    stems = {s for s, f in dict_flags.items() if is_verb(f) and is_bound_stem(s)} - thesaurus
    stats["bound_stems"] = len(stems - ocr_words - set(text_counts) - table_words)
    dict_words -= stems
    known = dict_words | ocr_words | set(text_counts) | table_words
    forms = inflected_forms(dict_flags, set(text_counts), known, stats)
    headwords = load_headwords()
    freq = assign_frequencies(dict_words, ocr_words, set(text_counts), table_words, headwords,
                              set(forms), ranked, counts)
    pairs = running_text_pairs(text_sources, normalization, known)
    freq.update(generate_forms(forms, freq, stats))
    bigrams, stats["text_bigram_pairs"] = merge_bigrams(bigrams, text_bigrams(pairs, freq))
    # Our written rows, then generated ones for spellings of running-text words that the rules
    # cannot read (tools/romanise.py); those need the lexicon's words and the running-text counts.
    # A word that only the running text has, once, may be a slip, and a part of a word that the
    # text broke is none: neither is spelt.
    broken = romanise.fragments(text_counts)
    typed = {w: n for w, n in text_counts.items() if freq.get(w, 0) > 1 and w not in broken}
    expected = expected_counts(forms, text_counts)
    stats["expected_forms"] = len(expected)
    typed.update(expected)
    # Words of the dictionaries that the text happens not to show are still typed: they are
    # spelt too, below every word it shows. So is every form ending in -ओस्, -इस् or -एस्, however
    # rare: the rules never end a key on that virama, so no spelling reaches it without a row.
    for w, f in freq.items():
        if (f >= UNSEEN_SPELT_FREQUENCY or FINAL_SA.search(w)) and w not in typed and w not in broken:
            typed[w] = UNSEEN_COUNT
    publish("bigrams.json", dumps({
        "description": "Weights of word pairs: previous word, then next word, then weight "
                       "(1000 to 75000; higher means the next word is more expected).",
        "bigrams": bigrams,
    }) + "\n")

    def aliases_document(rows):
        return dumps({
            "$schema": "./aliases.schema.json",
            "description": "Roman keys (full romanisations, vowel-less shortcuts, ambiguous spellings, "
                           "generated spellings of common words) mapped to Devanagari words, best first.",
            "aliases": dict(sorted(rows.items())),
        }) + "\n"

    # The lexicon is built in the folder that engine-probe then loads the tables from.
    with tempfile.TemporaryDirectory() as tmp:
        tsv = Path(tmp, "words.tsv")
        tsv.write_text("".join(f"{w}\t{freq[w]}\n" for w in sorted(freq)), encoding="utf-8")
        out = Path(tmp, "lexicon.tvtrie.gz")
        run_tool("tvtr-build", [str(args.tvtr_build.resolve()), str(tsv), str(out)])
        gz = out.read_bytes()
        raw = gzip.decompress(gz)
        read_back, trie = read_tvtr(raw)
        if read_back != freq:
            missing = sorted(set(freq) - set(read_back))[:5]
            raise DataError(f"lexicon read back differs from its input (for example {missing})")
        write(DATA / "lexicon.tvtrie.gz", gz)

        for name, text in documents.items():
            Path(tmp, name).write_text(text, encoding="utf-8")

        def probe(rows, keys):
            """The engine's candidates for keys with rows as the alias table."""
            Path(tmp, "aliases.json").write_text(aliases_document(rows), encoding="utf-8")
            lines = run_tool("engine-probe", [str(engine_probe.resolve()), tmp],
                             input="".join(k + "\n" for k in keys))
            return {f[0]: f[1:] for f in (line.split("\t") for line in lines.splitlines())}

        generated = romanise.generated_aliases(aliases, loanwords, normalization, rules, freq, typed, probe, stats)
    stats["generated_alias_keys"] = len(generated.keys() - aliases.keys())
    stats["written_rows_extended"] = len(generated.keys() & aliases.keys())
    aliases = {**aliases, **generated}
    write(DATA / "aliases.json", aliases_document(aliases))

    figures = dict(stats, **trie)
    figures.update({
        "sources": sources,
        "text_sources": text_sources,
        "text_only": len(set(text_counts) - dict_words - ocr_words - table_words),
        "headwords": len(headwords),
        "headwords_in_lexicon": len(headwords & set(freq)),
        "both": len(dict_words & ocr_words),
        "table_only": len(table_words - dict_words - ocr_words),
        "ranked": len(ranked),
        "ranked_min": rank_frequency(len(ranked), len(ranked)),
        "max_freq": max(freq.values()),
        "above_threshold": sum(1 for f in freq.values() if f >= SKELETON_THRESHOLD),
        "gz_size": len(gz),
        "raw_size": len(raw),
        "rules": len(rules),
        "emissions": sum(rule_counts(rules).values()),
        "matra_rules": sum(1 for r in rules if "matraEmissions" in r),
        "loanwords": len(loanwords),
        "loanwords_multi": sum(1 for v in loanwords.values() if len(v) > 1),
        "normalization": len(normalization),
        "aliases": len(aliases),
        "aliases_multi": sum(1 for v in aliases.values() if len(v) > 1),
        "bigram_prev": len(bigrams),
        "bigram_pairs": sum(len(v) for v in bigrams.values()),
        "class_tags": len(classes),
        "class_words": sum(len(v) for v in classes.values()),
        "class_distinct": len({w for v in classes.values() for w in v}),
        "class_rules": len(class_rules),
    })
    if figures["max_freq"] != TOP_FREQUENCY:
        raise DataError(f"highest frequency is {figures['max_freq']}, expected {TOP_FREQUENCY}")
    write(DATA / "README.md", readme(figures))

    for w in warnings:
        print("warning:", w, file=sys.stderr)
    if DIFFERENCES:
        raise DataError("the rebuild differs from data/ in " + ", ".join(DIFFERENCES))
    if DIFFERENCES is not None:
        print("data/ is reproduced byte for byte")
    print(f"{figures['word_count']:,} words, highest frequency {figures['max_freq']:,}, "
          f"lexicon {len(gz):,} bytes ({len(raw):,} inflated); {len(aliases):,} aliases, "
          f"{len(loanwords):,} loanwords, {figures['bigram_pairs']:,} bigram pairs, "
          f"{figures['class_words']:,} class words")


if __name__ == "__main__":
    try:
        main()
    except DataError as e:
        sys.exit(f"build_data: {e}")
