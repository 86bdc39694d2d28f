"""Roman spellings of Devanagari words as ordinary typists write them, and alias rows made
from them for the words of running text, the inflected forms it would show and the
frequent words of the dictionaries.

The phonetic rules read a word from its careful spelling; typists often write it otherwise:
a for आ, i for ी, u for ू, no sign for ँ, s for श, ch for छ, ye for य, a borrowed word as it
sounds. Where the rules cannot read such a spelling as the word at all, an alias row can.
Python standard library only.
"""

import bisect
import heapq
import math
import re
from collections import Counter

VIRAMA, NUKTA, AA, VISARGA = "\u094d", "\u093c", "\u093e", "\u0903"
JOINERS = "\u200c\u200d"

# The spellings of each letter as (roman, habit): habit None is the careful spelling, the one
# the rules read at no cost once lower-cased (alias keys are lower-case, so t stands for the
# rules' T of ट); otherwise the typing habit that gives it.
CONSONANTS = {
    "क": (("k", None),), "ख": (("kh", None),), "ग": (("g", None),), "घ": (("gh", None),),
    "ङ": (("ng", None), ("n", "misc")),
    "च": (("ch", None),), "छ": (("chh", None), ("ch", "ch"), ("x", "ch")),
    "ज": (("j", None), ("z", "misc")), "झ": (("jh", None),), "ञ": (("n", None),),
    "ट": (("t", None),), "ठ": (("th", None),), "ड": (("d", None),),
    "ढ": (("dh", None), ("d", "retroflex")), "ण": (("n", None),),
    "त": (("t", None),), "थ": (("th", None),), "द": (("d", None),), "ध": (("dh", None),),
    "न": (("n", None),), "प": (("p", None),), "फ": (("ph", None), ("f", None)), "ब": (("b", None),),
    "भ": (("bh", None),), "म": (("m", None),), "य": (("y", None),), "र": (("r", None),),
    "ल": (("l", None),), "व": (("w", None), ("v", None), ("b", "wb")),
    "श": (("sh", None), ("s", "sibilant")), "ष": (("s", None), ("sh", None)),
    "स": (("s", None), ("sh", "misc")), "ह": (("h", None),),
}
# Clusters typed as one sound.
CLUSTERS = {
    "क्ष": (("ksh", None), ("chh", "ch"), ("x", "ch")),
    "ज्ञ": (("gy", None),),
    "त्र": (("tr", None),),
    "श्र": (("shr", None), ("sr", "sibilant")),
    "च्छ": (("cch", None), ("chh", "ch"), ("ch", "ch")),
    "द्ध": (("ddh", None), ("dh", "misc")),
}
VOWEL_SIGNS = {
    "\u093e": (("aa", None), ("a", "long")),                    # ा
    "\u093f": (("i", None),),                                   # ि
    "\u0940": (("ee", None), ("i", "long")),                    # ी
    "\u0941": (("u", None),),                                   # ु
    "\u0942": (("oo", None), ("u", "long")),                    # ू
    "\u0943": (("ri", None), ("ru", "misc")),                   # ृ
    "\u0947": (("e", None),),                                   # े
    "\u0948": (("ai", None),),                                  # ै
    "\u094b": (("o", None),),                                   # ो
    "\u094c": (("au", None), ("ou", "misc")),                   # ौ
}
VOWEL_LETTERS = {
    "अ": (("a", None),), "आ": (("aa", None), ("a", "misc")), "इ": (("i", None),),
    "ई": (("ee", None), ("i", "long")), "उ": (("u", None),),
    "ऊ": (("oo", None), ("u", "long")), "ऋ": (("ri", None),),
    "ए": (("e", None),), "ऐ": (("ai", None),), "ओ": (("o", None), ("oo", "misc")), "औ": (("au", None), ("ou", "misc")),
}
# A vowel letter after a vowel, typed with a glide: गएको gayeko, गई gayi, खाओस् khawos.
GLIDES = {"ए": (("ye", "glide"),), "इ": (("yi", "misc"),), "ओ": (("wo", "glide"),)}
# आ and then इ, ई or उ, typed as one diphthong: मलाई malai, भाइ bhai, आउँछ auchha.
DIPHTHONGS = {"इ": (("ai", "diphthong"),), "ई": (("ai", "diphthong"),), "उ": (("au", "diphthong"),)}
# The inherent vowel: left out before a suffix (gharma) and at the end (ghar, but garchha).
INHERENT_INSIDE = (("a", None), ("", "schwa"))
INHERENT_FINAL = (("", None), ("a", None))
INHERENT_AFTER_CLUSTER = (("a", None), ("", "schwa"))
# Candrabindu, a final anusvara and a visarga are often left out; an anusvara before a
# consonant less.
NASALS = {
    "\u0901": (("n", None), ("", "nasal")),
    "\u0902": (("n", None), ("", "nasal")),
    "\u0903": (("h", None), ("", "nasal")),
}
ANUSVARA_INSIDE = (("n", None), ("", "anusvara"), ("m", "anusvara"))
# य with the inherent vowel, said ye at the start of a word (यसरी yesari, त्यसैले tyesaile) and
# after a vowel at its end (समय samaye).
YE = (("e", "ye"),)
# A borrowed word typed as it sounds: अफिस ofis, ल्यापटप laptop.
LOAN_O = (("o", "loan"),)

