#!/usr/bin/env python3
"""Does what a new user does with the release archives, by the guide they carry.

For each platform, the library's and the simulator's archives are copied into an
empty folder, and every recipe of the guide for that platform is run there in
the guide's order: unpacking, `orvane check`, building and running each host.
A recipe is a fenced code block whose info string names it (`recipe=NAME`):
blocks named like a file are written into the folder first; `linux-*` blocks
run natively; `windows-*` blocks run with programs ending in .exe under wine.
The MSVC command line cannot run without Microsoft's tools and runtime: its
paths are checked and its host is compiled with clang-cl in MSVC mode using
that line's include folder (check_windows_zip.sh links and runs MSVC-mode hosts
against OrvaneLib.lib). The
C# declarations and the Windows ctypes recipe are checked against the export
list of the Windows archive: each entry point exists with the argument bytes
its parameters take, and each declared type fits the export's C type.

    run_guide_recipes.py DIST_FOLDER VERSION [linux] [windows]

Run inside scripts/with-wine.sh for the windows part.
"""
import os
import re
import shutil
import subprocess
import sys
import tarfile
import tempfile
import zipfile

PLATFORMS = {
    "linux": ("linux-x86_64", ".tar.gz"),
    "windows": ("win32", ".zip"),
}
CLANG_CL = "/usr/lib/llvm-14/bin/clang-cl"


def guide_of(archive):
    """The guide inside a library archive, as text."""
    if archive.endswith(".zip"):
        with zipfile.ZipFile(archive) as packed:
            name = next(n for n in packed.namelist() if n.endswith("/integrators-guide.md"))
            return packed.read(name).decode("utf-8")
    with tarfile.open(archive) as packed:
        member = next(m for m in packed.getmembers() if m.name.endswith("/integrators-guide.md"))
        return packed.extractfile(member).read().decode("utf-8")


def recipes(guide):
    """(name, language, text) of every named code block, in the guide's order."""
    found = []
    pattern = re.compile(r"^```(\w*) recipe=(\S+)\n(.*?)^```$", re.S | re.M)
    for match in pattern.finditer(guide):
        found.append((match.group(2), match.group(1), match.group(3)))
    names = [name for name, _, _ in found]
    if len(set(names)) != len(names):
        sys.exit("the guide names a recipe twice: %s" % names)
    return found


def run(command, folder, env=None):
    print("+ " + command, flush=True)
    subprocess.run(["bash", "-euo", "pipefail", "-c", command], cwd=folder, env=env, check=True)


def run_shell_recipe(text, folder, windows):
    for line in text.splitlines():
        if not line.strip():
            continue
        if windows and re.match(r"^\S+\.exe(\s|$)", line):
            line = "wine " + line
        run(line, folder)


def check_msvc_line(text, folder):
    """Compiles the host as the `cl` line says, with clang-cl in MSVC mode."""
    words = text.split()
    if words[:1] != ["cl"] or "/link" not in words:
        sys.exit("unexpected MSVC recipe: " + text)
    include = words[words.index("/I") + 1].replace("\\", "/")
    library = words[words.index("/link") + 1].replace("\\", "/")
    for path in (include, library):
        if not os.path.exists(os.path.join(folder, path)):
            sys.exit("the MSVC recipe names %s, which the tree lacks" % path)
    sources = [w for w in words[1 : words.index("/link")] if w.endswith(".c")]
    # Without Microsoft's C library headers, the few C library calls the host
    # makes are declared here; everything of OrvaneLib comes from the tree.
    stubs = os.path.join(folder, "msvc-stubs")
    os.makedirs(stubs, exist_ok=True)
    with open(os.path.join(stubs, "stdio.h"), "w") as stdio:
        stdio.write("typedef struct _iobuf FILE;\nextern FILE* stderr;\nint printf(const char*, ...);\n"
                    "int fprintf(FILE*, const char*, ...);\nint putchar(int);\n")
    with open(os.path.join(stubs, "stdlib.h"), "w") as stdlib:
        stdlib.write("#define EXIT_SUCCESS 0\n#define EXIT_FAILURE 1\n")
    run(
        "%s --target=i686-pc-windows-msvc /c /W4 /WX /X -imsvc msvc-stubs /I %s -- %s"
        % (CLANG_CL, include, " ".join(sources)),
        folder,
    )


