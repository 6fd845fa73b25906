#!/usr/bin/env bash
# Installs dovtool and its freedesktop thumbnailer entry, so that file
# managers show previews of .dov documents. Builds dovtool first when it is
# not built. Without root it installs for the current user only.
#   bash scripts/install-thumbnailer.sh [PREFIX]
# PREFIX defaults to /usr/local as root and to ~/.local otherwise.
# DOVTOOL_BUILD names a build folder whose bin/ holds dovtool already.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
if [ "$(id -u)" -eq 0 ]; then prefix="${1:-/usr/local}"; else prefix="${1:-$HOME/.local}"; fi

bash "$here/scripts/install-deps.sh"
# The MIME database tools, where the desktop has them.
if ! command -v update-mime-database >/dev/null 2>&1; then
  bash "$here/scripts/install-deps.sh" shared-mime-info
fi

build="${DOVTOOL_BUILD:-$here/build}"
if [ ! -x "$build/bin/dovtool" ]; then
  cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DDORV_BUILD_BENCH=OFF
  cmake --build "$build" -j2 --target dovtool
fi

# dovtool finds libdov in its own folder.
install -d "$prefix/lib/dorvformat" "$prefix/bin" "$prefix/share/thumbnailers" "$prefix/share/mime/packages"
install -m 0755 "$build/bin/dovtool" "$prefix/lib/dorvformat/dovtool"
install -m 0644 "$build/bin/libdov.so.1" "$prefix/lib/dorvformat/libdov.so.1"
ln -sf "$prefix/lib/dorvformat/dovtool" "$prefix/bin/dovtool"
install -m 0644 "$here/tools/desktop/dovtool.thumbnailer" "$prefix/share/thumbnailers/dovtool.thumbnailer"
install -m 0644 "$here/tools/desktop/dorvstudio-mime.xml" "$prefix/share/mime/packages/dorvstudio.xml"
update-mime-database "$prefix/share/mime"

echo "dovtool: $prefix/bin/dovtool"
echo "thumbnailer: $prefix/share/thumbnailers/dovtool.thumbnailer (image/x-dorvstudio, *.dov)"
case ":$PATH:" in *":$prefix/bin:"*) ;; *) echo "note: $prefix/bin is not on PATH; file managers need dovtool there" ;; esac
