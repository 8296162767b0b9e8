#!/bin/sh
# The virtual pad libraries: one 32-bit and one 64-bit Linux ELF library, so that Wine's
# device host finds its own width among them whatever the prefix made it.
#   elf_class_test.sh LIBRARY...
classes=""
for lib in "$@"; do
  # Byte 4 of an ELF header: 1 for 32-bit, 2 for 64-bit.
  magic=$(od -An -c -N4 "$lib" | tr -d ' ')
  class=$(od -An -tu1 -j4 -N1 "$lib" | tr -d ' ')
  [ "$magic" = 177ELF ] || { echo "$lib is no ELF file" >&2; exit 1; }
  classes="$classes $class"
done
case $classes in
  *1*) ;;
  *) echo "no 32-bit library among:$classes" >&2; exit 1 ;;
esac
case $classes in
  *2*) ;;
  *) echo "no 64-bit library among:$classes" >&2; exit 1 ;;
esac
echo "pad libraries of both widths"
