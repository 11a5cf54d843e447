#!/usr/bin/env bash
# The Debian package as a user gets it: built by cpack, installed with dpkg into a clean root,
# checked by the desktop validators, and used by an unprivileged user to convert the sample
# both ways with the installed programs. Their files must land in the user's data folder and
# match what a portable copy of the build writes.
#
# Usage: package_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build="$1"
source="$2"
bin="$build/bin"

work="$(mktemp -d /tmp/rq-package-XXXXXX)"
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
fail() {
  echo "package test: $*" >&2
  exit 1
}

# --- build ------------------------------------------------------------------------------------
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/cpack" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; }
deb="$(ls "$work"/cpack/refquill_*.deb)"
depends="$(dpkg-deb -f "$deb" Depends)"
for library in libc6 libstdc++6 libqt6widgets6 qt6-qpa-plugins; do
  [[ "$depends" == *"$library"* ]] || fail "Depends lacks $library: $depends"
done
[ "$(dpkg-deb -f "$deb" Section)" = utils ] || fail "section"
maintainer="$(dpkg-deb -f "$deb" Maintainer)"
[ "$maintainer" = "Refquill developers <developers@refquill.org>" ] || fail "maintainer: $maintainer"

# --- install into a clean root ----------------------------------------------------------------
root="$work/root"
if [ "$(id -u)" -eq 0 ]; then
  mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
  touch "$root/var/lib/dpkg/status"
  # The clean root has none of the libraries; the programs run with the machine's.
  dpkg --root="$root" --force-depends --force-script-chrootless -i "$deb" >"$work/dpkg.log" 2>&1 ||
    { cat "$work/dpkg.log" >&2; fail "dpkg -i failed"; }
  dpkg --root="$root" -s refquill | grep "^Status: install ok installed" >/dev/null || fail "not installed"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
  owner=nobody
else
  dpkg-deb -x "$deb" "$root"
  as_user=()
  owner="$(id -un)"
fi

usr="$root/usr"
for path in bin/refquill bin/refquill-cli lib/refquill/refquill lib/refquill/refquill-cli \
  lib/refquill/jconvpro.exe share/man/man1/refquill.1.gz share/man/man1/refquill-cli.1.gz \
  share/icons/hicolor/scalable/apps/refquill.svg share/doc/refquill/copyright \
  share/doc/refquill/changelog.gz share/lintian/overrides/refquill \
  share/bash-completion/completions/refquill-cli share/zsh/vendor-completions/_refquill-cli; do
  [ -e "$usr/$path" ] || fail "missing $path"
done
for size in 16 22 24 32 48 64 128 256; do
  [ -f "$usr/share/icons/hicolor/${size}x${size}/apps/refquill.png" ] || fail "no ${size} icon"
done
[ "$(readlink "$usr/bin/refquill-cli")" = ../lib/refquill/refquill-cli ] || fail "bin link"
[ ! -e "$usr/bin/jconvpro.exe" ] || fail "the converter is on PATH"
gzip -t "$usr"/share/man/man1/*.gz || fail "manual pages"
zcat "$usr/share/doc/refquill/changelog.gz" | cmp - "$source/CHANGELOG.md" || fail "changelog"

# --- validators -------------------------------------------------------------------------------
desktop-file-validate "$usr"/share/applications/*.desktop || fail "desktop-file-validate"
appstreamcli validate --no-net "$usr"/share/metainfo/*.metainfo.xml || fail "appstreamcli validate"

# --- an unprivileged user converts the sample both ways ----------------------------------------
user="$work/user"
mkdir -p "$user/home"
cp "$source/examples/sample-export.txt" "$user/"
chown -R "$owner" "$user"
run_as_user() {
  env -i PATH=/usr/bin:/bin HOME="$user/home" LC_ALL=C "${as_user[@]}" "$@"
}
data="$user/home/.local/share/Refquill"
exchange="$data/Import and Export"

out="$(run_as_user "$usr/bin/refquill-cli" to-jfile "$user/sample-export.txt")" ||
  fail "to-jfile ended with status $?"
[ "$out" = "$user/sample-export.txt -> $exchange/RQ-sample-export.PDB: 12 Records Transferred to  JFile" ] ||
  fail "to-jfile said: $out"
out="$(run_as_user "$usr/bin/refquill-cli" to-endnote "$exchange/RQ-sample-export.PDB")" ||
  fail "to-endnote ended with status $?"
[ "$out" = "$exchange/RQ-sample-export.PDB -> $exchange/RQ-sample-export.tsv: 12 Records Transferred to EndNote" ] ||
  fail "to-endnote said: $out"
grep -q "^Program location:  $data"$'\r'"\$" "$data/Log.txt" || fail "log line"
[ ! -e "$usr/lib/refquill/RQWork" ] || fail "files written beside the installed program"
cmp "$data/RQWork/sample-export.csv" "$source/tests/data/cli/sample-export.csv" || fail "csv"

# The same conversions by a portable copy of the build give the same files (the database's
# dates aside: bytes 36 to 47 hold its creation, change and backup times).
portable="$work/portable"
mkdir -p "$portable"
cp "$bin/refquill-cli" "$bin/jconvpro.exe" "$portable/"
"$portable/refquill-cli" to-jfile "$user/sample-export.txt" >/dev/null
"$portable/refquill-cli" to-endnote "$portable/Import and Export/RQ-sample-export.PDB" >/dev/null
pdb_a="$exchange/RQ-sample-export.PDB"
pdb_b="$portable/Import and Export/RQ-sample-export.PDB"
cmp <(head -c 36 "$pdb_a") <(head -c 36 "$pdb_b") || fail "database header"
cmp <(tail -c +49 "$pdb_a") <(tail -c +49 "$pdb_b") || fail "database"
cmp "$exchange/RQ-sample-export.tsv" "$portable/Import and Export/RQ-sample-export.tsv" ||
  fail "import file"

# The desktop program of the package starts with its files in the user's data folder too.
gui_home="$user/gui"
mkdir -p "$gui_home"
chown "$owner" "$gui_home"
env -i PATH=/usr/bin:/bin HOME="$gui_home" QT_QPA_PLATFORM=offscreen LC_ALL=C \
  "${as_user[@]}" timeout 60 "$usr/bin/refquill" >"$work/gui.log" 2>&1 &
gui=$!
# Start-up takes a second or two before the strategy is read; a busy machine takes longer.
for _ in $(seq 1 120); do
  [ -f "$gui_home/.local/share/Refquill/Strat.jfp" ] && break
  sleep 0.25
done
sleep 0.5
kill "$gui" 2>/dev/null || true
wait "$gui" 2>/dev/null || true
[ -d "$gui_home/.local/share/Refquill/RQWork" ] || { cat "$work/gui.log" >&2; fail "window program's data"; }
[ -f "$gui_home/.local/share/Refquill/Strat.jfp" ] || fail "window program's strategy"

echo "package test: $(basename "$deb") installed and converted the sample as $owner"
