#!/usr/bin/env bash
# Follows the README's quick start on a throw-away minimal Debian 12, as a new
# user would: `debootstrap --variant=minbase bookworm`, then only what the
# README says to install first, a clone of this checkout's current commit and
# the README's two commands. Prints packages, disk, times and PASS or FAIL.
#
#   scripts/fresh-debian.sh [--user] [--deb] [--keep]
#   scripts/fresh-debian.sh --install=FILE.deb [--keep]
#     --user  run the quick start as a user with sudo instead of as root
#     --deb   then `make deb`, and in a second fresh system install the package
#             with apt, check what it installed and remove and purge it again
#     --install=FILE.deb  only that second part, with a package built before
#     --keep  keep the systems (under $FRESH_DEBIAN_DIR, default /var/tmp)
#
# Needs root and the network to the Debian mirror this machine's apt uses
# (MIRROR overrides it). Not part of `make test` or CI: it downloads about
# 200 MB and builds everything from scratch.
set -euo pipefail
# The whole script is read before it starts, so editing it meanwhile is safe.
{
as_user=0 with_deb=0 keep=0 install_deb=""
for arg in "$@"; do
  case "$arg" in
    --install=*) install_deb=$(realpath "${arg#--install=}") ;;
    --user) as_user=1 ;;
    --deb) with_deb=1 ;;
    --keep) keep=1 ;;
    *) echo "usage: $0 [--user] [--deb] [--keep] | --install=FILE.deb [--keep]" >&2; exit 2 ;;
  esac
done
[ "$(id -u)" -eq 0 ] || { echo "fresh-debian.sh: needs root (debootstrap, chroot, mounts)" >&2; exit 2; }
src=$(cd "$(dirname "$0")/.." && pwd)
commit=$(git -C "$src" rev-parse --short HEAD)
if [ -n "$(git -C "$src" status --porcelain --untracked-files=no)" ]; then
  echo "fresh-debian.sh: note: uncommitted changes are not tested, only commit $commit"
fi
command -v debootstrap >/dev/null || apt-get install -y -qq debootstrap

