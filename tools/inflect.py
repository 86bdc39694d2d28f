"""Inflected forms of dictionary stems, by word class.

The dictionary's affix flags say which class a stem belongs to (case endings, plural case
endings, verbs, -o adjectives); the endings themselves are ours.
Expanding the dictionary's own affix rules whole would also put verb endings on nouns and
stack the negative prefix on every form.
"""

VIRAMA = "\u094d"

# Flags of ne_NP.dic and the classes they mark.
NOUN_FLAG, PLURAL_FLAG, ADJECTIVE_FLAG = "15", "18", "14"
VERB_FLAGS = {"1", "8", "9", "11"}

# Singular case endings and postpositions written together with the noun, most common first;
# the emphatic मै, कै and सँगै (मा नै, को नै, सँग नै) are written as one word, and so is भरि.
NOUN_ENDINGS = ("को", "मा", "ले", "लाई", "का", "बाट", "की", "सँग", "देखि", "सम्म", "भन्दा", "भित्र",
                "माथि", "मै", "कै", "सँगै", "भरि")
# Written together with a noun that the running text shows in use (फूलजस्तै).
IN_USE_NOUN_ENDINGS = ("जस्तै", "जस्तो")
PLURAL_ENDINGS = ("हरू", "हरूको", "हरूले", "हरूलाई", "हरूमा", "हरूका")
# The endings that at least one noun in fifty carries in the running text; a noun that only
# the running text shows (no dictionary flag) takes these.
COMMON_NOUN_ENDINGS = ("को", "मा", "ले", "लाई", "का", "बाट", "सँग", "हरू", "हरूको", "हरूले",
                       "हरूलाई", "हरूमा")
TEXT_NOUN_FLAG = "text-noun"
IN_USE_FLAG = "in-use"

# A second verb after the first one's conjunctive -इ form: रह (going on: गरिरहेको), दि (for
# someone: गरिदिनुहोस्) and सक (done: गरिसकेको). Written with the independent इ; after a stem
# ending in a virama it becomes the sign (गर् → गरिरहेको).
COMPOUND_ENDINGS = (
    "इरहेको", "इसकेको", "इदिनुहोस्", "इरहेका", "इसकेका", "इरहेछ", "इदिन्छ", "इदिने", "इरहेकी",
    "इसक्यो", "इरहन्छ", "इदियो", "इदिएको", "इसकेपछि", "इरहेछु", "इरहेछन्", "इरहेथ्यो", "इरहेथे",
    "इरहेथेँ", "इरहने", "इदिनु", "इरहन्छु", "इदिन्छु", "इदिन्छौ", "इदेऊ", "इरहेँ", "इरह्यो",
    "इरहेछौ", "इदिऊँ")
# The same with the long ई, as many write it (गरीरहेको, बनाईदिन्छ): after the standard forms.
LONG_COMPOUND_ENDINGS = tuple("ई" + e[1:] for e in COMPOUND_ENDINGS[:12])
# The negative of a second verb after the first (नछोडिदेऊ, नगरिदिनुहोस्).
NEGATIVE_COMPOUND_ENDINGS = ("इदेऊ", "इदिनु", "इदिनुहोस्", "इदिने", "इरहनु", "इरहने")
# The infinitive with a case ending (गर्नको, गर्नमा), and -नपर्छ as many write -नुपर्छ.
INFINITIVE_ENDINGS = ("नको", "नका", "नमा", "नलाई", "नुपर्ने", "नुपर्यो", "नुपर्दछ", "नेलाई", "नेले",
                      "नपर्छ")

