#!/usr/bin/env python3
"""sandloop.scr's manifest and the window classes its windows need, read
from the built program (its resources), not from the sources.

  manifest.py manifest SANDLOOP_SCR
      The manifest (RT_MANIFEST, id 1) asks for version 6 of the common
      controls (Microsoft.Windows.Common-Controls 6.0.0.0, public key token
      6595b64144ccf1df, any language, any or the program's architecture)
      and for per-monitor DPI awareness: dpiAware "true/pm", dpiAwareness
      "PerMonitorV2, PerMonitor".

  manifest.py classes SANDLOOP_SCR SOURCE_ROOT
      Every window class the program's dialog templates (RT_DIALOG) name,
      and every class that the code under settings/dialog/win32,
      kit/ddraw/win32 and shell/win32 passes to CreateWindow(Ex), is one
      that the system or the program itself provides: USER's own controls,
      the common controls of the version the manifest asks for (5.82
      without a dependency: no SysLink), or a class the program registers.

Windows looks window classes up without regard to case, and so do these
checks. Exit status 0 when every check holds, 1 otherwise.
"""

import pathlib
import re
import struct
import sys
import xml.etree.ElementTree as ET

RT_DIALOG = 5
RT_MANIFEST = 24

# The classes of USER itself; a dialog template names the first six by
# number (0x0080 to 0x0085).
USER_CLASSES = ["Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox"]
# Version 5.82 of the common controls: what a program gets without asking
# for a version in its manifest.
COMCTL_V5_CLASSES = [
    "msctls_trackbar32", "msctls_updown32", "msctls_progress32", "msctls_hotkey32",
    "msctls_statusbar32", "SysTabControl32", "SysListView32", "SysTreeView32",
    "SysHeader32", "SysAnimate32", "SysDateTimePick32", "SysMonthCal32",
    "SysIPAddress32", "SysPager", "ToolbarWindow32", "ReBarWindow32",
    "ComboBoxEx32", "tooltips_class32", "NativeFontCtl",
]
# Version 6 adds SysLink.
COMCTL_V6_CLASSES = COMCTL_V5_CLASSES + ["SysLink"]
# The class-name macros of commctrl.h and windowsx.h that code may pass.
CLASS_MACROS = {
    "WC_BUTTON": "Button", "WC_EDIT": "Edit", "WC_STATIC": "Static",
    "WC_LISTBOX": "ListBox", "WC_SCROLLBAR": "ScrollBar", "WC_COMBOBOX": "ComboBox",
    "WC_LINK": "SysLink", "WC_TABCONTROL": "SysTabControl32", "WC_LISTVIEW": "SysListView32",
    "WC_TREEVIEW": "SysTreeView32", "WC_HEADER": "SysHeader32", "WC_COMBOBOXEX": "ComboBoxEx32",
    "WC_IPADDRESS": "SysIPAddress32", "WC_PAGESCROLLER": "SysPager", "WC_NATIVEFONTCTL": "NativeFontCtl",
    "TRACKBAR_CLASS": "msctls_trackbar32", "UPDOWN_CLASS": "msctls_updown32",
    "PROGRESS_CLASS": "msctls_progress32", "HOTKEY_CLASS": "msctls_hotkey32",
    "STATUSCLASSNAME": "msctls_statusbar32", "TOOLTIPS_CLASS": "tooltips_class32",
    "TOOLBARCLASSNAME": "ToolbarWindow32", "REBARCLASSNAME": "ReBarWindow32",
    "ANIMATE_CLASS": "SysAnimate32", "DATETIMEPICK_CLASS": "SysDateTimePick32",
    "MONTHCAL_CLASS": "SysMonthCal32",
}
CODE_FOLDERS = ["settings/dialog/win32", "kit/ddraw/win32", "shell/win32"]
MACHINES = {0x8664: "amd64", 0x014C: "x86", 0xAA64: "arm64"}

failures = 0


def check(what, holds, detail=""):
    global failures
    print(("PASS: " if holds else "FAIL: ") + what + ("" if holds or not detail else f" ({detail})"))
    if not holds:
        failures += 1
    return holds


# --- The program's resources -------------------------------------------------

