# Sourced by the scripts that run Windows programs: the project's Wine prefix, quiet Wine,
# an X display, and one persistent wineserver for the whole run.
export WINEPREFIX=${WINEPREFIX:-${VELLUM_CACHE_DIR:-/var/cache/vellum}/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
# Wine's menu builder reads every shortcut a program saves under the Start Menu, in a process of
# its own: a test that removes the shortcut it just made then meets a sharing violation, and the
# host would get desktop entries for test programs.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-winemenubuilder.exe=d}
export LC_ALL=${VELLUM_TEST_LOCALE:-en_US.UTF-8}

vellum_started_xvfb=""

start_wine_session() {
    if [ -z "${DISPLAY:-}" ]; then
        # Xvfb picks a free display itself and writes its number once it is ready.
        local number_file
        number_file=$(mktemp)
        Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
        vellum_started_xvfb=$!
        for _ in $(seq 1 100); do
            [ -s "$number_file" ] && break
            sleep 0.1
        done
        export DISPLAY=":$(tr -d '[:space:]' <"$number_file")"
        rm -f "$number_file"
    fi
    wineserver -p 2>/dev/null || true
    # Wine's own services start with the first program; start them here, detached from every
    # pipe, so that they never hold a test runner's output open.
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

stop_wine_session() {
    wineserver -k 2>/dev/null || true
    if [ -n "$vellum_started_xvfb" ]; then kill "$vellum_started_xvfb" 2>/dev/null || true; fi
}
