# Sourced by the checks that record through the program (their first argument is the program):
# strict mode, the program's folder as working directory, a scratch folder $work removed on
# exit, and fail MESSAGE.
set -euo pipefail
morvelt=$1
cd "$(dirname "$morvelt")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
