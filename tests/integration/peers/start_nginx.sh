#!/bin/sh
# usage: start_nginx.sh DIR HTTP_PORT HTTPS_PORT   (runs nginx in background, prints PID)
set -e
D=$1; H=$2; S=$3
HERE=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$D/www/private" "$D/tmp"
"$HERE/gen_certs.sh" "$D"
printf '<?xml version="1.0"?>\n<root><item id="1">hello</item></root>\n' > "$D/www/data.xml"
printf '<?xml version="1.0"?>\n<secret/>\n' > "$D/www/private/s.xml"
# 10 MB of text: the client reads bodies as text, so the payload holds no zero byte.
yes '<line>0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ</line>' | head -c 10485760 > "$D/www/large.xml"
printf 'user:%s\n' "$(openssl passwd -apr1 pass)" > "$D/htpasswd"
sed -e "s|@DIR@|$D|g" -e "s|@HTTP@|$H|g" -e "s|@HTTPS@|$S|g" "$HERE/nginx.conf.in" > "$D/nginx.conf"
# -e: error log before config is read (build default is stderr); -p: prefix
nginx -p "$D" -e "$D/error.log" -c "$D/nginx.conf" > "$D/nginx.out" 2>&1 &
echo $!