# The share of typists who take each kind of habit where a word gives room for it, as measured
# on words people romanised (long: a long vowel typed short; glide: a vowel after a vowel
# typed with y or w; nasal: ँ or ं left out; diphthong: आइ typed ai; wb: व typed b; ye: य typed
# ye; loan: a borrowed word as it sounds; schwa: an inherent vowel left out; ch: छ typed ch;
# sibilant: श typed s; retroflex: ढ typed d; anusvara: ं inside left out or typed m; misc: the
# rarer ones).
HABIT_ODDS = {"long": 0.9, "glide": 0.9, "nasal": 0.6, "diphthong": 0.6, "wb": 0.6, "ye": 0.4,
              "loan": 0.5, "schwa": 0.3, "ch": 0.25, "sibilant": 0.15, "retroflex": 0.15,
              "anusvara": 0.15, "misc": 0.1}

# ---------------------------------------------------------------------------------------------
# Spellings

def syllables(word):
    """(consonant cluster, vowel, nasal sign) per syllable: the cluster's letters joined by
    virama; the vowel a sign, a vowel letter, None for the inherent vowel or VIRAMA for
    none. None when the word holds a sign this romaniser does not read."""
    word = word.replace(NUKTA, "").translate({ord(j): None for j in JOINERS})
    out, i, n = [], 0, len(word)
    while i < n:
        cluster, vowel = "", word[i]
        if word[i] in CONSONANTS:
            cluster, vowel = word[i], None
            i += 1
            while i + 1 < n and word[i] == VIRAMA and word[i + 1] in CONSONANTS:
                cluster += word[i:i + 2]
                i += 2
            if i < n and (word[i] in VOWEL_SIGNS or word[i] == VIRAMA):
                vowel = word[i]
                i += 1
        elif word[i] in VOWEL_LETTERS:
            i += 1
        else:
            return None
        nasal = ""
        if i < n and word[i] in NASALS:
            nasal = word[i]
            i += 1
        out.append((cluster, vowel, nasal))
    return out


def _cost(habits):
    return len(set(habits)), len(habits)


def _combine(parts, max_habits=9):
    """Every choice of one option per part, joined: roman -> its habits (the fewest kinds,
    then the fewest, kept), with at most max_habits kinds and twice as many in all."""
    out = {"": ()}
    for part in parts:
        grown = {}
        for roman, used in out.items():
            for r, habit in part:
                now = used if habit is None else used + ((habit,) if isinstance(habit, str) else habit)
                kept = grown.get(roman + r)
                kinds, total = _cost(now)
                if kinds > max_habits or total > 2 * max_habits:
                    continue
                if kept is None or (kinds, total) < _cost(kept):
                    grown[roman + r] = now
        out = grown
    return out


def _part(parts):
    """Several parts joined into one, each spelling with its habits."""
    return tuple((r, used or None) for r, used in _combine(parts).items())


