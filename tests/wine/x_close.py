# Presses a window's close box the way a window manager does: the WM_DELETE_WINDOW message of ICCCM.
"""Usage: x_close.py WINDOW-ID

Sends the ClientMessage WM_PROTOCOLS / WM_DELETE_WINDOW to the X window (decimal or 0x hex id),
which is what a window manager sends when the user clicks the close box. Wine turns it into the
SC_CLOSE system command and then WM_CLOSE for the Windows program. Standard library only (ctypes
over libX11). Exit code 0 when the message was sent, 2 on a usage or X error.
"""
import ctypes
import ctypes.util
import sys

CLIENT_MESSAGE = 33
NO_EVENT_MASK = 0


class ClientMessageEvent(ctypes.Structure):
    _fields_ = [
        ("type", ctypes.c_int),
        ("serial", ctypes.c_ulong),
        ("send_event", ctypes.c_int),
        ("display", ctypes.c_void_p),
        ("window", ctypes.c_ulong),
        ("message_type", ctypes.c_ulong),
        ("format", ctypes.c_int),
        ("data", ctypes.c_long * 5),
    ]


class Event(ctypes.Union):
    # XEvent is a union padded to 24 longs.
    _fields_ = [("xclient", ClientMessageEvent), ("pad", ctypes.c_long * 24)]


def main(argv):
    if len(argv) != 2 or argv[1] in ("-h", "--help"):
        print(__doc__.strip())
        return 0 if len(argv) == 2 else 2
    try:
        window = int(argv[1], 0)
    except ValueError:
        print(f"x_close: '{argv[1]}' is not a window id", file=sys.stderr)
        return 2
    name = ctypes.util.find_library("X11") or "libX11.so.6"
    x11 = ctypes.CDLL(name)
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(Event)]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    if not display:
        print("x_close: cannot open the X display (is DISPLAY set?)", file=sys.stderr)
        return 2
    event = Event()
    event.xclient.type = CLIENT_MESSAGE
    event.xclient.window = window
    event.xclient.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.xclient.format = 32
    event.xclient.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    event.xclient.data[1] = 0  # CurrentTime
    sent = x11.XSendEvent(display, window, 0, NO_EVENT_MASK, ctypes.byref(event))
    x11.XFlush(display)
    x11.XCloseDisplay(display)
    if not sent:
        print(f"x_close: XSendEvent to window {window:#x} failed", file=sys.stderr)
        return 2
    print(f"x_close: sent WM_DELETE_WINDOW to window {window:#x}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
