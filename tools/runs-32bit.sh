#!/usr/bin/env bash
# Answers whether this machine's kernel runs 32-bit x86 code, by running a tiny 32-bit program:
# exit status 0 if it does, 1 if it does not. Prints nothing.
# The program is a 93-byte static ELF32 i386 executable whose whole code is
#   mov eax, 1 ; xor ebx, ebx ; int 0x80      (the 32-bit exit system call with status 0)
# A kernel without 32-bit emulation refuses it with "Exec format error".
# LUDRA_NO_32BIT=1 answers "no" without asking (to check the 64-bit-only path on any machine).
set -u
[ "${LUDRA_NO_32BIT:-0}" = "1" ] && exit 1

# ELF header (52 bytes): 32-bit, little-endian, executable, i386, entry 0x08048054,
# program headers at 52, one of 32 bytes.
header='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
header+='\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'
header+='\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'
# One loadable segment: the whole file at 0x08048000, 93 bytes, readable and executable.
segment='\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'
segment+='\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
code='\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80'
# A folder mounted noexec (or not writable) refuses any program, which says nothing about the
# kernel: the probe is tried from each candidate folder until one runs it.
for folder in "${TMPDIR:-/tmp}" /tmp /dev/shm "$PWD"; do
    dir=$(mktemp -d "$folder/ludra-probe32.XXXXXX" 2>/dev/null) || continue
    probe="$dir/exit0"
    printf "$header$segment$code" >"$probe" 2>/dev/null && chmod +x "$probe" 2>/dev/null &&
        { "$probe" >/dev/null 2>&1 </dev/null; } 2>/dev/null
    rc=$?
    rm -rf "$dir"
    [ $rc -eq 0 ] && exit 0
done
exit 1
