#!/usr/bin/env bash
# quorvel-setup.exe in a fresh Wine prefix, as a player would use it: a silent install for the
# whole machine, the game started from its shortcut's folder, a second install over the first
# into another folder, then one for the current user alone beside one for the machine, each
# uninstalled while the other stays, the user's with files partly deleted by hand before its
# uninstaller runs. At the end the prefix holds the same files and registry keys as before the
# first install; last, an install into a folder of other files, which its uninstall leaves.
#   test_windows_installer.sh SETUP_EXE VERSION GAME_EXE WORK_DIR
set -euo pipefail
setup=$1 version=$2 game=$3 work=$4
root=$(cd "$(dirname "$0")/.." && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }

export WINEPREFIX=$work/prefix
# No menu entries on the build machine for the shortcuts the installer makes. No crash debugger:
# a Wine program crashing under load (seen between an install and its uninstall) would otherwise
# start winedbg, whose console and settings keys then show up in the registry compared below.
# Wine starts winedbg even with AeDebug's Debugger value deleted; only disabling the program
# itself keeps it out. A crash of the installer or the uninstaller still fails the test, by its
# exit status or by what it leaves behind.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
wine() { "$root/scripts/wine-run" "$@"; }
settle() {  # every program of the prefix has ended (an uninstaller runs on from a copy)
  if command -v wineserver >/dev/null 2>&1; then wineserver -w; else /usr/lib/wine/wineserver64 -w; fi
}
rm -rf "$work"
mkdir -p "$work"
trap 'settle >/dev/null 2>&1 || true' EXIT
wine wineboot -i >/dev/null 2>&1
settle
drive=$WINEPREFIX/drive_c
user_dir=$(find "$drive/users" -mindepth 1 -maxdepth 1 -type d ! -name Public -printf '%f\n' | sort | head -1)
# Windows 10 and later have the per-user programs folder; a fresh prefix does not yet.
mkdir -p "$drive/users/$user_dir/AppData/Local/Programs"

# The prefix's files but the temporary ones (an uninstaller copies itself there and asks for
# the copy to go at the next restart), and its registry keys and values but the hardware and
# session state Wine itself updates while programs run.
snapshot() {
  settle
  (cd "$drive" && find . | grep -vi '/temp\(/\|$\)' | sort) > "$work/$1.files"
  for hive in system user; do
    sed -e 's/^\(\[.*\]\) [0-9]*$/\1/' -e '/^#time=/d' "$WINEPREFIX/$hive.reg" |
      awk '/^\[/ { key = $0 } key !~ /^\[System\\\\|NetworkCards/ { print }'
  done > "$work/$1.reg"
}
same_as() {  # same_as SNAPSHOT WHEN
  snapshot "$2"
  diff "$work/$1.files" "$work/$2.files" >&2 || fail "$2: files differ from before the install"
  diff "$work/$1.reg" "$work/$2.reg" >&2 || fail "$2: registry differs from before the install"
  ! grep -qi quorvel "$WINEPREFIX/system.reg" "$WINEPREFIX/user.reg" || fail "$2: the registry still names Quorvel"
}
same_as_before() { same_as before "$1"; }
snapshot before

uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvel'
value() {  # value HIVE NAME: the installed program's registry value, as reg query prints it
  wine reg query "$1\\$uninstall_key" /v "$2" 2>/dev/null | tr -d '\r' | awk -v n="$2" '$1 == n { $1 = ""; $2 = ""; sub(/^  /, ""); print }'
}
check_install() {  # check_install DIR HIVE SHORTCUT_DIR: what one installation wrote
  local dir=$1 hive=$2 menu=$3
  local unix_dir
  unix_dir=$(wine winepath -u "$dir" 2>/dev/null | tr -d '\r')
  cmp -s "$unix_dir/quorvel.exe" "$game" || fail "$dir\\quorvel.exe is not the game"
  [ -f "$unix_dir/uninstall.exe" ] || fail "no uninstaller in $dir"
  [ "$(ls "$unix_dir/Models" | wc -l)" -eq "$(ls "$root/Models" | wc -l)" ] || fail "$dir\\Models is not the game's models"
  [ "$(ls "$unix_dir")" = "$(printf 'Models\nquorvel.exe\nuninstall.exe\nuninstall.ini')" ] || fail "$dir holds more than the game"
  # The shortcut starts the installed game in its folder (its target and working directory).
  local lnk="$menu/Quorvel.lnk"
  [ -f "$lnk" ] || fail "no Start menu shortcut $lnk"
  has_string() {  # a string of the link (UTF-16 or not), maybe after its length character
    S=$2 awk '$0 == ENVIRON["S"] || substr($0, 2) == ENVIRON["S"] { found = 1 } END { exit !found }' < <(strings -e"$1" "$lnk")
  }
  has_string l "$dir" || fail "the shortcut does not start in $dir"
  has_string s "$dir\\quorvel.exe" || fail "the shortcut does not start $dir\\quorvel.exe"
  # The entry in the list of installed programs.
  [ "$(value "$hive" DisplayName)" = Quorvel ] || fail "$hive: no DisplayName"
  [ "$(value "$hive" DisplayVersion)" = "$version" ] || fail "$hive: DisplayVersion is not $version"
  [ "$(value "$hive" Publisher)" = "Quorvel developers" ] || fail "$hive: no Publisher"
  [ "$(value "$hive" DisplayIcon)" = "$dir\\quorvel.exe,0" ] || fail "$hive: DisplayIcon"
  [ "$(value "$hive" InstallLocation)" = "$dir" ] || fail "$hive: InstallLocation"
  [ "$(value "$hive" QuietUninstallString)" = "\"$dir\\uninstall.exe\" /S" ] || fail "$hive: QuietUninstallString"
  local size
  size=$(value "$hive" EstimatedSize)
  [ $((size)) -ge $(( $(du -sk "$unix_dir" | cut -f1) / 2 )) ] || fail "$hive: EstimatedSize $size too small"
}
check_gone() {  # check_gone DIR HIVE SHORTCUT_DIR: one installation removed whole
  [ ! -e "$(wine winepath -u "$1" 2>/dev/null | tr -d '\r')" ] || fail "$1 is still there"
  [ ! -e "$3/Quorvel.lnk" ] || fail "the shortcut in $3 is still there"
  [ -z "$(value "$2" DisplayName)" ] || fail "$2 still lists Quorvel"
}
# uninstall_leaving_other DIR HIVE SHORTCUT_DIR OTHER_DIR OTHER_HIVE OTHER_SHORTCUT_DIR: DIR's
# uninstaller, started by the folder's 8.3 spelling, removes its installation and leaves the other.
uninstall_leaving_other() {
  local short
  short=$(wine winepath -s "$1" 2>/dev/null | tr -d '\r')
  [ -n "$short" ] && [ "$short" != "$1" ] || fail "$1 has no short name"
  wine "$short\\uninstall.exe" /S || fail "$short\\uninstall.exe exited with $?"
  settle
  check_gone "$1" "$2" "$3"
  check_install "$4" "$5" "$6"
}

programs='C:\Program Files\Quorvel'
common_menu="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs"
wine "$setup" /S || fail "the silent install exited with $?"
settle
check_install "$programs" HKLM "$common_menu"
[ -z "$(value HKCU DisplayName)" ] || fail "a per-machine install wrote to HKCU"

# The installed game as its shortcut starts it (its target, in its folder), with a few frames
# of keys, Escape ending it. A model it cannot find would stop it at a message box, which the
# time limit ends.
printf '1-5 W\n3 SPACE\n6 ESC\n' > "$work/keys"
rc=0
(cd "$drive/Program Files/Quorvel" &&
  timeout 120 "$root/scripts/wine-run" "$programs\\quorvel.exe" --keys "Z:$work/keys" --trace "Z:$work/trace.json") \
  > "$work/run.log" 2>&1 || rc=$?
[ "$rc" -eq 0 ] || { cat "$work/run.log" >&2; fail "the installed game exited with $rc"; }
[ "$(wc -l < "$work/trace.json")" -eq 7 ] || fail "the installed game's trace: expected set-up and 6 frames"
rm -f "$work/keys" "$work/trace.json" "$work/run.log"

