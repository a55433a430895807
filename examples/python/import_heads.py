#!/usr/bin/env python3
"""Imports the account heads of a workbook into a new company file through
Vantrel's C interface, with ctypes only.

usage: import_heads.py WORKBOOK MAPFILE NEW_COMPANY_FILE
The library is found as libvantrel.so.0 on the loader's path, or at $VANTREL_LIBRARY.
"""
import ctypes
import os
import sys

SRC_EXCEL = 2
TYPE_SINGLE_USER = 0


class RejectedRecord(ctypes.Structure):
    """VantrelRejectedRecord: a row (or export record) the import refused."""
    _fields_ = [("kind", ctypes.c_char_p), ("name", ctypes.c_char_p),
                ("parent", ctypes.c_char_p), ("reason", ctypes.c_char_p),
                ("row", ctypes.c_long), ("column", ctypes.c_char_p),
                ("value", ctypes.c_char_p)]


def load():
    lib = ctypes.CDLL(os.environ.get("VANTREL_LIBRARY", "libvantrel.so.0"))
    obj = ctypes.c_void_p
    text = ctypes.c_char_p
    signatures = {
        "vantrel_version": (text, []),
        "vantrel_last_error": (text, []),
        "vantrel_create_company_file": (ctypes.c_int, [text]),
        "vantrel_create": (obj, [text]),
        "vantrel_release": (None, [obj]),
        "vantrel_set_text": (ctypes.c_int, [obj, text, text]),
        "vantrel_set_int": (ctypes.c_int, [obj, text, ctypes.c_int32]),
        "vantrel_load_map_file": (ctypes.c_int, [obj, text]),
        "vantrel_import": (ctypes.c_int, [obj, text, ctypes.POINTER(ctypes.c_int)]),
        "vantrel_close_conn": (ctypes.c_int, [obj]),
        "vantrel_rows_imported": (ctypes.c_long, [obj]),
        "vantrel_rows_refused": (ctypes.c_long, [obj]),
        "vantrel_log_path": (text, [obj]),
        "vantrel_set_log_folder": (ctypes.c_int, [text]),
        "vantrel_reject_count": (ctypes.c_size_t, [obj]),
        "vantrel_reject": (ctypes.POINTER(RejectedRecord), [obj, ctypes.c_size_t]),
    }
    for name, (restype, argtypes) in signatures.items():
        function = getattr(lib, name)
        function.restype = restype
        function.argtypes = argtypes
    return lib


def main(argv):
    if len(argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    workbook, map_file, company = (a.encode() for a in argv[1:])
    lib = load()
    print("vantrel", lib.vantrel_version().decode())

    def check(result):
        if result != 0:
            raise RuntimeError(lib.vantrel_last_error().decode())

    check(lib.vantrel_create_company_file(company))
    # The import's log goes beside the company file.
    check(lib.vantrel_set_log_folder(os.path.dirname(company) or b"."))
    obj = lib.vantrel_create(b"Vantrel.DependProcesser")
    try:
        check(lib.vantrel_set_int(obj, b"TargetType", TYPE_SINGLE_USER))
        check(lib.vantrel_set_text(obj, b"TargetDataBase", company))
        check(lib.vantrel_set_int(obj, b"SourceType", SRC_EXCEL))
        check(lib.vantrel_set_text(obj, b"SourceFile", workbook))
        check(lib.vantrel_load_map_file(obj, map_file))
        err = ctypes.c_int(0)
        check(lib.vantrel_import(obj, b"account-heads", ctypes.byref(err)))
        print("%d rows imported, %d rows refused, log: %s" % (
            lib.vantrel_rows_imported(obj), lib.vantrel_rows_refused(obj),
            lib.vantrel_log_path(obj).decode()))
        for i in range(lib.vantrel_reject_count(obj)):
            r = lib.vantrel_reject(obj, i).contents
            print("refused: row %d, %s: %s" % (r.row, r.name.decode(), r.reason.decode()))
        check(lib.vantrel_close_conn(obj))
        return 1 if err.value else 0
    finally:
        lib.vantrel_release(obj)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
