#!/usr/bin/env python3
"""Writes the binary and MSZIP-compressed flavours of the loader's text test models.

Independent of the C++ reader on purpose: the tests compare what the reader makes of each
flavour, so the flavours must not come from the reader's own idea of the format.

  python3 make_flavours.py        (run in tests/data/xfile)
"""
import re
import struct
import zlib

TOKEN = {"name": 1, "string": 2, "integer": 3, "guid": 5, "intlist": 6, "floatlist": 7,
         "{": 10, "}": 11, "(": 12, ")": 13, "[": 14, "]": 15, "<": 16, ">": 17, ".": 18,
         ",": 19, ";": 20, "template": 31}
TYPE_WORDS = {"WORD": 40, "DWORD": 41, "FLOAT": 42, "DOUBLE": 43, "CHAR": 44, "UCHAR": 45,
              "SWORD": 46, "SDWORD": 47, "VOID": 48, "STRING": 49, "UNICODE": 50,
              "CSTRING": 51, "array": 52}

LEX = re.compile(r'\s+|//[^\n]*|#[^\n]*|"[^"]*"|<[^>]*>|[{}\[\](),;]|\.\.\.|[^\s{}\[\](),;"<>]+')


def tokens(text):
    for m in LEX.finditer(text):
        t = m.group(0)
        if t.isspace() or t.startswith("//") or t.startswith("#"):
            continue
        yield t


def is_number(t):
    return re.fullmatch(r"[-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?", t) is not None


def w(tok):
    return struct.pack("<H", tok)


def guid_bytes(text):
    parts = text.strip("<>").split("-")
    d1, d2, d3 = int(parts[0], 16), int(parts[1], 16), int(parts[2], 16)
    d4 = bytes.fromhex(parts[3] + parts[4])
    return struct.pack("<IHH", d1, d2, d3) + d4


def name_token(t):
    return w(TOKEN["name"]) + struct.pack("<I", len(t)) + t.encode()


def template_tokens(toks):
    """A template definition, token by token in its own vocabulary."""
    out = bytearray(w(TOKEN["template"]))
    for t in toks[1:]:
        if t in TYPE_WORDS:
            out.extend(w(TYPE_WORDS[t]))
        elif t == "...":
            out.extend(w(TOKEN["."]) * 3)
        elif t.startswith("<"):
            out.extend(w(TOKEN["guid"]) + guid_bytes(t))
        elif t in TOKEN:
            out.extend(w(TOKEN[t]))
        elif t.isdigit():
            out.extend(w(TOKEN["integer"]) + struct.pack("<I", int(t)))
        else:
            out.extend(name_token(t))
    return out


def data_tokens(toks, float_bits):
    """Data objects: runs of numbers become integer or float lists, separators go."""
    out = bytearray()
    run, run_kind = [], None

    def flush():
        nonlocal run, run_kind
        if run_kind == "int":
            out.extend(w(TOKEN["intlist"]) + struct.pack("<I", len(run)))
            out.extend(struct.pack("<%dI" % len(run), *[int(v) for v in run]))
        elif run_kind == "float":
            fmt = "<%d%s" % (len(run), "d" if float_bits == 64 else "f")
            out.extend(w(TOKEN["floatlist"]) + struct.pack("<I", len(run)))
            out.extend(struct.pack(fmt, *[float(v) for v in run]))
        run, run_kind = [], None

    for t in toks:
        if is_number(t):
            kind = "float" if ("." in t or "e" in t.lower()) else "int"
            if run_kind not in (None, kind):
                flush()
            run.append(t)
            run_kind = kind
            continue
        if t in (",", ";"):
            continue
        flush()
        if t.startswith('"'):
            s = t[1:-1].encode()
            out.extend(w(TOKEN["string"]) + struct.pack("<I", len(s)) + s + w(TOKEN[";"]))
        elif t.startswith("<"):
            out.extend(w(TOKEN["guid"]) + guid_bytes(t))
        elif t in TOKEN:
            out.extend(w(TOKEN[t]))
        else:
            out.extend(name_token(t))
    flush()
    return out


def to_binary(body, float_bits):
    toks = list(tokens(body))
    out = bytearray()
    i = start = 0
    while i < len(toks):
        if toks[i] != "template":
            i += 1
            continue
        out.extend(data_tokens(toks[start:i], float_bits))
        j, depth = i + 2, 0
        while True:
            depth += {"{": 1, "}": -1}.get(toks[j], 0)
            if toks[j] == "}" and depth == 0:
                break
            j += 1
        out.extend(template_tokens(toks[i:j + 1]))
        i = start = j + 1
    out.extend(data_tokens(toks[start:], float_bits))
    return bytes(out)


