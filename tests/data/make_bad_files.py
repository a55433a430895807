#!/usr/bin/python3
"""Writes the crafted workbooks of the reader tests and fuzz seeds into bad/.

Each file is a small valid .xls from xlwt with its compound file header damaged
the way a crafted file would be. Run: /usr/bin/python3 tests/data/make_bad_files.py
(fuzz_unused_entry_name.xls is an input the fuzzer found, kept as it was.)
"""

import os
import struct

import xlwt

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "bad")


def path(name):
    return os.path.join(HERE, name)


def xlwt_bytes():
    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("Heads")
    for row, (name, parent) in enumerate(
        [("Head Name", "Parent Head"), ("Cash", "Current Assets"), ("Bank", "Current Assets")]
    ):
        sheet.write(row, 0, name)
        sheet.write(row, 1, parent)
    tmp = path("_tmp.xls")
    book.save(tmp)
    with open(tmp, "rb") as f:
        data = bytearray(f.read())
    os.remove(tmp)
    return data


def write(name, data):
    with open(path(name), "wb") as f:
        f.write(data)


def crafted_xls():
    base = xlwt_bytes()
    # The directory's first sector far outside the file.
    data = bytearray(base)
    data[0x30:0x34] = b"\xff\xff\xff\x7f"
    write("dir_sector_outside.xls", data)
    # A FAT sector id outside the file.
    data = bytearray(base)
    data[0x4C:0x50] = struct.pack("<I", 0x00FFFFFF)
    write("fat_sector_outside.xls", data)
    # An unused directory entry whose name claims 5632 bytes.
    data = bytearray(base)
    shift = struct.unpack_from("<H", data, 0x1E)[0]
    first_dir = struct.unpack_from("<I", data, 0x30)[0]
    entry = ((first_dir + 1) << shift) + 2 * 128
    data[entry + 0x40 : entry + 0x42] = struct.pack("<H", 0x1600)
    write("dir_entry_long_name.xls", data)
    # A sector size the format does not have.
    data = bytearray(base)
    data[0x1E:0x20] = struct.pack("<H", 30)
    write("bad_sector_shift.xls", data)


if __name__ == "__main__":
    os.makedirs(HERE, exist_ok=True)
    crafted_xls()
