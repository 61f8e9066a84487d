#!/usr/bin/env bash
# Serves ROOT as a cache page service on 127.0.0.1:PORT with nginx, in the foreground, until
# it is sent SIGTERM or SIGQUIT. /cache.php?cid=N answers ROOT/N.html as it is, and 404 for an
# id without a page. Used by the tests and the benchmarks; everything nginx writes stays in
# ROOT/.nginx.
set -euo pipefail
root=$(cd "$1" && pwd)
port=$2
state="$root/.nginx"
mkdir -p "$state"
nginx=$(command -v nginx || echo /usr/sbin/nginx)
cat >"$state/nginx.conf" <<CONF
daemon off;
master_process off;
worker_processes 1;
pid $state/nginx.pid;
error_log $state/error.log warn;
events { worker_connections 256; }
http {
  access_log off;
  client_body_temp_path $state/body;
  proxy_temp_path $state/proxy;
  fastcgi_temp_path $state/fastcgi;
  uwsgi_temp_path $state/uwsgi;
  scgi_temp_path $state/scgi;
  default_type "text/html";
  sendfile on;
  tcp_nopush on;
  server {
    listen 127.0.0.1:$port;
    root $root;
    location = /cache.php { try_files /\$arg_cid.html =404; }
  }
}
CONF
exec "$nginx" -p "$state" -c "$state/nginx.conf" -e "$state/error.log"