class Image:
    """A PE file's machine and resources: {(type, name): data}, where a type
    or a name is a number or an upper-case string."""

    def __init__(self, path):
        self.data = pathlib.Path(path).read_bytes()
        d = self.data
        if d[:2] != b"MZ":
            raise ValueError("not a program (no MZ header)")
        pe = struct.unpack_from("<I", d, 0x3C)[0]
        if d[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE program")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", d, pe + 4)
        optional = pe + 24
        magic = struct.unpack_from("<H", d, optional)[0]
        directories = optional + {0x10B: 96, 0x20B: 112}[magic]
        resource_rva, _ = struct.unpack_from("<II", d, directories + 2 * 8)
        self.sections = []
        for i in range(sections):
            base = optional + optional_size + 40 * i
            virtual_size, rva, raw_size, raw_offset = struct.unpack_from("<IIII", d, base + 8)
            self.sections.append((rva, max(virtual_size, raw_size), raw_offset))
        self.resources = {}
        if resource_rva:
            self.root = self.offset(resource_rva)
            for type_key, type_dir in self.entries(self.root):
                for name_key, name_dir in self.entries(type_dir):
                    for _, leaf in self.entries(name_dir):
                        rva, size = struct.unpack_from("<II", d, leaf)
                        self.resources[(type_key, name_key)] = d[self.offset(rva):self.offset(rva) + size]
                        break  # the first language

    def offset(self, rva):
        for start, size, raw in self.sections:
            if start <= rva < start + size:
                return rva - start + raw
        raise ValueError(f"address {rva:#x} is in no section")

    def entries(self, directory):
        named, numbered = struct.unpack_from("<HH", self.data, directory + 12)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * i)
            if name & 0x80000000:
                at = self.root + (name & 0x7FFFFFFF)
                length = struct.unpack_from("<H", self.data, at)[0]
                key = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le").upper()
            else:
                key = name
            yield key, self.root + (target & 0x7FFFFFFF)


# --- The manifest ------------------------------------------------------------

ASM = "{urn:schemas-microsoft-com:asm.v1}"
WS2005 = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
WS2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"


def read_manifest(image):
    data = image.resources.get((RT_MANIFEST, 1))
    if not check("sandloop.scr has a manifest (RT_MANIFEST, id 1)", data is not None):
        return None
    try:
        return ET.fromstring(data)
    except ET.ParseError as e:
        check("the manifest is well-formed XML", False, str(e))
        return None


def common_controls(manifest):
    """The assemblyIdentity of the manifest's Common-Controls dependency, or None."""
    for identity in manifest.iterfind(f"{ASM}dependency/{ASM}dependentAssembly/{ASM}assemblyIdentity"):
        if identity.get("name", "").lower() == "microsoft.windows.common-controls":
            return identity
    return None


def comctl_version(manifest):
    """The major version of the common controls that the manifest gets the
    program: 6 with a version-6 dependency, else 5 (5.82)."""
    identity = common_controls(manifest) if manifest is not None else None
    # A dependency on another publisher's assembly is not the system's.
    if identity is None or identity.get("publicKeyToken", "").lower() != "6595b64144ccf1df":
        return 5
    major = identity.get("version", "").split(".")[0]
    return int(major) if major.isdigit() else 5


def check_manifest(image):
    manifest = read_manifest(image)
    if manifest is None:
        return
    machine = MACHINES.get(image.machine, f"{image.machine:#x}")
    own = manifest.find(f"{ASM}assemblyIdentity")
    check(f"the program's own identity is for its machine ({machine})",
          own is not None and own.get("processorArchitecture", "").lower() == machine,
          None if own is None else own.get("processorArchitecture"))

    identity = common_controls(manifest)
    if check("it depends on Microsoft.Windows.Common-Controls", identity is not None):
        attrs = identity.attrib
        check("  of version 6.0.0.0", attrs.get("version") == "6.0.0.0", attrs.get("version"))
        check("  with public key token 6595b64144ccf1df",
              attrs.get("publicKeyToken", "").lower() == "6595b64144ccf1df", attrs.get("publicKeyToken"))
        check(f"  for any architecture or {machine}",
              attrs.get("processorArchitecture", "").lower() in ("*", machine), attrs.get("processorArchitecture"))
        check("  in any language", attrs.get("language") == "*", attrs.get("language"))
        check("  a win32 assembly", attrs.get("type", "").lower() == "win32", attrs.get("type"))

    settings = manifest.find(f"{ASM.replace('v1', 'v3')}application/{ASM.replace('v1', 'v3')}windowsSettings")
    aware = settings.find(f"{WS2005}dpiAware") if settings is not None else None
    awareness = settings.find(f"{WS2016}dpiAwareness") if settings is not None else None
    aware_text = (aware.text or "").strip().lower() if aware is not None else None
    check("dpiAware is true/pm (per monitor from Windows 8.1)", aware_text == "true/pm", aware_text)
    modes = [m.strip().lower() for m in (awareness.text or "").split(",")] if awareness is not None else None
    check("dpiAwareness is PerMonitorV2, else PerMonitor (Windows 10 1607 and later)",
          modes == ["permonitorv2", "permonitor"], modes)