def _cluster_options(cluster):
    """Known clusters whole, the others letter by letter."""
    if cluster in CLUSTERS:
        return CLUSTERS[cluster]
    letters = cluster.split(VIRAMA)
    parts, j = [], 0
    while j < len(letters):
        pair = VIRAMA.join(letters[j:j + 2])
        if j + 1 < len(letters) and pair in CLUSTERS:
            parts.append(CLUSTERS[pair])
            j += 2
        else:
            parts.append(CONSONANTS[letters[j]])
            j += 1
    return _part(parts)


def _vowel_options(sy, k, loan):
    """The parts for the vowel of syllable k and its nasal sign."""
    cluster, vowel, nasal = sy[k]
    last = k == len(sy) - 1
    if vowel is None:
        if not last:
            options = INHERENT_INSIDE if k > 0 and sy[k + 1][0] else (("a", None),)
        elif VIRAMA in cluster or cluster == "छ":
            options = INHERENT_AFTER_CLUSTER
        else:
            options = INHERENT_FINAL
        if (cluster in ("य", "त्य") and k == 0) or (cluster == "य" and last and k > 0):
            options += YE
        if loan and not last:
            options += LOAN_O
    elif vowel == VIRAMA:
        options = (("", None),)
    elif vowel in VOWEL_SIGNS:
        options = VOWEL_SIGNS[vowel]
    else:
        options = VOWEL_LETTERS[vowel]
        if k > 0 and sy[k - 1][1] != VIRAMA:
            options += GLIDES.get(vowel, ())
        if loan and vowel == "अ":
            options += LOAN_O
    if not nasal:
        return [options]
    inside = nasal == "\u0902" and not last and sy[k + 1][0]
    return [options, ANUSVARA_INSIDE if inside else NASALS[nasal]]


def spellings(word, max_habits=2, loan=False):
    """The roman spellings of a word with at most max_habits kinds of habit, as roman -> the habits
    (none for a careful spelling); with loan, also a borrowed word's spellings as it sounds.
    Empty for a word with a sign this romaniser does not read."""
    sy = syllables(word)
    if not sy:
        return {}
    parts, k = [], 0
    while k < len(sy):
        if sy[k][0]:
            parts.append(_cluster_options(sy[k][0]))
        vowel = _vowel_options(sy, k, loan)
        after = sy[k + 1] if k + 1 < len(sy) else None
        if sy[k][1] in (AA, "आ") and not sy[k][2] and after and not after[0] and after[1] in DIPHTHONGS:
            following = _vowel_options(sy, k + 1, loan)
            vowel = [_part(vowel + following) + _part([DIPHTHONGS[after[1]]] + following[1:])]
            k += 1
        parts.extend(vowel)
        k += 1
    return _combine(parts, max_habits)


def likelihood(habits, possible=()):
    """How often a word is typed so: a typist with a habit tends to keep it through the word,
    so each kind counts once, as the share of typists who have it; each kind the word gives
    room for (possible) and the spelling leaves out counts as the share who have it not."""
    out = 1.0
    for h in sorted(set(habits) | set(possible)):  # in one order: the same product every run
        out *= HABIT_ODDS[h] if h in habits else 1 - HABIT_ODDS[h]
    return out


def sounds_like(key, english):
    """Whether a borrowed word's key has the vowels of its English spelling, in number (a
    final e may be silent), with an o only where the English has one."""
    ours, theirs = re.findall("[aeiou]+", key), re.findall("[aeiouy]+", english)
    if len(ours) != len(theirs) and not (english.endswith("e") and len(ours) == len(theirs) - 1):
        return False
    return all(run != "o" or "o" in theirs[i] for i, run in enumerate(ours))


# ---------------------------------------------------------------------------------------------
# What the phonetic rules read from a roman key, whatever the beam keeps

# Rule keys matched with exact case; the others match either case.
EXACT_CASE = {"A", "D", "I", "N", "S", "T", "U", "Th", "Dh"}
# The expansion may put a long aa between two consonants only this early in the key.
LONG_AA_LAST_POS = 4