# Verb endings by the shape of the root, most common first. "root" keeps the root as the
# dictionary writes it; "base" drops its final virama or उ; "perfective" is the stem of the
# past and participle forms, which a few roots change (जा → गएको, हु → भयो); "optative" and
# "imperative" those of खाऊँ and देऊ; "conjunct" is where a second verb joins.
# A root ending in a virama: गर् (गर्नु, गर्छ, गरेको, गर्यो).
CONSONANT_ROOT = (
    ("root", ("नु", "ने", "न", "छ", "छु", "छन्", "छौ", "छौँ", "छिन्", "दै", "दा", "दैन", "दैनन्",
              "दिनँ", "थ्यो", "थे", "नेछ", "नेछु", "नुहुन्छ", "नुभयो", "नुभएको", "नुहोस्", "नुस्",
              "नुपर्छ", "नुपर्ने", "यो", "यौ", "नेछन्", "ला", "लान्", "दछ", "दछन्", "दैछ", "थेँ",
              "थिन्", "थ्यौ", "दछु", "दिन", "दैनौ", "नेछौ", "नाले")),
    ("base", ("ेको", "े", "ेका", "ेकी", "ेर", "ेँ", "ेन", "ेनन्", "ी", "ौँ", "ोस्", "िन्", "िन्छ",
              "िएको", "िएका", "ेछ", "ेपछि", "ेछु", "ेछन्", "ेथ्यो", "ेथे", "ेथेँ", "ूँ", "िनँ", "ेकै",
              "ेपनि", "ेकोले", "ेछौ", "ुँला", "ुन्", "ेस्", "िस्", "ेदेखि", "िन्न", "ेनौ")),
    ("conjunct", COMPOUND_ENDINGS),
    ("negative-root", ("ने", "नु", "नुहोस्", "दै", "दा", "न")),
    ("negative-base", ("ेको", "ेर", "ेका", "", "ी", "े", "ोस्")),
)
# A root ending in उ: आउ, बनाउ (आउँछ, आएको, आयो).
U_ROOT = (
    ("root", ("नु", "ने", "न", "ँछ", "ँछु", "ँछन्", "ँछौ", "ँछौँ", "ँछिन्", "ँदै", "ँदा", "ँदैन",
              "ँदैनन्", "ँथ्यो", "ँथे", "नेछ", "नुहुन्छ", "नुभयो", "नुभएको", "नुहोस्", "नुस्", "नुपर्छ",
              "नेछन्", "ला", "लान्", "ँदछ", "नेछु", "ँथेँ", "ँथिन्", "ँदिन", "ँदैनौ", "नेछौ", "नाले",
              "ँ")),
    ("base", ("एको", "यो", "ए", "एका", "एकी", "एर", "एँ", "एन", "एनन्", "इन्छ", "इएको", "ऊँ", "ओस्",
              "एपछि", "यौ", "ऊ", "एछ", "एछु", "एछन्", "एथ्यो", "एथे", "एथेँ", "इनँ", "एकै", "एपनि",
              "एकोले", "एछौ", "उँला", "एस्", "इस्", "एदेखि", "इन्न", "एनौ")),
    ("conjunct", COMPOUND_ENDINGS),
    ("negative-root", ("ने", "नु", "नुहोस्", "ँदा", "न", "ँदै")),
    ("negative-base", ("एको", "एर", "एका", "ए", "ओस्")),
)
# Any other root: खा, दि, लि, जा, and roots written without a final virama (अल्झ, whose past
# is अल्झ्यो).
VOWEL_ROOT = (
    ("root", ("नु", "ने", "न", "न्छ", "न्छु", "न्छन्", "न्छौ", "न्छौँ", "न्छिन्", "ँदै", "ँदा",
              "ँदैन", "ँदैनन्", "न्थ्यो", "न्थे", "नेछ", "नुहुन्छ", "नुभयो", "नुभएको", "नुहोस्",
              "नुस्", "नुपर्छ")),
    ("perfective", ("एको", "यो", "ए", "एका", "एकी", "एर", "एँ", "एन")),
    ("passive", ("इन्छ", "इएको")),
    ("root", ("नेछन्",)),
    ("future", ("ला", "लान्")),
    ("perfective", ("एपछि", "यौ", "एछ", "एछु", "एछन्", "एथ्यो", "एथे", "एथेँ", "इनँ", "एकै",
                    "एपनि", "एकोले", "एछौ", "एस्", "एदेखि", "एनन्", "एनौ")),
    ("root", ("नेछु", "न्थेँ", "न्थिन्", "ँदिन", "ँदैनौ", "नेछौ", "नाले", "न्न")),
    ("optative", ("ऊँ",)),
    ("imperative", ("ऊ",)),
    ("conjunct", COMPOUND_ENDINGS),
    ("negative-root", ("ने", "नु", "नुहोस्", "न", "ँदै", "ँदा")),
    ("negative-perfective", ("एको", "ए", "एका")),
)
# Rarer endings, formed only on roots that the running text shows in use (IN_USE_FLAG): the
# infinitive with a case ending (गर्नको), -नपर्छ as many write -नुपर्छ, the participle in -दो
# (बग्दो), the passive negative (गरिँदैन, and गरिदैन as many write it), the conditional -एमा,
# -एरै, the second verb after a long ई, as many write it (गरीरहेको, बनाईदिन्छ), and the
# negative of a second verb (नछोडिदेऊ).
IN_USE_ENDINGS = {
    "consonant": (
        ("root", INFINITIVE_ENDINGS + ("दो", "दैछन्")),
        ("base", ("िँदैन", "िदैन", "ेमा", "ेरै")),
        ("conjunct", LONG_COMPOUND_ENDINGS),
        ("negative-conjunct", NEGATIVE_COMPOUND_ENDINGS),
    ),
    "u": (
        ("root", INFINITIVE_ENDINGS + ("ँदो",)),
        ("base", ("इ", "इँदैन", "इदैन", "एमा", "एरै", "ई")),
        ("conjunct", LONG_COMPOUND_ENDINGS),
        ("negative-conjunct", NEGATIVE_COMPOUND_ENDINGS),
    ),
    "vowel": (
        ("root", INFINITIVE_ENDINGS + ("ँदो",)),
        ("passive", ("इँदैन", "इदैन")),
        ("perfective", ("एमा", "एरै")),
        ("conjunct", LONG_COMPOUND_ENDINGS),
        ("negative-conjunct", NEGATIVE_COMPOUND_ENDINGS),
    ),
    "passive": (),
}
# A passive stem (गरि, बनाइ): the third person and impersonal forms only, no honorific, no second
# passive, no future and no second verb (it is itself the form one joins: गरिरहेको).
PASSIVE_ROOT = (
    ("root", ("नु", "ने", "न", "न्छ", "न्छु", "न्छन्", "न्छौ", "न्छौँ", "न्छिन्", "ँदै", "ँदा",
              "ँदैन", "ँदैनन्", "न्थ्यो", "न्थे", "नेछ", "नुपर्छ", "नेछन्")),
    ("perfective", ("एको", "यो", "ए", "एका", "एकी", "एर", "एँ", "एन", "एपछि")),
    ("negative-root", ("ने", "नु")),
    ("negative-perfective", ("एको",)),
)
# After a stem ending in a virama an ending that begins with a vowel letter begins with its
# sign instead (ला → लग्यो, लगेको; गर् → गरिरहेको).
VOWEL_SIGNS = {"अ": "", "आ": "\u093e", "इ": "\u093f", "ई": "\u0940", "उ": "\u0941", "ऊ": "\u0942",
               "ए": "\u0947", "ऐ": "\u0948", "ओ": "\u094b", "औ": "\u094c"}
