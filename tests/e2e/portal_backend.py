"""A desktop's global-shortcut portal back end, for tests: what KDE's or GNOME's back end does
for the real portal front end (xdg-desktop-portal), without a desktop.

It owns the bus name given with --name and serves org.freedesktop.impl.portal.GlobalShortcuts.
Each shortcut asked for is bound to the trigger that --trigger gives its id, otherwise to its
preferred trigger as it stands; --refuse answers every binding with "cancelled", as a desktop
does that refuses or whose user says no. It prints what it is asked, one line each:

    ready
    session <app id>
    asked <id>=<preferred trigger> ...

and reads commands on stdin: "activate <id>" presses the shortcut (Activated, then
Deactivated, on every session), "quit" ends it.
"""

import argparse
import sys
import time

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

INTERFACE = "org.freedesktop.impl.portal.GlobalShortcuts"
PATH = "/org/freedesktop/portal/desktop"
RESPONSE_OK, RESPONSE_CANCELLED = 0, 1


def say(line):
    print(line, flush=True)


class GlobalShortcuts(dbus.service.Object):
    def __init__(self, bus, triggers, refuse):
        super().__init__(bus, PATH)
        self._triggers = triggers
        self._refuse = refuse
        self.sessions = {}  # session path -> bound shortcut ids

    @dbus.service.method(INTERFACE, in_signature="oosa{sv}", out_signature="ua{sv}")
    def CreateSession(self, handle, session_handle, app_id, options):
        say(f"session {app_id}")
        self.sessions[str(session_handle)] = []
        return RESPONSE_OK, {"session_handle": dbus.String(session_handle)}

    @dbus.service.method(INTERFACE, in_signature="ooa(sa{sv})sa{sv}", out_signature="ua{sv}")
    def BindShortcuts(self, handle, session_handle, shortcuts, parent_window, options):
        asked = [(str(i), str(o.get("preferred_trigger", ""))) for i, o in shortcuts]
        say("asked " + " ".join(f"{i}={t}" for i, t in asked))
        if self._refuse:
            return RESPONSE_CANCELLED, {}
        self.sessions[str(session_handle)] = [i for i, _ in asked]
        return RESPONSE_OK, {"shortcuts": self._described(shortcuts)}

    def _described(self, shortcuts):
        bound = dbus.Array([], signature="(sa{sv})")
        for shortcut_id, options in shortcuts:
            trigger = self._triggers.get(str(shortcut_id), str(options.get("preferred_trigger", "")))
            bound.append(dbus.Struct((shortcut_id, dbus.Dictionary({
                "description": dbus.String(options.get("description", "")),
                "trigger_description": dbus.String(trigger)}, signature="sv"))))
        return bound

    @dbus.service.signal(INTERFACE, signature="osta{sv}")
    def Activated(self, session_handle, shortcut_id, timestamp, options):
        pass

    @dbus.service.signal(INTERFACE, signature="osta{sv}")
    def Deactivated(self, session_handle, shortcut_id, timestamp, options):
        pass

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return dbus.UInt32(1)

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return {"version": dbus.UInt32(1)}

    def press(self, shortcut_id):
        now = dbus.UInt64(int(time.monotonic() * 1000))
        for session, bound in list(self.sessions.items()):
            if shortcut_id in bound:
                self.Activated(dbus.ObjectPath(session), shortcut_id, now, {})
                self.Deactivated(dbus.ObjectPath(session), shortcut_id, now, {})


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--name", required=True)
    parser.add_argument("--trigger", action="append", default=[], metavar="ID=TRIGGER")
    parser.add_argument("--refuse", action="store_true")
    args = parser.parse_args()

    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    portal = GlobalShortcuts(bus, dict(t.split("=", 1) for t in args.trigger), args.refuse)
    name = dbus.service.BusName(args.name, bus, do_not_queue=True)
    loop = GLib.MainLoop()

    def command(source, _condition):
        line = source.readline()
        words = line.split()
        if not line or words == ["quit"]:
            loop.quit()
            return False
        if len(words) == 2 and words[0] == "activate":
            portal.press(words[1])
            say(f"activated {words[1]}")
        return True

    GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, command)
    say("ready")
    loop.run()
    del name


if __name__ == "__main__":
    main()
