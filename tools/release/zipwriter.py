"""The release's zip writer: the archive's bytes depend only on the entries' names and contents and
on one time, so that anyone can write the same archive again (make-zip.py in `make dist`, and
verify-release.py, which writes a download's files again to see that the download is exactly that).
"""
import io
import zipfile


def archive(entries, date_time) -> bytes:
    """A zip archive of (name, data) entries, in their order, every one deflated at level 9 with
    the time date_time (a zip time: local, of no stated zone) and fixed attributes."""
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as out:
        for name, data in entries:
            info = zipfile.ZipInfo(name, date_time)
            info.create_system = 0  # MS-DOS attributes, the same on every build machine
            info.external_attr = 0x20  # "archive", as Windows sets on a new file
            info.compress_type = zipfile.ZIP_DEFLATED
            out.writestr(info, data, compresslevel=9)
    return buffer.getvalue()
