# Starting and stopping serve_pages.sh from a script; sourced, not run.
#   pages_port=$(free_loopback_port); start_pages SITE; ...; stop_pages

pages_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
pages_pid=
pages_port=

free_loopback_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# Serves SITE on 127.0.0.1:$pages_port and waits until it accepts connections.
start_pages() {
  timeout 1800 bash "$pages_dir/serve_pages.sh" "$1" "$pages_port" &
  pages_pid=$!
  for _ in $(seq 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$pages_port") 2>/dev/null && return 0
    sleep 0.1
  done
  echo "nginx did not start on port $pages_port" >&2
  return 1
}

stop_pages() {
  if [ -n "$pages_pid" ]; then
    kill "$pages_pid" 2>/dev/null
    wait "$pages_pid" 2>/dev/null
  fi
  pages_pid=
}
