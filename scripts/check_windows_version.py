#!/usr/bin/env python3
"""Checks that the shipped programs and the companion library ask for no newer
Windows than the README promises: the version fields of their PE headers, and
every function they import, against the functions known to exist in that
Windows version. Also reads the application manifest both programs carry:
UTF-8 as their code page, asInvoker, Windows Vista to 11 named, and no
common-controls version that would change their look.

Usage: check_windows_version.py BUILD_DIR PACKAGE DOCUMENT...   (PACKAGE: win64 or win32)
       check_windows_version.py --list FILE...   (prints what a file asks for)
Every DOCUMENT (the README, the user guide) must name the same Windows for the
package, as "`lumivane-VERSION-win64.zip` (... Windows Vista or later ...)".
"""
import re
import struct
import sys
import xml.etree.ElementTree as ElementTree
from pathlib import Path

SHIPPED = ("lumivane.exe", "lumivane-convert.exe", "Tessaline.dll")
PROGRAMS = ("lumivane.exe", "lumivane-convert.exe")

# The supportedOS ids of the application manifest, Windows Vista to Windows 10 and 11.
SUPPORTED_OS = {
    "e2011457-1546-43c5-a5fe-008deee3d3f0": "Windows Vista",
    "35138b9a-5d96-4fbd-8e2d-a2440225f93a": "Windows 7",
    "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38": "Windows 8",
    "1f676c76-80e1-4239-95bb-83d0f6d0da78": "Windows 8.1",
    "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a": "Windows 10 and 11",
}
RT_MANIFEST = 24

# Windows versions as the PE header writes them, by the names the README uses.
VERSIONS = {"Windows XP": (5, 1), "Windows Vista": (6, 0), "Windows 7": (6, 1)}
# 64-bit Windows XP is Windows Server 2003's kernel: version 5.2.
VERSIONS_64 = {"Windows XP": (5, 2), "Windows Vista": (6, 0), "Windows 7": (6, 1)}

# Every function the shipped files may import, by library, with the first
# Windows version that has it under that name: (5, 1) for anything Windows XP
# (and so 64-bit XP, 5.2) already has. A new import fails the check until its
# first version is looked up and added here.
_XP = (5, 1)
_VISTA = (6, 0)


def _since(version, names):
    return {name: version for name in names.split()}


