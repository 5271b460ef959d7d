#!/usr/bin/env bash
# The man pages pass both formatters' checks without a single message:
# mandoc -Tlint (style notes included) and groff -ww.
#   dist/lint-man-pages.sh PAGE...
# Exits 77, which ctest counts as a skip, when mandoc or groff is missing
# (`scripts/setup.sh lint` installs them; `make lint` runs this with them).
set -euo pipefail
for tool in mandoc groff; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed: not checked"; exit 77; }
done
status=0
for page in "$@"; do
  found=$({ mandoc -Tlint "$page" 2>&1 || true; } && LC_ALL=C.UTF-8 groff -ww -man -Tutf8 -z "$page" 2>&1)
  if [ -n "$found" ]; then
    echo "$found"
    status=1
  fi
done
echo "$# man pages checked with mandoc -Tlint and groff -ww: $([ $status -eq 0 ] && echo clean || echo NOT clean)"
exit $status