def _opens(roman, text):
    """Whether an output leaves a bare consonant that a later letter may join or voice."""
    if (len(roman) > 1 and roman.endswith("a")) or not text:
        return False
    last = ord(text[-1])
    return not (0x901 <= last <= 0x914 or 0x93E <= last <= 0x94D or last in (0x962, 0x963))


def _final_halanta(text):
    """Whether the expansion also offers text, ending in a bare consonant, with a virama."""
    endings = ("नुहोस", "छन", "नेछन", "दैनन", "थिएनन", "न", "म", "त", "द", "ट")
    return text == "होस" or text.endswith(endings) or (text.endswith("नुस") and len(text) >= 4)


class RuleReader:
    """The words of a vocabulary that the rule expansion can spell from a roman key: the
    expansion's matches and outputs with every path kept that leads into the vocabulary, so
    a word missing is one the rules never offer for that key, whatever the beam."""

    def __init__(self, rules, vocabulary):
        self.by_first = {}
        for r in rules:
            roman = r["roman"]
            emissions = tuple((e["text"], e["kind"], _opens(roman, e["text"])) for e in r["emissions"])
            matra = tuple(e["text"] for e in r.get("matraEmissions") or ())
            self.by_first.setdefault(roman[0].lower(), []).append(
                (roman, roman in EXACT_CASE, roman.lower(), emissions, matra))
        self.longest = max(len(r["roman"]) for r in rules)
        self.used, self.outputs = {}, {}
        self.vocabulary = set(vocabulary)
        self.prefixes = {w[:i] for w in self.vocabulary for i in range(1, len(w) + 1)}

    def _used(self, rest):
        """The rules the expansion uses where the key goes on with rest, as (length, rule)."""
        if rest not in self.used:
            lower = rest.lower()
            found = [rule for rule in self.by_first.get(lower[0], ())
                     if rest.startswith(rule[0]) or (not rule[1] and lower.startswith(rule[2]))]
            # Only matches as long as the first one, or of one or two letters, are used.
            first = len(found[0][0]) if found else 0
            self.used[rest] = [(len(r[0]), r[3], r[4]) for r in found if len(r[0]) in (first, 1, 2)]
        return self.used[rest]

    def _outputs(self, rest, early, size, after_virama, bare):
        """What the expansion may append where the key goes on with rest, as (letters used,
        text, ends in a bare consonant), after a text of size characters (2 for two or more)."""
        args = (rest, early, size, after_virama, bare)
        if args not in self.outputs:
            out = []
            for length, emissions, matra in self._used(rest):
                if bare and matra:
                    out += [(length, t, False) for t in matra]
                    if size >= 2:
                        out += [(length, t, False) for t, kind, _ in emissions if kind == "vowel"]
                    continue
                for t, kind, opens in emissions:
                    if kind == "halanta":
                        if size and not after_virama:
                            out.append((length, VIRAMA, False))
                    elif kind in ("consonant", "cluster") and bare:
                        out += [(length, VIRAMA + t, opens), (length, t, opens)]
                        if early:
                            out.append((length, AA + t, opens))
                    elif kind in ("consonant", "cluster"):
                        out.append((length, t, opens))
                    elif kind != "nasal" or size:
                        out.append((length, t, False))
            self.outputs[args] = out
        return self.outputs[args]

    def _spell(self, key, keep):
        """The texts the expansion of key ends on, every path followed while keep(text) holds."""
        states = [set() for _ in range(len(key) + 1)]  # (text, ends in a bare consonant)
        states[0].add(("", False))
        for i in range(len(key)):
            rest, early = key[i:i + self.longest], i <= LONG_AA_LAST_POS
            for text, bare in states[i]:
                outputs = self._outputs(rest, early, min(len(text), 2), text.endswith(VIRAMA), bare)
                for length, t, opens in outputs:
                    if keep(text + t):
                        states[i + length].add((text + t, opens))
        ends = states[len(key)]
        with_virama = {text + VIRAMA for text, bare in ends if bare and _final_halanta(text)}
        return {text for text, _ in ends} | with_virama

    def reads(self, key, word):
        """Whether some path of the expansion of key spells word."""
        return word in self._spell(key, word.startswith)

    def words(self, key):
        """The words of the vocabulary that some path of the expansion of key spells."""
        return self._spell(key, self.prefixes.__contains__) & self.vocabulary