# The C types of the export list and the declarations that fit them.
CSHARP_RESULTS = {
    "int32_t": {"int"},
    "uint32_t": {"uint"},
    "OrvaneBool": {"bool", "byte"},
}
CSHARP_PARAMETERS = {
    "int32_t": {"int"},
    "uint32_t": {"uint"},
    "const char*": {"string"},
    "int32_t*": {"out int", "ref int", "[Out] int[]", "int[]"},
    "uint32_t*": {"out uint", "ref uint"},
    "uint16_t*": {"[Out] char[]", "char[]", "ushort[]", "[Out] ushort[]"},
    "OrvaneRuleReading*": {"ref OrvaneRuleReading"},
}
CTYPES = {
    "int32_t": {"ctypes.c_int32", "ctypes.c_int"},
    "uint32_t": {"ctypes.c_uint32", "ctypes.c_uint"},
    "OrvaneBool": {"ctypes.c_uint8", "ctypes.c_ubyte", "ctypes.c_bool"},
    "const char*": {"ctypes.c_char_p"},
    "int32_t*": {"ctypes.POINTER(ctypes.c_int32)"},
    "uint32_t*": {"ctypes.POINTER(ctypes.c_uint32)"},
    "uint16_t*": {"ctypes.POINTER(ctypes.c_uint16)"},
    "OrvaneRuleReading*": {"ctypes.POINTER(OrvaneRuleReading)"},
}
# The field types of the header's records, as each language declares them.
CSHARP_FIELDS = {"int32_t": "int", "uint32_t": "uint"}
CTYPES_FIELDS = {"int32_t": "ctypes.c_int32", "uint32_t": "ctypes.c_uint32"}


def exports_of(tree):
    """{decorated name: (result type, [parameter types])} from the Windows tree:
    the names from its .def file, the types from its header as a compiler sees it."""
    names = set()
    with open(os.path.join(tree, "lib", "OrvaneLib.def")) as definitions:
        for line in definitions:
            match = re.match(r"\s*(_\w+@\d+)", line)
            if match:
                names.add(match.group(1))
    header = subprocess.run(
        ["cc", "-E", "-P", "-I", os.path.join(tree, "include"), "-x", "c", "-"],
        input='#include "OrvaneLib.h"\n', capture_output=True, text=True, check=True,
    ).stdout
    header = re.sub(r"\s+", " ", header)
    declared = {}
    for result, name, parameters in re.findall(r"\b(int32_t|uint32_t|OrvaneBool) (\w+)\(([^()]*)\);", header):
        types = []
        for parameter in parameters.split(","):
            parameter = parameter.strip()
            if parameter in ("", "void"):
                continue
            types.append(re.sub(r"\s*\*", "*", re.sub(r"\s+\w+$", "", parameter)))
        declared["_%s@%d" % (name, 4 * len(types))] = (result, types)
    missing = names - set(declared)
    if missing:
        sys.exit("exports of the .def file with no declaration of that size in the header: %s" % sorted(missing))
    records = {}
    for body, name in re.findall(r"typedef struct \w+ \{([^{}]*)\} (\w+);", header):
        records[name] = re.findall(r"\b(u?int32_t) (\w+);", body)
    return {name: declared[name] for name in names}, records


def check_record_fields(language, name, declared, records, field_types):
    """The record's fields in the header's order and types."""
    expected = [(field_types[c_type], field) for c_type, field in records.get(name, [])]
    if not expected or [(t, f.lower()) for t, f in declared] != [(t, f.lower()) for t, f in expected]:
        sys.exit("%s: %s declares %s, the header %s" % (language, name, declared, expected))


def check_csharp(text, exports, records):
    for name, body in re.findall(r"public struct (\w+)\s*\{([^{}]*)\}", text):
        check_record_fields("C#", name, re.findall(r"public (\w+) (\w+);", body), records, CSHARP_FIELDS)
    pattern = re.compile(
        r'EntryPoint = "([^"]+)".*?\)\]\s*(\[return: MarshalAs\(UnmanagedType\.U1\)\]\s*)?'
        r"public static extern (\w+) \w+\(([^)]*)\);",
        re.S,
    )
    checked = 0
    for entry, u1, result, parameters in pattern.findall(text):
        if entry not in exports:
            sys.exit("C#: %s is not exported" % entry)
        c_result, c_parameters = exports[entry]
        if result not in CSHARP_RESULTS[c_result] or (result == "bool" and not u1):
            sys.exit("C#: %s returns %s, declared %s%s" % (entry, c_result, result, "" if u1 else " without U1"))
        declared = [re.sub(r"\s+\w+$", "", p.strip()) for p in parameters.split(",") if p.strip()]
        if len(declared) != len(c_parameters):
            sys.exit("C#: %s takes %d arguments, declared %d" % (entry, len(c_parameters), len(declared)))
        for c_type, cs_type in zip(c_parameters, declared):
            if cs_type not in CSHARP_PARAMETERS[c_type]:
                sys.exit("C#: %s: %s declared as %s" % (entry, c_type, cs_type))
        checked += 1
    if checked != len(re.findall(r"EntryPoint", text)) or checked == 0:
        sys.exit("C#: some declarations could not be read")
    print("C#: %d declarations match the export list" % checked)


