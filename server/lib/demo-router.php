<?php
// Router of demo-server.sh (php -S). Unless the server was started with
// --offer-update, the demo's live-update manifest names the version the
// demo is, so a first start offers no update it cannot install. Every other
// request is served from the web root as it stands.
$path = parse_url($_SERVER['REQUEST_URI'] ?? '/', PHP_URL_PATH);
if ($path === '/liveupdate/velmora/mainappupdate.inf' && getenv('VELMORA_DEMO_OFFER_UPDATE') !== '1') {
    header('Content-Type: text/plain');
    echo "[APPLICATION]\r\nName=Velmora\r\nVersion=2.0\r\n";
    return true;
}
return false;
