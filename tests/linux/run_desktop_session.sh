#!/usr/bin/env bash
# Runs a test program on a display and a session bus of its own: Xvfb on the first free display
# number, dbus-run-session, and dunst as the notification service. Then once more without any
# session bus, for the answers without a notification service.
# GTK, fontconfig and GLib keep caches until the process ends, which LeakSanitizer would report
# as leaks: leak checking is off here, the rest of ASan and UBSan stays on.
set -euo pipefail
program=$1
shift

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
export NO_AT_BRIDGE=1 GTK_A11Y=none GDK_BACKEND=x11
runtime=$(mktemp -d)
xvfb=""
trap '[ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true; rm -rf "$runtime"' EXIT
# Xvfb picks a free display number and writes it to the file.
Xvfb -displayfd 4 -screen 0 1280x800x24 -nolisten tcp 4>"$runtime/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$runtime/display" ] && break; sleep 0.05; done
export DISPLAY=":$(cat "$runtime/display")"
# Nothing of the user's own home is read or written (recent files, settings).
mkdir -p "$runtime/home"
export XDG_RUNTIME_DIR=$runtime HOME=$runtime/home XDG_CONFIG_HOME=$runtime/home/.config XDG_DATA_HOME=$runtime/home/.local/share XDG_CACHE_HOME=$runtime/home/.cache

dbus-run-session -- bash -c '
    dunst -config /dev/null >/dev/null 2>&1 &
    # Waiting without asking dunst itself, which the bus would answer by starting another one.
    for _ in $(seq 100); do
        gdbus call --session --dest org.freedesktop.DBus --object-path /org/freedesktop/DBus \
            --method org.freedesktop.DBus.NameHasOwner org.freedesktop.Notifications 2>/dev/null | grep -q true && break
        sleep 0.05
    done
    "$@"
    status=$?
    kill %1 2>/dev/null || true
    exit $status
' bash "$program" "$@"
env -u DBUS_SESSION_BUS_ADDRESS DBUS_SESSION_BUS_ADDRESS=unix:path=$runtime/no-bus VELLUM_TEST_NO_NOTIFICATION_SERVICE=1 \
    "$program" --gtest_filter='*Notification*' "$@"
