#!/usr/bin/env bash
# The Windows installer as a user runs it, under Wine: silent install, the installed
# refquill-cli.exe --version, the Start-menu entry and the per-user uninstall entry, then a
# silent uninstall that removes what was installed and leaves the user's files. The generated
# script is checked too, for what Wine does not enforce (no elevation, nothing for all users).
# Usage: scripts/check-installer.sh   (after scripts/test.sh windows and cpack in build/windows)
set -euo pipefail
cd "$(dirname "$0")/.."
export WINEPREFIX="$PWD/build/windows/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
fail() {
  echo "check-installer: $*" >&2
  exit 1
}
installer=$(ls build/windows/Refquill-*-win64.exe 2>/dev/null | head -n 1)
[ -n "$installer" ] || fail "no installer in build/windows (is NSIS installed?)"
script=build/windows/_CPack_Packages/win64/NSIS/project.nsi
grep -qx 'RequestExecutionLevel user' "$script" || fail "$script asks for elevation"
if grep -n -E 'SetShellVarContext all|HKLM|\$PROGRAMFILES|\$COMMONFILES|RMDir /r' "$script"; then
  fail "$script writes for all users or removes whole folders"
fi

wineserver -k >/dev/null 2>&1 || true
wineserver -w
wineserver -p
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
unix() { winepath -u "$(wine cmd /c echo "$1" | tr -d '\r')"; }
programs="$(unix '%LOCALAPPDATA%')/Programs/Refquill"
menu="$(unix '%APPDATA%')/Microsoft/Windows/Start Menu/Programs/Refquill.lnk"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Refquill'
rm -rf "$programs"

wine "$installer" /S
[ -f "$programs/refquill-cli.exe" ] || fail "nothing installed in $programs"
version=$(wine "$programs/refquill-cli.exe" --version | tr -d '\r')
[ "$version" = "refquill-cli $(sed -n 's/^project(Refquill VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)" ] ||
  fail "the installed refquill-cli.exe says \"$version\""
echo "check-installer: installed into $programs:"
(cd "$programs" && ls -l)
echo "check-installer: $key:"
wine reg query "$key" | tr -d '\r' | tee "$programs.reg"
grep -q "InstallLocation.*AppData\\\\Local\\\\Programs\\\\Refquill" "$programs.reg" || fail "no InstallLocation"
grep -q 'QuietUninstallString.*Uninstall.exe" /S' "$programs.reg" || fail "no quiet uninstall"
rm -f "$programs.reg"
if wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Refquill' >/dev/null 2>&1; then
  fail "an uninstall entry for all users"
fi
if [ -f "$programs/refquill.exe" ]; then
  [ -f "$menu" ] || fail "no Start-menu entry"
  # The link names its target's full path (in ANSI or in UTF-16).
  { strings -a "$menu" && strings -a -el "$menu"; } |
    grep -iE '^C:\\users\\[^\\]+\\AppData\\Local\\Programs\\Refquill\\refquill\.exe$' >/dev/null ||
    fail "the Start-menu entry does not start the installed refquill.exe"
fi

# What the program wrote beside itself is the user's and stays.
echo "user's choices" >"$programs/Strat.jfp"
mkdir -p "$programs/Import and Export"
wine "$programs/Uninstall.exe" /S
# The uninstaller runs from a copy of itself and returns at once.
for _ in $(seq 60); do
  [ -f "$programs/Uninstall.exe" ] || break
  sleep 1
done
left=$(cd "$programs" && find . -mindepth 1 | sort | tr '\n' ' ')
[ "$left" = "./Import and Export ./Strat.jfp " ] || fail "left after uninstalling: $left"
[ ! -e "$menu" ] || fail "the Start-menu entry is left"
if wine reg query "$key" >/dev/null 2>&1; then fail "the uninstall entry is left"; fi
rm -rf "$programs"
echo "check-installer: installed, ran and uninstalled for one user"
