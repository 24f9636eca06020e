#!/bin/sh
# Puts the rollcall of this folder (the unpacked portable package) into the desktop menu:
#   install-desktop-entry.sh                 the menu entry
#   install-desktop-entry.sh --autostart     the menu entry, and a start at every login
#   install-desktop-entry.sh --no-autostart  no start at login any more
#   install-desktop-entry.sh --remove        takes both away
# The entries name this folder: after moving the folder, run it again from the new place.
set -eu

folder=$(cd "$(dirname "$0")" && pwd -P)
menu_entry=${XDG_DATA_HOME:-$HOME/.local/share}/applications/rollcall.desktop
login_entry=${XDG_CONFIG_HOME:-$HOME/.config}/autostart/rollcall.desktop

# A desktop entry's command line gives these characters meanings of their own (quoting,
# field codes); rather than escaping them at two levels, such a folder is refused.
case $folder in
  *[\"\`\$\\%]* | *"
"*)
    echo "install-desktop-entry.sh: the folder's path holds one of \" \` \$ \\ % or a line break;" \
         "move the folder to a plainer path and run this again" >&2
    exit 1
    ;;
esac

# The folder's rollcall.desktop names the program as installed by the Debian package; this
# entry names the files of this folder instead (the program with its commands), and its
# login actions run this script.
write_entry() {
  mkdir -p "$(dirname "$1")"
  quoted=$(printf '%s' "$folder" | sed 's/[&|]/\\&/g')
  sed -e "s|^Exec=rollcall --start-at-login\$|Exec=\"$quoted/install-desktop-entry.sh\" --autostart|" \
      -e "s|^Exec=rollcall --no-start-at-login\$|Exec=\"$quoted/install-desktop-entry.sh\" --no-autostart|" \
      -e "s|^Exec=rollcall\( --[a-z]*\)\?\$|Exec=\"$quoted/rollcall\"\1|" \
      -e "s|^Icon=rollcall\$|Icon=$quoted/rollcall.svg|" \
      "$folder/rollcall.desktop" > "$1.new.$$"
  mv -f "$1.new.$$" "$1"
}

case "${1:-}" in
  "")
    write_entry "$menu_entry"
    ;;
  --autostart)
    write_entry "$menu_entry"
    write_entry "$login_entry"
    ;;
  --no-autostart)
    rm -f "$login_entry"
    ;;
  --remove)
    rm -f "$menu_entry" "$login_entry"
    ;;
  *)
    echo "usage: install-desktop-entry.sh [--autostart | --no-autostart | --remove]" >&2
    exit 2
    ;;
esac