# --- The window classes ------------------------------------------------------

ORDINAL_CLASSES = {0x80 + i: name for i, name in enumerate(USER_CLASSES)}


def dialog_classes(template):
    """The window classes of one dialog template (DLGTEMPLATE or
    DLGTEMPLATEEX): the dialog's own class, when it names one, and its
    controls'."""
    at = 0

    def word():
        nonlocal at
        value = struct.unpack_from("<H", template, at)[0]
        at += 2
        return value

    def string():
        nonlocal at
        end = at
        while template[end:end + 2] != b"\0\0":
            end += 2
        text = template[at:end].decode("utf-16-le")
        at = end + 2
        return text

    def name_or_number():
        first = struct.unpack_from("<H", template, at)[0]
        if first == 0xFFFF:
            word()
            return word()
        if first == 0:
            word()
            return None
        return string()

    extended = template[2:4] == b"\xff\xff"
    if extended:
        _, _, _, _, style, count = struct.unpack_from("<HHIIIH", template, 0)
        at = 18 + 8
    else:
        style, _, count = struct.unpack_from("<IIH", template, 0)
        at = 10 + 8
    classes = []
    name_or_number()  # menu
    own = name_or_number()
    if own is not None:
        classes.append(own)
    string()  # title
    if style & 0x40:  # DS_SETFONT: size, then (extended) weight, italic and character set, then the face
        at += 6 if extended else 2
        string()
    for _ in range(count):
        at = (at + 3) & ~3
        at += 24 if extended else 18  # help id, styles, position, size, id
        kind = name_or_number()
        classes.append(ORDINAL_CLASSES.get(kind, f"#{kind}") if isinstance(kind, int) else kind)
        name_or_number()  # title
        extra = word()
        at += extra
    return classes


def split_arguments(text, start):
    """The top-level arguments of the call whose '(' is at text[start]."""
    depth, args, current, i = 0, [], "", start
    while i < len(text):
        c = text[i]
        if c == '"':
            end = i + 1
            while text[end] != '"':
                end += 2 if text[end] == "\\" else 1
            current += text[i:end + 1]
            i = end + 1
            continue
        if c in "([{":
            depth += 1
            if depth == 1:
                i += 1
                continue
        elif c in ")]}":
            depth -= 1
            if depth == 0:
                args.append(current.strip())
                return args
        elif c == "," and depth == 1:
            args.append(current.strip())
            current = ""
            i += 1
            continue
        current += c
        i += 1
    return args


def strip_comments(text):
    text = re.sub(r"/\*.*?\*/", " ", text, flags=re.S)
    return re.sub(r"//[^\n]*", "", text)


def code_classes(root):
    """Every class that the code passes to CreateWindow(Ex), as (where,
    class, own): own when the program registers that class itself."""
    sources = {}
    for folder in CODE_FOLDERS:
        for path in sorted((root / folder).glob("*")):
            if path.suffix in (".cpp", ".h", ".c"):
                sources[path] = strip_comments(path.read_text(encoding="utf-8", errors="replace"))
    text = "\n".join(sources.values())
    constants = dict(re.findall(r"\b(\w+)\s*\[\]\s*=\s*L?\"([^\"]*)\"", text))
    functions = dict(re.findall(r"\b(\w+)\s*\(\s*\)\s*\{\s*return\s+(\w+)\s*;\s*\}", text))
    # The program's own classes: the named strings of a file that registers
    # window classes.
    own = set()
    for source in sources.values():
        if re.search(r"\bRegisterClass(Ex)?[AW]?\s*\(", source):
            own.update(value.lower() for name, value in re.findall(r"\b(\w+)\s*\[\]\s*=\s*L?\"([^\"]*)\"", source)
                       if re.search(rf"\b{name}\b(?!\s*\[\])", source))
    found = []
    for path, source in sources.items():
        for call in re.finditer(r"\bCreateWindow(Ex)?[AW]?\s*\(", source):
            args = split_arguments(source, call.end() - 1)
            where = f"{path.relative_to(root)}:{source.count(chr(10), 0, call.start()) + 1}"
            argument = args[1 if call.group(1) else 0] if len(args) > 1 else ""
            found.append((where, resolve_class(argument, constants, functions), own))
    return found


