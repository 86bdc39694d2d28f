"""Inflected forms of dictionary stems, by word class.

The dictionary's affix flags say which class a stem belongs to (case endings, plural case
endings, one of three verb conjugations, -o adjectives); the endings themselves are ours.
Expanding the dictionary's own affix rules whole would also put verb endings on nouns and
stack the negative prefix on every form.
"""

VIRAMA = "\u094d"

# Flags of ne_NP.dic and the classes they mark.
NOUN_FLAG, PLURAL_FLAG, ADJECTIVE_FLAG = "15", "18", "14"
VERB_FLAGS = {"1", "8", "9", "11"}

# Singular case endings and postpositions written together with the noun, most common first;
# the emphatic मै and कै (मा नै, को नै) are written as one word.
NOUN_ENDINGS = ("को", "मा", "ले", "लाई", "का", "बाट", "की", "सँग", "देखि", "सम्म", "भन्दा", "तिर",
                "जस्तो", "भित्र", "माथि", "मै", "कै", "बिना")
PLURAL_ENDINGS = ("हरू", "हरूको", "हरूले", "हरूलाई", "हरूमा", "हरूका", "हरूबाट", "हरूसँग", "हरूकी")

# Verb endings by the shape of the root, most common first. "root" keeps the root as the
# dictionary writes it; "base" drops its final virama or उ; "perfective" is the stem of the
# past and participle forms, which a few roots change (जा → गयो, हु → भयो).
# A root ending in a virama: गर् (गर्नु, गर्छ, गरेको, गर्यो).
CONSONANT_ROOT = (
    ("root", ("नु", "ने", "न", "छ", "छु", "छन्", "छौ", "छौँ", "छिन्", "दै", "दा", "दैन", "दैनन्",
              "दिनँ", "थ्यो", "थे", "नेछ", "नेछु", "नुहुन्छ", "नुभयो", "नुभएको", "नुहोस्", "नुस्",
              "नुपर्छ", "नुपर्ने", "यो", "यौ", "नेछन्", "ला", "लान्", "दछ", "दछन्", "दैछ")),
    ("base", ("ेको", "े", "ेका", "ेकी", "ेर", "ेँ", "ेन", "ेनन्", "ी", "ौँ", "ोस्", "िन्", "िन्छ",
              "िएको", "िएका", "ेछ", "ेपछि", "िसकेको", "िसकेका", "िसक्यो")),
    ("negative-root", ("ने", "नु", "नुहोस्", "दै", "दा")),
    ("negative-base", ("ेको", "ेर", "ेका")),
)
# A root ending in उ: आउ, बनाउ (आउँछ, आएको, आयो).
U_ROOT = (
    ("root", ("नु", "ने", "न", "ँछ", "ँछु", "ँछन्", "ँछौ", "ँछौँ", "ँछिन्", "ँदै", "ँदा", "ँदैन",
              "ँदैनन्", "ँथ्यो", "ँथे", "नेछ", "नुहुन्छ", "नुभयो", "नुभएको", "नुहोस्", "नुस्", "नुपर्छ",
              "नेछन्", "ला", "लान्", "ँदछ")),
    ("base", ("एको", "यो", "ए", "एका", "एकी", "एर", "एँ", "एन", "एनन्", "इन्छ", "इएको", "ऊँ", "ओस्",
              "एपछि")),
    ("negative-root", ("ने", "नु", "नुहोस्", "ँदा")),
    ("negative-base", ("एको", "एर")),
)
# Any other root: खा, दि, लि, जा, passive stems (गरि, बनाइ), and roots written without a
# final virama (अल्झ, whose past is अल्झ्यो).
VOWEL_ROOT = (
    ("root", ("नु", "ने", "न", "न्छ", "न्छु", "न्छन्", "न्छौ", "न्छौँ", "न्छिन्", "ँदै", "ँदा",
              "ँदैन", "ँदैनन्", "न्थ्यो", "न्थे", "नेछ", "नुहुन्छ", "नुभयो", "नुभएको", "नुहोस्",
              "नुस्", "नुपर्छ")),
    ("perfective", ("एको", "यो", "ए", "एका", "एकी", "एर", "एँ", "एन")),
    ("passive", ("इन्छ", "इएको")),
    ("root", ("नेछन्",)),
    ("future", ("ला", "लान्")),
    ("perfective", ("एपछि",)),
    ("negative-root", ("ने", "नु", "नुहोस्")),
    ("negative-perfective", ("एको",)),
)
# After a stem ending in a virama the same endings begin with a vowel sign (ला → लग्यो, लगेको).
AFTER_CONSONANT = {"एको": "ेको", "यो": "्यो", "ए": "े", "एका": "ेका", "एकी": "ेकी", "एर": "ेर",
                   "एँ": "ेँ", "एन": "ेन", "एपछि": "ेपछि", "इन्छ": "िन्छ", "इएको": "िएको"}