ALLOWED = {
    "advapi32.dll": _since(_XP, "RegCloseKey RegCreateKeyExA RegDeleteKeyA RegDeleteValueA RegOpenKeyExA "
                                "RegQueryValueExA RegSetValueExA"),
    "comctl32.dll": _since(_XP, "ImageList_Add ImageList_Create ImageList_Destroy InitCommonControls "
                                "InitCommonControlsEx")
                    # By name only in comctl32 6 and in every comctl32 since Vista;
                    # Windows XP's comctl32 5.82 exports them by ordinal alone.
                    | _since(_VISTA, "DefSubclassProc RemoveWindowSubclass SetWindowSubclass"),
    "comdlg32.dll": _since(_XP, "CommDlgExtendedError GetOpenFileNameA GetSaveFileNameA"),
    "gdi32.dll": _since(_XP, "BitBlt CreateCompatibleBitmap CreateCompatibleDC CreateDIBSection CreateFontA "
                             "CreateSolidBrush DeleteDC DeleteObject GdiFlush GetDeviceCaps GetObjectA "
                             "GetStockObject SelectObject SetBkColor SetBkMode SetBrushOrgEx SetDCBrushColor "
                             "SetStretchBltMode SetTextColor StretchBlt StretchDIBits"),
    "kernel32.dll": _since(_XP, "AddVectoredExceptionHandler CloseHandle CreateEventA CreateFileA CreateFileW "
                                "CreateHardLinkW CreateProcessA CreateSemaphoreA DeleteCriticalSection DeleteFileA "
                                "DeleteFileW DisableThreadLibraryCalls DuplicateHandle EnterCriticalSection "
                                "FindClose FindFirstFileA FindFirstVolumeW FindNextFileA FindNextVolumeW "
                                "FindResourceA FindVolumeClose FormatMessageA FreeLibrary GetCurrentProcess "
                                "GetCurrentProcessId GetCurrentThread GetCurrentThreadId GetDiskFreeSpaceExW GetTickCount "
                                "GetExitCodeProcess GetFileAttributesA GetFileAttributesExA GetFileAttributesW GetFileInformationByHandle "
                                "GetFileSizeEx GetFileType GetFullPathNameW GetHandleInformation GetLastError "
                                "GetModuleFileNameA GetModuleHandleA GetModuleHandleExA GetModuleHandleW GetProcAddress "
                                "GetProcessAffinityMask GetStartupInfoA GetSystemTimeAsFileTime GetTempFileNameA "
                                "GetTempPathW GetThreadContext GetThreadPriority GetVolumeInformationW GlobalAlloc "
                                "GlobalFree GlobalLock GlobalSize GlobalUnlock InitializeCriticalSection "
                                "IsDBCSLeadByteEx IsDebuggerPresent LeaveCriticalSection LoadLibraryA LoadLibraryW "
                                "LoadResource LocalFree LockResource MoveFileExA MoveFileExW MulDiv "
                                "MultiByteToWideChar OpenProcess OutputDebugStringA RaiseException ReadFile "
                                "ReleaseSemaphore RemoveDirectoryW RemoveVectoredExceptionHandler ResetEvent "
                                "ResumeThread RtlCaptureContext RtlLookupFunctionEntry RtlUnwindEx RtlVirtualUnwind "
                                "SetEndOfFile SetEvent SetFileAttributesA SetFilePointer SetFilePointerEx SetLastError "
                                "SetProcessAffinityMask SetThreadContext SetThreadPriority SetUnhandledExceptionFilter "
                                "SizeofResource Sleep SuspendThread TlsAlloc TlsFree TlsGetValue TlsSetValue "
                                "TryEnterCriticalSection VirtualProtect VirtualQuery WaitForMultipleObjects "
                                "WaitForSingleObject WideCharToMultiByte WriteFile __C_specific_handler")
                    # The batch converter's console speaks the programs' code page.
                    | _since(_XP, "GetACP GetConsoleOutputCP SetConsoleOutputCP")
                    # The threads runtime's clock.
                    | _since(_VISTA, "GetTickCount64")
                    # A replace reaches the disk before it takes the target's place,
                    # renamed through its own handle, the path in the system's form.
                    | _since(_XP, "FlushFileBuffers AreFileApisANSI")
                    | _since(_VISTA, "SetFileInformationByHandle")
                    # The window's lists and the watch command follow their folders.
                    | _since(_XP, "CancelIo CreateThread FindCloseChangeNotification FindFirstChangeNotificationA "
                                  "FindNextChangeNotification GetDriveTypeA GetOverlappedResult "
                                  "ReadDirectoryChangesW SetConsoleCtrlHandler")
                    # The threads and clocks of the batch converter's parallel jobs and progress line.
                    | _since(_XP, "FileTimeToSystemTime GetModuleHandleExW GetProcessTimes GetSystemTimeAdjustment "
                                  "GetThreadTimes QueryPerformanceCounter QueryPerformanceFrequency SetSystemTime"),
    "msvcrt.dll": _since(_XP, "___lc_codepage_func ___mb_cur_max_func __getmainargs __initenv __iob_func "
                              "__mb_cur_max __p__acmdln __p__commode __p__fmode __set_app_type __setusermatherr "
                              "_acmdln _amsg_exit _beginthreadex _cexit _close _commode _endthreadex _errno _fdopen "
                              "_filelengthi64 _fileno _findclose _fmode _get_osfhandle _initterm _iob _lock "
                              "_lseeki64 _onexit _read _setjmp _setjmp3 _strdup _telli64 _ultoa _unlock _wchdir "
                              "_wchmod _wfindfirst _wfindnext _wfopen _wfullpath _wgetcwd _wmkdir _wopen _write "
                              "_wutime abort atoi calloc exit fclose fflush fgetpos fopen fprintf fputc fputs fread "
                              "free fsetpos fwrite getc getwc iswctype localeconv longjmp malloc memchr memcmp "
                              "memcpy memmove memset printf putc putwc realloc setlocale setvbuf signal strchr "
                              "strcmp strcoll strerror strftime strlen strncmp strxfrm towlower towupper ungetc "
                              "ungetwc vfprintf wcscat wcscmp wcscoll wcscpy wcsftime wcslen wcsxfrm")
                  # Whether the batch converter's progress line goes to a terminal.
                  | _since(_XP, "_isatty")
                  # The 64-bit time variants the file system library uses.
                  | _since(_VISTA, "_fstat64 _wfindfirst64 _wfindnext64 _wstat64 _wutime64"),
    "shell32.dll": _since(_XP, "SHBrowseForFolderA SHGetMalloc SHGetPathFromIDListA"),
    "user32.dll": _since(_XP, "AdjustWindowRectEx AppendMenuA BeginPaint CallWindowProcA ChangeClipboardChain "
                              "CheckDlgButton CloseClipboard CreateWindowExA DefDlgProcA DefWindowProcA DestroyMenu DestroyWindow "
                              "DialogBoxParamA DrawEdge DrawTextA EmptyClipboard EnableMenuItem EnableWindow "
                              "EndDialog EndPaint FillRect FrameRect GetClientRect GetClipboardData GetDC GetDlgCtrlID GetDlgItem "
                              "GetDlgItemTextA GetMessagePos GetMessageTime GetMonitorInfoA GetParent GetSubMenu "
                              "GetPropA GetSysColorBrush GetSystemMenu GetWindow GetWindowLongA GetWindowLongPtrA GetWindowRect "
                              "InflateRect InvalidateRect IsClipboardFormatAvailable IsDlgButtonChecked IsWindowEnabled KillTimer "
                              "LoadBitmapA LoadCursorA LoadIconA LoadMenuA MapWindowPoints MessageBoxA "
                              "MonitorFromRect OpenClipboard PostMessageA RedrawWindow RegisterClassA RegisterWindowMessageA "
                              "ReleaseDC RemovePropA SendDlgItemMessageA SendMessageA SetClassLongA SetClassLongPtrA "
                              "SetClipboardData SetClipboardViewer SetDlgItemTextA SetFocus SetForegroundWindow "
                              "SetMenuItemBitmaps SetPropA SetTimer SetWindowLongA SetWindowLongPtrA SetWindowPos ShowWindow "
                              "TrackMouseEvent TrackPopupMenuEx UnregisterClassA ValidateRect")
                  | _since(_VISTA, "AddClipboardFormatListener RemoveClipboardFormatListener"),
}


