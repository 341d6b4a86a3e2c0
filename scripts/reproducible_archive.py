#!/usr/bin/env python3
"""Packs a folder into a .zip or .tar.gz that depends on the files' contents alone.

Entries come in sorted order, all with one time stamp (SOURCE_DATE_EPOCH), owner
root, and mode 0755 for folders and executable files, 0644 for the rest. The
archive's own headers (gzip) carry no time or file name either.

    reproducible_archive.py OUTPUT FOLDER

The archive holds FOLDER's contents under one top-level folder named as FOLDER,
so that archives of one release that share a top folder unpack into one tree.
"""
import gzip
import io
import os
import sys
import tarfile
import time
import zipfile


def entries(folder):
    """Every file and folder below `folder`, as sorted relative paths."""
    found = []
    for parent, dirs, files in os.walk(folder):
        for name in dirs + files:
            found.append(os.path.relpath(os.path.join(parent, name), folder))
    return sorted(found, key=lambda path: path.split(os.sep))


def mode_of(path):
    if os.path.isdir(path) or os.access(path, os.X_OK):
        return 0o755
    return 0o644


def write_zip(output, folder, top, epoch):
    # Zip times are local date and time fields with no zone, from 1980 on.
    stamp = time.gmtime(max(epoch, 315532800))[:6]
    with zipfile.ZipFile(output, "w") as archive:
        for relative in [""] + entries(folder):
            path = os.path.join(folder, relative)
            name = "/".join([top] + ([relative.replace(os.sep, "/")] if relative else []))
            is_dir = os.path.isdir(path)
            info = zipfile.ZipInfo(name + "/" if is_dir else name, date_time=stamp)
            info.create_system = 3  # unix, so that the mode bits below count
            info.external_attr = ((0o040000 if is_dir else 0o100000) | mode_of(path)) << 16
            if is_dir:
                info.external_attr |= 0x10  # the MS-DOS folder flag
                archive.writestr(info, b"")
            else:
                info.compress_type = zipfile.ZIP_DEFLATED
                with open(path, "rb") as source:
                    archive.writestr(info, source.read(), compresslevel=9)


def write_tar_gz(output, folder, top, epoch):
    buffer = io.BytesIO()
    with tarfile.open(fileobj=buffer, mode="w", format=tarfile.PAX_FORMAT) as archive:
        for relative in [""] + entries(folder):
            path = os.path.join(folder, relative)
            info = archive.gettarinfo(path, arcname=os.path.join(top, relative).rstrip(os.sep))
            info.mtime = epoch
            info.uid = info.gid = 0
            info.uname = info.gname = ""
            info.mode = mode_of(path)
            if info.isfile():
                with open(path, "rb") as source:
                    archive.addfile(info, source)
            else:
                archive.addfile(info)
    with open(output, "wb") as target:
        # No file name and a fixed time in the gzip header.
        with gzip.GzipFile(filename="", mode="wb", fileobj=target, mtime=epoch, compresslevel=9) as packed:
            packed.write(buffer.getvalue())


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    output, folder = sys.argv[1], sys.argv[2]
    epoch = int(os.environ.get("SOURCE_DATE_EPOCH", "0"))
    top = os.path.basename(os.path.normpath(folder))
    if output.endswith(".zip"):
        write_zip(output, folder, top, epoch)
    elif output.endswith(".tar.gz"):
        write_tar_gz(output, folder, top, epoch)
    else:
        sys.exit("unknown archive type: " + output)


if __name__ == "__main__":
    main()