# ---------------------------------------------------------------------------------------------
# Alias rows

# The alias keys made: long enough not to stand for a single letter typed on the way to a
# word, no longer than the table format allows.
MIN_KEY, MAX_KEY = 2, 19
# Abbreviations in running text (स्, सं, छः) are not words anyone types alone.
ABBREVIATION = re.compile("[\u0915-\u0939][\u094d\u0902\u0903]")


def fragments(counts):
    """Words of running text that end in a virama the rules never write there and begin a
    more frequent word: parts of words the text broke (प्राप् of प्राप्त), not words anyone
    types; and words that end in a visarga standing for a colon after a more frequent word
    (गरेः, but पुनः)."""
    ordered = sorted(counts)
    out = {w for w in ordered if w.endswith(VISARGA) and counts.get(w[:-1], 0) > counts[w]}
    for word in ordered:
        if word.endswith(VIRAMA) and not _final_halanta(word[:-1]):
            i = bisect.bisect_right(ordered, word)
            while i < len(ordered) and ordered[i].startswith(word):
                if counts[ordered[i]] > counts[word]:
                    out.add(word)
                    break
                i += 1
    return out


# Habits per spelling (one more for a borrowed word), words per generated key, keys made.
MAX_HABITS, MAX_WORDS, MAX_KEYS = 2, 3, 25000
COUNT_POWER = 0.25
KEYS_PER_WORD = 3
# Words a written row may take after its own.
WRITTEN_EXTRA = 2
# The case endings that candidate generation joins to the word of a stem it knows, when the
# key is not an alias itself, first match in this order; and the lexicon frequency a stem's
# word needs for that.
CASE_ENDINGS = (
    ("harusanga", "हरूसँग"), ("harubata", "हरूबाट"), ("harulaai", "हरूलाई"), ("harulai", "हरूलाई"),
    ("haruma", "हरूमा"), ("haruko", "हरूको"), ("haruka", "हरूका"), ("haruki", "हरूकी"), ("harule", "हरूले"),
    ("haru", "हरू"), ("sanga", "सँग"), ("bata", "बाट"), ("laai", "लाई"), ("lai", "लाई"), ("ko", "को"),
    ("ka", "का"), ("ki", "की"), ("le", "ले"), ("ma", "मा"),
)
STEM_FREQUENCY = 20000


def _stem_and_ending(key):
    """The stems key leaves with each of its case endings, in the order they are tried."""
    if len(key) >= 5:
        for roman, ending in CASE_ENDINGS:
            if key.endswith(roman) and len(key) - len(roman) >= 2:
                yield key[:-len(roman)], ending


def joined_words(key, aliases, loanwords, normalization, reader, freq):
    """The words candidate generation makes for key from a stem it knows and a case ending:
    a loanword's forms, an alias's first word, or frequent words the rules spell (a variant
    in its standard spelling)."""
    for stem, ending in _stem_and_ending(key):
        if len(stem) >= 3 and stem in loanwords:
            return {form + ending for form in loanwords[stem]}
        out = {aliases[stem][0] + ending} if aliases.get(stem) else set()
        if len(stem) >= 3:
            spelt = {normalization.get(w, w) for w in reader.words(stem)}
            out |= {w + ending for w in spelt if freq.get(w, 0) >= STEM_FREQUENCY}
        if out:
            return out
    return set()


def outranked(word, joined, freq):
    """Whether a stem joined with a case ending that is no word of the lexicon may come before
    word. A joined word the lexicon has is another spelling or another word, and their order
    is candidate generation's to make."""
    return freq.get(word, 0) > 0 and any(j not in freq for j in joined)


