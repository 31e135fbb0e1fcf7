# Sourced by the scripts that run a program where its windows would show (the screenshot, the
# Windows checks under Wine): start_private_display [WIDTHxHEIGHT] starts Xvfb on a display of
# its own (1024x768 unless told), waits until it answers and exports DISPLAY;
# stop_private_display ends it. The number is drawn at random, so that scripts running at once
# on the machine seldom meet.
start_private_display() {
    local display=":$((200 + RANDOM % 200))"
    Xvfb "$display" -screen 0 "${1:-1024x768}x24" -nolisten tcp >/dev/null 2>&1 &
    private_display_pid=$!
    for _ in $(seq 50); do
        [ -e "/tmp/.X11-unix/X${display#:}" ] && break
        sleep 0.1
    done
    export DISPLAY="$display"
}

stop_private_display() {
    [ -n "${private_display_pid:-}" ] && kill "$private_display_pid" 2>/dev/null || true
}