class PeFile:
    def __init__(self, path):
        self.path = Path(path)
        self.data = self.path.read_bytes()
        data = self.data
        if data[:2] != b"MZ":
            raise ValueError(f"{path}: not a PE file")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError(f"{path}: no PE signature")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        if magic not in (0x10B, 0x20B):
            raise ValueError(f"{path}: unknown optional header {magic:#x}")
        self.wide = magic == 0x20B
        self.os_version = struct.unpack_from("<HH", data, optional + 40)
        self.subsystem_version = struct.unpack_from("<HH", data, optional + 48)
        self.subsystem = struct.unpack_from("<H", data, optional + 68)[0]
        directories = optional + (112 if self.wide else 96)
        self.import_rva = struct.unpack_from("<I", data, directories + 8)[0]
        self.resource_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
        self.delay_import_rva = struct.unpack_from("<I", data, directories + 13 * 8)[0]
        self.sections = []
        table = optional + optional_size
        for index in range(sections):
            virtual_size, virtual_address, raw_size, raw_offset = struct.unpack_from("<IIII", data, table + 40 * index + 8)
            self.sections.append((virtual_address, max(virtual_size, raw_size), raw_offset))

    def offset(self, rva):
        for start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError(f"{self.path}: address {rva:#x} lies in no section")

    def text(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def resource(self, kind, ident):
        """The bytes of the resource of a numeric type and id (its first
        language), or None."""
        if not self.resource_rva:
            return None
        root = self.offset(self.resource_rva)

        def entry(directory, wanted):
            named, numbered = struct.unpack_from("<HH", self.data, directory + 12)
            for index in range(named + numbered):
                name, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * index)
                if wanted is None or (not name & 0x80000000 and name == wanted):
                    return target
            return None

        position = root
        for wanted in (kind, ident, None):
            target = entry(position, wanted)
            if target is None:
                return None
            position = root + (target & 0x7FFFFFFF)
            if not target & 0x80000000:
                break
        else:
            return None
        data_rva, size = struct.unpack_from("<II", self.data, position)
        start = self.offset(data_rva)
        return self.data[start:start + size]

    def imports(self):
        """{library (lower case): [function name or ordinal number]}"""
        found = {}
        if self.import_rva:
            self._read_descriptors(self.import_rva, 20, lambda fields: (fields[3], fields[0] or fields[4]), found)
        if self.delay_import_rva:
            self._read_descriptors(self.delay_import_rva, 32, lambda fields: (fields[1], fields[5]), found, "<8I")
        return found

    def _read_descriptors(self, rva, size, pick, found, layout="<5I"):
        position = self.offset(rva)
        while True:
            fields = struct.unpack_from(layout, self.data, position)
            if not any(fields):
                return
            name_rva, thunk_rva = pick(fields)
            library = self.text(name_rva).lower()
            entries = found.setdefault(library, [])
            step, ordinal_flag = (8, 1 << 63) if self.wide else (4, 1 << 31)
            thunk = self.offset(thunk_rva)
            while True:
                value = struct.unpack_from("<Q" if self.wide else "<I", self.data, thunk)[0]
                if value == 0:
                    break
                entries.append(value & 0xFFFF if value & ordinal_flag else self.text((value & 0x7FFFFFFF) + 2))
                thunk += step
            position += size


