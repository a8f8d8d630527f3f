#!/usr/bin/env python3
"""Writes the seeds of fuzz_report_definition into corpus/fuzz_report_definition/:
the record sheet's definition and the definitions that once recursed or laid
pages out wrong. The byte format is TDefinition::Read's."""
import os
import struct

TITLE, PAGE_HEADER, DETAIL, PAGE_FOOTER, SUMMARY, COLUMN_HEADER = 0, 1, 2, 3, 4, 8
DEFAULT, LETTER, A4, A5, B4, CUSTOM = 0, 1, 9, 11, 12, 27
FNP, FNC, BOTTOM, DISABLED, CHILD, LABEL, LINK = 1, 2, 4, 8, 16, 32, 64


def band(kind, height, flags=0, child=0, link=0, lines=0, label_height=0, label_top=0):
    b = bytes([kind]) + struct.pack('<H', height) + bytes([flags, child // 8, link])
    if flags & LABEL:
        b += bytes([lines, label_height // 2, label_top // 4])
    return b


def definition(bands, paper=A4, landscape=False, print_empty=False, rows=0, margins=(100, 100, 100, 100),
               columns=1, space=0, width=2100, length=2970, no_first_header=False, no_last_footer=False,
               compression=False):
    flags = (1 if landscape else 0) | (2 if no_first_header else 0) | (4 if no_last_footer else 0) | \
            (8 if compression else 0) | (32 if print_empty else 0)
    head = bytes([paper, flags]) + struct.pack('<HH', width - 50, length - 50)
    head += bytes(m // 4 for m in margins) + bytes([columns - 1, space // 4]) + struct.pack('<H', rows)
    return head + bytes([len(bands)]) + b''.join(bands)


seeds = {
    'record_sheet': definition([band(PAGE_HEADER, 71), band(DETAIL, 1894)], landscape=True, print_empty=True),
    'a4_header_200mm_footer_100mm': definition(
        [band(PAGE_HEADER, 2000), band(DETAIL, 100), band(PAGE_FOOTER, 1000)], rows=3),
    'a5_landscape_header_70mm_footer_60mm': definition(
        [band(PAGE_HEADER, 700), band(DETAIL, 100), band(PAGE_FOOTER, 600)], paper=A5, landscape=True, rows=3),
    'column_header_new_page': definition(
        [band(PAGE_HEADER, 100), band(TITLE, 150), band(COLUMN_HEADER, 50, FNP), band(DETAIL, 500),
         band(PAGE_FOOTER, 200)], columns=2, rows=12),
    'column_header_new_column': definition(
        [band(PAGE_HEADER, 100), band(COLUMN_HEADER, 50, FNC), band(DETAIL, 500), band(SUMMARY, 200, FNP)],
        columns=2, space=50, rows=12),
    'default_paper': definition([band(PAGE_HEADER, 100), band(DETAIL, 100), band(PAGE_FOOTER, 200)],
                                paper=DEFAULT, rows=3),
    'custom_100x50mm_landscape': definition([band(DETAIL, 100)], paper=CUSTOM, landscape=True, rows=5,
                                            width=1000, length=500),
    'a5_pages': definition([band(PAGE_HEADER, 100), band(DETAIL, 400), band(PAGE_FOOTER, 200)], paper=A5, rows=9),
    'letter_pages': definition([band(PAGE_HEADER, 100), band(DETAIL, 400), band(PAGE_FOOTER, 200)],
                               paper=LETTER, rows=9),
    'stretching_label_two_columns': definition(
        [band(PAGE_HEADER, 100), band(DETAIL, 100, LABEL, lines=24, label_height=42),
         band(PAGE_FOOTER, 200, CHILD, child=104)], columns=2, space=40, rows=6),
    'forced_breaks_linked_children': definition(
        [band(TITLE, 150, FNP), band(PAGE_HEADER, 100, FNC), band(DETAIL, 300, FNC | CHILD, child=96),
         band(SUMMARY, 200, FNP | BOTTOM | LINK, link=2), band(PAGE_FOOTER, 200, FNP)],
        columns=2, rows=10, no_last_footer=True, compression=True),
    # A detail taller than the room a page leaves it, its text carried on;
    # headers that eat the room; a summary without details in two columns;
    # three columns across A4 landscape; a stretching header on B4.
    'detail_taller_than_room': definition(
        [band(PAGE_HEADER, 2000), band(DETAIL, 600, LABEL, lines=24, label_height=42), band(PAGE_FOOTER, 200)],
        rows=2),
    'header_eats_the_room': definition(
        [band(PAGE_HEADER, 100, LABEL, lines=24, label_height=42), band(COLUMN_HEADER, 1500, LABEL, lines=24),
         band(DETAIL, 100), band(PAGE_FOOTER, 200)], paper=A5, rows=3),
    'summary_two_columns_no_detail': definition([band(SUMMARY, 300)], columns=2, rows=3),
    'a4_landscape_three_columns': definition([band(DETAIL, 500), band(SUMMARY, 600)], landscape=True, columns=3,
                                             margins=(100, 100, 180, 244), rows=7),
    'b4_stretching_header': definition(
        [band(PAGE_HEADER, 100, LABEL, lines=24, label_height=42), band(DETAIL, 400), band(PAGE_FOOTER, 200)],
        paper=B4, rows=9),
    # Some 300 pages: more than the page store keeps in memory.
    'many_pages': definition([band(PAGE_HEADER, 100), band(DETAIL, 2000, LABEL, lines=20, label_height=500)],
                             rows=300),
}

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'corpus', 'fuzz_report_definition')
os.makedirs(here, exist_ok=True)
for name, data in seeds.items():
    with open(os.path.join(here, name), 'wb') as f:
        f.write(data)