# Installing again, over the first and then into another folder, replaces what was there.
wine "$setup" /S || fail "the second install exited with $?"
settle
check_install "$programs" HKLM "$common_menu"
wine "$setup" /S '/D=C:\Quorvel' || fail "the third install exited with $?"
settle
[ ! -e "$drive/Program Files/Quorvel" ] || fail "the first installation is still there"
check_install 'C:\Quorvel' HKLM "$common_menu"

# Uninstalling as the list of installed programs does: the uninstaller copies itself away
# and returns at once; its copy removes everything.
wine 'C:\Quorvel\uninstall.exe' /S || fail "the uninstaller exited with $?"
same_as_before "after the per-machine uninstall"

# For the current user alone: the local programs folder and HKCU, no administrator needed.
local_programs="C:\\users\\$user_dir\\AppData\\Local\\Programs\\Quorvel"
unix_local=$(wine winepath -u "$local_programs" 2>/dev/null | tr -d '\r')
user_menu="$drive/users/$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
wine "$setup" /S /CurrentUser || fail "the per-user install exited with $?"
settle
check_install "$local_programs" HKCU "$user_menu"
[ -z "$(value HKLM DisplayName)" ] || fail "a per-user install wrote to HKLM"

# Beside it, one for the machine. Each uninstaller removes its own installation's files,
# shortcut and entry and leaves the other's, also when started by another spelling of its
# folder (the 8.3 one); the user's installing again elsewhere leaves the machine's too.
wine "$setup" /S || fail "the per-machine install beside the user's exited with $?"
settle
check_install "$programs" HKLM "$common_menu"
check_install "$local_programs" HKCU "$user_menu"
player_games='C:\PlayerGames'  # a long folder name, which has a short one
wine "$setup" /S /CurrentUser "/D=$player_games" || fail "the per-user install into $player_games exited with $?"
settle
[ ! -e "$unix_local" ] || fail "the user's earlier installation is still there"
check_install "$player_games" HKCU "$user_menu"
check_install "$programs" HKLM "$common_menu"
uninstall_leaving_other "$player_games" HKCU "$user_menu" "$programs" HKLM "$common_menu"
wine "$setup" /S /CurrentUser || fail "the per-user install beside the machine's exited with $?"
settle
check_install "$local_programs" HKCU "$user_menu"
uninstall_leaving_other "$programs" HKLM "$common_menu" "$local_programs" HKCU "$user_menu"

# Files deleted by hand, the installation's note of its kind among them: the uninstaller
# still removes the rest and the registry entry, the one list that names Quorvel, and says
# nothing. Started as an administrator may start it, it still finds the user's entry.
rm -rf "$unix_local/Models" "$unix_local/quorvel.exe" "$unix_local/uninstall.ini"
wine "$local_programs\\uninstall.exe" /S || fail "the uninstaller exited with $? after files went"
same_as_before "after the per-user uninstall"

# Into a folder that already holds other things: the uninstall takes only what it installed,
# and leaves the rest and the folder.
games="$drive/Games"
mkdir -p "$games/Models" "$games/saves"
echo "a player's notes" > "$games/notes.txt"
echo "a saved game" > "$games/saves/slot1.sav"
echo "a model of the player's" > "$games/Models/mine.x"
snapshot with_others
wine "$setup" /S '/D=C:\Games' || fail "the install into a folder of other files exited with $?"
settle
cmp -s "$games/quorvel.exe" "$game" || fail "C:\\Games\\quorvel.exe is not the game"
[ "$(value HKLM InstallLocation)" = 'C:\Games' ] || fail "HKLM: InstallLocation of C:\\Games"
wine 'C:\Games\uninstall.exe' /S || fail "the uninstaller of C:\\Games exited with $?"
same_as with_others "after the uninstall from a folder of other files"
echo "installer: installs, runs, reinstalls and uninstalls cleanly for the machine and for one user, side by side, and beside other files"
