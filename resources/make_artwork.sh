#!/bin/sh
# Redraws the program's artwork into resources/art/ and checks the result.
#
#   sh resources/make_artwork.sh           draw every file, then check them
#   sh resources/make_artwork.sh --check   only check the files in art/
#
# Drawing needs Debian's python3 with python3-pil and the DejaVu fonts of
# fonts-dejavu-core; checking needs python3 alone. PYTHON overrides the
# interpreter (the default is the system one, which has python3-pil).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
python=${PYTHON:-/usr/bin/python3}

case "${1:-}" in
    --check)
        exec "$python" "$here/check_artwork.py" "$here/art"
        ;;
    "")
        ;;
    *)
        echo "usage: $0 [--check]" >&2
        exit 2
        ;;
esac

"$python" "$here/draw_artwork.py" "$here/art"
"$python" "$here/check_artwork.py" "$here/art"
