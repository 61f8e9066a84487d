# A virtual X screen with a window manager, for the tests that drive real windows; sourced,
# not run.
#   start_x_screen   starts Xvfb on a free display and openbox on it, and exports DISPLAY
#   stop_x_screen    stops both; also safe in an EXIT trap

x_screen_pid=
x_manager_pid=

start_x_screen() {
  local display
  for display in $(seq 91 140); do [ -e "/tmp/.X11-unix/X$display" ] || break; done
  Xvfb ":$display" -screen 0 1024x768x24 -dpi 96 -nolisten tcp >/dev/null 2>&1 &
  x_screen_pid=$!
  export DISPLAY=:$display
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  openbox >/dev/null 2>&1 &
  x_manager_pid=$!
}

stop_x_screen() {
  [ -n "$x_manager_pid" ] && kill "$x_manager_pid" 2>/dev/null
  [ -n "$x_screen_pid" ] && kill "$x_screen_pid" 2>/dev/null
  x_manager_pid=
  x_screen_pid=
}
