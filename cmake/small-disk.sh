#!/bin/sh
# A 256 KiB disk mapped as drive T: of the build's Wine prefix, so a test
# can fill it. Without the right to mount, nothing is mapped and the tests
# that need the drive skip.
build="$2"
disk="$build/small-disk"
link="$build/wineprefix/dosdevices/t:"
case "$1" in
up)
  mkdir -p "$disk"
  mountpoint -q "$disk" || mount -t tmpfs -o size=256k tmpfs "$disk" 2>/dev/null || exit 0
  ln -sfn "$disk" "$link"
  ;;
down)
  rm -f "$link"
  umount "$disk" 2>/dev/null || true
  ;;
esac
exit 0
