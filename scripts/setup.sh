# Sourced by the scripts in this folder: installs what a fresh Debian 12
# machine lacks to build and test Marovi (only when run as root), and the
# helpers every script uses.
#
#   marovi_need_packages [--with-recommends] PACKAGE...
#   fail MESSAGE...   says "<script>: MESSAGE" on stderr and exits 1, after
#                     marovi_before_fail if the script defines one
#   seconds, elapsed START   a time stamp, and "N.N s" since one

fail() {
  echo "$(basename "$0" .sh): $*" >&2
  if declare -F marovi_before_fail >/dev/null; then
    marovi_before_fail
  fi
  exit 1
}
seconds() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$(seconds)" 'BEGIN { printf "%.1f s", b - a }'; }

marovi_need_packages() {
  local recommends=--no-install-recommends
  if [ "${1:-}" = --with-recommends ]; then
    recommends=--install-recommends
    shift
  fi
  local missing=()
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep "install ok installed" >/dev/null || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing packages: ${missing[*]} (run as root, or install them)" >&2
    return 1
  fi
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  timeout 600 apt-get update -qq && timeout 900 apt-get install -y -qq "$recommends" "${missing[@]}" >/dev/null
}

# scdoc turns the manual pages into roff at build time; man-db shows them in
# the tests (man --warnings). expat reads InkML; xmllint checks the InkML
# written against its schema and tidy the HTML5 pages; rsvg-convert draws the
# SVG pictures to compare them with their JPEGs.
# zinnia and its Japanese model read handwriting (--recognize), mecab-ipadic's
# word list chooses the characters of a word together.
MAROVI_BASE_PACKAGES=(build-essential cmake libgtest-dev libjpeg-dev libc6-dev scdoc man-db
  libexpat1-dev libxml2-utils tidy librsvg2-bin libzinnia-dev tegaki-zinnia-japanese mecab-ipadic)
# The printed keyboard (marovi-sheet): cairo and Pango draw it, the IPA Gothic
# font carries its Japanese texts, poppler-utils lets the tests read the PDF
# and libpng the explain pictures of marovi-convert. The notebook's PDF
# (marovi-convert --pdf) embeds IPA P Gothic of the same package, cut down
# by HarfBuzz (libharfbuzz-dev, which Pango brings) and deflated by zlib;
# qpdf checks its structure and reads its outline and page labels.
MAROVI_SHEET_PACKAGES=(pkg-config libcairo2-dev libpango1.0-dev fonts-ipafont-gothic poppler-utils libpng-dev
  libharfbuzz-dev zlib1g-dev qpdf)
# The manual SKBmanual.pdf: WeasyPrint lays out its HTML pages, the IPA fonts
# (Gothic for headings and figures, Mincho for the body) are embedded in it.
MAROVI_MANUAL_PACKAGES=(weasyprint fonts-ipafont-gothic fonts-ipafont-mincho poppler-utils)
# The index page of a notebook and the HTML5 pages are tried in a real
# browser: headless Chromium driven by Selenium.
MAROVI_BROWSER_PACKAGES=(chromium chromium-driver python3-selenium)
# Packaging (scripts/package.sh): CPack's Debian package needs dpkg-shlibdeps
# and file, lintian checks it (the manual's packages come on top); the
# Windows archive needs the cross compiler and zip.
MAROVI_PACKAGE_PACKAGES=(dpkg-dev file lintian)
MAROVI_WINDOWS_ARCHIVE_PACKAGES=(g++-mingw-w64-x86-64 zip unzip)
