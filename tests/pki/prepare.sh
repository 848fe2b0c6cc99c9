#!/bin/bash
# Makes the test certificates in DIR, trusts their root in the project's Wine prefix only, and signs copies of
# a program for the signature tests into DIR/signed. Usage: prepare.sh DIR TrustTestRoot.exe [PROGRAM.exe]
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
DIR=${1:?usage: prepare.sh DIR TrustTestRoot.exe [PROGRAM.exe]}
TRUST=${2:?usage: prepare.sh DIR TrustTestRoot.exe [PROGRAM.exe]}
PROGRAM=${3:-}
PYTHON=/usr/bin/python3

"$PYTHON" "$HERE/testpki.py" make "$DIR"
DIR=$(cd "$DIR" && pwd)
TRUST=$(realpath "$TRUST")
# Wine maps the Unix working folder to a drive path, so the helper gets a name it can open.
(cd "$DIR" && "$HERE/../../scripts/wine-run.sh" "$TRUST" root.der)

[ -n "$PROGRAM" ] || exit 0
SIGNED=$DIR/signed
rm -rf "$SIGNED"
mkdir -p "$SIGNED"
cp "$PROGRAM" "$SIGNED/unsigned.exe"
for signer in signer other-signer untrusted-signer; do
    "$PYTHON" "$HERE/testpki.py" sign "$DIR" "$signer" "$SIGNED/unsigned.exe" "$SIGNED/$signer.exe"
done
# One bit changed in the middle of the signed image, well inside the hashed content.
cp "$SIGNED/signer.exe" "$SIGNED/changed.exe"
"$PYTHON" - "$SIGNED/changed.exe" "$(stat -c %s "$SIGNED/unsigned.exe")" <<'PY'
import sys
path, size = sys.argv[1], int(sys.argv[2])
with open(path, "r+b") as f:
    f.seek(size // 2)
    byte = f.read(1)[0]
    f.seek(size // 2)
    f.write(bytes([byte ^ 0x01]))
PY
