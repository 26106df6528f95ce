#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Fails, naming each message, where the committed .ts files are not what lupdate makes of the
sources: a text new or changed in the code (lupdate marks it unfinished), a translation left
unfinished, a text gone from the code (vanished), a translation equal to its English text unless
the README leaves that text in English, or any other line lupdate would rewrite.

    check_translations.py LUPDATE README TS_FILE... -- LUPDATE_ARGUMENT...

lupdate runs on copies in a temporary folder; the committed files stay as they are."""

import difflib
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

# The README's glossary columns, by the language of the .ts file.
COLUMNS = {"de": "Deutsch", "fr": "Français", "es": "Español"}


def kept_in_english(readme, language):
    """The terms that the README's "Languages" section leaves untranslated in `language`: those
    quoted in its "Left as in English" sentence, where the glossary table, if it lists the term,
    gives it unchanged in that language's column."""
    section = readme.split("### Languages", 1)[1].split("\n#", 1)[0]
    rows = [[cell.strip() for cell in line.strip("|").split("|")]
            for line in section.splitlines() if line.startswith("|") and "---" not in line]
    column = rows[0].index(COLUMNS[language])
    glossary = {row[0]: row[column] for row in rows[1:]}
    sentence = re.search(r"Left as in English[^\n]*(?:\n[^\n]+)*", section).group(0)
    return {term for term in re.findall(r'"([^"]+)"', sentence)
            if glossary.get(term, term) == term}


def may_stay_english(source, terms):
    """True where `source` is nothing but such terms, numbers, placeholders and punctuation."""
    for term in sorted(terms, key=len, reverse=True):
        source = source.replace(term, "")
    return not re.sub(r"%\d+|[\W\d_]", "", source)


def problems(path, terms):
    for context in ElementTree.parse(path).getroot().iter("context"):
        for message in context.iter("message"):
            source = message.findtext("source")
            translation = message.find("translation")
            kind = translation.get("type")
            text = "".join(translation.itertext())
            name = f'{context.findtext("name")}: "{source}"'
            if kind in ("unfinished", "vanished", "obsolete"):
                yield f"{kind} {name}"
            elif text == source and not may_stay_english(source, terms):
                yield f'untranslated {name} (the README keeps only {sorted(terms)} in English)'


def main(arguments):
    split = arguments.index("--")
    lupdate, readme, ts_files = arguments[0], arguments[1], arguments[2:split]
    readme = pathlib.Path(readme).read_text(encoding="utf-8")
    failures = []
    with tempfile.TemporaryDirectory() as folder:
        copies = [shutil.copy(name, folder) for name in ts_files]
        run = subprocess.run([lupdate, *arguments[split + 1:], "-ts", *copies],
                             capture_output=True, text=True)
        if run.returncode != 0:
            sys.exit(f"lupdate failed:\n{run.stdout}{run.stderr}")
        for original, copy in zip(ts_files, copies):
            language = ElementTree.parse(copy).getroot().get("language")
            found = list(problems(copy, kept_in_english(readme, language)))
            committed = pathlib.Path(original).read_text(encoding="utf-8").splitlines()
            updated = pathlib.Path(copy).read_text(encoding="utf-8").splitlines()
            if not found and committed != updated:
                found = ["lupdate rewrites it:"] + list(difflib.unified_diff(
                    committed, updated, "committed", "updated", lineterm="", n=0))
            failures += [f"{pathlib.Path(original).name}: {line}" for line in found]
    if failures:
        print("\n".join(failures))
        print("After texts changed: cmake --build build --target update_translations, then "
              "translate what it marks unfinished.")
        return 1
    print(f"{len(ts_files)} translations up to date")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
