#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 The corvane-native authors
# SPDX-License-Identifier: Apache-2.0
"""Packs one folder into a .zip or .tar.gz whose bytes depend only on the files' names, contents
and executable bits, and on SOURCE_DATE_EPOCH: entries sorted by name, every time the same fixed
one, owner and group 0 with no names, modes 755 or 644, no extra zip fields, no name or time in
the gzip header.

    archive.py OUTPUT.zip|OUTPUT.tar.gz FOLDER

The archive holds FOLDER itself with everything under it (FOLDER's name is its top entry).
"""

import gzip
import io
import os
import sys
import tarfile
import time
import zipfile


def entries(folder):
    """(archive name, path, is folder) of folder and everything under it, sorted by name."""
    base = os.path.basename(os.path.normpath(folder))
    found = [(base + "/", folder, True)]
    for root, dirs, files in os.walk(folder):
        relative = os.path.relpath(root, folder)
        prefix = base + "/" if relative == "." else f"{base}/{relative}/"
        found += [(prefix + d + "/", os.path.join(root, d), True) for d in dirs]
        found += [(prefix + f, os.path.join(root, f), False) for f in files]
    for name, path, _ in found:
        if os.path.islink(path):
            sys.exit(f"archive: {path} is a symbolic link; bundles hold plain files")
    return sorted(found)


def mode_of(path, is_folder):
    return 0o755 if is_folder or os.stat(path).st_mode & 0o100 else 0o644


def write_zip(output, folder, epoch):
    # Zip times are local times from 1980 on, with no zone: the UTC time, kept as it is.
    stamp = time.gmtime(max(epoch, 315532800))[:6]
    with zipfile.ZipFile(output, "w") as archive:
        for name, path, is_folder in entries(folder):
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.create_system = 3  # Unix, so that the modes below are read
            info.external_attr = ((0o040000 if is_folder else 0o100000) | mode_of(path, is_folder)) << 16
            if is_folder:
                info.external_attr |= 0x10  # MS-DOS folder bit
                archive.writestr(info, b"")
            else:
                info.compress_type = zipfile.ZIP_DEFLATED
                with open(path, "rb") as data:
                    archive.writestr(info, data.read(), compresslevel=9)


def write_tar_gz(output, folder, epoch):
    buffer = io.BytesIO()
    with tarfile.open(fileobj=buffer, mode="w", format=tarfile.GNU_FORMAT) as archive:
        for name, path, is_folder in entries(folder):
            info = tarfile.TarInfo(name.rstrip("/"))
            info.mtime = epoch
            info.uid = info.gid = 0
            info.uname = info.gname = ""
            info.mode = mode_of(path, is_folder)
            if is_folder:
                info.type = tarfile.DIRTYPE
                archive.addfile(info)
            else:
                info.size = os.path.getsize(path)
                with open(path, "rb") as data:
                    archive.addfile(info, data)
    with open(output, "wb") as raw:
        with gzip.GzipFile(filename="", mode="wb", fileobj=raw, mtime=0, compresslevel=9) as out:
            out.write(buffer.getvalue())


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    output, folder = sys.argv[1], sys.argv[2]
    epoch = int(os.environ["SOURCE_DATE_EPOCH"])
    if output.endswith(".zip"):
        write_zip(output, folder, epoch)
    elif output.endswith(".tar.gz"):
        write_tar_gz(output, folder, epoch)
    else:
        sys.exit(f"archive: {output}: the name must end in .zip or .tar.gz")


if __name__ == "__main__":
    main()