# Roots whose past and participles are formed on another stem.
PERFECTIVE_STEMS = {"जा": "ग", "हु": "भ", "ला": "लग्"}
# -ो adjectives: the other two genders and numbers, and the emphatic (ठूलै).
ADJECTIVE_ENDINGS = ("ा", "ी", "ै")

U_SIGN, I_SIGN, E_SIGN, O_SIGN = "\u0941", "\u093f", "\u0947", "\u094b"


def _vowel_root_stems(root):
    """The stems a vowel root's endings attach to; a kind left out is not formed."""
    short = len(root) == 2
    stems = {"root": root}
    optative = imperative = root
    if "\u0915" <= root[-1] <= "\u0939":
        # No final virama written: the root is a consonant stem (अल्झूँ; the bare root is the
        # imperative).
        perfective = passive = optative = root + VIRAMA
        future, imperative = root, None
    elif root in PERFECTIVE_STEMS:
        perfective, passive, future = PERFECTIVE_STEMS[root], root, root
    elif root.endswith(U_SIGN):
        # छु, धु, रु: छोयो, धोइन्छ, धोला; longer roots in -ु (कुहु) have their own stems listed.
        perfective = passive = future = root[:-1] + O_SIGN if short else None
        if not short:
            optative = imperative = None
    elif _is_passive_stem(root):
        return {"root": root, "perfective": root}
    elif root.endswith(I_SIGN):
        perfective, passive, future = root, root, root[:-1] + E_SIGN  # दि: दियो, दिइन्छ, देला, देऊ
    else:
        perfective, passive, future = root, root, root
    if root == "हु":
        passive, future = None, "हो"  # होला, होऊँ
        optative = future
    if future is not None and imperative is not None:
        imperative = future
    for kind, stem in (("perfective", perfective), ("passive", passive), ("future", future),
                       ("optative", optative), ("imperative", imperative)):
        if stem is not None:
            stems[kind] = stem
    if perfective is not None:
        stems["conjunct"] = perfective
    return stems


