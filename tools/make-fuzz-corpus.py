#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets (tests/fuzz/corpus/<target>/):
small valid catalogue files built field by field, and damaged variants of
them. Run from the repository root; existing seeds of the same name are
replaced, inputs kept from fuzzing runs (crash-*, other names) stay."""
import os
import struct
import sys

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "fuzz", "corpus")


def u8(v):
    return struct.pack("<B", v & 0xFF)


def u16(v):
    return struct.pack("<H", v & 0xFFFF)


def u32(v):
    return struct.pack("<I", v & 0xFFFFFFFF)


def fixed(text, width):
    data = text.encode("latin-1")[:width]
    return data + b"\0" * (width - len(data))


def pool(texts):
    offsets, data = b"", b""
    for text in texts:
        offsets += u32(len(data))
        raw = text.encode("latin-1") if isinstance(text, str) else text
        data += u16(len(raw)) + raw
    return offsets, data


def form_record(ident, name, description, layer, group):
    return u32(ident) + fixed(name, 25) + fixed(description, 256) + u8(layer) + u32(group)


def form_list(named, entries, last=0, magic=b"ZEVROFORM FORMNAMEINFO V1.0"):
    data = magic + u32(len(named)) + u16(len(entries)) + u16(last)
    for record in named + entries:
        data += form_record(*record)
    return data


def group_list(texts, magic=b"ZEVROFORM GROUPNAMEINFO V1.0"):
    offsets, data = pool(texts)
    return magic + u32(len(texts)) + u32(len(data)) + offsets + data


def settings(colour=2, resolution=600, mode=2, code=9, width=2100, height=2970, orientation=1, pages=0,
             zoom=100, layer=1, level=1):
    return (u16(1) + u8(layer) + u8(level) + u16(0) + u16(width) + u16(height) + u16(0) + u16(0) + u16(code) +
            u8(orientation) + u16(resolution) + u8(colour) + u8(mode) + u8(pages) + u16(width) + u16(height) +
            u16(0) + u16(0) + u16(code) + u16(zoom))


def group_info(entries, texts, first=-1, edited=-1, preview=-1):
    offsets, data = pool(texts)
    head = (b"ZEVROFORM GROUPINFO V1.0" + u32(first) + u32(edited) + b"\0" * 16 + u32(preview) +
            u32(len(entries)) + u32(len(texts)) + u32(len(data)))
    return head + b"".join(record + u32(name) for record, name in entries) + offsets + data


def overlay_header(name="Invoice", description="An invoice blank", record=None):
    return u32(319) + fixed(name, 25) + fixed(description, 256) + (record or settings())


def parts(*chunks):
    """The split of SplitInput: every chunk but the last with a u16 length."""
    out = b""
    for chunk in chunks[:-1]:
        out += u16(len(chunk)) + chunk
    return out + chunks[-1]


def write(target, name, data):
    directory = os.path.join(ROOT, target)
    os.makedirs(directory, exist_ok=True)
    with open(os.path.join(directory, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("latin-1"))


def form_name_list_seeds():
    t = "form_name_list_fuzzer"
    write(t, "empty", form_list([], []))
    one = form_list([(1, "Invoice", "An invoice", 1, 0)], [])
    write(t, "one_form", one)
    mixed = form_list([(1, "Invoice", "", 1, 0), (2, "Letter", "", 2, 1), (3, "Order", "x", 1, 6)],
                      [(-1, "P", "", 1, 4), (-2, "C", "", 2, 7)], last=2)
    write(t, "mixed", mixed)
    write(t, "blocks", form_list([(i + 1, "Form %d" % i, "", 1, i % 8) for i in range(20)], [(-5, "P", "", 1, 2)], 5))
    write(t, "ring_full_last", form_list([(7, "Seven", "", 1, 0)], [(-256, "C", "", 1, 1)], last=256))
    write(t, "damaged_magic", b"X" + mixed[1:])
    write(t, "damaged_long", mixed + b"\0")
    write(t, "damaged_short", mixed[:-1])
    write(t, "damaged_count", mixed[:27] + u32(0xFFFFFFFF) + mixed[31:])
    write(t, "unterminated_name", one[:39] + b"N" * 25 + one[64:])
    write(t, "group_index_beyond", form_list([(1, "Far", "", 1, 0xFFFFFFFF)], [(-1, "P", "", 1, 1000)], 1))
    write(t, "header_only_short", one[:20])


def group_name_list_seeds():
    t = "group_name_list_fuzzer"
    texts = ["C:\\CAT\\", "C:\\CAT\\_F3002.FGP", "12", "", "BILL.ZLC", "C:\\CAT\\SUB\\"]
    valid = group_list(texts)
    write(t, "six_entries", valid)
    write(t, "empty", group_list([]))
    write(t, "long_text", group_list(["C:\\" + "L" * 257] + texts[1:]))
    write(t, "too_long_text", group_list(["C:\\" + "L" * 258] + texts[1:]))
    write(t, "damaged_magic", b"z" + valid[1:])
    write(t, "damaged_size", valid + b"!")
    write(t, "offset_beyond_pool", valid[:36] + u32(0x7FFFFFFF) + valid[40:])
    count = len(texts)
    pool_at = 36 + 4 * count
    write(t, "length_beyond_pool", valid[:pool_at] + u16(0xFFFF) + valid[pool_at + 2:])
    write(t, "count_huge", valid[:28] + u32(0x40000000) + valid[32:])
    write(t, "group_info_names", group_list(["_F3001.FGP", "D:\\FORMS\\_F3002.fgp", "C:\\CAT", "9", "P.ZLP", "X"]))


def group_info_seeds():
    t = "group_info_fuzzer"
    record = settings()
    other = settings(colour=1, resolution=300, mode=0x20, code=1, width=2159, height=2794, orientation=2)
    valid = group_info([(record, 0), (other, 1)], ["_F300100.ZLP", "RAW.ZLC"])
    write(t, "two_entries", valid)
    write(t, "empty", group_info([], []))
    write(t, "texts", group_info([(record, 2), (other, -1)], ["GROUP", "_F3001.ZL3", "_F300100.ZLP", "_F3001.PBF"],
                                 first=0, edited=1, preview=3))
    write(t, "elsewhere", group_info([(record, 0)], ["C:\\ELSEWHERE\\A.ZLP"]))
    write(t, "pages", group_info([(settings(pages=4, mode=5), 0)], ["_F300101.ZLP"]))
    write(t, "damaged_magic", b"Y" + valid[1:])
    write(t, "damaged_size", valid[:-1])
    write(t, "dangling_name", group_info([(record, 5)], ["_F300100.ZLP"]))
    write(t, "dangling_header", group_info([(record, 0)], ["_F300100.ZLP"], first=9, edited=-7, preview=3))
    bad_offset = group_info([(record, 0)], ["_F300100.ZLP"])
    at = 64 + 38
    write(t, "offset_beyond_pool", bad_offset[:at] + u32(0xFFFFFFF0) + bad_offset[at + 4:])
    write(t, "length_beyond_pool", bad_offset[:at + 4] + u16(0x1000) + bad_offset[at + 6:])
    write(t, "counts_huge", valid[:52] + u32(0x10000000) + valid[56:])


def overlay_files_seeds():
    t = "overlay_files_fuzzer"
    zli = b"\0" * 32 + fixed("Raw file description", 256)
    zlf = b"\0" * 50 + u16(9) + u16(0)
    write(t, "header", parts(overlay_header() + b"page data", zli, zlf))
    write(t, "header_only", parts(overlay_header(), b"", b""))
    write(t, "raw_600", parts(b"\x1d0;0.24muE page", zli, b"\0" * 50 + u16(1) + u16(1)))
    write(t, "raw_300", parts(b"\x1dother data", b"short", b"\0" * 51))
    write(t, "short_file", parts(overlay_header()[:100], b"", b""))
    write(t, "unterminated", parts(u32(319) + b"N" * 25 + b"D" * 256 + settings(layer=2), b"\0" * 32 + b"E" * 256,
                                   b"\0" * 50 + u16(0xFFFF) + u16(3)))
    write(t, "user_paper", parts(overlay_header(record=settings(code=256, width=1000, height=1000)), zli, zlf))


def driver_config_seeds():
    t = "driver_config_fuzzer"
    write(t, "defaults", "[ENVIRONMENT]\r\nF3GRP=1,4096\r\nF3CMD=0,255\r\nEDITOR=EDIT.EXE\r\n")
    write(t, "narrow", "[ENVIRONMENT]\r\nA1GRP=10,20\r\nA1CMD=5,9\r\n")
    write(t, "clamped", "[environment]\r\nGRP=0,99999\r\nCMD= -5 , 300\r\n")
    write(t, "reversed", "[ENVIRONMENT]\nLONGNAMEGRP=30,2\nXCMD=200,100\nEDITOR=\n")
    write(t, "empty_values", "[ENVIRONMENT]\r\nF3GRP=\r\nF4GRP=7\r\nCMD=,\r\n")
    write(t, "module_dir", ";beside the module\r\n[ENVIRONMENT]\r\nB2GRP=+3,-1\r\n")
    write(t, "quoted", "[ENVIRONMENT]\r\nF3GRP=\"2,3\"\r\n[OTHER]\r\nF5GRP=1,1\r\n")


def catalogue_config_seeds():
    t = "catalogue_config_fuzzer"
    base = ("[ENVIRONMENT]\r\nCURRENTDIR=C:\\CAT\r\nUSER=DEFAULT\r\n[DEFAULT]\r\n"
            "FormName=C:\\CAT\\ZVLMN3.FLT\r\nGroupName=C:\\CAT\\ZVLMN3.GLT\r\n")
    write(t, "default", base)
    write(t, "no_user", "[ENVIRONMENT]\r\nCURRENTDIR=C:\\\r\n[DEFAULT]\r\nFormName=C:\\A.FLT\r\n")
    write(t, "empty_user", "[ENVIRONMENT]\r\nUSER=\r\n[]\r\nFormName=C:\\A.FLT\r\nGroupName=C:\\A.GLT\r\n")
    write(t, "other_user", "[ENVIRONMENT]\nUSER=Office\n[office]\nformname = C:\\CAT\\O.FLT \ngroupname=\"C:\\CAT\\O.GLT\"\n")
    write(t, "long_paths", "[ENVIRONMENT]\r\nCURRENTDIR=C:\\" + "D" * 300 + "\r\nUSER=DEFAULT\r\n[DEFAULT]\r\n"
          "FormName=C:\\" + "F" * 270 + "\r\nGroupName=C:\\" + "G" * 258 + "\r\n")
    write(t, "no_group", "[ENVIRONMENT]\r\nUSER=DEFAULT\r\n[DEFAULT]\r\nFormName=C:\\CAT\\ZVLMN3.FLT")
    write(t, "duplicates", base + "[ENVIRONMENT]\r\nUSER=SECOND\r\n[DEFAULT]\r\nFormName=C:\\X.FLT\r\n;comment\r\n")


def paper_table_entry(width, length, code, name):
    values = u16(width) + u16(length) + u16(width) + u16(length) + u16(code)
    raw = name.encode("latin-1")
    return values + u8(len(raw)) + raw


def spec(sizes, table1=(), table2=(), failures=0, spoil=None):
    data = u8(failures) + b"".join(u16(s) for s in sizes)
    for entry in list(table1) + list(table2):
        data += entry
    if spoil is not None:
        data += spoil
    return data


def paper_size_list_seeds():
    t = "paper_size_list_fuzzer"
    a4 = paper_table_entry(2100, 2970, 9, "A4 210 x 297 mm\0")
    letter = paper_table_entry(2159, 2794, 1, "Letter\0")
    user = paper_table_entry(1000, 1000, 256, "User defined\0")
    sizes = [1, 3, 66, 1, 66, 1, 1, 1, 2, 1]
    model1 = spec(sizes, [a4, letter, user], [a4])
    model2 = spec([0, 2, 66, 0, 0, 0, 0, 0, 0, 0], [letter, paper_table_entry(2500, 3530, 12, "B4\0")])
    head = u8(0) + u8(2) + u8(3) + u16(1) + u16(2) + u16(1) + u16(2) + u16(0x4001)
    write(t, "two_models", head + model1 + model2)
    write(t, "no_papers", u8(0) + u8(1) + u8(0) + u16(7) + spec([0] * 10))
    write(t, "no_models", u8(0) + u8(0) + u8(2) + u16(1) + u16(3))
    write(t, "second_tables", u8(8) + head[1:] + model1 + model2)
    write(t, "capabilities_fail", u8(1) + head[1:])
    write(t, "list_fails", u8(2) + head[1:])
    write(t, "model_block_fails", head + spec(sizes, failures=1))
    write(t, "fill_fails", head + model1 + spec(sizes, failures=2))
    write(t, "negative_counts", u8(0) + u8(0xFE) + u8(0xFF))
    write(t, "negative_size", head + spec([0, -1 & 0xFFFF, 66, 0, 0, 0, 0, 0, 0, 0]))
    write(t, "too_large", head + spec([0, 0x7FFF, 0x7FFF, 0, 0, 0, 0, 0, 0, 0]))
    many = [paper_table_entry(100 + i, 200 + i, i, "P%d" % i) for i in range(120)]
    write(t, "over_hundred", u8(0) + u8(1) + u8(0) + u16(1) + spec([0, 120, 8, 0, 0, 0, 0, 0, 0, 0], many))
    write(t, "short_names", head + spec([0, 2, 3, 0, 0, 0, 0, 0, 0, 0], [a4, letter]) + model2)
    write(t, "no_name_areas", head + spec([0, 2, 0, 0, 0, 0, 0, 0, 0, 0], [a4, letter]) + model2)
    write(t, "spoilt_pointers", u8(4) + head[1:] + spec(sizes, [a4, letter, user], [a4], spoil=u8(1) + u32(16)) +
          spec(sizes, [a4, letter, user], [a4], spoil=u8(4) + u32(0) + u32(0xFFFFFFF0) + u32(0x1000)))
    write(t, "help_text", u8(0) + u8(200) + b"C:\\HELP\\" + b"H" * 200)


def main():
    for seeds in (form_name_list_seeds, group_name_list_seeds, group_info_seeds, overlay_files_seeds,
                  driver_config_seeds, catalogue_config_seeds, paper_size_list_seeds):
        seeds()
    return 0


if __name__ == "__main__":
    sys.exit(main())
