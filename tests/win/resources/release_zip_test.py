#!/usr/bin/env python3
"""Makes the release zip with CPack into a folder of its own and checks what a technician gets out of it."""
import argparse
import re
import shutil
import subprocess
import sys
import zipfile
from pathlib import Path

TOP = "orvane-0.64-win64"

# DLLs every Windows installation has. Anything else (the compiler's runtime above all) would have to
# travel with the program, and the zip holds none.
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "ws2_32.dll", "iphlpapi.dll", "setupapi.dll",
    "advapi32.dll", "msvcrt.dll", "ntdll.dll", "comctl32.dll", "comdlg32.dll", "shell32.dll",
    "shlwapi.dll", "ole32.dll", "oleaut32.dll", "imm32.dll", "version.dll", "cfgmgr32.dll",
}
SYSTEM_DLL_PATTERN = re.compile(r"api-ms-win-crt-[a-z0-9-]+\.dll")

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
