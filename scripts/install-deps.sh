#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the fixtures need, and the npm package of
# the Typst compiler the tests use. Idempotent: it asks apt only for what dpkg does not already
# have and npm only when the pinned package files changed, so a second run costs a second.
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

# Node.js runs the Typst compiler the tests check the Typst output with (below). An image that
# ships its own Node.js keeps it; only where npm is missing do Debian's packages come in.
command -v npm >/dev/null 2>&1 || packages+=(nodejs npm)

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

# The Typst compiler, an npm package whose native module ships inside the registry package, pinned
# by tests/typst/package-lock.json. `npm ci` runs only when node_modules is missing or was installed
# from other package files. Without it the Typst compile test skips, so a failure here warns
# instead of stopping the build.
typst_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/tests/typst"
stamp="$typst_dir/node_modules/.installed-from"
want=$(cat "$typst_dir/package.json" "$typst_dir/package-lock.json" | sha256sum | cut -d' ' -f1)
if [[ ! -f "$stamp" || "$(cat "$stamp")" != "$want" ]]; then
    echo "installing the Typst compiler into $typst_dir/node_modules"
    if (cd "$typst_dir" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error >/dev/null); then
        echo "$want" >"$stamp"
    else
        echo "warning: npm could not install the Typst compiler; the Typst compile test will skip" >&2
    fi
fi