def keep_read_ahead(words, read, freq):
    """words in their order, except that none goes ahead of a word the rules read that the
    lexicon holds more frequent: the running text is small, and one more sighting must not
    take a key from the word its careful typist gets."""
    out, rest = [], list(words)
    while rest:
        i = next((i for i, w in enumerate(rest)
                  if all(freq.get(r, 0) <= freq.get(w, 0) for r in rest if r in read and r != w)), 0)
        out.append(rest.pop(i))
    return out


# How many times more often one spelling of a word must be typed than another that the engine
# puts first for the key to get a row.
RANK_MARGIN = 2
# Spellings of one word: the letters typists exchange most folded into one (a nasal sign kept,
# so that आप and आँप stay two words).
VARIANT_FOLD = str.maketrans({"ी": "ि", "ू": "ु", "ई": "इ", "ऊ": "उ", "श": "स", "ष": "स", "व": "ब",
                              "ण": "न", "ँ": "ं"})


def _engine_rows(claims, rows, loanwords, normalization, freq, counts, probe):
    """Rows for keys left to the rules where the engine, asked with the rows made so far, does
    not give the key's most typed word as it should: a word not offered at all for its own
    careful spelling (the expansion's beam drops खान्छौ for khaanchhau, which the rules can
    spell), or one spelling of a word (आफुका) put before another that is typed far more often
    (आफूका) because the expansion's penalty for reading u as ू outweighs a difference in
    frequency that the lexicon keeps small."""
    def asked(claim, word):
        folded = Counter(normalization.get(w, w).translate(VARIANT_FOLD) for w in claim)
        return claim[word][1] or max(folded.values()) > 1

    most_typed = {k: min(claim, key=lambda w: (-counts[w], w)) for k, claim in claims.items()
                  if k not in rows and k not in loanwords}
    keys = sorted(k for k, word in most_typed.items() if asked(claims[k], word))
    offered = probe(rows, keys)
    out = {}
    for key in keys:
        shown = offered.get(key, [])
        word = most_typed[key]
        top = normalization.get(word, word)
        others = [w for w in shown if w != top and w in freq]
        if top not in shown and claims[key][word][1]:
            if others and counts.get(others[0], 0) > counts[word]:
                out[key] = (others[:1] + [top] + others[1:])[:MAX_WORDS]
            else:
                out[key] = ([top] + others)[:MAX_WORDS]
        elif top in shown[1:] and shown[0].translate(VARIANT_FOLD) == top.translate(VARIANT_FOLD) \
                and counts[word] >= RANK_MARGIN * counts.get(shown[0], 0) and freq[top] >= freq.get(shown[0], 0):
            out[key] = ([top] + others)[:MAX_WORDS]
    return out


