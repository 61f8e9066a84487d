# Starting hostile_server.py from a shell suite; sourced, not run.
#   start_hostile LOG ARGS...   starts it with ARGS on a free loopback port and sets $hostile to
#                               its address and $hostile_pid to its process; each request it
#                               reads adds a line "request ..." to LOG
#   stop_hostile                stops the last one started; every one started is in
#                               $hostile_pids, for an EXIT trap

hostile_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
hostile=
hostile_pid=
hostile_pids=

start_hostile() {
  local log=$1 port=
  shift
  timeout 120 python3 -u "$hostile_dir/hostile_server.py" "$@" >"$log" 2>&1 &
  hostile_pid=$!
  hostile_pids="$hostile_pids $hostile_pid"
  for _ in $(seq 100); do
    port=$(head -n 1 "$log")
    [ -n "$port" ] && break
    sleep 0.1
  done
  hostile=http://127.0.0.1:$port
}

stop_hostile() {
  [ -n "$hostile_pid" ] && kill "$hostile_pid" 2>/dev/null && wait "$hostile_pid" 2>/dev/null
  hostile_pid=
}