def _verb_forms(root, in_use):
    """(form, ending) pairs; the ending names the table, the stem's kind and the ending, so
    that one ending of one conjugation has the same name on every root."""
    if root.endswith(VIRAMA):
        name, table, stems = "consonant", CONSONANT_ROOT, {"root": root, "base": root[:-1], "conjunct": root}
    elif root.endswith("उ") and len(root) > 1:
        name, table, stems = "u", U_ROOT, {"root": root, "base": root[:-1], "conjunct": root[:-1]}
    elif _is_passive_stem(root):
        name, table, stems = "passive", PASSIVE_ROOT, _vowel_root_stems(root)
    else:
        name, table, stems = "vowel", VOWEL_ROOT, _vowel_root_stems(root)
    for kind in ("root", "base", "perfective", "conjunct"):
        if kind in stems:
            stems["negative-" + kind] = "न" + stems[kind]
    for kind, endings in table + (IN_USE_ENDINGS[name] if in_use else ()):
        stem = stems.get(kind)
        if stem is None:
            continue
        for ending in endings:
            tag = f"{name}:{kind}:{ending}"
            if stem.endswith(VIRAMA) and ending[:1] in VOWEL_SIGNS:
                yield stem[:-1] + VOWEL_SIGNS[ending[0]] + ending[1:], tag
            else:
                yield stem + ending, tag


def _is_passive_stem(root):
    return root.endswith((I_SIGN, "इ")) and len(root) > 2


def is_verb(flags):
    return bool(flags & VERB_FLAGS)


def is_bound_stem(root):
    """A verb root that is no word by itself: one ending in a virama (गर्) or a passive stem
    (गरि, बनाइ). Roots in a vowel (खा, आउ, बनाउ) are also the imperative."""
    return root.endswith(VIRAMA) or _is_passive_stem(root)


def inflect(stem, flags):
    """Yields (form, rank, ending) for one dictionary entry: rank 0 is the most common ending;
    the ending names it the same way on every stem of its class."""
    forms = []
    in_use = IN_USE_FLAG in flags
    if is_verb(flags):
        forms.extend(_verb_forms(stem, in_use))
    if NOUN_FLAG in flags or PLURAL_FLAG in flags:
        # A plural where the dictionary gives one or the running text shows the noun in use.
        countable = PLURAL_FLAG in flags or TEXT_NOUN_FLAG in flags
        forms.extend((stem + e, "noun:" + e) for e in NOUN_ENDINGS + (PLURAL_ENDINGS if countable else ()))
    elif TEXT_NOUN_FLAG in flags:
        forms.extend((stem + e, "noun:" + e) for e in COMMON_NOUN_ENDINGS)
    if in_use and flags & {NOUN_FLAG, PLURAL_FLAG, TEXT_NOUN_FLAG}:
        forms.extend((stem + e, "noun:" + e) for e in IN_USE_NOUN_ENDINGS)
    if ADJECTIVE_FLAG in flags and stem.endswith("ो"):
        forms.extend((stem[:-1] + e, "adjective:" + e) for e in ADJECTIVE_ENDINGS)
    seen = set()
    for rank, (form, ending) in enumerate(forms):
        if form != stem and form not in seen:
            seen.add(form)
            yield form, rank, ending