def mszip(body, block=32768):
    out = bytearray(struct.pack("<I", len(body) + 16))
    done = b""
    for at in range(0, len(body), block):
        chunk = body[at:at + block]
        if done:
            c = zlib.compressobj(9, zlib.DEFLATED, -15, zdict=done[-32768:])
        else:
            c = zlib.compressobj(9, zlib.DEFLATED, -15)
        data = c.compress(chunk) + c.flush()
        out.extend(struct.pack("<HH", len(chunk), len(data) + 2) + b"CK" + data)
        done += chunk
    return bytes(out)


def write(name, data):
    with open(name, "wb") as f:
        f.write(data)


def flavours(stem, wide=True):
    with open(stem + ".x", "rb") as f:
        text = f.read()
    header, body = text[:16], text[16:]
    assert header == b"xof 0303txt 0032", stem
    binary32 = to_binary(body.decode(), 32)
    binary64 = to_binary(body.decode(), 64)
    write(stem + "_bin.x", b"xof 0303bin 0032" + binary32)
    if wide:
        write(stem + "_txt64.x", b"xof 0303txt 0064" + body)
        write(stem + "_bin64.x", b"xof 0303bin 0064" + binary64)
    write(stem + "_tzip.x", b"xof 0303tzip0032" + mszip(body))
    write(stem + "_bzip.x", b"xof 0303bzip0032" + mszip(binary32))


def grid(n):
    """A flat (n x n)-quad grid: large enough for several compressed blocks."""
    lines = ["xof 0303txt 0032", "// Generated by make_flavours.py: a flat grid of quads.", "Mesh Grid {",
             " %d;" % ((n + 1) * (n + 1))]
    verts = []
    for y in range(n + 1):
        for x in range(n + 1):
            verts.append(" %.6f;%.6f;%.6f;" % (x * 0.25, y * 0.25, ((x * 7 + y * 3) % 11) * 0.01))
    lines.append(",\n".join(verts) + ";")
    lines.append(" %d;" % (n * n))
    faces = []
    for y in range(n):
        for x in range(n):
            a = y * (n + 1) + x
            faces.append(" 4;%d,%d,%d,%d;" % (a, a + 1, a + n + 2, a + n + 1))
    lines.append(",\n".join(faces) + ";")
    lines.append(" MeshTextureCoords {")
    lines.append("  %d;" % ((n + 1) * (n + 1)))
    uvs = []
    for y in range(n + 1):
        for x in range(n + 1):
            uvs.append("  %.6f;%.6f;" % (x / n, y / n))
    lines.append(",\n".join(uvs) + ";")
    lines.append(" }")
    lines.append("}")
    return "\n".join(lines) + "\n"


def write_broken():
    """Hostile binary and compressed files for the broken-file corpus (broken/)."""
    tri = b"Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;; }"
    good_bin = to_binary(tri.decode(), 32)
    mesh = name_token("Mesh") + w(TOKEN["{"])
    write("broken/bin_list_overrun.x", b"xof 0303bin 0032" + mesh + w(TOKEN["intlist"]) +
          struct.pack("<I", 0x40000000) + b"\x03\x00\x00\x00")
    write("broken/bin_name_overrun.x", b"xof 0303bin 0032" + w(TOKEN["name"]) + struct.pack("<I", 1000) + b"Mes")
    write("broken/bin_unknown_token.x", b"xof 0303bin 0032" + mesh + w(99) + w(TOKEN["}"]))
    write("broken/bin_float_count.x", b"xof 0303bin 0032" + mesh + w(TOKEN["floatlist"]) +
          struct.pack("<If", 1, 3.0) + w(TOKEN["}"]))
    write("broken/bin_truncated.x", b"xof 0303bin 0032" + good_bin[:len(good_bin) // 2])
    block = zlib.compressobj(9, zlib.DEFLATED, -15)
    data = block.compress(good_bin) + block.flush()
    good_block = struct.pack("<HH", len(good_bin), len(data) + 2) + b"CK" + data
    header = b"xof 0303bzip0032"
    write("broken/zip_huge_declared.x", header + struct.pack("<I", 0xFFFFFFFF) + good_block)
    write("broken/zip_short_of_declared.x", header + struct.pack("<I", len(good_bin) + 17) + good_block)
    write("broken/zip_over_declared.x", header + struct.pack("<I", len(good_bin) + 15) + good_block)
    write("broken/zip_block_past_end.x", header + struct.pack("<I", len(good_bin) + 16) + good_block[:-3])
    write("broken/zip_no_signature.x", header + struct.pack("<I", len(good_bin) + 16) +
          good_block[:4] + b"XX" + good_block[6:])
    write("broken/zip_garbage_deflate.x", header + struct.pack("<I", len(good_bin) + 16) +
          good_block[:6] + bytes((i * 37 + 11) & 0xFF for i in range(len(data))))
    write("broken/zip_block_shorter.x", header + struct.pack("<I", len(good_bin) + 16 + 40) +
          struct.pack("<HH", len(good_bin) + 40, len(data) + 2) + b"CK" + data)


if __name__ == "__main__":
    write("grid.x", grid(30).encode())
    flavours("shape")
    flavours("frames")
    flavours("grid", wide=False)
    write_broken()
