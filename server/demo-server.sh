#!/usr/bin/env bash
# Starts or stops the reference publisher server with its demo news on
# loopback, where the demo brand of Velmora looks for news and updates.
#   server/demo-server.sh start [--offer-update]|stop|status
# The demo offers no update unless started with --offer-update (then it
# offers version 2.1, as public/liveupdate/velmora/mainappupdate.inf says).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
port=${VELMORA_DEMO_PORT:-8765}
state=${XDG_RUNTIME_DIR:-/tmp}/velmora-demo-server-$(id -u)-$port
pidfile=$state.pid
logfile=$state.log

answers() {
  php -r '$s = @fsockopen("127.0.0.1", (int)$argv[1], $e, $m, 0.2); exit($s ? 0 : 1);' "$port"
}

running() {
  [ -f "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null
}

case "${1:-}" in
  start)
    offer=0
    case "${2:-}" in
      "") ;;
      --offer-update) offer=1 ;;
      *) echo "usage: $0 start [--offer-update]" >&2; exit 2 ;;
    esac
    command -v php >/dev/null || { echo "demo-server: php is not installed (apt-get install php-cli)" >&2; exit 1; }
    if running; then
      echo "demo-server: already running on 127.0.0.1:$port (pid $(cat "$pidfile"))"
      exit 0
    fi
    if answers; then
      echo "demo-server: something else already listens on 127.0.0.1:$port" >&2
      exit 1
    fi
    VELMORA_NEWS_STORE="$here/data/news.json" VELMORA_DEMO_OFFER_UPDATE=$offer \
      nohup php -S "127.0.0.1:$port" -t "$here/public" "$here/lib/demo-router.php" >"$logfile" 2>&1 </dev/null &
    echo $! >"$pidfile"
    for _ in $(seq 50); do
      if answers; then
        echo "demo-server: publisher server on http://127.0.0.1:$port/ (log: $logfile)"
        [ "$offer" = 1 ] && echo "demo-server: offering version 2.1 to Check Updates"
        exit 0
      fi
      running || break
      sleep 0.1
    done
    echo "demo-server: the server did not start; see $logfile" >&2
    "$0" stop >/dev/null 2>&1 || true
    exit 1
    ;;
  stop)
    if running; then
      kill "$(cat "$pidfile")"
      echo "demo-server: stopped"
    fi
    rm -f "$pidfile"
    ;;
  status)
    if running; then echo "running (pid $(cat "$pidfile"))"; else echo "stopped"; exit 1; fi
    ;;
  *)
    echo "usage: $0 start [--offer-update]|stop|status" >&2
    exit 2
    ;;
esac
