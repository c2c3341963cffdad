#!/usr/bin/env bash
# Whether this machine runs 32-bit x86 Linux programs, as Wine's 32-bit loader (wine32:i386)
# needs: writes a 96-byte static i386 program that only exits with 42, and runs it.
# Exit 0 when it ran; otherwise exit 1 and one line on stdout saying why.
#   probe32.sh FILE
set -u
file=$1
# ELF header, one loadable segment at 0x08048000, then: mov eax,1; mov ebx,42; int 0x80.
printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0\2\0\3\0\1\0\0\0\124\200\4\010\064\0\0\0\0\0\0\0\0\0\0\0\064\0\040\0\1\0\0\0\0\0\0\0' >"$file"
printf '\1\0\0\0\0\0\0\0\0\200\4\010\0\200\4\010\140\0\0\0\140\0\0\0\5\0\0\0\0\020\0\0' >>"$file"
printf '\270\1\0\0\0\273\52\0\0\0\315\200' >>"$file"
chmod +x "$file"
"$file" 2>/dev/null
status=$?
rm -f "$file"
if [ "$status" -eq 42 ]; then
    exit 0
fi
echo "this machine does not run 32-bit x86 programs (a 32-bit test program exited with $status, not 42; the kernel may lack IA-32 emulation)"
exit 1
