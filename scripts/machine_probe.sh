# Sourced by the set-up and the Wine environment: what this machine can run,
# found out rather than assumed. Needs root, the checkout's folder.

# runs_32bit_programs: whether this kernel starts 32-bit x86 programs (some
# kernels are built or booted without IA32 emulation). Decided by starting an
# i386 program of 93 bytes, written into the build tree (where the builds run
# from, so a temporary folder mounted without execution cannot mislead it),
# that only exits with code 0. The answer is kept in LUMIVANE_32BIT (yes or
# no) for the scripts started from here; LUMIVANE_32BIT=no set beforehand
# takes the path of a machine without them on any machine.
runs_32bit_programs() {
  if [ -z "${LUMIVANE_32BIT:-}" ]; then
    mkdir -p "$root/build"
    local probe="$root/build/i386-probe"
    # ELF header, one loadable segment at 0x08048000, then the code:
    # mov eax, 1 (exit); xor ebx, ebx (code 0); int 0x80.
    printf '%b' '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
      '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' \
      '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' \
      '\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08' \
      '\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00' \
      '\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"
    chmod +x "$probe"
    if "$probe" >/dev/null 2>&1; then LUMIVANE_32BIT=yes; else LUMIVANE_32BIT=no; fi
    rm -f "$probe"
  fi
  export LUMIVANE_32BIT
  [ "$LUMIVANE_32BIT" = yes ]
}