def claimed_minimum(readme, package):
    """The Windows the README names for a package, from its line
    `lumivane-VERSION-PACKAGE.zip` (... Windows NAME or later ...)."""
    pattern = rf"`lumivane-VERSION-{package}\.zip`\s*\(([^)]*)\)"
    match = re.search(pattern, " ".join(readme.split()))
    if not match:
        raise SystemExit(f"The README names no Windows version for the {package} package")
    named = [name for name in VERSIONS if re.search(rf"\b{name} or later\b", match.group(1))]
    if len(named) != 1:
        raise SystemExit(f"The README's words for the {package} package name no single known Windows: {match.group(1)}")
    return named[0]


def problems_of(pe, claim, table):
    limit = table[claim]
    found = []
    for field, version in (("operating system version", pe.os_version), ("subsystem version", pe.subsystem_version)):
        if tuple(version) > limit:
            found.append(f"{pe.path.name}: {field} {version[0]}.{version[1]} is newer than {claim} ({limit[0]}.{limit[1]})")
    for library, entries in sorted(pe.imports().items()):
        for entry in entries:
            shown = f"{library} ordinal {entry}" if isinstance(entry, int) else f"{library} {entry}"
            first = None if isinstance(entry, int) else ALLOWED.get(library, {}).get(entry)
            if first is None:
                found.append(f"{pe.path.name}: imports {shown}, whose first Windows version is not on the list")
            elif first > limit:
                found.append(f"{pe.path.name}: imports {shown}, new in Windows {first[0]}.{first[1]}, after {claim}")
    return found


def manifest_problems(pe):
    """What the program's application manifest lacks, or holds that it must not."""
    raw = pe.resource(RT_MANIFEST, 1)
    if raw is None:
        return [f"{pe.path.name}: no application manifest (RT_MANIFEST, id 1)"]
    try:
        root = ElementTree.fromstring(raw)
    except ElementTree.ParseError as error:
        return [f"{pe.path.name}: the application manifest is not well-formed XML: {error}"]
    local = lambda element: element.tag.rsplit("}", 1)[-1]
    found = {}
    for element in root.iter():
        found.setdefault(local(element), []).append(element)
    problems = []
    pages = [(element.text or "").strip() for element in found.get("activeCodePage", [])]
    if pages != ["UTF-8"]:
        problems.append(f"{pe.path.name}: the manifest's activeCodePage is {pages}, not UTF-8")
    levels = [element.get("level") for element in found.get("requestedExecutionLevel", [])]
    if levels != ["asInvoker"]:
        problems.append(f"{pe.path.name}: the manifest's requestedExecutionLevel is {levels}, not asInvoker")
    named = {(element.get("Id") or "").strip("{}").lower() for element in found.get("supportedOS", [])}
    for missing in sorted(set(SUPPORTED_OS) - named, key=list(SUPPORTED_OS).index):
        problems.append(f"{pe.path.name}: the manifest does not name {SUPPORTED_OS[missing]} among the supported ones")
    for unknown in sorted(named - set(SUPPORTED_OS)):
        problems.append(f"{pe.path.name}: the manifest names an unknown supportedOS {unknown}")
    for identity in found.get("assemblyIdentity", []):
        if identity.get("name", "").lower() == "microsoft.windows.common-controls":
            problems.append(f"{pe.path.name}: the manifest asks for common controls {identity.get('version')}, "
                            "which changes the look")
    return problems


def main(arguments):
    if arguments and arguments[0] == "--list":
        for path in arguments[1:]:
            pe = PeFile(path)
            print(f"{path}: os {pe.os_version} subsystem {pe.subsystem_version}")
            manifest = pe.resource(RT_MANIFEST, 1)
            print(f"  manifest: {'none' if manifest is None else f'{len(manifest)} bytes'}")
            for library, entries in sorted(pe.imports().items()):
                print(f"  {library}: {' '.join(str(entry) for entry in sorted(entries, key=str))}")
        return 0
    if len(arguments) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    build, package = Path(arguments[0]), arguments[1]
    claims = {document: claimed_minimum(Path(document).read_text(), package) for document in arguments[2:]}
    if len(set(claims.values())) != 1:
        print(f"The documents disagree about the {package} package: {claims}")
        return 1
    claim = next(iter(claims.values()))
    table = VERSIONS_64 if package == "win64" else VERSIONS
    problems = []
    for name in SHIPPED:
        pe = PeFile(build / "bin" / name)
        expected_machine = 0x8664 if package == "win64" else 0x14C
        if pe.machine != expected_machine:
            problems.append(f"{name}: built for machine {pe.machine:#x}, not the {package} package's")
        problems += problems_of(pe, claim, table)
        if name in PROGRAMS:
            problems += manifest_problems(pe)
    for problem in problems:
        print(problem)
    print(f"{package}: {len(SHIPPED)} files checked against {claim}: {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
