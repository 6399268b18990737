#!/usr/bin/env bash
# Redraws the pictures and the icon of the Windows program into
# app/ui/win32/res/ (see make_art.py). The results are committed.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/setup.sh
marovi_need_packages python3-pil fonts-ipafont-gothic
/usr/bin/python3 tools/art/make_art.py
