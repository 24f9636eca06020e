#!/bin/sh
# The Debian package's "rollcall" command:
#   rollcall                        starts the teacher's own copy of the program
#   rollcall --start-at-login       starts it at every login (~/.config/autostart)
#   rollcall --no-start-at-login    no longer does
#   rollcall --roll (--wrong, --statistics, --show)   a command to the running program
#
# The program keeps its classes in date/ beside itself and reads date1.edb, date2.edb and
# VoxSound.dat from there, but /opt/rollcall is not the teacher's to write. So every user
# runs a copy of their own in ~/.local/share/rollcall/. It is made on the first start, with
# an empty date/; the program files are refreshed whenever the installed ones are newer (a
# package upgrade). Everything else in that folder is the teacher's and is never touched:
# the classes, the statistics files, a voice file of their own.
set -eu

own=${XDG_DATA_HOME:-$HOME/.local/share}/rollcall
# A command goes straight to the teacher's copy, which the running program was started from:
# it is bound to a key or a launcher, and every program started here costs time.
case "${1:-}" in
  --roll | --wrong | --statistics | --show)
    [ ! -x "$own/rollcall" ] || exec "$own/rollcall" "$@"
    ;;
esac

# Found from this script's own place, so that the package works wherever its tree lies:
# <root>/usr/bin/rollcall beside <root>/opt/rollcall.
root=$(dirname "$(readlink -f "$0")")/../..
installed=$root/opt/rollcall
login_entry=${XDG_CONFIG_HOME:-$HOME/.config}/autostart/rollcall.desktop

# Copies an installed file into place under a temporary name first and renames it over the
# old one: a running program keeps the file it was started from, and an interrupted copy
# never leaves half a program where the next start would run it.
copy_in() {
  cp -p "$1" "$2.new.$$"
  mv -f "$2.new.$$" "$2"
}

case "${1:-}" in
  --start-at-login)
    mkdir -p "$(dirname "$login_entry")"
    copy_in "$root/usr/share/applications/rollcall.desktop" "$login_entry"
    exit 0
    ;;
  --no-start-at-login)
    rm -f "$login_entry"
    exit 0
    ;;
esac

mkdir -p "$own"
# The program never makes its data folder itself.
[ -d "$own/date" ] || mkdir "$own/date"
# cp -p keeps the installed time, so a copy is replaced only by a newer installed file.
for file in rollcall edbtool; do
  if [ ! -e "$own/$file" ] || [ "$installed/$file" -nt "$own/$file" ]; then
    copy_in "$installed/$file" "$own/$file"
  fi
done
# A voice file that is there already may be the teacher's own: it is kept.
if [ -e "$installed/VoxSound.dat" ] && [ ! -e "$own/VoxSound.dat" ]; then
  copy_in "$installed/VoxSound.dat" "$own/VoxSound.dat"
fi
exec "$own/rollcall" "$@"
