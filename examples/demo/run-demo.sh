#!/usr/bin/env bash
# The demo: a dealer's Firebird database (a file, opened embedded) with the sample NF-e, a local
# stand-in of the web service, and the job run twice. The first run delivers every document; the
# second delivers nothing new, because the day's register already holds it all.
set -euo pipefail
cd "$(dirname "$0")/../.."
build="$(cd "${1:-build}" && pwd)"
demo="$build/demo"
# The sample documents: the folder the build was configured with, unless named here.
fixtures="${KIV_FIXTURES_DIR:-$(sed -n 's/^KIV_FIXTURES_DIR:PATH=//p' "$build/CMakeCache.txt")}"

rm -rf "$demo"
mkdir -p "$demo"
"$build/bin/kiv_demo_banco" "$demo/dms.fdb" "$fixtures" >/dev/null

# The stand-in listens on a free loopback port and stops when this script ends (its standard
# input closes with us).
portas="$demo/portas"
coproc STANDIN { exec python3 tests/support/standin.py --porta 0 --arquivo-portas "$portas" --vigiar-stdin >/dev/null; }
trap 'kill "$STANDIN_PID" 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do
  [ -s "$portas" ] && break
  sleep 0.1
done
[ -s "$portas" ] || { echo "run-demo: the stand-in web service did not start" >&2; exit 1; }
porta="$(sed -n 's/.*http=\([0-9]*\).*/\1/p' "$portas")"

sed -e "s|{BANCO}|$demo/dms.fdb|" -e "s|{PORTA}|$porta|" examples/demo/job.xml >"$demo/job.xml"

for vez in primeira segunda; do
  echo "=== $vez execução: $build/bin/kivxmlvw $demo/job.xml"
  status=0
  "$build/bin/kivxmlvw" "$demo/job.xml" | tr -d '\r' || status=$?
  echo "=== exit status $status"
done
echo "=== register of the day: $(ls "$demo"/Work/NfeEnvVW_*.xml)"