def resolve_class(argument, constants, functions):
    """The class name that a CreateWindow(Ex) argument stands for, or None."""
    literal = re.fullmatch(r"L?\"([^\"]*)\"", argument)
    if literal:
        return literal.group(1)
    call = re.fullmatch(r"(\w+)\s*\(\s*\)", argument)
    name = functions.get(call.group(1)) if call else argument
    if name in CLASS_MACROS:
        return CLASS_MACROS[name]
    if name and name.endswith(("W", "A")) and name[:-1] in CLASS_MACROS:
        return CLASS_MACROS[name[:-1]]
    return constants.get(name)


def rc_control_classes(root):
    """The class names of the CONTROL statements in the sources' resource
    scripts, and the number of dialog templates there."""
    classes, dialogs = set(), 0
    for folder in CODE_FOLDERS:
        for path in sorted((root / folder).glob("*.rc")):
            text = strip_comments(path.read_text(encoding="utf-8", errors="replace"))
            dialogs += len(re.findall(r"^\s*\w+\s+DIALOG(EX)?\b", text, flags=re.M))
            classes.update(re.findall(r"\bCONTROL\s+\"[^\"]*\"\s*,\s*[^,]+,\s*\"([^\"]+)\"", text))
    return classes, dialogs


def check_classes(image, root):
    manifest = image.resources.get((RT_MANIFEST, 1))
    version = comctl_version(ET.fromstring(manifest) if manifest else None)
    provided = {c.lower(): "USER" for c in USER_CLASSES}
    for c in (COMCTL_V6_CLASSES if version >= 6 else COMCTL_V5_CLASSES):
        provided[c.lower()] = f"common controls {version}"
    print(f"the manifest gets the program version {version} of the common controls")

    templates = {name: data for (kind, name), data in image.resources.items() if kind == RT_DIALOG}
    rc_classes, rc_dialogs = rc_control_classes(root)
    check(f"sandloop.scr holds the {rc_dialogs} dialog templates of the resource scripts",
          rc_dialogs > 0 and len(templates) >= rc_dialogs, f"it holds {len(templates)}")
    used = set()
    for name, data in sorted(templates.items(), key=lambda item: str(item[0])):
        try:
            classes = dialog_classes(data)
        except (struct.error, IndexError) as e:
            check(f"dialog {name} can be read", False, str(e))
            continue
        check(f"dialog {name} has controls", len(classes) > 0)
        # Resource compilers may spell a class in upper case.
        for c in sorted({c.lower(): c for c in classes}.values(), key=str.lower):
            used.add(c.lower())
            check(f"dialog {name}: {c} is provided", c.lower() in provided,
                  f"not by USER nor by version {version} of the common controls")
    missing = sorted(c for c in rc_classes if c.lower() not in used)
    check("every CONTROL class of the resource scripts is in the program's templates", not missing,
          ", ".join(missing))

    calls = code_classes(root)
    for where, c, own in calls:
        if c is None:
            check(f"{where}: CreateWindow(Ex) names a class this check can tell", False)
        elif c.lower() in own:
            check(f"{where}: {c} is the program's own class", True)
        else:
            check(f"{where}: {c} is provided", c.lower() in provided,
                  f"not by USER, nor by version {version} of the common controls, nor registered by the program")
    check("the code's CreateWindow(Ex) calls are found", len(calls) > 0)


def main(argv):
    if len(argv) < 3 or argv[1] not in ("manifest", "classes") or (argv[1] == "classes") != (len(argv) == 4):
        print(__doc__)
        return 2
    try:
        image = Image(argv[2])
    except (OSError, ValueError, KeyError, struct.error) as e:
        print(f"FAIL: cannot read {argv[2]}: {e}")
        return 1
    if argv[1] == "manifest":
        check_manifest(image)
    else:
        check_classes(image, pathlib.Path(argv[3]))
    print(f"{argv[1]}: " + ("all checks passed" if failures == 0 else f"{failures} check(s) failed"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