def generated_aliases(written, loanwords, normalization, rules, freq, counts, probe, stats, max_keys=MAX_KEYS):
    """Alias rows for spellings of the words that people type that the rules cannot read as
    those words.

    written and loanwords hold the keys already taken, normalization the spellings that
    candidate generation replaces; only words of the lexicon freq are used; counts say how
    often each word is typed (its occurrences in running text, or as many as expected). The
    words of one key, those candidate generation already gives for it among them, are ranked
    by count, so a key keeps the word a careful typist gets unless a more frequent word claims
    it. The max_keys keys whose unread words are typed so most often (count times the
    spelling's likelihood) are made, at most KEYS_PER_WORD for one word.

    probe(rows, keys) says which words the engine offers for keys, in order, with rows as its
    alias table: a key left to the rules whose most typed word the engine leaves out for its
    careful spelling, or puts behind another spelling of it typed less than 1/RANK_MARGIN as
    often and no more frequent in the lexicon, gets a row (counted in stats)."""
    english = {}
    for key, forms in loanwords.items():
        for w in forms:
            english.setdefault(w, key)
    odds = {}
    claims = {}  # key -> word -> (how often typed so, careful spelling)
    for word in sorted(w for w in counts if w in freq and not ABBREVIATION.fullmatch(w)):
        loan = english.get(word, "")
        spelt = spellings(word, MAX_HABITS + bool(loan), bool(loan))
        possible = frozenset(h for habits in spelt.values() for h in habits)
        for key, habits in spelt.items():
            if not MIN_KEY <= len(key) <= MAX_KEY or key in loanwords \
                    or ("loan" in habits and not sounds_like(key, loan)):
                continue
            if (habits, possible) not in odds:
                odds[habits, possible] = likelihood(habits, possible)
            claims.setdefault(key, {})[word] = (counts[word] ** COUNT_POWER * odds[habits, possible], not habits)
    reader = RuleReader(rules, [w for w in counts if w in freq] + list(normalization)
                        + [w for w, f in freq.items() if f >= STEM_FREQUENCY])

    def shown(words):
        """words as candidate generation shows them: a variant in its standard spelling, once."""
        return list(dict.fromkeys(normalization.get(w, w) for w in words))

    def made_row(key):
        """(value, the word it is made for, words) of the row that key needs, or None."""
        claim = claims[key]
        first = sorted(claim, key=lambda w: (-counts[w], not claim[w][1], w))[:MAX_WORDS]
        joined = joined_words(key, written, loanwords, normalization, reader, freq)
        if all(reader.reads(key, w) for w in first) and not outranked(first[0], joined, freq):
            return None
        # The words candidate generation already gives for the key keep their place among the
        # others.
        spelt = {normalization.get(w, w) for w in reader.words(key)}
        read = spelt | {w for w in joined if w in freq}
        words = keep_read_ahead(sorted(read.union(claim), key=lambda w: (
            -counts.get(w, 0), w not in read and not claim[w][1], w)), read, freq)[:MAX_WORDS]
        # A stem and a case ending joined into no word (आउन and ले) may come before the word the
        # rules read (आउनाले): the row then takes the word.
        unread = [i for i, w in enumerate(words)
                  if w not in read or (i == 0 and w in claim and outranked(w, joined, freq))]
        if not unread:
            return None
        value, reason = max((claim[words[i]][0], words[i]) for i in unread)
        # A key with a row of its own is joined from no stem: the row keeps the joined words.
        last = max(i for i, w in enumerate(words) if i in unread or w not in spelt)
        return value, reason, shown(words[:last + 1])

    # Keys wait by the value of their most typed word, which bounds their own; a key's own value
    # goes back in, so rows are taken in the order of their value, each word's likeliest
    # KEYS_PER_WORD first. A row whose first word candidate generation would join from a taken
    # key and a case ending anyway is not needed, whichever of the two came first.
    queue = [(-max(v for v, _ in words.values()), key, None) for key, words in claims.items() if key not in written]
    heapq.heapify(queue)
    aliases, rows, keys_of = dict(written), {}, Counter()
    while queue and len(rows) < max_keys:
        _, key, row = heapq.heappop(queue)
        if row is None:
            row = made_row(key)
            if row:
                heapq.heappush(queue, (-row[0], key, row))
            continue
        _, reason, words = row
        if keys_of[reason] >= KEYS_PER_WORD \
                or words[0] in joined_words(key, aliases, loanwords, normalization, reader, freq):
            continue
        keys_of[reason] += 1
        rows[key], aliases[key] = row, words
        for roman, _ in CASE_ENDINGS:
            longer = key + roman
            if longer in rows and aliases[longer][0] in joined_words(longer, aliases, loanwords,
                                                                     normalization, reader, freq):
                keys_of[rows.pop(longer)[1]] -= 1
                del aliases[longer]
    out = {key: words for key, (_, _, words) in rows.items()}
    engine_rows = _engine_rows(claims, {**written, **out}, loanwords, normalization, freq, counts, probe)
    out.update(engine_rows)
    stats["engine_rows"] = len(engine_rows)
    # A written row keeps its words and their order; words that the key spells as likely as a
    # made key's, and that the rules cannot read, follow them.
    least = min((value for value, _, _ in rows.values()), default=math.inf)
    for key in sorted(written.keys() & claims.keys()):
        more = [w for w in shown(sorted((w for w, (value, _) in claims[key].items()
                                         if value >= least and not reader.reads(key, w)),
                                        key=lambda w: (-counts[w], w)))
                if w not in written[key]][:WRITTEN_EXTRA]
        if more:
            out[key] = written[key] + more
    return out
