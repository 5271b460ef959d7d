#!/usr/bin/env bash
# Runs the README's examples so that it cannot go stale: every ```sh block, in
# order, as one shell session that stops at the first failing command, except
# a block right under a comment "<!-- untested: REASON -->" (the network, root,
# a full build). The session runs in a scratch folder that holds `build` (the
# build folder) and `samples`, with HOME a scratch home folder that holds the
# sample catalogue as ~/Downloads/MPCORB.DAT.gz and an empty ~/Lumivale/data,
# the built programs first on PATH, and a stand-in `curl` that serves the
# sample for the catalogue's address. Also checks that the README's crontab
# line is the man page's.
#   scripts/check-readme-examples.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
root=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
home=$work/home
mkdir -p "$home/Downloads" "$home/Lumivale/data" "$work/bin" "$work/checkout"
gzip -c "$root/samples/MPCORB.DAT" >"$home/Downloads/MPCORB.DAT.gz"
ln -s "$build" "$work/checkout/build"
ln -s "$root/samples" "$work/checkout/samples"
cat >"$work/bin/curl" <<STANDIN
#!/bin/sh
for argument; do
  [ "\$argument" = https://minorplanetcenter.net/iau/MPCORB/MPCORB.DAT.gz ] &&
    exec gzip -c "$root/samples/MPCORB.DAT"
done
echo "curl stand-in: serves only the catalogue's address, not: \$*" >&2
exit 7
STANDIN
chmod +x "$work/bin/curl"

# The tested blocks, each headed by its place in the README. Any command of a
# pipeline that fails fails the session, but for a writer ended by SIGPIPE
# when its reader leaves early (`| head`), as the README says it may.
printf '%s\n' 'set -o pipefail' \
  "trap 'status=\$?; [ \$status -eq 141 ] || exit \$status' ERR" >"$work/examples.sh"
awk '
  /^<!-- untested:/ { untested = NR; next }
  /^```sh$/ { if (untested != NR - 1) { run = 1; blocks++; print "# README.md line " NR } next }
  /^```/ { run = 0; next }
  run { print }
  END { print "# " blocks + 0 " blocks" }' "$root/README.md" >>"$work/examples.sh"
blocks=$(tail -n 1 "$work/examples.sh" | tr -dc 0-9)
if [ "$blocks" -eq 0 ]; then
  echo "README.md has no example to run" >&2
  exit 1
fi
if ! (cd "$work/checkout" && env -i HOME="$home" PATH="$work/bin:$build/bin:/usr/bin:/bin" \
  LANG=C.UTF-8 TERM=dumb bash -x "$work/examples.sh") </dev/null >"$work/log" 2>&1; then
  cat "$work/log"
  echo "A README example failed (the last command above)" >&2
  exit 1
fi

# The daily line is the same in both places.
cron=$(awk '/^```crontab$/ { getline; print; exit }' "$root/README.md")
if [ -z "$cron" ] || ! sed 's/\\-/-/g' "$root/dist/tarnwick-cli.1" | grep -qxF -- "$cron"; then
  echo "README.md's crontab line is not the one in dist/tarnwick-cli.1: $cron" >&2
  exit 1
fi
echo "README.md: $blocks example blocks ran ($(grep -c '^+ ' "$work/log") commands); the crontab line matches the man page"