# The mirror of this machine's apt sources (deb822 or one-line style).
mirror_of() {  # $1: path suffix, "debian" or "debian-security"
  { cat /etc/apt/sources.list /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list 2>/dev/null || true; } |
    grep -Eo "https?://[^ ]+/$1/?( |$)" | head -n 1 | tr -d ' ' | sed 's:/$::' || true
}
MIRROR=${MIRROR:-$(mirror_of debian)}
MIRROR=${MIRROR:-http://deb.debian.org/debian}
SECURITY=${SECURITY:-$(mirror_of debian-security)}

work=$(mktemp -d "${FRESH_DEBIAN_DIR:-/var/tmp}/fresh-debian.XXXXXX")
systems=()
log=$work/log
mkdir -p "$log"

unmount_all() {
  local r
  for r in "${systems[@]}"; do
    # Processes left inside (a daemon started by a package) would hold mounts.
    local pid
    for pid in $(ls /proc | grep -E '^[0-9]+$'); do
      [ "$(readlink "/proc/$pid/root" 2>/dev/null)" = "$r" ] && kill "$pid" 2>/dev/null || true
    done
    for m in dev sys proc; do
      mountpoint -q "$r/$m" && umount -R "$r/$m"
    done
  done
  return 0
}
cleanup() {
  unmount_all
  if findmnt -rno TARGET | grep -q "^$work/"; then
    echo "fresh-debian.sh: something is still mounted under $work; left in place" >&2
  elif [ "$keep" -eq 1 ]; then
    echo "Kept: $work"
  else
    rm -rf "$work"
  fi
}
trap cleanup EXIT
trap "exit 130" INT TERM HUP

now() { date +%s; }
span() { local s=$(($2 - $1)); printf '%dm%02ds' $((s / 60)) $((s % 60)); }
mib() { du -sxm "$1" | cut -f1; }

# A copy of the pristine base system, with /proc, /sys and /dev mounted and
# apt's sources as on this machine.
new_system() {  # $1: name
  local r=$work/$1
  cp -a "$work/base" "$r"
  systems+=("$r")
  mount -t proc proc "$r/proc"
  mount -t sysfs sysfs "$r/sys"
  mount --rbind /dev "$r/dev"
  mount --make-rslave "$r/dev"
  cp /etc/resolv.conf "$r/etc/resolv.conf"
  {
    echo "deb $MIRROR bookworm main"
    echo "deb $MIRROR bookworm-updates main"
    [ -z "$SECURITY" ] || echo "deb $SECURITY bookworm-security main"
  } >"$r/etc/apt/sources.list"
  # The package lists a freshly installed system has.
  chroot "$r" apt-get update -qq
}
in_root() {  # $1: system, then a shell command run there as root
  local r=$1
  shift
  chroot "$r" env -i HOME=/root LOGNAME=root USER=root TERM=dumb \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin bash -c "$*"
}
in_user() {  # $1: system, then a shell command run there as the user
  local r=$1
  shift
  chroot --userspec=1000:1000 "$r" env -i HOME=/home/user LOGNAME=user USER=user TERM=dumb \
    PATH=/usr/local/bin:/usr/bin:/bin bash -c "cd && $*"
}
packages() { in_root "$1" "dpkg-query -W -f='\${Status}\n' | grep -c 'install ok installed'"; }
# Ninja's steps in a build log: the last "[done/total]".
steps() { grep -Eo '^\[[0-9]+/[0-9]+\]' "$1" | tail -n 1 | tr -d '[]' || true; }

# Installs the package $1 into a second fresh system with apt, checks what it
# installed, removes and purges it, and compares the files with before.
package_test() {
  local deb=$1
  pkg=$work/package
  new_system package
  # A user's system has man; the checks need the desktop and AppStream tools.
  in_root "$pkg" "apt-get install -y -qq man-db desktop-file-utils appstream >/dev/null 2>&1"
  cp "$deb" "$pkg/tmp/"
  snapshot() {
    in_root "$pkg" "find / -xdev \( -path /proc -o -path /sys -o -path /dev -o -path /tmp -o -path /var/lib/apt \
      -o -path /var/lib/dpkg -o -path /var/cache -o -path /var/log -o -path /root \) -prune -o -print | sort"
  }
  snapshot >"$log/files-before"
  before=$(packages "$pkg")
  check() {  # $1: what, $2: command
    local rc=0
    in_root "$pkg" "$2" </dev/null >>"$log/package.log" 2>&1 || rc=$?
    printf '  %-58s %s\n' "$1" "$([ $rc -eq 0 ] && echo ok || echo "FAILED (exit $rc)")"
    [ $rc -eq 0 ] || status=FAIL
  }
  check "apt install ./$(basename "$deb")" "cd /tmp && apt-get install -y ./$(basename "$deb")"
  echo "  it pulled $(($(packages "$pkg") - before - 1)) packages besides itself:" \
    "$(($(mib "$pkg") - $(mib "$work/base"))) MiB on disk now"
  in_root "$pkg" "dpkg -L tarnwick" >"$log/package-files"
  in_root "$pkg" "tarnwick-cli --version" | sed 's/^/  tarnwick-cli --version: /'
  check "man tarnwick-cli renders" "MANWIDTH=80 man tarnwick-cli | grep -q '^EXIT STATUS'"
  check "man Tarnwick renders" "MANWIDTH=80 man Tarnwick | grep -q '^ENVIRONMENT'"
  check "icons (SVG and 8 PNG sizes)" "test -f /usr/share/icons/hicolor/scalable/apps/tarnwick.svg &&
    for s in 16 22 24 32 48 64 128 256; do test -f /usr/share/icons/hicolor/\${s}x\${s}/apps/tarnwick.png || exit 1; done"
  check "desktop-file-validate" "desktop-file-validate /usr/share/applications/*tarnwick*.desktop"
  check "appstreamcli validate --no-net" "appstreamcli validate --no-net /usr/share/metainfo/*.metainfo.xml"
  check "bash completion" "test -f /usr/share/bash-completion/completions/tarnwick-cli"
  # Each user enables the daily timer after naming an output folder.
  timer_links="find /etc/systemd -lname '*tarnwick*' | grep -q . && exit 1 || exit 0"
  check "daily timer installed, enabled for nobody" \
    "test -f /usr/lib/systemd/user/tarnwick-update.timer && $timer_links"
  check "apt remove tarnwick" "apt-get remove -y tarnwick"
  check "no timer link left after remove" "$timer_links"
  left=$(while read -r f; do [ -d "$pkg$f" ] || [ ! -e "$pkg$f" ] || echo "$f"; done <"$log/package-files")
  check "no installed file left after remove" "test -z '$left'"
  check "apt purge tarnwick, apt autoremove --purge" "apt-get purge -y tarnwick && apt-get autoremove --purge -y"
  snapshot >"$log/files-after"
  echo "  packages: $before before, $(packages "$pkg") after purge and autoremove"
  if ! diff "$log/files-before" "$log/files-after" >"$log/files-diff"; then
    # The run-time libraries pull in systemd and dbus, whose maintainer scripts
    # leave state behind (/etc/machine-id, /run, /var/lib/systemd) that purging
    # them keeps. Only Tarnwick's own files must be gone.
    grep '^[<>]' "$log/files-diff" | cut -c3- >"$log/files-changed"
    ours=$({ grep -i -F -x -f "$log/package-files" "$log/files-changed"; grep -i tarnwick "$log/files-changed"; } | sort -u || true)
    if [ -n "$ours" ]; then
      echo "  Tarnwick's files differ from before the install:"
      sed 's/^/    /' <<<"$ours"
      status=FAIL
    else
      echo "  no file of Tarnwick's left; $(wc -l <"$log/files-changed") paths of state left by the" \
        "dependencies' maintainer scripts (systemd, dbus), e.g. $(head -n 1 "$log/files-changed")"
    fi
  else
    echo "  file system (but apt's and dpkg's own state) exactly as before the install"
  fi
}

echo "Fresh Debian 12 (minbase) from $MIRROR; checkout $src at $commit"
echo "Work folder: $work"
t0=$(now)
debootstrap --variant=minbase bookworm "$work/base" "$MIRROR" >"$log/debootstrap.log" 2>&1 ||
  { tail -n 20 "$log/debootstrap.log"; exit 1; }
echo "debootstrap: $(span "$t0" "$(now)"), $(mib "$work/base") MiB"
status=PASS
if [ -n "$install_deb" ]; then
  echo "The Debian package $(basename "$install_deb"):"
  package_test "$install_deb"
  echo "Package on a fresh Debian 12: $status; total $(span "$t0" "$(now)")"
  [ "$status" = PASS ]
  exit
fi

sys=$work/build
new_system build
base_packages=$(packages "$sys")
git -C "$src" bundle create "$sys/tmp/tarnwick.bundle" HEAD 2>/dev/null

# The README's first step, the clone, then its two commands.
if [ "$as_user" -eq 1 ]; then
  who="a user with sudo"
  in_root "$sys" "apt-get install -y -qq sudo >/dev/null 2>&1 && useradd -m -u 1000 -s /bin/bash user &&
    echo 'user ALL=(ALL) NOPASSWD: ALL' >/etc/sudoers.d/user"
  base_packages=$(packages "$sys")
  run() { in_user "$sys" "$@"; }
  first="sudo apt-get install -y make git"
  home=/home/user
else
  who=root
  run() { in_root "$sys" "cd && $*"; }
  first="apt-get install -y make git"
  home=/root
fi
step() {  # $1: name, $2: command; prints its time
  local t=$(now) rc=0
  run "$2" </dev/null >"$log/$1.log" 2>&1 || rc=$?
  printf '  %-44s %s  exit %d\n' "$2" "$(span "$t" "$(now)")" "$rc"
  if [ "$rc" -ne 0 ]; then
    status=FAIL
    tail -n 15 "$log/$1.log" | sed 's/^/    | /'
  fi
  return "$rc"
}
echo "As $who, $base_packages packages installed:"
m0=$(mib "$sys")
step first "$first" || true
p1=$(packages "$sys")
step clone "git clone /tmp/tarnwick.bundle tarnwick" || true
# Where a user's own clone lands: root's home folder is private (mode 700), so
# the tests must not need another user to reach into it.
echo "  the clone lies in $home/tarnwick; $home has mode $(stat -c %a "$sys$home")"
if [ "$as_user" -eq 1 ]; then
  # A user whom sudo refuses gets the command to run as root.
  in_root "$sys" "useradd -m -u 1001 -s /bin/bash nosudo && cp $home/tarnwick/scripts/setup.sh /tmp/"
  hint=$(chroot --userspec=1001:1001 "$sys" env -i HOME=/home/nosudo PATH=/usr/bin:/bin \
    bash /tmp/setup.sh </dev/null 2>&1 || true)
  if grep -q 'As root, run:' <<<"$hint"; then
    echo "  a user whom sudo refuses is told what to run as root: ok"
  else
    echo "  a user whom sudo refuses is not told what to run as root:"
    sed 's/^/    | /' <<<"$hint"
    status=FAIL
  fi
fi
t_run=$(now)
step run "cd tarnwick && make run" || true
p2=$(packages "$sys")
step test "cd tarnwick && make test" || true
run_steps=$(steps "$log/run.log")
test_steps=$(steps "$log/test.log")
rebuilt=${test_steps%%/*}
# At most a few steps: make test may build what only it needs, not rebuild.
if [ -n "$rebuilt" ] && [ "$rebuilt" -gt 5 ]; then
  echo "  make test rebuilt $test_steps steps after make run (at most 5 expected)"
  status=FAIL
fi
archives=$(du -sxm "$sys/var/cache/apt/archives" | cut -f1)
build_mib=$(du -sxm "$sys$home/tarnwick/build" 2>/dev/null | cut -f1 || echo 0)
echo "  packages: $base_packages at start, +$((p1 - base_packages)) by the first step, +$((p2 - p1)) by make run"
echo "  disk: $(($(mib "$sys") - m0)) MiB added ($archives MiB of it apt's cache, $build_mib MiB the build folder)"
echo "  ninja steps: make run ${run_steps:-none}, then make test ${test_steps:-none (no work to do)}"
echo "  make run + make test: $(span "$t_run" "$(now)")"
echo "Quick start as $who: $status"

if [ "$with_deb" -eq 1 ] && [ "$status" = PASS ]; then
  echo "The Debian package:"
  p3=$(packages "$sys")
  step deb "cd tarnwick && make deb" || true
  echo "  make deb installed $(($(packages "$sys") - p3)) more packages"
  deb=$(ls "$sys$home"/tarnwick/build-deb/tarnwick_*.deb 2>/dev/null | head -n 1 || true)
  if [ -z "$deb" ]; then
    status=FAIL
  else
    echo "  $(basename "$deb"): $(du -k "$deb" | cut -f1) KiB"
    grep -E '^[EW]: ' "$log/deb.log" | sed 's/^/  lintian /' || true
    package_test "$deb"
  fi
  echo "Package on a fresh Debian 12: $status"
fi
echo "Total: $(span "$t0" "$(now)"); $status"
[ "$status" = PASS ]
exit
}
