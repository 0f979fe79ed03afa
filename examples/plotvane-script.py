#!/usr/bin/python3
"""Drives a running Plotvane host over the D-Bus session bus.

Lists the diagrams and their traces, fetches the data of the trace S21, stores a memory copy
of it, places a marker at its maximum and prints the marker's read-out, then waits for the end
of the next sweep of S21.

    examples/plotvane-script.py [--service NAME] [--trace S21] [--timeout SECONDS]

Without --service the first name on the bus that begins with "org.plotvane." is used (the demo
takes org.plotvane.Demo.Pid<process id>). Needs Debian's python3-dbus and python3-gi.
"""
import argparse
import sys
import time

import dbus
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

ROOT = "/org/plotvane"
CONTROL = "org.plotvane.DiagramControl"
DIAGRAM = "org.plotvane.Diagram"
TRACE = "org.plotvane.Trace"
MARKER = "org.plotvane.Marker"
TRACE_TYPES = {0: "data", 1: "memory", 2: "math"}


def find_service(bus):
    names = sorted(str(n) for n in bus.list_names() if str(n).startswith("org.plotvane."))
    if not names:
        sys.exit("no Plotvane host on the session bus (start one with scripts/demo)")
    return names[0]


class Host:
    """The objects of one host, reached by object path."""

    def __init__(self, bus, service):
        self.bus = bus
        self.service = service

    def iface(self, path, interface):
        return dbus.Interface(self.bus.get_object(self.service, path), interface)

    def get(self, path, interface, prop):
        return self.iface(path, dbus.PROPERTIES_IFACE).Get(interface, prop)

    def set(self, path, interface, prop, value):
        self.iface(path, dbus.PROPERTIES_IFACE).Set(interface, prop, value)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--service", help="bus name of the host")
    parser.add_argument("--trace", default="S21", help="trace to read and mark (default S21)")
    parser.add_argument("--memory", default="S21 script", help="name of the memory copy")
    parser.add_argument("--timeout", type=float, default=10.0, help="seconds to wait for the sweep")
    args = parser.parse_args()

    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    host = Host(bus, args.service or find_service(bus))
    control = host.iface(ROOT + "/Control", CONTROL)
    print(f"host {host.service}")

    # The diagrams and their traces.
    home = None
    for d in range(int(host.get(ROOT + "/Control", CONTROL, "DiagramCount"))):
        diagram = control.Diagram(d)
        name = host.get(diagram, DIAGRAM, "Name")
        print(f"diagram {d}: {name}")
        for t in range(int(host.get(diagram, DIAGRAM, "TraceCount"))):
            trace = host.iface(diagram, DIAGRAM).TraceByIndex(t)
            trace_name = host.get(trace, TRACE, "Name")
            kind = TRACE_TYPES.get(int(host.get(trace, TRACE, "Type")), "?")
            print(f"  trace {t}: {trace_name} ({kind}, {host.get(trace, TRACE, 'Measurement')})")
            if trace_name == args.trace and home is None:
                home = (diagram, trace)
    if home is None:
        sys.exit(f"no trace named {args.trace}")
    diagram, trace = home

    # The trace's data; a host that has just started may not have swept yet.
    deadline = time.monotonic() + args.timeout
    stim, resp = host.iface(trace, TRACE).FetchData()
    while not stim and time.monotonic() < deadline:
        time.sleep(0.1)
        stim, resp = host.iface(trace, TRACE).FetchData()
    if not stim:
        sys.exit(f"{args.trace} has no data within {args.timeout} s")
    peak = max(range(len(resp)), key=lambda i: resp[i])
    print(f"{args.trace}: {len(stim)} points, {stim[0] / 1e9:.4f} … {stim[-1] / 1e9:.4f} GHz, "
          f"maximum {resp[peak]:.3f} at {stim[peak] / 1e9:.4f} GHz")

    # A memory copy of it.
    host.iface(diagram, DIAGRAM).RememberTrace(args.trace, args.memory)
    copy = host.iface(diagram, DIAGRAM).Trace(args.memory)
    print(f"stored {args.memory} ({len(host.iface(copy, TRACE).FetchData()[0])} points)")

    # A marker at the maximum: the first slot not in use.
    diagram_iface = host.iface(diagram, DIAGRAM)
    slots = int(host.get(diagram, DIAGRAM, "MarkerCount"))
    marker = next((diagram_iface.Marker(k) for k in range(slots)
                   if not host.get(diagram_iface.Marker(k), MARKER, "Active")), diagram_iface.Marker(slots - 1))
    host.set(marker, MARKER, "SrcTrace", args.trace)
    host.set(marker, MARKER, "Active", True)
    host.iface(marker, MARKER).SetOnMax()
    stimulus = float(host.get(marker, MARKER, "Stimulus"))
    value = float(host.iface(marker, MARKER).Value(args.trace))
    readout = host.iface(marker, MARKER).StringValue(args.trace)
    print(f"marker {marker.rsplit('Marker', 1)[1]}: {stimulus / 1e9:.4f} GHz, {value:.3f} ({readout})")

    # The end of the next sweep.
    loop = GLib.MainLoop()
    heard = []

    def sweep_ended(trace_id):
        heard.append(int(trace_id))
        loop.quit()

    bus.add_signal_receiver(sweep_ended, signal_name="SweepEndedEventEx", dbus_interface=TRACE,
                            bus_name=host.service, path=trace)
    GLib.timeout_add(int(args.timeout * 1000), loop.quit)
    loop.run()
    if not heard:
        sys.exit(f"no sweep of {args.trace} ended within {args.timeout} s")
    print(f"sweep ended: trace id {heard[0]}")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except dbus.DBusException as error:
        sys.exit(f"{error.get_dbus_name()}: {error.get_dbus_message()}")
