#!/usr/bin/python3
"""Keeps the WM_STATE property of the X display's top-level windows, as a window manager does.

Wine waits for a window manager to set WM_STATE to Withdrawn after it hides a window (up to 2 s
per window in Wine 8) before it goes on. On a virtual screen without a window manager every hidden
window costs that wait. This keeps only that part of a window manager: it redirects nothing, moves
nothing and gives no focus; it writes WM_STATE when a window is shown (the state its WM_HINTS ask
for, normal or iconic) and when it is hidden (withdrawn). It ends with the display.

Started by start_xvfb (tools/wine/xvfb.sh) on DISPLAY.
"""
from Xlib import X, Xutil, display, error

NORMAL, ICONIC, WITHDRAWN = 1, 3, 0


def main():
    d = display.Display()
    wm_state = d.intern_atom("WM_STATE")
    root = d.screen().root
    root.change_attributes(event_mask=X.SubstructureNotifyMask)
    # A window may be gone by the time its state is written: that error is not ours to report.
    d.set_error_handler(lambda *args: None)

    def set_state(window, state):
        window.change_property(wm_state, wm_state, 32, [state, X.NONE])
        d.flush()

    while True:
        event = d.next_event()
        if event.type == X.MapNotify and not event.override:
            state = NORMAL
            try:
                hints = event.window.get_wm_hints()
                if hints and hints.flags & Xutil.StateHint and hints.initial_state == ICONIC:
                    state = ICONIC
            except error.XError:
                continue
            set_state(event.window, state)
        elif event.type == X.UnmapNotify and event.event == root:
            set_state(event.window, WITHDRAWN)


if __name__ == "__main__":
    try:
        main()
    except (error.ConnectionClosedError, KeyboardInterrupt, BrokenPipeError):
        pass
