#!/bin/sh
# small-disk.sh mount|unmount TREE: a 64 KiB tmpfs at TREE/small-disk, drive
# S: of the tree's Wine prefix, for the tests of a disk that fills up (as
# ctest fixtures around them). Mounting needs root; where it cannot be had,
# it says why and leaves no drive S:, and the tests that need it skip.
set -u
tree=$(cd "$2" && pwd)
disk="$tree/small-disk"
link="$tree/wineprefix/dosdevices/s:"
case "$1" in
mount)
  # The prefix is made first, by running a program in it: Wine makes its
  # drive links only in a prefix it creates itself.
  "$tree/wine-run.sh" cmd /c exit 0 >/dev/null 2>&1 || {
    echo "small-disk: the Wine prefix of $tree could not be made" >&2
    exit 1
  }
  mountpoint -q "$disk" && umount -l "$disk"
  mkdir -p "$disk"
  if ! mount -t tmpfs -o size=64k tmpfs "$disk" 2>"$tree/small-disk.log"; then
    echo "small-disk: cannot mount a 64 KiB tmpfs on $disk ($(cat "$tree/small-disk.log")); mounting needs root"
    rm -f "$link"
    exit 0
  fi
  ln -sfn "$disk" "$link"
  echo "small-disk: drive S: is a 64 KiB tmpfs on $disk"
  ;;
unmount)
  rm -f "$link"
  if mountpoint -q "$disk"; then umount -l "$disk"; fi
  rmdir "$disk" 2>/dev/null
  exit 0
  ;;
*)
  echo "usage: small-disk.sh mount|unmount TREE" >&2
  exit 2
  ;;
esac
