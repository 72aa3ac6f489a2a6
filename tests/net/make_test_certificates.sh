#!/usr/bin/env bash
# Makes the https tests' certificates in DIR (EC P-256 keys): the test CA, which
# the tests trust through QUILLET_CA_FILE; signed by it, a server certificate
# for 127.0.0.1 and localhost, and one for another host and 127.0.0.1; a second
# CA the tests do not trust, and a certificate for 127.0.0.1 signed by it.
# Usage: make_test_certificates.sh DIR
set -euo pipefail
mkdir -p "$1"
cd "$1"

key() { openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$1.key"; }
ca() { # ca NAME COMMON_NAME
  key "$1"
  openssl req -x509 -new -key "$1.key" -subj "/CN=$2" -days 3650 -out "$1.pem" \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign
}
server() { # server NAME CA SUBJECT_ALT_NAMES
  key "$1"
  openssl req -new -key "$1.key" -subj "/CN=$1" -out "$1.csr"
  printf 'subjectAltName=%s\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' "$3" \
    >"$1.ext"
  openssl x509 -req -in "$1.csr" -CA "$2.pem" -CAkey "$2.key" -CAcreateserial -days 3650 \
    -extfile "$1.ext" -out "$1.pem" 2>/dev/null
  rm "$1.csr" "$1.ext"
}

ca ca "Quillet test CA"
ca other-ca "Quillet untrusted test CA"
server server ca "IP:127.0.0.1,DNS:localhost"
server wrong-host ca "DNS:other.example,IP:127.0.0.1"
server untrusted other-ca "IP:127.0.0.1"