def check_windows_ctypes(text, exports, records):
    for name, body in re.findall(r"^class (\w+)\(ctypes\.Structure\):.*?_fields_ = \[(.*?)\]\n", text, re.S | re.M):
        fields = [(t, f) for f, t in re.findall(r'\("(\w+)", (ctypes\.\w+)\)', body)]
        check_record_fields("ctypes", name, fields, records, CTYPES_FIELDS)
    variables = dict(re.findall(r'^(\w+) = getattr\(lib, "([^"]+)"\)', text, re.M))
    if "ctypes.WinDLL(" not in text or not variables:
        sys.exit("the Windows ctypes recipe must open the library with WinDLL and fetch decorated names")
    for variable, entry in variables.items():
        if entry not in exports:
            sys.exit("ctypes: %s is not exported" % entry)
        c_result, c_parameters = exports[entry]
        argtypes = re.search(r"^%s\.argtypes = \[(.*)\]$" % variable, text, re.M)
        restype = re.search(r"^%s\.restype = (\S+)" % variable, text, re.M)
        if not argtypes or not restype:
            sys.exit("ctypes: %s lacks argtypes or restype" % entry)
        declared = [t.strip() for t in re.split(r",(?![^(]*\))", argtypes.group(1)) if t.strip()]
        if len(declared) != len(c_parameters) or any(
            d not in CTYPES[c] for c, d in zip(c_parameters, declared)
        ):
            sys.exit("ctypes: %s takes %s, declared %s" % (entry, c_parameters, declared))
        if restype.group(1) not in CTYPES[c_result]:
            sys.exit("ctypes: %s returns %s, declared %s" % (entry, c_result, restype.group(1)))
    print("ctypes (Windows): %d functions match the export list" % len(variables))


def run_platform(dist, version, platform):
    suffix, extension = PLATFORMS[platform]
    archives = [
        os.path.join(dist, "OrvaneLib-%s-%s%s" % (version, suffix, extension)),
        os.path.join(dist, "OrvaneLib-simulator-%s-%s%s" % (version, suffix, extension)),
    ]
    guide = guide_of(archives[0])
    folder = tempfile.mkdtemp(prefix="orvane-%s-" % platform)
    try:
        for archive in archives:
            shutil.copy(archive, folder)
        ran = 0
        for name, language, text in recipes(guide):
            text = text.replace("<version>", version)
            if "." in name and not name.startswith(("linux-", "windows-")):
                with open(os.path.join(folder, name), "w") as source:
                    source.write(text)
                continue
            if not name.startswith(platform + "-"):
                continue
            print("=== %s: %s" % (platform, name), flush=True)
            if name == "windows-msvc":
                check_msvc_line(text, folder)
            else:
                run_shell_recipe(text, folder, platform == "windows")
            ran += 1
        if platform == "windows":
            exports, records = exports_of(os.path.join(folder, "OrvaneLib-%s-%s" % (version, suffix)))
            check_csharp(dict((n, t) for n, _, t in recipes(guide))["Orvane.cs"], exports, records)
            check_windows_ctypes(dict((n, t) for n, _, t in recipes(guide))["orvane_windows.py"], exports, records)
        if ran == 0:
            sys.exit("the guide has no %s recipes" % platform)
        print("%s: %d recipes ran from the unpacked archives" % (platform, ran))
    finally:
        shutil.rmtree(folder)


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    dist, version = sys.argv[1], sys.argv[2]
    for platform in sys.argv[3:]:
        if platform not in PLATFORMS:
            sys.exit("unknown platform: " + platform)
        run_platform(os.path.abspath(dist), version, platform)


if __name__ == "__main__":
    main()
