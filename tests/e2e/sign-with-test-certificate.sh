#!/bin/sh
# Signs the executable $3 in place (Authenticode, SHA-256) with the key $1 and the certificate
# $2, as a release build signs with its own.
set -e
osslsigncode sign -h sha256 -key "$1" -certs "$2" -n "QOVI test build" -in "$3" -out "$3.signed" >/dev/null
chmod --reference="$3" "$3.signed"
mv "$3.signed" "$3"
