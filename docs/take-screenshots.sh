#!/usr/bin/env bash
# Screenshots of the desktop program under a virtual X server with the
# openbox window manager, as a user on a Linux desktop sees it: the main
# dialog and every message box, in German and in English.
#   docs/take-screenshots.sh [build-dir] [output-dir]
# Needs the Debian packages xvfb xauth openbox xdotool imagemagick (and
# pngquant for small files). Each picture runs the program once, with a made-up home
# folder under /tmp; FONT_DPI (default 96) and SCALE (default 1) set Qt's
# font DPI and scale factor; SHOTS names the pictures to take (default: all,
# "dialog about finished overwrite open-failure no-orbit-data address chooser
# chooser-output update progress").
# Writes NAME-LANG.png into the output directory (default: a new folder under
# /tmp, printed at the end), made small with pngquant where it is installed.
set -euo pipefail
cd "$(dirname "$0")/.."
program=$(realpath "${1:-build}/bin/Tarnwick")
out=${2:-$(mktemp -d /tmp/tarnwick-shots.XXXXXX)}
[ -x "$program" ] || { echo "take-screenshots.sh: build Tarnwick first" >&2; exit 1; }
mkdir -p "$out"
dpi=${FONT_DPI:-96} scale=${SCALE:-1}
home=${SHOTS_HOME:-/tmp/home-lena}  # shown in the pictures
data="$home/.wine/drive_c/Program Files/Lumivale/data"
long="$home/$(printf 'x%.0s' $(seq 200))"  # one folder name of 200 characters

# shot NAME LANGUAGE PATH_IN PATH_OUT KEYS...: starts the program with the two
# directories stored, presses the keys (xdotool names) and takes the screen.
shots=" ${SHOTS:-dialog about finished overwrite open-failure no-orbit-data address chooser chooser-output update progress} "
shot() {
  local name=$1 language=$2 in=$3 outdir=$4; shift 4
  [[ $shots == *" $name "* ]] || return 0
  mkdir -p "$home/.config/Quenneth"
  printf '[Settings]\nPath%%20In=%s\nPath%%20Out=%s\n' "$in" "$outdir" \
    > "$home/.config/Quenneth/Tarnwick.conf"
  HOME=$home XDG_CONFIG_HOME=$home/.config LANGUAGE=$language LANG=$([ "$language" = de ] && echo de_DE.UTF-8 || echo en_US.UTF-8) \
    QT_QPA_PLATFORM=xcb QT_FONT_DPI=$dpi QT_SCALE_FACTOR=$scale PATH=/usr/bin:/bin \
    xvfb-run -a -s "-screen 0 1280x1024x24 -dpi $dpi" bash -c '
      openbox >/dev/null 2>&1 &
      sleep 1
      # No URL handler for the program: no xdg-open, no browser on its PATH.
      PATH=/nonexistent "$1" >/dev/null 2>&1 &
      timeout 30 xdotool search --sync --onlyvisible --name Lumivale >/dev/null
      sleep 1
      shift 2
      for key in "$@"; do xdotool key "$key"; sleep 0.3; done
      sleep "${SETTLE:-2}"
      import -window root "$0"
      xdotool key Escape; sleep 0.3; xdotool key Escape; sleep 0.3; xdotool key Escape' \
      "$out/$name-$language.png" "$program" -- "$@"
  convert "$out/$name-$language.png" -trim -bordercolor black -border 8 "$out/$name-$language.png"
  if command -v pngquant >/dev/null; then
    pngquant --force --skip-if-larger --output "$out/$name-$language.png" "$out/$name-$language.png" || true
  fi
}

rm -rf "$home"
mkdir -p "$home/Downloads" "$data" "$long" "$home/html" "$home/empty"
# As downloaded: the compressed catalogue, which the input field picks.
gzip -c samples/MPCORB.DAT > "$home/Downloads/MPCORB.DAT.gz"
touch "$long/Asteroids4.dat"
echo '<html><body>Not found</body></html>' > "$home/html/MPCORB.DAT"
for language in de en; do
  tabs=(Tab Tab Tab Tab Tab Tab Tab Tab)  # from the close button to the convert button
  [ $language = de ] && tabs+=(Tab)   # past the mirror's download button
  shot dialog $language "$home/Downloads" "$data"
  shot about $language "$home/Downloads" "$data" F1
  shot finished $language "$home/Downloads" "$home/empty" "${tabs[@]}" space
  rm -f "$home/empty/"*
  shot overwrite $language "$home/Downloads" "$long" "${tabs[@]}" space
  shot open-failure $language "$home/nowhere" "$data" "${tabs[@]}" space
  shot no-orbit-data $language "$home/html" "$home/empty" "${tabs[@]}" space
  shot address $language "$home/Downloads" "$data" Tab space
  # The input folder's "...": the platform's folder dialog (Qt's under openbox).
  shot chooser $language "$home/Downloads" "$data" "${tabs[@]:4}" space
  shot chooser-output $language "$home/Downloads" "$data" "${tabs[@]:2}" space
  # Download and convert: past the download buttons (the German dialog has two).
  updateTabs=(Tab Tab); [ $language = de ] && updateTabs+=(Tab)
  shot update $language "$home/Downloads" "$data" "${updateTabs[@]}" space
  # A run at work: the catalogue trickles in through a pipe, which has no size.
  if [[ $shots == *" progress "* ]]; then
    rm -rf "$home/slow" && mkdir -p "$home/slow" && mkfifo "$home/slow/MPCORB.DAT"
    (while IFS= read -r line; do printf '%s\n' "$line"; sleep 0.004; done \
      < samples/MPCORB.DAT > "$home/slow/MPCORB.DAT" 2>/dev/null || true) &
    SETTLE=3 shot progress $language "$home/slow" "$home/empty" "${tabs[@]}" space
    wait || true
    rm -f "$home/empty/"*
  fi
done
rm -rf "$home"
echo "Screenshots written to $out"
