#!/usr/bin/env bash
# Takes the screenshots of the desktop program in docs/: the main dialog in
# German and in English and the folder chooser in German with its hidden
# folders shown, each under a virtual X server with a small window manager,
# so the window frames show.
#   docs/take-screenshots.sh [build-dir]
# Needs root (for a private mount namespace) and the Debian packages xvfb
# xauth openbox xdotool imagemagick.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
program=$(realpath "$build/bin/Tarnwick")
[ -x "$program" ] || { echo "take-screenshots.sh: build Tarnwick first ($build/bin/Tarnwick)" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || { echo "take-screenshots.sh: run as root (it builds a private file-system view)" >&2; exit 1; }

# The folder chooser shows the whole tree from "/". So that the pictures show
# a plain system and no one's files, everything runs in a private mount
# namespace, chrooted into a small root: the system directories bound in, an
# empty /home with the user lena, the program in /opt/tarnwick/bin.
if [ -z "${TARNWICK_SHOTS_NS:-}" ]; then
  exec env TARNWICK_SHOTS_NS=1 unshare -m "$0" "$@"
fi
root=$(mktemp -d)
mount -t tmpfs tmpfs "$root"
for d in bin sbin lib lib32 lib64 usr etc dev proc sys; do
  if [ -L "/$d" ]; then cp -P "/$d" "$root/$d"
  elif [ -d "/$d" ]; then mkdir "$root/$d" && mount --rbind "/$d" "$root/$d"
  fi
done
# Lumivale runs under Wine: its data folder lies below the hidden ~/.wine.
data="/home/lena/.wine/drive_c/Program Files/Lumivale/data"
mkdir -p "$root/tmp" "$root/opt/tarnwick/bin" "$root/home/lena/Downloads" "$root$data" \
         "$root/home/lena/.cache" "$root/home/lena/Documents" "$root/home/lena/.config/Quenneth"
chmod 1777 "$root/tmp"
cp "$program" "$root/opt/tarnwick/bin/"
# As downloaded: the compressed catalogue, which the input field picks.
gzip -c samples/MPCORB.DAT > "$root/home/lena/Downloads/MPCORB.DAT.gz"
printf '[Settings]\nPath%%20In=/home/lena/Downloads\nPath%%20Out=%s\n' "$data" \
  > "$root/home/lena/.config/Quenneth/Tarnwick.conf"

cat > "$root/tmp/shot.sh" <<'INNER'
#!/bin/bash
# shot.sh <output.png> <language> <locale> [keys to type before the shot]
out=$1 language=$2 locale=$3 keys=${4:-}
export HOME=/home/lena XDG_CONFIG_HOME=/home/lena/.config LANGUAGE=$language LANG=$locale
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  openbox >/dev/null 2>&1 &
  sleep 2
  /opt/tarnwick/bin/Tarnwick >/dev/null 2>&1 &
  sleep 2
  if [ -n "$1" ]; then xdotool key --delay 100 $1; sleep 2; fi
  import -window root "$0"
  xdotool key Escape Escape; sleep 0.5' "$out" "$keys"
# Keep the windows and a small margin, drop the empty desktop.
convert "$out" -trim -bordercolor black -border 8 "$out"
INNER
chmod +x "$root/tmp/shot.sh"

chroot "$root" /tmp/shot.sh /tmp/dialog-de.png de de_DE.UTF-8
chroot "$root" /tmp/shot.sh /tmp/dialog-en.png en en_US.UTF-8
# Tab from the close button to the output directory's "..." and press it: the
# chooser opens at the Wine folder, with the hidden folders shown.
chroot "$root" /tmp/shot.sh /tmp/folder-chooser-de.png de de_DE.UTF-8 "Tab Tab Tab Tab Tab Tab space"
cp "$root"/tmp/*.png docs/
echo "Screenshots written to docs/"
