#!/usr/bin/env bash
# Makes the desktop open "quorix://" links with Quorix: installs the desktop
# entry for the current user, running the given program (by default the
# optimised build of scripts/run.sh), and makes it the scheme's handler.
#   scripts/install-desktop-entry.sh [path/to/quorix]
set -euo pipefail
cd "$(dirname "$0")/.."
program=$(realpath "${1:-build/release/app/quorix}")
apps="${XDG_DATA_HOME:-$HOME/.local/share}/applications"
mkdir -p "$apps"
sed "s|^Exec=quorix %u|Exec=\"$program\" %u|" app/resources/quorix.desktop > "$apps/quorix.desktop"
if command -v update-desktop-database >/dev/null; then update-desktop-database "$apps" || true; fi
if command -v xdg-mime >/dev/null; then
  xdg-mime default quorix.desktop x-scheme-handler/quorix
else
  # Without xdg-utils: the user's list of default applications, written directly.
  list="${XDG_CONFIG_HOME:-$HOME/.config}/mimeapps.list"
  mkdir -p "$(dirname "$list")"
  touch "$list"
  if ! grep -q '^\[Default Applications\]' "$list"; then printf '[Default Applications]\n' >> "$list"; fi
  sed -i '/^x-scheme-handler\/quorix=/d' "$list"
  sed -i '/^\[Default Applications\]/a x-scheme-handler/quorix=quorix.desktop' "$list"
fi
echo "install-desktop-entry: quorix:// links open $program"