# Roots whose past and participles are formed on another stem.
PERFECTIVE_STEMS = {"जा": "ग", "हु": "भ", "ला": "लग्"}
# Endings a passive stem does not take (no honorific, no second passive): गरिनुहोस्, गरिइन्छ.
NOT_PASSIVE = {"नुहुन्छ", "नुभयो", "नुभएको", "नुहोस्", "नुस्"}
ADJECTIVE_ENDINGS = ("ा", "ी")

U_SIGN, I_SIGN, E_SIGN, O_SIGN = "\u0941", "\u093f", "\u0947", "\u094b"


def _vowel_root_stems(root):
    """The stems a vowel root's endings attach to; a kind left out is not formed."""
    short = len(root) == 2
    stems = {"root": root, "negative-root": "न" + root}
    if "\u0915" <= root[-1] <= "\u0939":
        # No final virama written: the root is a consonant stem.
        perfective = passive = future = root + VIRAMA
        future = root
    elif root in PERFECTIVE_STEMS:
        perfective, passive, future = PERFECTIVE_STEMS[root], root, root
    elif root.endswith(U_SIGN):
        # छु, धु, रु: छोयो, धोइन्छ, धोला; longer roots in -ु (कुहु) have their own stems listed.
        perfective = passive = future = root[:-1] + O_SIGN if short else None
    elif root.endswith((I_SIGN, "इ")) and not short:
        # A passive stem (गरि, बनाइ): गरियो, गरिएको, but no passive or future of its own.
        perfective, passive, future = root, None, None
    elif root.endswith(I_SIGN):
        perfective, passive, future = root, root, root[:-1] + E_SIGN  # दि: दियो, दिइन्छ, देला
    else:
        perfective, passive, future = root, root, root
    if root == "हु":
        passive, future = None, "हो"  # होला
    for kind, stem in (("perfective", perfective), ("passive", passive), ("future", future)):
        if stem is not None:
            stems[kind] = stem
    if perfective is not None:
        stems["negative-perfective"] = "न" + perfective
    return stems


def _verb_forms(root):
    passive_stem = False
    if root.endswith(VIRAMA):
        table, stems = CONSONANT_ROOT, {"root": root, "base": root[:-1]}
    elif root.endswith("उ") and len(root) > 1:
        table, stems = U_ROOT, {"root": root, "base": root[:-1]}
    else:
        table, stems = VOWEL_ROOT, _vowel_root_stems(root)
        passive_stem = root.endswith((I_SIGN, "इ")) and len(root) > 2
    stems.update({"negative-root": "न" + root})
    if "base" in stems:
        stems["negative-base"] = "न" + stems["base"]
    for kind, endings in table:
        stem = stems.get(kind)
        if stem is None:
            continue
        for ending in endings:
            if passive_stem and ending in NOT_PASSIVE:
                continue
            if stem.endswith(VIRAMA) and ending in AFTER_CONSONANT:
                yield stem[:-1] + AFTER_CONSONANT[ending]
            else:
                yield stem + ending


def _noun_forms(stem, plural):
    yield from (stem + e for e in NOUN_ENDINGS)
    if plural:
        yield from (stem + e for e in PLURAL_ENDINGS)


def inflect(stem, flags):
    """Yields (form, rank) for one dictionary entry: rank 0 is the most common ending."""
    forms = []
    if flags & VERB_FLAGS:
        forms.extend(_verb_forms(stem))
    if NOUN_FLAG in flags or PLURAL_FLAG in flags:
        forms.extend(_noun_forms(stem, PLURAL_FLAG in flags))
    if ADJECTIVE_FLAG in flags and stem.endswith("ो"):
        forms.extend(stem[:-1] + e for e in ADJECTIVE_ENDINGS)
    seen = set()
    for rank, form in enumerate(forms):
        if form != stem and form not in seen:
            seen.add(form)
            yield form, rank
