#!/usr/bin/env bash
# Checks that the man page names every subcommand and option that the
# program's --help and each subcommand's --help list.
#   dist/check-man-page.sh PROGRAM MAN_PAGE [--no-subcommands]
set -euo pipefail
cli=$1
page=$2
expect_subcommands=$([ "${3:-}" = --no-subcommands ] && echo 0 || echo 1)
export LC_ALL=C LANGUAGE=

# The man page as text: roff's escaped hyphens and font changes undone.
text=$(sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' "$page")

# Indented lines of a help text: options start with "-", subcommands are the
# first word of the lines after a "Subcommands:" heading.
options() { grep -Eo '^ +-[-A-Za-z0-9,]+' | tr ',' '\n' | tr -d ' '; }
subcommands() { awk 'tolower($0) ~ /^subcommands:/ { on = 1; next } /^[^ ]/ { on = 0 } on && NF { print $1 }'; }

help=$("$cli" --help)
commands=$(subcommands <<<"$help")
if [ "$expect_subcommands" -eq 1 ] && [ -z "$commands" ]; then
  echo "no subcommands found in $(basename "$cli") --help" >&2
  exit 1
fi
missing=0 checked=0
check() {  # $1: what, $2: the word
  checked=$((checked + 1))
  if ! grep -qE -- "(^|[^-A-Za-z0-9])$2([^-A-Za-z0-9]|$)" <<<"$text"; then
    echo "$1 $2 is in --help but not in $(basename "$page")" >&2
    missing=$((missing + 1))
  fi
}
for option in $(options <<<"$help"); do check option "$option"; done
for command in $commands; do
  check subcommand "$command"
  for option in $("$cli" "$command" --help | options); do check "option of $command" "$option"; done
done
echo "$checked names from --help, $missing missing from the man page"
[ "$missing" -eq 0 ]
