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

# Singular case endings and postpositions written together with the noun, most common first.
NOUN_ENDINGS = ("को", "मा", "ले", "लाई", "का", "बाट", "की", "सँग", "देखि", "सम्म", "भन्दा", "तिर",
                "जस्तो", "भित्र", "माथि")
PLURAL_ENDINGS = ("हरू", "हरूको", "हरूले", "हरूलाई", "हरूमा", "हरूका", "हरूबाट", "हरूसँग", "हरूकी")

# Verb endings by the shape of the root, most common first. "root" keeps the root as the
# dictionary writes it; "base" drops its final virama or उ.
# A root ending in a virama: गर् (गर्नु, गर्छ, गरेको, गर्यो).
CONSONANT_ROOT = (
    ("root", ("नु", "ने", "न", "छ", "छु", "छन्", "छौ", "छौँ", "छिन्", "दै", "दा", "दैन", "दैनन्",
              "दिनँ", "थ्यो", "थे", "नेछ", "नेछु", "नुहुन्छ", "नुभयो", "नुभएको", "नुहोस्", "नुस्",
              "नुपर्छ", "नुपर्ने", "यो", "यौ")),
    ("base", ("ेको", "े", "ेका", "ेकी", "ेर", "ेँ", "ेन", "ेनन्", "ी", "ौँ", "ोस्", "िन्", "िन्छ",
              "िएको", "िएका", "ेछ")),
    ("negative-root", ("ने", "नु", "नुहोस्", "दै", "दा")),
    ("negative-base", ("ेको", "ेर", "ेका")),
)
# A root ending in उ: आउ, बनाउ (आउँछ, आएको, आयो).
U_ROOT = (
    ("root", ("नु", "ने", "न", "ँछ", "ँछु", "ँछन्", "ँछौ", "ँछौँ", "ँछिन्", "ँदै", "ँदा", "ँदैन",
              "ँदैनन्", "ँथ्यो", "ँथे", "नेछ", "नुहुन्छ", "नुभयो", "नुभएको", "नुहोस्", "नुस्", "नुपर्छ")),
    ("base", ("एको", "यो", "ए", "एका", "एकी", "एर", "एँ", "एन", "एनन्", "इन्छ", "इएको", "ऊँ", "ओस्")),
    ("negative-root", ("ने", "नु", "नुहोस्", "ँदा")),
    ("negative-base", ("एको", "एर")),
)
# Any other root: खा, दि, लि, जा, and roots written without a final virama.
VOWEL_ROOT = (
    ("root", ("नु", "ने", "न", "न्छ", "न्छु", "न्छन्", "न्छौ", "न्छौँ", "न्छिन्", "ँदै", "ँदा",
              "ँदैन", "ँदैनन्", "न्थ्यो", "न्थे", "नेछ", "नुहुन्छ", "नुभयो", "नुभएको", "नुहोस्",
              "नुस्", "नुपर्छ", "एको", "यो", "ए", "एका", "एकी", "एर", "एँ", "एन", "इन्छ", "इएको")),
    ("negative-root", ("ने", "नु", "नुहोस्", "एको")),
)
ADJECTIVE_ENDINGS = ("ा", "ी")


def _verb_forms(root):
    if root.endswith(VIRAMA):
        table, base = CONSONANT_ROOT, root[:-1]
    elif root.endswith("उ") and len(root) > 1:
        table, base = U_ROOT, root[:-1]
    else:
        table, base = VOWEL_ROOT, root
        if not ("\u093e" <= root[-1] <= "\u094c"):
            # Written without a final virama (अल्झ): endings that begin with a vowel sign
            # attach to the bare consonant.
            table = VOWEL_ROOT + (("base", ("ेको", "ेका", "ेकी", "ेर", "े", "ेन", "्यो")),)
    for kind, endings in table:
        stem = {"root": root, "base": base, "negative-root": "न" + root, "negative-base": "न" + base}[kind]
        for ending in endings:
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
