#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the fixtures need. Idempotent: it asks apt
# only for what dpkg does not already have, so a second run costs a second.
#
# Usage: scripts/install-deps.sh [--fixtures]
#   --fixtures  also installs TeX Live for tests/fixtures/regenerate.sh. The tests read the
#               committed fixture PDFs, so a plain build and `make check` never need it.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config clang
    libmupdf-dev libmujs-dev libgumbo-dev libopenjp2-7-dev libjbig2dec0-dev libjpeg-dev
    libfreetype-dev libharfbuzz-dev zlib1g-dev mupdf-tools
    libtbb-dev libcli11-dev libicu-dev nlohmann-json3-dev libgtest-dev
    python3 python3-dev python3-pytest binutils
    time  # /usr/bin/time: the peak memory bench/extract.sh reports
)

# pdflatex, article, geometry and mathptmx (latex-base), pdflscape (latex-recommended), the
# Computer Modern Type 1 fonts (base) and the URW Times the two-column fixture is set in.
fixture_packages=(
    texlive-latex-base texlive-latex-recommended texlive-fonts-recommended
)

for arg in "$@"; do
    case "$arg" in
    --fixtures) packages+=("${fixture_packages[@]}") ;;
    *) echo "unknown option: $arg" >&2; exit 2 ;;
    esac
done

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]})); then
    echo "installing: ${missing[*]}"
    sudo_cmd=()
    [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi
