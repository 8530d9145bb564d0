#!/usr/bin/env python3
"""Makes the release zip with CPack into a folder of its own and checks what a technician gets out of it."""
import argparse
import re
import shutil
import struct
import subprocess
import sys
import zipfile
from pathlib import Path
from xml.etree import ElementTree

TOP = "orvane-0.64-win64"

# DLLs every Windows installation has. Anything else (the compiler's runtime above all) would have to
# travel with the program, and the zip holds none.
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "ws2_32.dll", "iphlpapi.dll", "setupapi.dll",
    "advapi32.dll", "msvcrt.dll", "ntdll.dll", "comctl32.dll", "comdlg32.dll", "shell32.dll",
    "shlwapi.dll", "ole32.dll", "oleaut32.dll", "imm32.dll", "version.dll", "cfgmgr32.dll",
}
SYSTEM_DLL_PATTERN = re.compile(r"api-ms-win-crt-[a-z0-9-]+\.dll")

RT_VERSION = 16
RT_MANIFEST = 24

# What Windows reads from the manifest, by namespace: an element in another namespace is ignored.
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPATIBILITY = "{urn:schemas-microsoft-com:compatibility.v1}"
WINDOWS_SETTINGS_2005 = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
SUPPORTED_OS = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10 and 11",
}

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def foreign_dlls(dlls):
    return [d for d in dlls if d.lower() not in SYSTEM_DLLS and not SYSTEM_DLL_PATTERN.fullmatch(d.lower())]


def imports_of(objdump, exe):
    out = subprocess.run([objdump, "-p", str(exe)], check=True, capture_output=True, text=True).stdout
    return re.findall(r"^\s*DLL Name:\s*(\S+)\s*$", out, re.MULTILINE)


def check_program(objdump, exe):
    dlls = imports_of(objdump, exe)
    # An empty list would mean the output was not understood, not that the program imports nothing.
    check(any(d.lower() == "kernel32.dll" for d in dlls), f"orvane.exe: no KERNEL32.dll among imports {dlls}")
    foreign = foreign_dlls(dlls)
    check(not foreign, f"orvane.exe imports DLLs that are not part of Windows: {foreign}")

    sections = subprocess.run([objdump, "-h", str(exe)], check=True, capture_output=True, text=True).stdout
    check(".debug_" not in sections, "orvane.exe still has debug sections")
    symbols = subprocess.run([objdump, "-t", str(exe)], check=True, capture_output=True, text=True).stdout
    check("no symbols" in symbols, "orvane.exe still has a symbol table")
    check(".rsrc" in sections, "orvane.exe has no resources")
    resources = pe_resources(exe.read_bytes())
    check_version(resources)
    check_manifest(resources)


def pe_resources(image):
    """The resources of a PE file as {(type, id): data}, the first language of each; {} when there are none."""
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        return {}
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    table = pe + 24 + optional_size
    for i in range(sections):
        name, size, rva, raw_size, raw = struct.unpack_from("<8sIIII", image, table + 40 * i)
        if name.rstrip(b"\0") == b".rsrc":
            break
    else:
        return {}

    def entries(offset):
        named, ids = struct.unpack_from("<HH", image, raw + offset + 12)
        for n in range(named + ids):
            yield struct.unpack_from("<II", image, raw + offset + 16 + 8 * n)

    found = {}
    for rtype, types in entries(0):
        for rid, names in entries(types & 0x7FFFFFFF):
            if not names & 0x80000000:
                continue
            _, leaf = next(entries(names & 0x7FFFFFFF))
            data_rva, data_size = struct.unpack_from("<II", image, raw + leaf)
            start = raw + data_rva - rva
            found[(rtype, rid)] = image[start:start + data_size]
    return found


def check_version(resources):
    block = resources.get((RT_VERSION, 1))
    if not check(block is not None, "orvane.exe has no version resource"):
        return
    key = "VS_VERSION_INFO".encode("utf-16-le")
    check(block[6:6 + len(key)] == key, "orvane.exe's version resource is not a VS_VERSION_INFO block")
    fixed = block.find(struct.pack("<I", 0xFEEF04BD))
    check(fixed > 0 and struct.unpack_from("<I", block, fixed + 8)[0] == 64,
          "orvane.exe's version resource does not carry file version 0.64")


def check_manifest(resources):
    raw = resources.get((RT_MANIFEST, 1))
    if not check(raw is not None, "orvane.exe has no application manifest (resource 1 of type 24)"):
        return
    try:
        root = ElementTree.fromstring(raw)
    except ElementTree.ParseError as error:
        check(False, f"orvane.exe's manifest is not well-formed XML: {error}")
        return
    check(root.tag == ASM_V1 + "assembly", f"the manifest's root is {root.tag}")
    identity = root.find(ASM_V1 + "assemblyIdentity")
    check(identity is not None and identity.get("version") == "0.64.0.0" and identity.get("type") == "win32",
          "the manifest's assemblyIdentity is not win32 version 0.64.0.0")
    levels = [e.get("level") for e in root.iter(ASM_V3 + "requestedExecutionLevel")]
    check(levels == ["asInvoker"], f"the manifest asks for execution levels {levels}, not asInvoker")
    systems = {e.get("Id") for e in root.iter(COMPATIBILITY + "supportedOS")}
    check(systems == set(SUPPORTED_OS), f"the manifest's supportedOS ids are {sorted(systems)}")
    controls = [e for e in root.iter(ASM_V1 + "assemblyIdentity")
                if e.get("name") == "Microsoft.Windows.Common-Controls"]
    check(len(controls) == 1 and controls[0].get("version") == "6.0.0.0"
          and controls[0].get("publicKeyToken") == "6595b64144ccf1df",
          "the manifest does not depend on Common-Controls 6.0.0.0")
    settings = f"{ASM_V3}application/{ASM_V3}windowsSettings/"
    aware = [e.text for e in root.findall(settings + WINDOWS_SETTINGS_2005 + "dpiAware")]
    check(aware == ["true"], f"the manifest's dpiAware (SMI/2005 namespace) is {aware}, not true")


def check_readme(raw, address):
    check(raw.startswith(b"\xef\xbb\xbf"), "README.txt does not start with a UTF-8 byte order mark")
    check(b"\n" in raw and raw.count(b"\n") == raw.count(b"\r\n") and raw.count(b"\r") == raw.count(b"\r\n"),
          "README.txt has line ends other than CRLF")
    try:
        text = raw[3:].decode("utf-8")
    except UnicodeDecodeError as error:
        check(False, f"README.txt is not UTF-8: {error}")
        return
    check("@" not in text, "README.txt has an unreplaced @VARIABLE@")
    check(text.startswith("Orvane 0.64 "), f"README.txt does not begin with the version: {text[:40]!r}")
    check(re.search(r"[\uac00-\ud7a3]", text) is not None, "README.txt has no Korean text")
    check("What it does" in text, "README.txt has no English text")
    check(f"AP at {address}." in text, f"README.txt does not say the zip is for the AP at {address}")
    check(f"주소 {address} 용" in text, f"README.txt's Korean part does not name the address {address}")
    check("ORVANE_AP_ADDRESS" in text, "README.txt does not say how to build for another address")


def main():
    parser = argparse.ArgumentParser()
    for option in ("--cpack", "--config", "--objdump", "--out", "--address"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()

    out = Path(args.out)
    shutil.rmtree(out, ignore_errors=True)
    made = subprocess.run([args.cpack, "--config", args.config, "-B", str(out)], capture_output=True, text=True)
    if made.returncode != 0:
        print(made.stdout + made.stderr)
        print("FAIL: cpack did not make the zip")
        return 1

    zip_path = out / f"{TOP}.zip"
    if not check(zip_path.is_file(), f"no {zip_path.name} in {[p.name for p in out.iterdir()]}"):
        print("\n".join("FAIL: " + f for f in failures))
        return 1

    with zipfile.ZipFile(zip_path) as archive:
        files = sorted(n for n in archive.namelist() if not n.endswith("/"))
        check(files == [f"{TOP}/README.txt", f"{TOP}/orvane.exe"], f"the zip holds {files}")
        if f"{TOP}/orvane.exe" in files:
            archive.extract(f"{TOP}/orvane.exe", out / "unpacked")
            check_program(args.objdump, out / "unpacked" / TOP / "orvane.exe")
        if f"{TOP}/README.txt" in files:
            check_readme(archive.read(f"{TOP}/README.txt"), args.address)

    for failure in failures:
        print("FAIL:", failure)
    if not failures:
        print(f"{zip_path.name}: {zip_path.stat().st_size} bytes, "
              f"orvane.exe {(out / 'unpacked' / TOP / 'orvane.exe').stat().st_size} bytes")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
