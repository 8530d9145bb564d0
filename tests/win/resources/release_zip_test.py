#!/usr/bin/env python3
"""Makes the release zip with CPack into a folder of its own and checks what a technician gets out of it:
unsigned as without a certificate, then signed with a throw-away self-signed code-signing certificate."""
import argparse
import os
import re
import shutil
import struct
import subprocess
import sys
import zipfile
from pathlib import Path
from xml.etree import ElementTree

# From --version (the project's): the zip's top folder, and the four numbers the version resource and the
# manifest carry, missing parts 0.
TOP = VERSION = NUMBERS = None

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


def certificate_table_size(image):
    """Size of the PE's Authenticode certificate table (data directory 4); 0 for an unsigned file."""
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    magic = struct.unpack_from("<H", image, pe + 24)[0]
    directories = pe + 24 + (112 if magic == 0x20B else 96)  # PE32+ or PE32
    return struct.unpack_from("<II", image, directories + 8 * 4)[1]


def check_version(resources, name="orvane.exe"):
    block = resources.get((RT_VERSION, 1))
    if not check(block is not None, f"{name} has no version resource"):
        return
    key = "VS_VERSION_INFO".encode("utf-16-le")
    check(block[6:6 + len(key)] == key, f"{name}'s version resource is not a VS_VERSION_INFO block")
    fixed = block.find(struct.pack("<I", 0xFEEF04BD))
    check(fixed > 0 and struct.unpack_from("<HH", block, fixed + 8) == (NUMBERS[1], NUMBERS[0]),
          f"{name}'s version resource does not carry file version {VERSION}")


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
    dotted = ".".join(map(str, NUMBERS))
    check(identity is not None and identity.get("version") == dotted and identity.get("type") == "win32",
          f"the manifest's assemblyIdentity is not win32 version {dotted}")
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
    check(text.startswith(f"Orvane {VERSION} "), f"README.txt does not begin with the version: {text[:40]!r}")
    check(re.search(r"[\uac00-\ud7a3]", text) is not None, "README.txt has no Korean text")
    check("What it does" in text, "README.txt has no English text")
    check(f"AP at {address}." in text, f"README.txt does not say the zip is for the AP at {address}")
    check(f"주소 {address} 용" in text, f"README.txt's Korean part does not name the address {address}")
    check("ORVANE_AP_ADDRESS" in text, "README.txt does not say how to build for another address")


def make_zip(args, out, env):
    """Runs CPack as the target orvane_zip does: the zip's path (None when it made none) and its output."""
    shutil.rmtree(out, ignore_errors=True)
    made = subprocess.run([args.cpack, "--config", args.config, "-B", str(out)],
                          capture_output=True, text=True, env=env)
    zip_path = out / f"{TOP}.zip"
    ok = made.returncode == 0 and zip_path.is_file()
    return (zip_path if ok else None), made.stdout + made.stderr


def made_zip(zip_path, output):
    if not check(zip_path is not None, "cpack did not make the zip"):
        print(output)
    return zip_path is not None


def without_certificate():
    return {k: v for k, v in os.environ.items() if not k.startswith("ORVANE_SIGN_")}


def throwaway_certificate(folder, password):
    """A self-signed code-signing certificate and its key as a PKCS#12 file; its PEM for verifying."""
    folder.mkdir(parents=True, exist_ok=True)
    key, cert, pfx = folder / "key.pem", folder / "cert.pem", folder / "cert.pfx"
    env = dict(os.environ, ORVANE_TEST_PFX_PASSWORD=password)
    secret = "env:ORVANE_TEST_PFX_PASSWORD"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-days", "2", "-keyout", str(key),
                    "-out", str(cert), "-passout", secret, "-subj", "/CN=Orvane release test",
                    "-addext", "extendedKeyUsage=codeSigning", "-addext", "keyUsage=critical,digitalSignature"],
                   check=True, capture_output=True, env=env)
    subprocess.run(["openssl", "pkcs12", "-export", "-inkey", str(key), "-in", str(cert), "-passin", secret,
                    "-passout", secret, "-out", str(pfx)], check=True, capture_output=True, env=env)
    return pfx, cert


