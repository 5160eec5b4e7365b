#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets into OUT/scanner and OUT/package.

Scanner seeds are an attribute name, a newline, and the text after
"<manifest". Package seeds are whole archives like the ones the tests build,
sound and damaged.
"""
import io
import os
import struct
import sys
import zipfile
import zlib

NIGHT = b'<manifest type="skin" name="Night" version="2.1" author="Ann" updatedby="Bo"/>'

SCANNER_SEEDS = {
    "all_attributes": b'name\n type="skin" name="Night" version="2.1" author="Ann" updatedby="Bo"/>',
    "language": b'type\n type="Language" name=\'Deutsch\'/>',
    "unquoted": b'version\n version=2.1 name=Night/>',
    "blanks_around_equals": b'author\n\tauthor \t= \t"A B"\r\n name = x />',
    "no_end": b'name\n name="open',
    "empty_tag": b'name\n/> name="after"',
    "value_past_end": b'name\n name="a/>b"',
    "empty_value": b'name\n name="" version=\'\'/>',
    "case_folding": b'NAME\n Name="x"/>',
    "utf8_value": b'name\n name="\xe4\xb8\x80\xf0\x9f\x98\x80"/>',
    "ill_formed_utf8": b'name\n name="\xc0\xaf\xed\xa0\x80\xe2\x82"/>',
    "declaration": b'name\n\xef\xbb\xbf<?xml version="1.0"?><manifest name="Marked"/>',
    "no_name_line": b' name="x"/>',
    "short": b'\n',
}


def zip_bytes(entries, compression=zipfile.ZIP_DEFLATED, comment=b""):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", compression) as archive:
        archive.comment = comment
        for name, data in entries:
            archive.writestr(zipfile.ZipInfo(name), data, compress_type=compression)
    return bytearray(buffer.getvalue())


def local_data_offset(archive, index=0):
    at = 0
    for _ in range(index + 1):
        assert archive[at:at + 4] == b"PK\x03\x04"
        name_length, extra_length = struct.unpack_from("<HH", archive, at + 26)
        data = at + 30 + name_length + extra_length
        at = data + struct.unpack_from("<I", archive, at + 18)[0]
    return data


def bad_crc(stored):
    archive = zip_bytes([("skin.xml", NIGHT)], zipfile.ZIP_STORED if stored else zipfile.ZIP_DEFLATED)
    crc = struct.pack("<I", zlib.crc32(NIGHT))
    wrong = struct.pack("<I", zlib.crc32(NIGHT) ^ 0x5A5A5A5A)
    return archive.replace(crc, wrong)


def damaged_deflate():
    archive = zip_bytes([("skin.xml", NIGHT * 4)])
    at = local_data_offset(archive)
    archive[at] ^= 0xFF
    archive[at + 5] ^= 0x55
    return archive


def larger_stated_size(data=NIGHT):
    """Both headers claim one byte more than the stored data holds."""
    archive = zip_bytes([("skin.xml", NIGHT)], zipfile.ZIP_STORED)
    size = struct.pack("<I", len(NIGHT))
    archive = archive.replace(size + size, struct.pack("<II", len(NIGHT), len(NIGHT) + 1))
    return archive.replace(NIGHT, data)


def truncated():
    return zip_bytes([("skin.xml", NIGHT), ("back.bmp", b"BM" * 40)])[:-30]


def zip64():
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as archive:
        with archive.open("skin.xml", "w", force_zip64=True) as entry:
            entry.write(NIGHT)
    return buffer.getvalue()


def zip64_past_4gib():
    """A stored entry whose ZIP64 size is 4 GiB more than its data: a 32-bit
    uLong keeps only the low half, the true size stays in minizip."""
    name, crc, size = b"skin.xml", zlib.crc32(NIGHT), (1 << 32) + len(NIGHT)
    extra = struct.pack("<HHQQ", 1, 16, size, len(NIGHT))
    local = struct.pack("<IHHHHHIIIHH", 0x04034B50, 45, 0, 0, 0, 0x21, crc, 0xFFFFFFFF, 0xFFFFFFFF,
                        len(name), len(extra)) + name + extra + NIGHT
    central = struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 45, 45, 0, 0, 0, 0x21, crc, 0xFFFFFFFF,
                          0xFFFFFFFF, len(name), len(extra), 0, 0, 0, 0, 0) + name + extra
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 1, 1, len(central), len(local), 0)
    return local + central + end


def package_seeds():
    long259 = "x" * 255
    return {
        "manifest_only": zip_bytes([("skin.xml", NIGHT)]),
        "stored": zip_bytes([("skin.xml", NIGHT), ("back.bmp", b"BM")], zipfile.ZIP_STORED),
        "empty_archive": zip_bytes([]),
        "separators": zip_bytes([("images/", b""), ("images\\back.bmp", b"BM"),
                                 ("skins\\blue/skin.xml", NIGHT)]),
        "several_xml": zip_bytes([("first.xml", b'<manifest name="First"/>'),
                                  ("second.xml", b'<manifest name="Second"/>'), ("Third.XML", b"")]),
        "unsafe_after_manifest": zip_bytes([("skin.xml", NIGHT), ("a/../b", b""), ("..\\c", b"")]),
        "unsafe_before_manifest": zip_bytes([(".hidden", b""), ("skin.xml", NIGHT)]),
        "empty_manifest": zip_bytes([("empty.xml", b"")]),
        "bom_declaration": zip_bytes([("skin.xml", b'\xef\xbb\xbf<?xml version="1.0" encoding="utf-8"?>\r\n'
                                                   b'<manifest type="language" name="Marked"/>')]),
        "utf16_manifest": zip_bytes([("skin.xml", "\ufeff<manifest name=\"Wide\"/>".encode("utf-16-le"))]),
        "utf8_names": zip_bytes([("\u0141\u00f3d\u017a.xml", '<manifest name="\u4e00"/>'.encode())]),
        "name_259": zip_bytes([("skin.xml", NIGHT), (long259 + ".bmp", b"")]),
        "name_260": zip_bytes([("skin.xml", NIGHT), (long259 + "x.bmp", b"")]),
        "name_300": zip_bytes([("x" * 300, b""), ("skin.xml", NIGHT)]),
        "damaged_deflate": damaged_deflate(),
        "bad_crc_deflated": bad_crc(False),
        "bad_crc_stored": bad_crc(True),
        "larger_stated_size": larger_stated_size(),
        "larger_stated_size_bad_data": larger_stated_size(NIGHT.replace(b"Night", b"Evil!")),
        "truncated": truncated(),
        "zip64": zip64(),
        "zip64_past_4gib": zip64_past_4gib(),
        "comment": zip_bytes([("skin.xml", NIGHT)], comment=b"made by hand"),
        "end_record_in_comment": zip_bytes([("skin.xml", NIGHT)], comment=b"PK\x05\x06 in a comment"),
        "not_a_zip": b"<manifest name=\"bare\"/>",
    }


def write_all(folder, seeds):
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(bytes(data))


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_seeds.py OUT")
    write_all(os.path.join(sys.argv[1], "scanner"), SCANNER_SEEDS)
    write_all(os.path.join(sys.argv[1], "package"), package_seeds())


if __name__ == "__main__":
    main()
