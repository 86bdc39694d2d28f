"""Worked examples of the data pipeline: the spellings the romaniser gives a word and the forms
the inflector makes of a stem, each worked out by hand from the tables in tools/.
Python standard library only."""

import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools"))

import inflect  # noqa: E402
import romanise  # noqa: E402


class RomaniserSpellings(unittest.TestCase):
    # (word, max_habits, loan, roman -> the habits it takes)
    EXAMPLES = (
        # The first inherent vowel stays; one inside before a consonant may go, the last is optional.
        ("कलम", 2, False, {"kalam": (), "kalama": (), "kalm": ("schwa",), "kalma": ("schwa",)}),
        ("नदी", 2, False, {"nadee": (), "nadi": ("long",)}),
        ("छोरा", 2, False, {"chhoraa": (), "chhora": ("long",), "choraa": ("ch",), "chora": ("ch", "long"),
                            "xoraa": ("ch",), "xora": ("ch", "long")}),
        # A first य may be said ye; yeha would take three kinds of habit, one more than allowed.
        ("यहाँ", 2, False, {"yahaan": (), "yahaa": ("nasal",), "yahan": ("long",), "yaha": ("long", "nasal"),
                            "yehaan": ("ye",), "yehaa": ("ye", "nasal"), "yehan": ("ye", "long")}),
        ("गएको", 2, False, {"gaeko": (), "gayeko": ("glide",)}),
        # The nukta is dropped: फ़ reads as फ, whose f is as careful as ph.
        ("फ़ोन", 2, False, {"phon": (), "phona": (), "fon": (), "fona": ()}),
        # After a cluster the last inherent vowel is typed; leaving it out is the habit.
        ("गर्छ", 2, False, {"garchha": (), "garchh": ("schwa",), "garcha": ("ch",), "garch": ("ch", "schwa"),
                            "garxa": ("ch",), "garx": ("ch", "schwa")}),
        ("बल", 3, True, {"bal": (), "bala": (), "bol": ("loan",), "bola": ("loan",)}),
        ("बल", 2, False, {"bal": (), "bala": ()}),
        ("ॐ", 2, False, {}),
    )

    def test_gives_each_word_the_spellings_worked_out_by_hand(self):
        for word, max_habits, loan, expected in self.EXAMPLES:
            with self.subTest(word=word, loan=loan):
                self.assertEqual(romanise.spellings(word, max_habits, loan), expected)


class InflectorForms(unittest.TestCase):
    # (stem, flags, ending, (form, rank)), or None where the stem takes no such ending.
    EXAMPLES = (
        ("किताब", {"15"}, "noun:मा", ("किताबमा", 1)),
        ("किताब", {"15"}, "noun:हरू", None),
        # The plural endings follow the 17 singular ones.
        ("किताब", {"18"}, "noun:हरू", ("किताबहरू", 17)),
        ("अग्लो", {"14"}, "adjective:ी", ("अग्ली", 1)),
        # After the 41 endings on the root; the base drops the virama.
        ("गर्", {"1"}, "consonant:base:ेको", ("गरेको", 41)),
        # On a stem in a virama, इ becomes its sign; after 41 root and 35 base endings.
        ("गर्", {"1"}, "consonant:conjunct:इरहेको", ("गरिरहेको", 76)),
        # After 41 + 35 + 29 second verbs + 6 and 7 negatives.
        ("गर्", {"1", "in-use"}, "consonant:root:नको", ("गर्नको", 118)),
        # ला's perfective stem is लग्: ए becomes its sign after the virama.
        ("ला", {"1"}, "vowel:perfective:एको", ("लगेको", 22)),
        # The future stem of a root in ि ends in े; after 22 + 8 + 2 + 1.
        ("दि", {"1"}, "vowel:future:ला", ("देला", 33)),
        ("अल्झ", {"1"}, "vowel:perfective:यो", ("अल्झ्यो", 23)),
        ("आउ", {"8"}, "u:base:एको", ("आएको", 34)),
        ("गरि", {"1"}, "passive:perfective:यो", ("गरियो", 19)),
    )

    def test_makes_each_form_worked_out_by_hand(self):
        for stem, flags, ending, expected in self.EXAMPLES:
            with self.subTest(stem=stem, flags=sorted(flags), ending=ending):
                forms = {e: (form, rank) for form, rank, e in inflect.inflect(stem, flags)}
                self.assertEqual(forms.get(ending), expected)


if __name__ == "__main__":
    unittest.main()