def check_unsigned_zip(args, out):
    zip_path, output = make_zip(args, out, without_certificate())
    if not made_zip(zip_path, output):
        return
    with zipfile.ZipFile(zip_path) as archive:
        files = sorted(n for n in archive.namelist() if not n.endswith("/"))
        check(files == [f"{TOP}/README.txt", f"{TOP}/orvane.exe"], f"the zip holds {files}")
        if f"{TOP}/orvane.exe" in files:
            archive.extract(f"{TOP}/orvane.exe", out / "unpacked")
            exe = out / "unpacked" / TOP / "orvane.exe"
            check_program(args.objdump, exe)
            # Without a certificate the zip holds the stripped program itself.
            check(exe.read_bytes() == Path(args.exe).read_bytes(),
                  "the unsigned zip's orvane.exe differs from the stripped program")
            check(certificate_table_size(exe.read_bytes()) == 0, "the unsigned zip's orvane.exe has a signature")
        if f"{TOP}/README.txt" in files:
            check_readme(archive.read(f"{TOP}/README.txt"), args.address)
    print(f"{zip_path.name}: {zip_path.stat().st_size} bytes, "
          f"orvane.exe {Path(args.exe).stat().st_size} bytes")


def check_signed_zip(args, out):
    password = "throw-away pass 1"
    pfx, cert = throwaway_certificate(out / "certificate", password)
    # Never a time-stamping server: the test needs no network.
    env = dict(without_certificate(), ORVANE_SIGN_PFX=str(pfx), ORVANE_SIGN_PASSWORD=password)

    # A certificate that cannot be opened stops the packaging rather than zipping an unsigned program.
    refused, output = make_zip(args, out / "wrong-password", dict(env, ORVANE_SIGN_PASSWORD="not it"))
    check(refused is None, "cpack made a zip although the certificate's password was wrong")
    check("could not be signed" in output, f"no word of the failed signature in cpack's output: {output}")

    zip_path, output = make_zip(args, out / "signed", env)
    if not made_zip(zip_path, output):
        return
    with zipfile.ZipFile(zip_path) as archive:
        archive.extract(f"{TOP}/orvane.exe", out / "signed" / "unpacked")
    exe = out / "signed" / "unpacked" / TOP / "orvane.exe"
    image = exe.read_bytes()
    check(certificate_table_size(image) > 0, "the signed zip's orvane.exe has no certificate table")
    # The self-signed certificate is its own root: given as the trusted one, the whole chain verifies.
    verify = subprocess.run(["osslsigncode", "verify", "-in", str(exe), "-CAfile", str(cert), "-ignore-cdp"],
                            capture_output=True, text=True)
    report = verify.stdout + verify.stderr
    if not check(verify.returncode == 0 and "Signature verification: ok" in report,
                 "osslsigncode verify does not accept the signed orvane.exe"):
        print(report)
    check(re.search(r"Message digest algorithm\s*:\s*SHA256", report) is not None,
          "the signature's digest is not SHA-256")
    check(re.search(r"Subject:\s*/CN=Orvane release test", report) is not None,
          "the signature is not by the test certificate")
    resources = pe_resources(image)
    check_version(resources, "the signed orvane.exe")
    check_manifest(resources)
    print(f"{zip_path.name} signed: orvane.exe {len(image)} bytes, {certificate_table_size(image)} of them signature")


def main():
    parser = argparse.ArgumentParser()
    for option in ("--cpack", "--config", "--objdump", "--out", "--address", "--exe", "--version"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    global TOP, VERSION, NUMBERS
    VERSION, TOP = args.version, f"orvane-{args.version}-win64"
    NUMBERS = ([int(n) for n in VERSION.split(".")] + [0, 0, 0])[:4]

    out = Path(args.out)
    shutil.rmtree(out, ignore_errors=True)
    check_unsigned_zip(args, out / "unsigned")
    check_signed_zip(args, out)
    # The throw-away key goes with the run.
    shutil.rmtree(out / "certificate", ignore_errors=True)

    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
