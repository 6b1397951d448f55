#!/usr/bin/python3
# A StatusNotifierItem watcher of the test's own on a private session bus. It says that a host is there
# (so that Qt chooses the D-Bus tray) and prints one line per item that registers: "registered SERVICE PATH".
# Qt reads the watcher's properties through introspection, so the introspection data names them.
import sys
import dbus
import dbus.service
import dbus.mainloop.glib
from gi.repository import GLib

WATCHER = "org.kde.StatusNotifierWatcher"

class Watcher(dbus.service.Object):
    def __init__(self, bus):
        self.items = []
        name = dbus.service.BusName(WATCHER, bus)
        super().__init__(name, "/StatusNotifierWatcher")
        self.bus_name = name

    @dbus.service.method(WATCHER, in_signature="s", out_signature="", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        # An item names either its bus name (the object is then /StatusNotifierItem) or its object path.
        item = sender if service.startswith("/") else service
        path = service if service.startswith("/") else "/StatusNotifierItem"
        self.items.append((item, path))
        print("registered", item, path, flush=True)
        self.StatusNotifierItemRegistered(item + path)

    @dbus.service.method(WATCHER, in_signature="s", out_signature="")
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemRegistered(self, item):
        pass

    @dbus.service.signal(WATCHER, signature="")
    def StatusNotifierHostRegistered(self):
        pass

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, prop):
        return self.GetAll(interface)[prop]

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return {
            "RegisteredStatusNotifierItems": dbus.Array([i + p for i, p in self.items], signature="s"),
            "IsStatusNotifierHostRegistered": dbus.Boolean(True),
            "ProtocolVersion": dbus.Int32(0),
        }

INTROSPECTION = """<!DOCTYPE node PUBLIC "-//freedesktop//DTD D-BUS Object Introspection 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/introspect.dtd">
<node>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <signal name="StatusNotifierHostRegistered"/>
  </interface>
  <interface name="org.freedesktop.DBus.Properties">
    <method name="Get"><arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="out"/></method>
    <method name="GetAll"><arg type="s" direction="in"/><arg type="a{sv}" direction="out"/></method>
  </interface>
  <interface name="org.freedesktop.DBus.Introspectable">
    <method name="Introspect"><arg type="s" direction="out"/></method>
  </interface>
</node>"""

def introspect(self, object_path, connection):
    return INTROSPECTION

Watcher.Introspect = dbus.service.method(dbus.INTROSPECTABLE_IFACE, in_signature="", out_signature="s",
                                         path_keyword="object_path", connection_keyword="connection")(introspect)

dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
watcher = Watcher(bus)
print("watching", flush=True)
GLib.MainLoop().run()
