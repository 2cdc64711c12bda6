#!/bin/sh
# Proves that the README's commands start from nothing: a fresh minimal Debian of the given release
# (debootstrap minbase) with git and ca-certificates alone, a clone of this repository's checked-out
# branch, and a command run in it as root (default: the README's test command). Prints the command's
# wall time.
#
# Usage, as root: tools/prove-setup.sh bookworm|trixie [COMMAND]
#   MIRROR=URL           package source (default: the host's first Debian URI)
#   SECURITY_MIRROR=URL  the security archive (default: the host's, else deb.debian.org's)
#   ROOT=DIR             reuse a chroot made before instead of a fresh one (for trying the later steps again)
#   KEEP=1               keep the chroot's folder afterwards (its mounts are always undone)
set -eu

suite=${1:-}
case $suite in
  bookworm | trixie) ;;
  *) echo "usage: $0 bookworm|trixie [COMMAND]" >&2; exit 2 ;;
esac
command=${2:-./run test}
repo=$(git -C "$(dirname "$0")/.." rev-parse --show-toplevel)
branch=$(git -C "$repo" rev-parse --abbrev-ref HEAD)

# All mounts live in a mount namespace of this script's own, so none can outlive it, even killed.
if [ -z "${BRINVALE_PROVE_NS:-}" ]; then
  BRINVALE_PROVE_NS=1 exec unshare --mount --propagation private "$0" "$@"
fi

if [ -z "${MIRROR:-}" ]; then
  MIRROR=$(sed -n 's/^URIs:[[:space:]]*\([^[:space:]]*debian\)$/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n 1)
  [ -n "$MIRROR" ] || MIRROR=$(sed -n 's/^deb[[:space:]]\+\(http[^[:space:]]*debian\)[[:space:]].*/\1/p' /etc/apt/sources.list 2>/dev/null | head -n 1)
  [ -n "$MIRROR" ] || MIRROR=http://deb.debian.org/debian
fi
if [ -z "${SECURITY_MIRROR:-}" ]; then
  SECURITY_MIRROR=$(sed -n 's/^URIs:[[:space:]]*\([^[:space:]]*debian-security\)$/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n 1)
  [ -n "$SECURITY_MIRROR" ] || SECURITY_MIRROR=$(sed -n 's/^deb[[:space:]]\+\(http[^[:space:]]*debian-security\)[[:space:]].*/\1/p' /etc/apt/sources.list 2>/dev/null | head -n 1)
  [ -n "$SECURITY_MIRROR" ] || SECURITY_MIRROR=http://deb.debian.org/debian-security
fi

fresh=0
if [ -z "${ROOT:-}" ]; then
  ROOT=$(mktemp -d /var/tmp/brinvale-prove.XXXXXX)
  chmod 755 "$ROOT"  # the system's root folder, which apt's own user must be able to enter
  fresh=1
fi
mounted=""
cleanup() {
  for m in $mounted; do umount -l "$m" 2>/dev/null || true; done
  [ "$fresh" = 1 ] && [ -z "${KEEP:-}" ] || return 0
  # Never through a mount left behind: that would delete the host's own /dev.
  if grep -q " $ROOT/" /proc/self/mountinfo; then
    echo "still mounted under $ROOT: left in place" >&2
  else
    rm -rf --one-file-system "$ROOT"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ ! -e "$ROOT/etc/debian_version" ]; then
  # A new machine has no debootstrap: the proof brings its own tool, as the commands it proves do.
  if ! command -v debootstrap >/dev/null; then
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap
  fi
  echo "== debootstrap --variant=minbase $suite $ROOT $MIRROR"
  debootstrap --variant=minbase "$suite" "$ROOT" "$MIRROR" >"$ROOT.debootstrap.log" 2>&1 ||
    { tail -n 20 "$ROOT.debootstrap.log"; exit 1; }
  rm -f "$ROOT.debootstrap.log"
fi

# Listed innermost first, so cleanup undoes them in the right order.
mount -t proc proc "$ROOT/proc" && mounted="$ROOT/proc $mounted"
mount -t sysfs sysfs "$ROOT/sys" && mounted="$ROOT/sys $mounted"
mount --bind /dev "$ROOT/dev" && mounted="$ROOT/dev $mounted"
mount --bind /dev/pts "$ROOT/dev/pts" && mounted="$ROOT/dev/pts $mounted"
mount -t tmpfs shm "$ROOT/dev/shm" && mounted="$ROOT/dev/shm $mounted"

in_root() { chroot "$ROOT" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive \
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "$@"; }

# The sources of an installed Debian: the release, its updates and its security archive (without
# which a browser may lag its security releases by several versions).
rm -f "$ROOT/etc/apt/sources.list"
cat >"$ROOT/etc/apt/sources.list.d/debian.sources" <<EOF
Types: deb
URIs: $MIRROR
Suites: $suite $suite-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: $SECURITY_MIRROR
Suites: $suite-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF

echo "== git and ca-certificates, as on a machine where only they were installed"
in_root apt-get update -qq
in_root apt-get install -y -qq --no-install-recommends git ca-certificates >/dev/null
# A host that reaches the registries through a TLS proxy of its network trusts the proxy's own
# authorities (in /usr/local/share/ca-certificates); the chroot, on the same network, trusts them
# too, added the way an administrator adds them. Nothing else of the host's comes in.
if ls /usr/local/share/ca-certificates/*.crt >/dev/null 2>&1; then
  cp /usr/local/share/ca-certificates/*.crt "$ROOT/usr/local/share/ca-certificates/"
  in_root update-ca-certificates >/dev/null
fi
echo "== a clean clone of branch $branch"
rm -rf "$ROOT/root/brinvale"
git clone -q --branch "$branch" "$repo" "$ROOT/root/brinvale"
in_root git config --global --add safe.directory /root/brinvale

echo "== $command"
start=$(date +%s)
status=0
in_root sh -c "cd /root/brinvale && $command" || status=$?
echo "== '$command' exited with $status after $(( $(date +%s) - start )) s"
exit $status
