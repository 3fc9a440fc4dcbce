#!/usr/bin/env python3
"""Rewrites a ZIP so that the same files give the same bytes on any machine:
names in sorted order, one given time for every entry (as UTC, whatever the
time zone), fixed permissions, no extra fields (access times, user and group
ids).
Usage: normalize_zip.py ARCHIVE SECONDS_SINCE_1970
"""
import os
import sys
import time
import zipfile

path = sys.argv[1]
stamp = time.gmtime(int(sys.argv[2]))[:6]
with zipfile.ZipFile(path) as source:
    entries = [(info, source.read(info)) for info in source.infolist()]
entries.sort(key=lambda entry: entry[0].filename)

temporary = path + '.normalized'
with zipfile.ZipFile(temporary, 'w') as target:
    for old, data in entries:
        info = zipfile.ZipInfo(old.filename, date_time=stamp)
        info.create_system = 3  # Unix, so the permissions below are read
        directory = old.filename.endswith('/')
        info.external_attr = ((0o40755 if directory else 0o100755 if old.external_attr >> 16 & 0o111 else 0o100644)
                              << 16) | (0x10 if directory else 0)
        info.compress_type = zipfile.ZIP_STORED if directory else zipfile.ZIP_DEFLATED
        target.writestr(info, data, compresslevel=9)
os.replace(temporary, path)
