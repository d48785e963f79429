#!/bin/sh
# run.sh BUILD_DIR
#
# A lecture site as sites are set up: Debian's nginx (HTTPS, HTTP/2, gzip) in front of
# PHP-FPM answering the service's addresses, stream.php answering with a 302 to the static
# file, a certificate from a test authority. Runs the program's real client, downloads and
# player against it (tst_mpvplayback's siteTrial) once trusting that authority and once
# trusting another, then prints what reached the site (nginx's access log).
# Needs: nginx php8.2-fpm openssl lame (as root or with nginx runnable by the user).
set -eu
build=$(cd "${1:?build dir}" && pwd)
dir=$(mktemp -d /tmp/talvora-site-XXXXXX)
port=18943
trap 'kill $(cat "$dir"/nginx.pid 2>/dev/null) $fpm 2>/dev/null; rm -rf "$dir"' EXIT
mkdir -p "$dir/www/media" "$dir/logs"
cd "$dir"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -keyout ca.key -out ca.pem -subj "/CN=Site test authority" 2>/dev/null
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -keyout other.key -out other.pem -subj "/CN=Another authority" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout server.key -out server.csr -subj "/CN=localhost" 2>/dev/null
printf 'subjectAltName=DNS:localhost,IP:127.0.0.1\n' > server.ext
openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile server.ext -out server.pem 2>/dev/null
python3 -c "
import math,struct,sys
sr=22050
sys.stdout.buffer.write(b''.join(struct.pack('<h',int(1500*math.sin(2*math.pi*300*i/sr))) for i in range(sr*60)))" |
    lame --quiet -r -s 22.05 --bitwidth 16 --signed --little-endian -m m --cbr -b 32 - www/media/kajian-satu.mp3
cat > www/api.php <<'PHP'
<?php
header('Content-Type: application/json');
if (($_GET['action'] ?? '') === 'logBadAudio') {
    file_put_contents(__DIR__ . '/../logs/reports.log', json_encode($_GET) . "\n", FILE_APPEND);
    echo '{"status":"success","message":"Logged"}';
    exit;
}
echo json_encode(['status' => 'success', 'total_files' => 1, 'data' => [[
    'id' => 1, 'filename' => 'kajian-satu.mp3', 'slug' => 'kajian-satu', 'filemtime' => 1, 'judul' => 'Kajian satu',
    'ustadz' => 'Ustadz Fulan', 'duration_seconds' => 60]]]);
PHP
cat > www/stream.php <<'PHP'
<?php
header('Location: /media/' . rawurlencode($_GET['file'] ?? ''), true, 302);
PHP
cat > fpm.conf <<CONF
[global]
daemonize = no
error_log = $dir/logs/fpm.log
[www]
listen = $dir/fpm.sock
listen.mode = 0666
pm = static
pm.max_children = 2
CONF
cat > nginx.conf <<CONF
pid $dir/nginx.pid;
error_log $dir/logs/error.log;
events {}
http {
    access_log $dir/logs/access.log;
    include /etc/nginx/mime.types;
    gzip on; gzip_types application/json;
    server {
        listen 127.0.0.1:$port ssl http2;
        ssl_certificate $dir/server.pem; ssl_certificate_key $dir/server.key;
        root $dir/www;
        location ~ ^/(api|stream)\.php\$ {
            include /etc/nginx/fastcgi_params;
            fastcgi_param SCRIPT_FILENAME \$document_root\$fastcgi_script_name;
            fastcgi_pass unix:$dir/fpm.sock;
        }
        location /media/ { }
    }
}
CONF
chmod -R a+rX "$dir"
php-fpm8.2 -R -y fpm.conf & fpm=$!
nginx -c "$dir/nginx.conf" -g 'daemon on;'
sleep 1
for trust in other ca; do
    : > logs/access.log
    echo "== trusting $trust.pem"
    TALVORA_SITE="https://127.0.0.1:$port" TALVORA_SITE_AUTHORITY="$dir/$trust.pem" \
        "$build/tests/audio/tst_mpvplayback" siteTrial 2>&1 | grep -E "^(PASS|FAIL|QDEBUG|SKIP)|site:" || true
    echo "   requests that reached the site: $(wc -l < logs/access.log)"
    sed 's/^/     /' logs/access.log | cut -c1-160
done
