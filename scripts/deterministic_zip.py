#!/usr/bin/env python3
"""deterministic_zip.py <zip> <folder> <name>...: writes the named files of the
folder into the zip in the order given, each with the time of SOURCE_DATE_EPOCH
and mode 0644, so that the same files always give the same bytes."""
import os
import sys
import time
import zipfile

target, folder, names = sys.argv[1], sys.argv[2], sys.argv[3:]
# Zip times are DOS times from 1980 on: the epoch's UTC time, clamped.
stamp = max(time.gmtime(int(os.environ["SOURCE_DATE_EPOCH"]))[:6], (1980, 1, 1, 0, 0, 0))
with zipfile.ZipFile(target, "w") as archive:
    for name in names:
        entry = zipfile.ZipInfo(name, date_time=stamp)
        entry.create_system = 3  # Unix, so that the mode below counts
        entry.external_attr = 0o100644 << 16
        entry.compress_type = zipfile.ZIP_DEFLATED
        with open(os.path.join(folder, name), "rb") as source:
            archive.writestr(entry, source.read(), compresslevel=9)
