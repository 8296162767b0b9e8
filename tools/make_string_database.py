#!/usr/bin/env python3
"""Builds the string database resource (RCDATA 190) from the text table in res/.

usage: make_string_database.py TABLE.tsv OUTPUT.bin

The table is UTF-8 with tab-separated columns: the first row names the columns, "id" and
then one column per language block as language-COUNTRY ("en-GB"); the blocks are written in
column order. Every further row is a text number and its text in each language. Empty lines
and lines starting with "#" are skipped.

Output layout (little-endian):
  header    "STRD", 0, number of blocks, 0                                  16 bytes
  records   language, country (ASCII, NUL-padded to 4), block offset from the
            end of the records, table id, entry count                       16 bytes each
  blocks    entries (id u16, length in bytes u16, text offset u32) sorted
            by id, then the NUL-ended texts in the same order; each block
            zero-padded to a multiple of 16 bytes
"""

import re
import struct
import sys

TABLE_ID = 920
# The printf directives a text may carry; every language must keep the first column's.
DIRECTIVE = re.compile(r"%[-+ #0-9.]*[a-zA-Z%]")


def fail(message):
    sys.exit(f"make_string_database: {message}")


def parse_language(column):
    match = re.fullmatch(r"([a-z]{2,4})-([A-Z]{2,4})", column)
    if not match:
        fail(f"column {column!r} is not language-COUNTRY, e.g. en-GB")
    return match.group(1), match.group(2)


def check_text(number, language, text, reference):
    where = f"text {number} ({language})"
    if not text or text != text.strip():
        fail(f"{where} is empty or has spaces at its ends")
    if any(ord(c) > 0xFFFF for c in text) or "\0" in text:
        fail(f"{where} holds a character the program cannot show")
    if reference is not None and DIRECTIVE.findall(text) != DIRECTIVE.findall(reference):
        fail(f"{where} does not keep the format directives {DIRECTIVE.findall(reference)}")


def read_table(path):
    with open(path, encoding="utf-8", newline="") as source:
        rows = [line.rstrip("\r\n").split("\t") for line in source if line.strip() and not line.startswith("#")]
    if not rows or rows[0][0] != "id" or len(rows[0]) < 2:
        fail("the first row must name the columns: id, then the languages")
    languages = [parse_language(column) for column in rows[0][1:]]
    texts = {}
    for row in rows[1:]:
        if len(row) != len(rows[0]):
            fail(f"row {row[0]!r} has {len(row)} columns instead of {len(rows[0])}")
        if not row[0].isdigit() or not 0 < int(row[0]) <= 0xFFFF:
            fail(f"{row[0]!r} is not a text number")
        number = int(row[0])
        if number in texts:
            fail(f"text {number} appears twice")
        for column, text in enumerate(row[1:]):
            check_text(number, rows[0][column + 1], text, row[1] if column else None)
        texts[number] = row[1:]
    return languages, texts


def build_block(texts, column):
    entries = bytearray()
    area = bytearray()
    for number in sorted(texts):
        encoded = texts[number][column].encode("utf-8")
        if len(encoded) > 0xFFFF:
            fail(f"text {number} is too long")
        entries += struct.pack("<HHI", number, len(encoded), len(area))
        area += encoded + b"\0"
    block = entries + area
    return bytes(block + bytes(-len(block) % 16))


def build_database(languages, texts):
    blocks = [build_block(texts, column) for column in range(len(languages))]
    header = b"STRD" + struct.pack("<III", 0, len(blocks), 0)
    records = bytearray()
    offset = 0
    for (language, country), block in zip(languages, blocks):
        records += language.encode("ascii").ljust(4, b"\0") + country.encode("ascii").ljust(4, b"\0")
        records += struct.pack("<IHH", offset, TABLE_ID, len(texts))
        offset += len(block)
    return header + bytes(records) + b"".join(blocks)


def main():
    if len(sys.argv) != 3:
        fail("usage: make_string_database.py TABLE.tsv OUTPUT.bin")
    languages, texts = read_table(sys.argv[1])
    data = build_database(languages, texts)
    with open(sys.argv[2], "wb") as output:
        output.write(data)


if __name__ == "__main__":
    main()
